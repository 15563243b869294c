#include "bench/hostile_songs.h"

#include "midifile/midi_file_writer.h"

namespace bench {
namespace {

constexpr std::uint16_t kDivision = 480;
constexpr std::uint8_t kVelocity = 100;

struct Writer {
    midifile::MidiTrackWriter track;
    std::size_t events = 0;

    void on(std::uint32_t tick, int channel, int key) {
        message(tick, 0x90, channel, key, kVelocity);
    }
    void off(std::uint32_t tick, int channel, int key) { message(tick, 0x80, channel, key, 0); }
    void message(std::uint32_t tick, int kind, int channel, int data1, int data2) {
        track.channelMessage(tick, static_cast<std::uint8_t>(kind | channel),
                             static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2));
        ++events;
    }
};

// The channels of pitched notes, drums left out.
int pitchedChannel(std::size_t i) {
    int channel = static_cast<int>(i % 15);
    return channel >= 9 ? channel + 1 : channel;
}

// n note-ons of one key one tick apart, then their n note-offs: each note-off
// ends the oldest note still open.
void stackedKey(Writer& w, std::size_t notes) {
    auto n = static_cast<std::uint32_t>(notes);
    for (std::uint32_t i = 0; i < n; ++i) w.on(i, 0, 60);
    for (std::uint32_t i = 0; i < n; ++i) w.off(n + i, 0, 60);
}

void neverEnding(Writer& w, std::size_t notes) {
    for (std::size_t i = 0; i < notes; ++i)
        w.on(static_cast<std::uint32_t>(i), pitchedChannel(i / 7), 36 + static_cast<int>(i * 7 % 61));
}

void oneTick(Writer& w, std::size_t notes) {
    for (std::size_t i = 0; i < notes; ++i)
        w.on(0, pitchedChannel(i / 11), 30 + static_cast<int>(i * 5 % 70));
    for (std::size_t i = 0; i < notes; ++i)
        w.off(kDivision, pitchedChannel(i / 11), 30 + static_cast<int>(i * 5 % 70));
}

// 16 notes held on channel 1 all song long, and above them short notes 12
// ticks apart (12.5 ms at 120 beats per minute) on channel 2.
void heldUnderRapid(Writer& w, std::size_t notes) {
    constexpr std::uint32_t kStep = 12;
    std::size_t rapid = notes > 16 ? notes - 16 : 0;
    auto end = static_cast<std::uint32_t>(rapid * kStep + kStep);
    for (int key = 0; key < 16; ++key) w.on(0, 0, 40 + key);
    for (std::size_t i = 0; i < rapid; ++i) {
        auto tick = static_cast<std::uint32_t>(i * kStep);
        int key = 72 + static_cast<int>(i * 5 % 13);
        w.on(tick, 1, key);
        w.off(tick + kStep - 2, 1, key);
    }
    for (int key = 0; key < 16; ++key) w.off(end, 0, 40 + key);
}

// A note on each of the 16 channels every 480 ticks, and the wheel of every
// channel moving at every tick.
void wheelEverywhere(Writer& w, std::size_t wheels) {
    std::size_t ticks = wheels / 16;
    for (std::size_t tick = 0; tick < ticks; ++tick) {
        auto t = static_cast<std::uint32_t>(tick);
        for (int channel = 0; channel < 16; ++channel) {
            int key = 40 + channel * 3;
            if (tick % kDivision == 0) {
                if (tick > 0) w.off(t, channel, key);
                w.on(t, channel, key);
            }
            int position = 8192 + static_cast<int>((tick * 37 + channel * 500) % 8000) - 2000;
            w.message(t, 0xE0, channel, position & 0x7F, position >> 7);
        }
    }
    for (int channel = 0; channel < 16; ++channel)
        w.off(static_cast<std::uint32_t>(ticks), channel, 40 + channel * 3);
}

}  // namespace

HostileSong makeHostileSong(HostileShape shape, std::size_t notes) {
    HostileSong song{shape, "", {}, 0, {}};
    Writer w;
    switch (shape) {
        case HostileShape::stackedKey:
            song.name = "stacked-key";
            stackedKey(w, notes);
            break;
        case HostileShape::neverEnding:
            song.name = "never-ending";
            neverEnding(w, notes);
            break;
        case HostileShape::oneTick:
            song.name = "one-tick";
            oneTick(w, notes);
            break;
        case HostileShape::heldUnderRapid:
            song.name = "held-under-rapid";
            heldUnderRapid(w, notes);
            song.prepOptions = {"--arpeggio", "5"};
            break;
        case HostileShape::wheelEverywhere:
            song.name = "wheel-everywhere";
            wheelEverywhere(w, notes);
            break;
    }
    song.channelEvents = w.events;
    song.midi = midifile::midiFileBytes(0, kDivision, {w.track.finish(0)});
    return song;
}

Bytes longGapsSong() {
    constexpr std::uint32_t kGap = midifile::kLargestDelta;
    midifile::MidiTrackWriter track;
    track.tempo(0, 0xFFFFFF);  // the slowest tempo: 16.8 s a quarter note
    track.channelMessage(0, 0x90, 60, 100);
    track.channelMessage(kGap, 0x80, 60, 0);
    track.channelMessage(kGap, 0x90, 62, 100);
    track.channelMessage(2 * kGap, 0x80, 62, 0);
    return midifile::midiFileBytes(0, kDivision, {track.finish(0)});
}

}  // namespace bench
