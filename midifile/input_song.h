// A MIDI file as read for its music: its header and every channel message and
// tempo change, in the order our reader delivers them (by time, equal times in
// track order), which is the order the converter captures them in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace midifile {

inline constexpr int kChannels = 16;
inline constexpr int kDrumChannel = 9;  // channel 10 as sequencers number it

struct InputMessage {
    std::uint32_t tick;
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;  // 0 for messages with one data byte
};

struct TempoChange {
    std::uint32_t tick;
    std::uint32_t tempo;  // microseconds per quarter note
};

struct InputSong {
    std::uint16_t format = 0;
    std::uint16_t trackCount = 0;
    std::uint16_t division = 0;  // ticks per quarter note; the top bit set means SMPTE time
    std::uint32_t endTime = 0;   // when the last track ends
    std::vector<InputMessage> messages;
    std::vector<TempoChange> tempos;
};

// Reads the file `name`, or `bytes` in its place when given; false, with the
// reader's own message in `error`, when it cannot be read.
bool readInputSong(const std::string& name, InputSong& song, std::string& error,
                   const std::span<const std::uint8_t>* bytes = nullptr);

}  // namespace midifile
