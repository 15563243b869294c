// Shared pieces of the songmake tests: a song folder with its side files, and
// the records a song's event stream is expected to hold.
#pragma once

#include <string>
#include <vector>

#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {

// A folder holding song.mid and the two raw wave files songmake needs.
class SongFolder {
public:
    SongFolder();
    void writeMidi(const Bytes& midi, const std::string& name = "song.mid");
    void writeEnvelopes(const std::string& text, const std::string& base = "song");
    // Both wave files: 64 samples each, sample i of file d being 256 × (i + d).
    void writeWaves(const std::string& base = "song");

    // A raw wave file with these bytes, in place of the standard one.
    void writeWave(const std::string& name, const Bytes& bytes);

    RunResult run(const std::vector<std::string>& arguments, const RunOptions& options = {}) const;
    RunResult convert(const std::string& midiName = "song.mid") const { return run({midiName}); }

    // The event stream of a song file (everything after the 132-byte header).
    Bytes stream(const std::string& name = "song.sng") const;
    // The magic and both wave tables (the first 132 bytes of a song file).
    Bytes header(const std::string& name = "song.sng") const;

    TempFolder folder;
};

}  // namespace testing_support
