// songplay's command line: what to render, where to, and how.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "toolkit/command_line.h"

namespace songplay {

inline constexpr std::size_t kVoiceCount = 4;

// The range of --rate: the sample rates WAV players commonly take.
inline constexpr unsigned kLowestRate = 8000;
inline constexpr unsigned kHighestRate = 192000;

struct PlayOptions {
    std::string songName;
    std::string outputName;  // as given to -o; empty for the song's own name, "-" for stdout
    unsigned rate = 48000;
    double unitMs = toolkit::kDefaultUnitMs;
    std::array<int, kVoiceCount> tableOfVoice{1, 1, 1, 1};  // 1 or 2
    std::array<bool, kVoiceCount> muted{};
};

enum class CommandKind { kPlay, kHelp, kVersion, kUsageError };

struct CommandLine {
    CommandKind kind = CommandKind::kUsageError;
    PlayOptions options;
    std::string
        problem;  // for a usage error: what is wrong, one line; empty when nothing was given
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// The usage text, ending in a newline.
const char* usageText();

// Where the WAV goes: the name given with -o, or the song's name with .wav.
std::string wavName(const PlayOptions& options);

inline constexpr const char* kStandardOutputName = "-";

}  // namespace songplay
