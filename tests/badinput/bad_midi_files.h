// MIDI files that no program of ours can read, each with the reader's reason:
// shared by the bad-input tests of every program that reads MIDI files.
#pragma once

#include <string>
#include <vector>

#include "tests/support/midi_writer.h"

namespace testing_support {

struct Refusal {
    const char* damage;
    Bytes midi;
    std::string message;
};

std::vector<Refusal> midiRefusals();

Bytes oneNoteTrack();

}  // namespace testing_support
