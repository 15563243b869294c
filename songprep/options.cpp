#include "songprep/options.h"

#include "toolkit/command_line.h"

namespace songprep {

const char* const kUsage =
    "Usage:\n"
    " songprep [--voices LIST] [--chords top|bottom|keep] [--unit-ms MS] [--no-bend] in.mid "
    "out.mid\n"
    "\n"
    "Rewrites in.mid as out.mid, which songmake converts without loss, and says what changed.\n"
    "  --voices LIST   the MIDI channels (1 to 16) of voices 0 to 3, as 2,3,-,10 ('-': no\n"
    "                  channel); default auto: the four channels with the most notes\n"
    "  --chords RULE   where notes of a voice overlap, keep the highest (top, the default),\n"
    "                  the lowest (bottom), or all of them (keep: the converter slides)\n"
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
            options.autoVoices = list == "auto";
            if (!options.autoVoices && !parseVoiceList(list, options.voices))
                return OptionsVerdict::usageError;
        } else if (argument == "--chords") {
            if (!hasValue || !parseChordRule(argv[++i], options.chords))
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
