// Which MIDI channels become the four voices.
#pragma once

#include <array>
#include <cstddef>

#include "midifile/input_song.h"
#include "songprep/options.h"

namespace songprep {

struct ChannelCensus {
    std::array<std::size_t, midifile::kChannels> notes{};   // note-ons with a velocity
    std::array<std::size_t, midifile::kChannels> others{};  // every other message but note-offs
};

ChannelCensus takeChannelCensus(const midifile::InputSong& song);

// The four channels with the most notes (the lower channel first where counts
// tie) in ascending order, the drum channel only when fewer than four others
// have notes; voices without a channel stay empty.
VoiceChannels chooseVoices(const ChannelCensus& census);

}  // namespace songprep
