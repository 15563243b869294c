// songprep's command line.
#pragma once

#include <array>
#include <cstddef>
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

// How the voices are filled: note by note from every channel (the arranger),
// or a whole channel to each voice.
enum class VoiceMode { arrange, channels };

// Where the drum channel's notes go when the arranger fills the voices: to a
// voice that is free when they come, to a voice of their own, or nowhere.
enum class DrumRule { shared, ownVoice, off };

// The stream size the firmware holds.
inline constexpr std::size_t kDefaultMaxBytes = 65536;

struct PrepOptions {
    std::string inName;
    std::string outName;
    VoiceMode mode = VoiceMode::arrange;
    bool autoVoices = true;  // with VoiceMode::channels: the busiest channels
    VoiceChannels voices{kNoChannel, kNoChannel, kNoChannel, kNoChannel};
    ChordRule chords = ChordRule::top;
    double unitMs = 0;  // 0 keeps the file's times
    bool bend = true;
    int melodyChannel = kNoChannel;  // kNoChannel: found from the music
    int bassChannel = kNoChannel;
    DrumRule drums = DrumRule::shared;
    int drumVoice = 0;
    double arpeggioMs = 0;  // 0: off
    std::size_t maxBytes = kDefaultMaxBytes;  // 0: no limit
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

// An arpeggio's step: from a player unit's worth to a second.
inline constexpr double kShortestArpeggioMs = 5;
inline constexpr double kLongestArpeggioMs = 1000;

extern const char* const kUsage;

}  // namespace songprep
