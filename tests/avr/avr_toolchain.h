// Running the AVR toolchain and simavr from tests, and reading what the
// read-back firmware (examples/avr/readback.c) printed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {

// Those of `programs` that are not found on the PATH.
std::vector<std::string> missingPrograms(const std::vector<std::string>& programs);

// Runs `command` (program and arguments) in `folder`, with standard error
// merged into the output, ended after `timeoutSeconds`.
RunResult runCommand(const std::vector<std::string>& command, const std::filesystem::path& folder,
                     int timeoutSeconds = 20);

// What the read-back firmware printed through simavr.
struct FirmwareReadback {
    Bytes streamBytes;                       // read_song_byte(0), read_song_byte(1), ...
    std::vector<std::uint16_t> streamWords;  // read_song_word(0), read_song_word(1), ...
    Bytes waveTable1;
    Bytes waveTable2;
    bool finished = false;              // it printed its end line
    std::vector<std::string> problems;  // lines out of order or unreadable
};

FirmwareReadback parseReadback(const std::string& simulatorOutput);

}  // namespace testing_support
