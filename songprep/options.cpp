#include "songprep/options.h"

#include <cstdint>

#include "songmake/conversion.h"
#include "songprep/wave_files.h"
#include "toolkit/command_line.h"

namespace songprep {

const char* const kUsage =
    "Usage:\n"
    " songprep [--melody CH] [--bass CH] [--drums VOICE|off] [--arpeggio MS]\n"
    "          [--voices LIST|auto] [--chords top|bottom|keep] [--max-bytes N] [--unit-ms MS]\n"
    "          [--no-bend] [--waves A,B] [--force] in.mid out.mid\n"
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

bool parseWholeNumber(std::string_view text, std::size_t& value) {
    double number = 0;
    if (!toolkit::parseOptionNumber(text, number) || number > 4294967295.0 ||
        number != static_cast<double>(static_cast<std::uint64_t>(number)))
        return false;
    value = static_cast<std::size_t>(number);
    return true;
}

bool parseArpeggio(std::string_view text, double& ms) {
    double number = 0;
    if (!toolkit::parseOptionNumber(text, number) || number < kShortestArpeggioMs ||
        number > kLongestArpeggioMs)
        return false;
    ms = number;
    return true;
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
            options.mode = VoiceMode::channels;
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
        } else if (arguments.option("--melody", value)) {
            if (!parseLineChannel(value, options.melodyChannel))
                arguments.failValue("--melody", value, "a channel from 1 to 16");
        } else if (arguments.option("--bass", value)) {
            if (!parseLineChannel(value, options.bassChannel))
                arguments.failValue("--bass", value, "a channel from 1 to 16");
        } else if (arguments.option("--drums", value)) {
            if (!parseDrums(value, options))
                arguments.failValue("--drums", value, "a voice from 0 to 3, or off");
        } else if (arguments.option("--arpeggio", value)) {
            if (!parseArpeggio(value, options.arpeggioMs))
                arguments.failValue("--arpeggio", value, "a number of milliseconds from 5 to 1000");
        } else if (arguments.option("--max-bytes", value)) {
            if (!parseWholeNumber(value, options.maxBytes))
                arguments.failValue("--max-bytes", value,
                                    "a whole number of bytes, or 0 for no limit");
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
