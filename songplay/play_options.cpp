#include "songplay/play_options.h"

#include <cmath>
#include <string_view>
#include <utility>

#include "songformat/song_reader.h"

namespace songplay {
namespace {

bool parseRate(std::string_view text, unsigned& rate) {
    double value = 0;
    if (!toolkit::parseOptionNumber(text, value) || value != std::floor(value) ||
        value < kLowestRate || value > kHighestRate)
        return false;
    rate = static_cast<unsigned>(value);
    return true;
}

// Four digits, one per voice: "1121" plays table 2 on voice 2.
bool parseTables(std::string_view text, std::array<int, kVoiceCount>& tables) {
    if (text.size() != kVoiceCount) return false;
    for (std::size_t voice = 0; voice < kVoiceCount; ++voice) {
        if (text[voice] != '1' && text[voice] != '2') return false;
        tables[voice] = text[voice] - '0';
    }
    return true;
}

// Voice numbers 0 to 3 separated by commas: "2,3".
bool parseMute(std::string_view text, std::array<bool, kVoiceCount>& muted) {
    for (std::size_t at = 0; at <= text.size(); at += 2) {
        if (at == text.size() || text[at] < '0' || text[at] > '3') return false;
        muted[static_cast<std::size_t>(text[at] - '0')] = true;
        if (at + 1 == text.size()) return true;
        if (text[at + 1] != ',') return false;
    }
    return false;
}

// The options that take a value, each with what its value must be.
struct ValueOption {
    const char* name;
    bool (*read)(std::string_view value, PlayOptions& options);
    const char* needs;
};

const ValueOption kValueOptions[] = {
    {"-o",
     [](std::string_view value, PlayOptions& options) {
         options.outputName = value;
         return !value.empty();
     },
     "a file name"},
    {"--rate",
     [](std::string_view value, PlayOptions& options) { return parseRate(value, options.rate); },
     "a whole number of hertz from 8000 to 192000"},
    {"--unit-ms",
     [](std::string_view value, PlayOptions& options) {
         return toolkit::parseOptionNumber(value, options.unitMs) && options.unitMs > 0;
     },
     "a number of milliseconds above 0, such as 2.5"},
    {"--tables",
     [](std::string_view value, PlayOptions& options) {
         return parseTables(value, options.tableOfVoice);
     },
     "four digits 1 or 2, one per voice, such as 1121"},
    {"--mute",
     [](std::string_view value, PlayOptions& options) { return parseMute(value, options.muted); },
     "voice numbers 0 to 3 separated by commas, such as 2,3"},
};

// Reads the word `arguments` is at into `line`; false when it is no option of ours.
bool readOption(toolkit::ArgumentReader& arguments, CommandLine& line) {
    for (const ValueOption& option : kValueOptions) {
        std::string_view value;
        if (!arguments.option(option.name, value)) continue;
        if (arguments.problem().empty() && !option.read(value, line.options))
            arguments.failValue(option.name, value, option.needs);
        return true;
    }
    return false;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    toolkit::ArgumentReader arguments(argc, argv);
    while (arguments.next()) {
        if (arguments.isName()) {
            if (!line.options.songName.empty())
                arguments.fail("one song file at a time, not " + line.options.songName + " and " +
                               std::string(arguments.name()));
            line.options.songName = arguments.name();
        } else if (!readOption(arguments, line)) {
            arguments.failUnknown();
        }
    }
    if (line.options.songName.empty()) arguments.fail("no song file given");
    switch (arguments.verdict()) {
        case toolkit::OptionsVerdict::help:
            line.kind = CommandKind::kHelp;
            break;
        case toolkit::OptionsVerdict::version:
            line.kind = CommandKind::kVersion;
            break;
        case toolkit::OptionsVerdict::usageError:
            line.kind = CommandKind::kUsageError;
            line.problem = arguments.problem();
            break;
        case toolkit::OptionsVerdict::run:
            line.kind = CommandKind::kPlay;
            break;
    }
    return line;
}

const char* usageText() {
    return "Usage:\n"
           " songplay [-o OUT] [--rate HZ] [--unit-ms MS] [--tables LIST] [--mute LIST] "
           "sng_file\n\n"
           "Renders a song file to a 16-bit stereo WAV file beside it (song.sng gives song.wav).\n"
           "  -o OUT         write OUT instead; -o - writes the WAV to standard output\n"
           "  --rate HZ      sample rate, 8000 to 192000 (default 48000)\n"
           "  --unit-ms MS   length of a player unit in milliseconds (default 2.5)\n"
           "  --tables LIST  the wave table of each voice, four digits 1 or 2 (default 1111)\n"
           "  --mute LIST    voices to leave out, such as 2,3\n"
           "  -h, --help, --version\n";
}

std::string wavName(const PlayOptions& options) {
    if (!options.outputName.empty()) return options.outputName;
    return songformat::besideSong(options.songName, ".wav");
}

}  // namespace songplay
