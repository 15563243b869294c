// What the MIDI file holds that the converter never reads: channels without a
// voice, and the messages of the four voices' channels that capture skips.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "songcheck/findings.h"

namespace songcheck {

inline constexpr int kChannels = 16;

// A channel message or tempo change as the file holds it.
struct HeardMessage {
    std::uint32_t tick;
    std::uint8_t status;  // 0xFF for a tempo change
    std::uint8_t data1;
    std::uint8_t data2;
};

struct ChannelCounts {
    std::size_t notes = 0;  // note-ons with a velocity
    std::size_t other = 0;  // every other message but note-offs
};

// Counts the messages as the reader delivers them, and where they are lost.
class MessageCensus {
public:
    void add(const HeardMessage& message);

    // A finding for every channel above the voices' that holds any message, and
    // for every kind of message the voices' channels skip.
    void addFindings(Findings& findings) const;

    const ChannelCounts& channel(int channel) const { return channels_[channel]; }
    std::size_t tempoChanges() const { return tempoChanges_; }

private:
    std::array<ChannelCounts, kChannels> channels_{};
    std::size_t tempoChanges_ = 0;
    std::array<Finding, kChannels> unvoiced_{};  // messages of channels without a voice
    std::map<int, Finding> skipped_;             // by kind, in the order they are shown
};

}  // namespace songcheck
