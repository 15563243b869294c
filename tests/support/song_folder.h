// A folder to run our programs in, the way a user would: the files they read,
// song.mid's wave files on request, and snapshots to prove that a failing run
// left everything as it was.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {

// Every entry of a folder: a file's bytes, or a mark for a folder or a link.
using FolderSnapshot = std::map<std::string, Bytes>;

class SongFolder {
public:
    void write(const std::string& name, const Bytes& bytes) const;
    void write(const std::string& name, const std::string& text) const;
    void makeFolder(const std::string& name) const;

    // The MIDI file and, so that songmake can convert it, the two wave files of
    // its base name (the name less its last four bytes).
    void writeMidi(const Bytes& midi, const std::string& name = "song.mid") const;
    // BASE-0.raw and BASE-1.raw: 64 samples each, sample i of file d being 256 × (i + d).
    void writeWaves(const std::string& base = "song") const;
    void writeEnvelopes(const std::string& text, const std::string& base = "song") const;

    // Runs `program` (one of the *_PATH definitions) in the folder.
    RunResult run(const std::string& program, const std::vector<std::string>& arguments,
                  const RunOptions& options = {}) const;

    // The event stream of a song file (everything after the 132-byte header);
    // empty for a shorter file.
    Bytes stream(const std::string& name = "song.sng") const;
    // The magic and both wave tables: the first 132 bytes of a song file.
    Bytes header(const std::string& name = "song.sng") const;

    FolderSnapshot snapshot() const;

    TempFolder folder;
};

// What changed in the folder since `before`: one line per entry added, removed
// or changed; empty when nothing did.
std::string changesSince(const FolderSnapshot& before, const SongFolder& song);

}  // namespace testing_support
