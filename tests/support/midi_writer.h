// Builds Standard MIDI Files in memory for tests, so an input reads as music:
//   MidiTrack().note(0, 1, 60, 100, 480).tempo(960, 600000)
#pragma once

#include <cstdint>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

class MidiTrack {
public:
    MidiTrack& noteOn(std::uint32_t tick, int channel, int key, int velocity);
    MidiTrack& noteOff(std::uint32_t tick, int channel, int key, int velocity = 0);
    // A note-on and its note-off `length` ticks later.
    MidiTrack& note(std::uint32_t tick, int channel, int key, int velocity, std::uint32_t length);
    MidiTrack& control(std::uint32_t tick, int channel, int controller, int value);
    MidiTrack& programChange(std::uint32_t tick, int channel, int program);
    MidiTrack& pitchWheel(std::uint32_t tick, int channel, int value14);
    MidiTrack& tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter);
    MidiTrack& meta(std::uint32_t tick, int type, const Bytes& data);
    MidiTrack& sysex(std::uint32_t tick, const Bytes& data);
    // Any bytes after the delta time, written as they stand.
    MidiTrack& raw(std::uint32_t tick, const Bytes& bytes);
    MidiTrack& endOfTrack(std::uint32_t tick);

    // Leave out status bytes that repeat the previous channel status.
    MidiTrack& useRunningStatus(bool on = true);
    // Do not append an end-of-track event when the track has none.
    MidiTrack& withoutEndOfTrack();

    // The chunk payload (without "MTrk" and length). Events are written in
    // the order of their ticks, events at equal ticks in the order added.
    Bytes encode() const;

private:
    struct Item {
        std::uint32_t tick;
        Bytes bytes;
        bool channelMessage;
    };
    MidiTrack& add(std::uint32_t tick, Bytes bytes, bool channelMessage);
    std::vector<Item> items_;
    bool runningStatus_ = false;
    bool autoEnd_ = true;
};

Bytes varLen(std::uint32_t value);
Bytes chunk(const char (&id)[5], const Bytes& payload);
Bytes chunkWithLength(const char (&id)[5], std::uint32_t length, const Bytes& payload);
Bytes midiHeader(int format, int trackCount, int division = 480);
// A whole file: header, then one MTrk chunk per track.
Bytes midiFile(int format, const std::vector<MidiTrack>& tracks, int division = 480);
// The file wrapped as a RIFF "RMID" file.
Bytes riffWrap(const Bytes& midi);

Bytes operator+(Bytes a, const Bytes& b);

}  // namespace testing_support
