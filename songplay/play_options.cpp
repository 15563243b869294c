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

// Reads the value of the option `name`; the problem in words when it is not one.
std::string readValue(std::string_view name, std::string_view value, PlayOptions& options) {
    if (name == "-o") {
        if (value.empty()) return "-o needs a file name";
        options.outputName = value;
    } else if (name == "--rate") {
        if (!parseRate(value, options.rate))
            return "--rate needs a whole number of hertz from 8000 to 192000";
    } else if (name == "--unit-ms") {
        if (!toolkit::parseOptionNumber(value, options.unitMs) || options.unitMs <= 0)
            return "--unit-ms needs a number of milliseconds above 0, such as 2.5";
    } else if (name == "--tables") {
        if (!parseTables(value, options.tableOfVoice))
            return "--tables needs four digits 1 or 2, one per voice, such as 1121";
    } else if (!parseMute(value, options.muted)) {
        return "--mute needs voice numbers 0 to 3 separated by commas, such as 2,3";
    }
    return "";
}

bool takesValue(std::string_view argument) {
    return argument == "-o" || argument == "--rate" || argument == "--unit-ms" ||
           argument == "--tables" || argument == "--mute";
}

CommandLine usageError(std::string problem) {
    CommandLine line;
    line.problem = std::move(problem);
    return line;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool namesOnly = false;  // after "--", as for the other tools
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (namesOnly) {
            if (!line.options.songName.empty()) return usageError("one song file at a time");
            line.options.songName = argument;
            continue;
        }
        if (argument == "--") {
            namesOnly = true;
            continue;
        }
        if (argument == "--help") return {CommandKind::kHelp, {}, ""};
        if (argument == "--version") return {CommandKind::kVersion, {}, ""};
        if (takesValue(argument)) {
            if (i + 1 == argc) return usageError(std::string(argument) + " needs a value");
            std::string problem = readValue(argument, argv[++i], line.options);
            if (!problem.empty()) return usageError(problem);
        } else if (argument.starts_with("--")) {
            return usageError("unknown option " + std::string(argument));
        } else if (!line.options.songName.empty()) {
            return usageError("one song file at a time");
        } else {
            line.options.songName = argument;
        }
    }
    if (line.options.songName.empty()) return usageError("");
    line.kind = CommandKind::kPlay;
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
           "  --help, --version\n";
}

std::string wavName(const PlayOptions& options) {
    if (!options.outputName.empty()) return options.outputName;
    return songformat::besideSong(options.songName, ".wav");
}

}  // namespace songplay
