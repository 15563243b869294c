// The six programs as writers of one output each, so that a rule about output
// files is one test that runs every program it concerns: what each reads, the
// output it writes beside it, and its exit code for a write that fails.
#pragma once

#include <string>
#include <vector>

#include "tests/support/song_folder.h"

namespace testing_support {

struct Writer {
    std::string title;         // the program's name, for the failure's trace
    std::string program;       // one of the *_PATH definitions
    std::string inputSuffix;   // the input is BASE plus this
    std::string outputSuffix;  // and the output BASE plus this
    bool readsMidi = false;    // a MIDI file (songmake and songcheck: with wave files), or a song
    bool needsWaves = false;
    std::vector<std::string> options;  // before the input's name
    bool namesOutput = false;          // the output's name follows the input's (songprep)
    int writeFailure = 1;

    std::string input(const std::string& base) const { return base + inputSuffix; }
    std::string output(const std::string& base) const { return base + outputSuffix; }
    // The command line that reads BASE's input and writes BASE's output.
    std::vector<std::string> arguments(const std::string& base) const;
    // Writes BASE's input, and its wave files where the program needs them: a
    // MIDI file of `notes` notes, or the song songmake makes of it.
    void prepare(const SongFolder& space, const std::string& base, int notes = 16) const;
};

const std::vector<Writer>& allWriters();

}  // namespace testing_support
