// What the MIDI file holds that the converter never reads: channels without a
// voice, and the messages of the four voices' channels that capture skips.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "songcheck/conversion_trace.h"
#include "songcheck/findings.h"

namespace songcheck {

struct ChannelCounts {
    std::size_t notes = 0;  // note-ons with a velocity
    std::size_t other = 0;  // every other message but note-offs
};

struct MessageCensus {
    std::array<ChannelCounts, kChannels> channels{};
    std::size_t tempoChanges = 0;
};

// Counts the messages and adds a finding for every channel above the voices'
// that holds any, and for every kind of message the voices' channels skip.
MessageCensus takeCensus(const std::vector<HeardMessage>& messages, Findings& findings);

// The name of a controller number where it has a common one: "7 volume".
std::string controllerName(int controller);

}  // namespace songcheck
