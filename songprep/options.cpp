#include "songprep/options.h"

#include <cstdint>

#include "toolkit/command_line.h"

namespace songprep {

const char* const kUsage =
    "Usage:\n"
    " songprep [--melody CH] [--bass CH] [--drums VOICE|off] [--arpeggio MS]\n"
    "          [--voices LIST|auto] [--chords top|bottom|keep] [--max-bytes N] [--unit-ms MS]\n"
    "          [--no-bend] in.mid out.mid\n"
    "\n"
    "Arranges in.mid for the four voices as out.mid, which songmake converts without loss,\n"
    "and says what changed and how much of the music is kept.\n"
    "  --melody CH     the channel (1 to 16) that holds the melody; default: the highest notes\n"
    "  --bass CH       the channel that holds the bass; default: the lowest notes\n"
    "  --drums VOICE   give the drums voice 0 to 3 of their own; off leaves them out; by\n"
    "                  default they play on a voice that is free\n"
    "  --arpeggio MS   play the notes of a chord that find no voice in turn, every MS ms\n"
    "  --voices LIST   instead of arranging, a whole MIDI channel (1 to 16) to each voice,\n"
    "                  as 2,3,-,10 ('-': no channel); auto: the four with the most notes\n"
    "  --chords RULE   with --voices, where notes of a voice overlap: keep the highest (top,\n"
    "                  the default), the lowest (bottom), or all (keep: the converter slides)\n"
    "  --max-bytes N   the stream size the firmware holds (default 65536; 0: no limit); the\n"
    "                  least important notes are left out until the song fits\n"
    "  --unit-ms MS    the player unit in milliseconds (default 2.5); 0 keeps the file's times\n"
    "  --no-bend       leave the pitch wheel out instead of turning it into controller 2\n"
    "  --help, --version\n";

namespace {

constexpr int kLastChannel = 16;

bool parseChannel(std::string_view text, int& channel) {
    if (text == "-") {
        channel = kNoChannel;
        return true;
    }
    if (text.empty() || text.size() > 2) return false;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > kLastChannel) return false;
    channel = number - 1;
    return true;
}

bool parseChordRule(std::string_view text, ChordRule& rule) {
    for (ChordRule each : {ChordRule::top, ChordRule::bottom, ChordRule::keep})
        if (text == chordRuleName(each)) {
            rule = each;
            return true;
        }
    return false;
}

bool parseDrums(std::string_view text, PrepOptions& options) {
    if (text == "off") {
        options.drums = DrumRule::off;
        return true;
    }
    if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + kVoiceCount) return false;
    options.drums = DrumRule::ownVoice;
    options.drumVoice = text[0] - '0';
    return true;
}

bool parseLineChannel(std::string_view text, int& channel) {
    return text != "-" && parseChannel(text, channel);
}

bool parseWholeNumber(const char* text, std::size_t& value) {
    double number = 0;
    if (!toolkit::parseOptionNumber(text, number) || number != static_cast<double>(static_cast<std::uint64_t>(number)) || number > 4294967295.0)
        return false;
    value = static_cast<std::size_t>(number);
    return true;
}

bool parseArpeggio(const char* text, double& ms) {
    double number = 0;
    if (!toolkit::parseOptionNumber(text, number) || number < kShortestArpeggioMs ||
        number > kLongestArpeggioMs)
        return false;
    ms = number;
    return true;
}

bool parseUnitMs(const char* text, double& unitMs) {
    double number = 0;
    if (!toolkit::parseOptionNumber(text, number)) return false;
    if (number != 0 && (number < kSmallestUnitMs || number > kLargestUnitMs)) return false;
    unitMs = number;
    return true;
}

}  // namespace

const char* chordRuleName(ChordRule rule) {
    switch (rule) {
        case ChordRule::top:
            return "top";
        case ChordRule::bottom:
            return "bottom";
        case ChordRule::keep:
            return "keep";
    }
    return "";
}

bool parseVoiceList(std::string_view text, VoiceChannels& voices) {
    voices.fill(kNoChannel);
    std::size_t voice = 0;
    while (true) {
        std::size_t comma = text.find(',');
        if (voice == voices.size() || !parseChannel(text.substr(0, comma), voices[voice]))
            return false;
        for (std::size_t earlier = 0; earlier < voice; ++earlier)
            if (voices[voice] != kNoChannel && voices[earlier] == voices[voice]) return false;
        ++voice;
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

OptionsVerdict parseOptions(int argc, char** argv, PrepOptions& options) {
    options.unitMs = toolkit::kDefaultUnitMs;
    int names = 0;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        bool hasValue = i + 1 < argc;
        if (argument == "--help") return OptionsVerdict::help;
        if (argument == "--version") return OptionsVerdict::version;
        if (argument == "--no-bend") {
            options.bend = false;
        } else if (argument == "--voices") {
            if (!hasValue) return OptionsVerdict::usageError;
            std::string_view list = argv[++i];
            options.mode = VoiceMode::channels;
            options.autoVoices = list == "auto";
            if (!options.autoVoices && !parseVoiceList(list, options.voices))
                return OptionsVerdict::usageError;
        } else if (argument == "--chords") {
            if (!hasValue || !parseChordRule(argv[++i], options.chords))
                return OptionsVerdict::usageError;
        } else if (argument == "--melody") {
            if (!hasValue || !parseLineChannel(argv[++i], options.melodyChannel))
                return OptionsVerdict::usageError;
        } else if (argument == "--bass") {
            if (!hasValue || !parseLineChannel(argv[++i], options.bassChannel))
                return OptionsVerdict::usageError;
        } else if (argument == "--drums") {
            if (!hasValue || !parseDrums(argv[++i], options)) return OptionsVerdict::usageError;
        } else if (argument == "--arpeggio") {
            if (!hasValue || !parseArpeggio(argv[++i], options.arpeggioMs))
                return OptionsVerdict::usageError;
        } else if (argument == "--max-bytes") {
            if (!hasValue || !parseWholeNumber(argv[++i], options.maxBytes))
                return OptionsVerdict::usageError;
        } else if (argument == "--unit-ms") {
            if (!hasValue || !parseUnitMs(argv[++i], options.unitMs))
                return OptionsVerdict::usageError;
        } else if (argument.starts_with("--") || names == 2) {
            return OptionsVerdict::usageError;
        } else {
            (names++ == 0 ? options.inName : options.outName) = argument;
        }
    }
    return names == 2 ? OptionsVerdict::run : OptionsVerdict::usageError;
}

}  // namespace songprep
