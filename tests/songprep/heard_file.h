// A MIDI file as our reader hears it, one line per event, so that a test says
// what a file holds: "480 90 60 100" (tick, status, data bytes) or
// "0 tempo 500000".
#pragma once

#include <string>
#include <vector>

#include "tests/support/midi_writer.h"

namespace testing_support {

struct HeardFile {
    int code = -1;  // the reader's
    unsigned format = 0;
    unsigned trackCount = 0;
    unsigned division = 0;
    std::vector<std::string> events;
};

HeardFile hearFile(const Bytes& midi);

// The events whose line contains `text`.
std::vector<std::string> eventsWith(const HeardFile& file, const std::string& text);

}  // namespace testing_support
