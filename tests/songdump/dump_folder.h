// Shared pieces of the songdump tests: a folder to make songs in and run
// songdump (and songmake) on them.
#pragma once

#include <string>
#include <vector>

#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {

class DumpFolder {
public:
    void writeSong(const Bytes& stream, const std::string& name = "song.sng") const;
    // song.mid with its two wave files and, unless empty, song.env; then songmake on it.
    RunResult convert(const Bytes& midi, const std::string& envelopes = "") const;

    RunResult dump(const std::vector<std::string>& arguments) const;

    // Whether xmllint takes the file as well-formed XML; false without xmllint.
    bool wellFormedXml(const std::string& name) const;
    static bool haveXmlParser();

    TempFolder folder;
};

// How often `piece` occurs in `text`.
int occurrences(const std::string& text, const std::string& piece);

// The last line of a program's output, without its newline.
std::string lastLine(const std::string& output);

}  // namespace testing_support
