// A folder for one bad-input run: the files a program reads, an earlier output
// that a failing run must leave alone, and a snapshot to prove it did.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {

// Every entry of a folder: a file's bytes, or a mark for a folder or a link.
using FolderSnapshot = std::map<std::string, Bytes>;

class Workspace {
public:
    // Holds song-0.raw and song-1.raw: 64 samples each, sample i of file d being 256 × (i + d).
    Workspace();

    void write(const std::string& name, const Bytes& bytes) const;
    void write(const std::string& name, const std::string& text) const;
    void makeFolder(const std::string& name) const;

    FolderSnapshot snapshot() const;

    RunResult run(const std::string& program, const std::vector<std::string>& arguments,
                  const RunOptions& options = {}) const;

    // The event stream of a song file: everything after its 132-byte header.
    Bytes stream(const std::string& name = "song.sng") const;

    TempFolder folder;
};

// What changed in the workspace since `before`: one line per file added, removed
// or changed; empty when nothing did.
std::string changesSince(const FolderSnapshot& before, const Workspace& space);

// A song file as an earlier run left it, to be found unchanged after a failing run.
Bytes earlierSong();

// A MIDI file of `count` notes in a row on voice 0: a song of over 5 × count bytes.
Bytes scale(int count);

}  // namespace testing_support
