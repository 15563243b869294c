// The messages of each voice once notes of any channel may play on it: each
// note with the settings of its own channel as they stand when it starts (pitch
// wheel, pan, controllers 2, 3 and 4, and 1 on voice 0), and the changes its
// channel makes while it sounds.
#pragma once

#include <array>
#include <vector>

#include "midifile/input_song.h"
#include "songprep/voice_allocation.h"
#include "songprep/voice_choice.h"
#include "songprep/voice_events.h"

namespace songprep {

// Each channel's messages that set what its notes carry (the pitch wheel,
// pan, controllers 1 to 4), in time order.
using ChannelSettings = std::array<std::vector<midifile::InputMessage>, midifile::kChannels>;

ChannelSettings settingsByChannel(const midifile::InputSong& song);

std::array<std::vector<midifile::InputMessage>, kVoiceCount> voiceMessages(
    const ChannelSettings& settings, const Allocation& allocation);

inline std::array<std::vector<midifile::InputMessage>, kVoiceCount> voiceMessages(
    const midifile::InputSong& song, const Allocation& allocation) {
    return voiceMessages(settingsByChannel(song), allocation);
}

}  // namespace songprep
