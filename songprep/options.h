// songprep's command line.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/command_line.h"

namespace songprep {

inline constexpr int kVoiceCount = 4;
inline constexpr int kNoChannel = -1;

// The MIDI channel (0 to 15) each voice plays, or kNoChannel.
using VoiceChannels = std::array<int, kVoiceCount>;

// Where notes of one voice overlap: the highest sounding note plays, the
// lowest, or all are left for the converter to turn into slides.
enum class ChordRule { top, bottom, keep };

struct PrepOptions {
    std::string inName;
    std::string outName;
    bool autoVoices = true;
    VoiceChannels voices{kNoChannel, kNoChannel, kNoChannel, kNoChannel};
    ChordRule chords = ChordRule::top;
    double unitMs = 0;  // 0 keeps the file's times
    bool bend = true;
    std::vector<std::string> waves;  // the two wave files to copy; empty: the input's own
    bool force = false;              // replaces wave files already beside the output
};

// Reads the command line into `options`; what is wrong with it stays in `arguments`.
void parseOptions(toolkit::ArgumentReader& arguments, PrepOptions& options);

// "2,3,-,10": channels as sequencers number them, '-' for an empty voice; up
// to four, no channel twice. False for anything else.
bool parseVoiceList(std::string_view text, VoiceChannels& voices);

const char* chordRuleName(ChordRule rule);

// The smallest and largest player units a file can be rescaled for: their
// ticks per quarter note, 1.2 s over the unit, must fit the header's 15 bits.
inline constexpr double kSmallestUnitMs = 0.04;
inline constexpr double kLargestUnitMs = 1200;

extern const char* const kUsage;

}  // namespace songprep
