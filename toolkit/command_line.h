// What the tools' command lines share: the player unit and its default, numbers
// given as option values, and the version line.
#pragma once

#include <optional>
#include <string_view>

namespace toolkit {

// The player unit every tool assumes unless told otherwise: a MIDI file of 480
// ticks per quarter note then plays at its written tempo.
inline constexpr double kDefaultUnitMs = 2.5;

// A decimal number such as "2.5" or "48000", the whole text and nothing else,
// finite and not negative. Returns false for anything else.
bool parseOptionNumber(std::string_view text, double& value);

// "NAME 1.0.0", the line every tool's --version prints.
void printVersion(const char* program);

// What a tool's command line asks for.
enum class OptionsVerdict { run, help, version, usageError };

// Answers --help and --version (exit code 0) and a usage error (the usage text,
// exit code 1) as every tool does; nothing when the tool is to run.
std::optional<int> answerOptions(OptionsVerdict verdict, const char* program, const char* usage);

}  // namespace toolkit
