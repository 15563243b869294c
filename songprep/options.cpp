#include "songprep/options.h"

#include "songmake/conversion.h"
#include "songprep/wave_files.h"
#include "toolkit/command_line.h"

namespace songprep {

const char* const kUsage =
    "Usage:\n"
    " songprep [--voices LIST] [--chords top|bottom|keep] [--unit-ms MS] [--no-bend]\n"
    "          [--waves A,B] [--force] in.mid out.mid\n"
    "\n"
    "Rewrites in.mid as out.mid, which songmake converts without loss, and says what changed.\n"
    "  --voices LIST   the MIDI channels (1 to 16) of voices 0 to 3, as 2,3,-,10 ('-': no\n"
    "                  channel); default auto: the four channels with the most notes\n"
    "  --chords RULE   where notes of a voice overlap, keep the highest (top, the default),\n"
    "                  the lowest (bottom), or all of them (keep: the converter slides)\n"
    "  --unit-ms MS    the player unit in milliseconds (default 2.5); 0 keeps the file's times\n"
    "  --no-bend       leave the pitch wheel out instead of turning it into controller 2\n"
    "  --waves A,B     copy A and B as out-0.raw and out-1.raw, the song's wave files;\n"
    "                  default: the input's own, else the example song's\n"
    "  --force         replace wave files already beside out.mid\n"
    "  -h, --help, --version\n";

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

bool parseUnitMs(std::string_view text, double& unitMs) {
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

void parseOptions(toolkit::ArgumentReader& arguments, PrepOptions& options) {
    options.unitMs = toolkit::kDefaultUnitMs;
    int names = 0;
    while (arguments.next()) {
        std::string_view value;
        if (arguments.isName()) {
            if (names == 2) arguments.fail("two MIDI files, in.mid and out.mid, not three");
            (names++ == 0 ? options.inName : options.outName) = arguments.name();
        } else if (arguments.flag("--no-bend")) {
            options.bend = false;
        } else if (arguments.flag("--force")) {
            options.force = true;
        } else if (arguments.option("--voices", value)) {
            options.autoVoices = value == "auto";
            if (!options.autoVoices && !parseVoiceList(value, options.voices))
                arguments.failValue("--voices", value,
                                    "auto or up to four channels 1 to 16 or '-', none twice, "
                                    "such as 2,3,-,10");
        } else if (arguments.option("--chords", value)) {
            if (!parseChordRule(value, options.chords))
                arguments.failValue("--chords", value, "top, bottom or keep");
        } else if (arguments.option("--unit-ms", value)) {
            if (!parseUnitMs(value, options.unitMs))
                arguments.failValue("--unit-ms", value,
                                    "0 or a number of milliseconds from 0.04 to 1200, such as 2.5");
        } else if (arguments.option("--waves", value)) {
            if (!parseWaveList(value, options.waves))
                arguments.failValue("--waves", value, "two file names, such as a.raw,b.raw");
        } else {
            arguments.failUnknown();
        }
    }
    if (names < 2)
        arguments.fail(names == 0 ? "no MIDI files given: in.mid and out.mid"
                                  : "no output file given after " + options.inName);
    else if (options.outName.size() < kMidiExtensionLength)
        arguments.fail("expecting a .mid file to write, not " + options.outName);
}

}  // namespace songprep
