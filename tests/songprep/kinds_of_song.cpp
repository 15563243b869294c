#include "tests/songprep/kinds_of_song.h"

#include <algorithm>
#include <random>

namespace testing_support {
namespace {

constexpr std::uint32_t kQuarter = 480;
constexpr std::uint32_t kBar = 4 * kQuarter;
constexpr int kDrums = 9;

// Chords of a major key, as offsets from its root: I, vi, IV, V.
constexpr int kProgression[4][3] = {{0, 4, 7}, {9, 12, 16}, {5, 9, 12}, {7, 11, 14}};
constexpr int kScale[7] = {0, 2, 4, 5, 7, 9, 11};

class Composer {
public:
    explicit Composer(std::uint32_t seed) : random_(seed), root_(55 + static_cast<int>(seed % 7)) {}

    int below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    bool chance(int percent) { return below(100) < percent; }
    int root() const { return root_; }
    const int* chordOfBar(int bar) const { return kProgression[bar % 4]; }

    // A melody over `bars` bars from `tick`, in eighths and quarters, near `home`.
    void melody(MidiTrack& track, int channel, std::uint32_t tick, int bars, int home,
                int velocity) {
        int degree = 7;
        std::uint32_t end = tick + static_cast<std::uint32_t>(bars) * kBar;
        while (tick < end) {
            degree = std::clamp(degree + below(5) - 2, 0, 13);
            int key = home + 12 * (degree / 7) + kScale[degree % 7];
            std::uint32_t length = chance(60) ? kQuarter / 2 : kQuarter;
            if (chance(10)) length = kQuarter * 2;
            length = std::min(length, end - tick);
            // Legato now and then: the next note starts before this one ends.
            std::uint32_t held = chance(20) ? length + 30 : length - 10;
            track.note(tick, channel, key, velocity + below(10), held);
            tick += length;
        }
    }

private:
    std::mt19937 random_;
    int root_;
};

MidiTrack conductor(std::uint32_t tempo) {
    return MidiTrack().tempo(0, tempo).tempo(8 * kBar, tempo + tempo / 10);
}

}  // namespace

Bytes pianoPiece(std::uint32_t seed) {
    Composer c(seed);
    MidiTrack piano;
    const int bars = 16;
    c.melody(piano, 0, 0, bars, c.root() + 17, 80);
    for (int bar = 0; bar < bars; ++bar) {
        std::uint32_t tick = static_cast<std::uint32_t>(bar) * kBar;
        const int* chord = c.chordOfBar(bar);
        // Right hand: a chord under the melody on the first and third beats.
        for (int beat : {0, 2})
            for (int i = 1; i < 3; ++i)
                piano.note(tick + beat * kQuarter, 0, c.root() + 12 + chord[i], 55, kQuarter);
        // Left hand: the root held, a broken chord above it.
        piano.note(tick, 0, c.root() - 12 + chord[0], 70, kBar - 20);
        for (int step = 0; step < 8; ++step)
            piano.note(tick + step * kQuarter / 2, 0, c.root() + chord[step % 3], 50,
                       kQuarter / 2 - 10);
        piano.control(tick, 0, 64, 127).control(tick + kBar - 5, 0, 64, 0);
    }
    return midiFile(1, {conductor(600000), piano});
}

Bytes folkTune(std::uint32_t seed) {
    Composer c(seed);
    MidiTrack fiddle, guitar, bass, accordion;
    const int bars = 16;
    c.melody(fiddle, 0, 0, bars, c.root() + 12, 90);
    for (int bar = 0; bar < bars; ++bar) {
        std::uint32_t tick = static_cast<std::uint32_t>(bar) * kBar;
        const int* chord = c.chordOfBar(bar);
        for (int beat = 0; beat < 4; ++beat)  // strummed on every beat
            for (int i = 0; i < 3; ++i)
                guitar.note(tick + beat * kQuarter + i * 8, 1, c.root() + chord[i], 60,
                            kQuarter - 40);
        bass.note(tick, 2, c.root() - 24 + chord[0], 85, 2 * kQuarter - 20)
            .note(tick + 2 * kQuarter, 2, c.root() - 24 + chord[2], 85, 2 * kQuarter - 20);
        for (int i = 0; i < 3; ++i) accordion.note(tick, 3, c.root() - 5 + chord[i], 45, kBar);
    }
    for (int channel = 0; channel < 4; ++channel) fiddle.programChange(0, channel, 20 + channel);
    return midiFile(1, {conductor(500000), fiddle, guitar, bass, accordion});
}

Bytes bandArrangement(std::uint32_t seed, int bars) {
    Composer c(seed);
    std::vector<MidiTrack> tracks{conductor(460000)};
    MidiTrack lead, piano, guitar, strings, brass, organ, bass, drums;
    // The lead is the quietest, the bass has the fewest notes: neither is among
    // the four busiest channels.
    c.melody(lead, 5, 0, bars, c.root() + 12, 60);
    for (int bar = 0; bar < bars; ++bar) {
        std::uint32_t tick = static_cast<std::uint32_t>(bar) * kBar;
        const int* chord = c.chordOfBar(bar);
        for (int step = 0; step < 16; ++step)  // piano in sixteenths
            piano.note(tick + step * kQuarter / 4, 0, c.root() + chord[step % 3], 50,
                       kQuarter / 4 - 5);
        for (int step = 0; step < 8; ++step)  // guitar in eighths, two strings
            for (int i : {0, 2})
                guitar.note(tick + step * kQuarter / 2, 1, c.root() - 12 + chord[i], 55,
                            kQuarter / 2 - 10);
        for (int i = 0; i < 3; ++i) strings.note(tick, 2, c.root() + chord[i], 40, kBar);
        for (int beat : {1, 3})
            for (int i = 0; i < 3; ++i)
                brass.note(tick + beat * kQuarter, 3, c.root() + chord[i], 70, kQuarter / 2);
        for (int beat = 0; beat < 4; ++beat)
            organ.note(tick + beat * kQuarter, 4, c.root() + chord[1], 45, kQuarter - 20);
        bass.note(tick, 7, c.root() - 24 + chord[0], 90, kQuarter * 3 / 2)
            .note(tick + 2 * kQuarter, 7, c.root() - 24 + chord[0] + 7, 90, kQuarter * 3 / 2);
        for (int step = 0; step < 8; ++step) {
            std::uint32_t at = tick + step * kQuarter / 2;
            drums.note(at, kDrums, 42, 70, 20);
            if (step % 4 == 0) drums.note(at, kDrums, 36, 110, 20);
            if (step % 4 == 2) drums.note(at, kDrums, 38, 100, 20);
        }
        if (bar % 4 == 0) drums.note(tick, kDrums, 49, 100, 20);
    }
    for (MidiTrack* track : {&lead, &piano, &guitar, &strings, &brass, &organ, &bass, &drums})
        tracks.push_back(*track);
    return midiFile(1, tracks);
}

Bytes quietMelody(std::uint32_t seed) {
    Composer c(seed);
    MidiTrack melody, pad, arpeggio, bass;
    const int bars = 16;
    c.melody(melody, 7, 0, bars, c.root() + 17, 35);
    for (int bar = 0; bar < bars; ++bar) {
        std::uint32_t tick = static_cast<std::uint32_t>(bar) * kBar;
        const int* chord = c.chordOfBar(bar);
        for (int i = 0; i < 3; ++i) pad.note(tick, 0, c.root() + chord[i], 100, kBar);
        for (int step = 0; step < 16; ++step)
            arpeggio.note(tick + step * kQuarter / 4, 1, c.root() + 12 + chord[step % 3], 110,
                          kQuarter / 4);
        bass.note(tick, 2, c.root() - 24 + chord[0], 120, kBar / 2)
            .note(tick + kBar / 2, 2, c.root() - 17 + chord[0], 120, kBar / 2);
    }
    return midiFile(1, {conductor(520000), melody, pad, arpeggio, bass});
}

Bytes twoSections(std::uint32_t seed) {
    Composer c(seed);
    std::vector<MidiTrack> sections(2);
    for (int section = 0; section < 2; ++section) {
        MidiTrack& track = sections[section];
        track.tempo(0, section == 0 ? 500000 : 400000);
        c.melody(track, 0, 0, 8, c.root() + 12, 90);
        for (int bar = 0; bar < 8; ++bar) {
            std::uint32_t tick = static_cast<std::uint32_t>(bar) * kBar;
            const int* chord = c.chordOfBar(bar + section);
            for (int i = 0; i < 3; ++i) track.note(tick, 1, c.root() + chord[i], 60, kBar - 30);
            track.note(tick, 2, c.root() - 24 + chord[0], 80, kBar - 30);
        }
    }
    return midiFile(2, sections);
}

Bytes denseBand(std::uint32_t seed) {
    Composer c(seed);
    MidiTrack lead, pad, guitar, bass, drums;
    const int bars = 12;
    for (int bar = 0; bar < bars; ++bar) {
        std::uint32_t tick = static_cast<std::uint32_t>(bar) * kBar;
        const int* chord = c.chordOfBar(bar);
        // A fast lead in sixteenths, with a note held over the bar line now and then.
        for (int step = 0; step < 16; ++step) {
            int degree = c.below(10);
            int key = c.root() + 12 + 12 * (degree / 7) + kScale[degree % 7];
            std::uint32_t length = step == 15 && c.chance(30) ? kQuarter : kQuarter / 4 - 8;
            lead.note(tick + step * kQuarter / 4, 0, key, 70 + c.below(20), length);
        }
        // A pad of long chords under it, louder than the lead.
        if (bar % 2 == 0)
            for (int i = 0; i < 3; ++i) pad.note(tick, 1, c.root() + chord[i], 100, 2 * kBar);
        // A guitar strummed on every beat: its strings a few ticks apart.
        for (int beat = 0; beat < 4; ++beat)
            for (int i = 0; i < 3; ++i)
                guitar.note(tick + beat * kQuarter + i * 6, 2, c.root() - 12 + chord[i], 75,
                            kQuarter - 30);
        for (int beat = 0; beat < 4; ++beat)
            bass.note(tick + beat * kQuarter, 3, c.root() - 24 + chord[beat % 2 == 0 ? 0 : 2], 90,
                      kQuarter - 20);
        for (int step = 0; step < 16; ++step) {
            std::uint32_t at = tick + step * kQuarter / 4;
            drums.note(at, kDrums, step % 2 == 0 ? 42 : 44, 60, 10);
            if (step % 8 == 0) drums.note(at, kDrums, 36, 110, 10);
            if (step % 8 == 4) drums.note(at, kDrums, 38, 100, 10);
        }
    }
    return midiFile(1, {conductor(450000), lead, pad, guitar, bass, drums});
}

Bytes graceNotes(std::uint32_t seed) {
    Composer c(seed);
    MidiTrack tune, chords, bass;
    const int bars = 12;
    c.melody(tune, 0, 0, bars, c.root() + 12, 85);
    for (int bar = 0; bar < bars; ++bar) {
        std::uint32_t tick = static_cast<std::uint32_t>(bar) * kBar;
        const int* chord = c.chordOfBar(bar);
        for (int beat : {0, 2}) {
            std::uint32_t at = tick + beat * kQuarter;
            int key = c.root() - 24 + chord[0];
            // A grace note a semitone or a tone below, a thirty-second before the bass note.
            bass.note(at - (at > 0 ? 60 : 0), 2, key - 1 - c.below(2), 80, 40);
            bass.note(at, 2, key, 95, 2 * kQuarter - 20);
            for (int i = 0; i < 3; ++i)
                chords.note(at + kQuarter, 1, c.root() + chord[i], 55, kQuarter - 20);
        }
    }
    return midiFile(1, {conductor(500000), tune, chords, bass});
}

std::vector<KindOfSong> kindsOfSong(std::uint32_t seed) {
    return {{"piano piece", pianoPiece(seed)},        {"folk tune", folkTune(seed)},
            {"band", bandArrangement(seed)},          {"quiet melody", quietMelody(seed)},
            {"format 2 sections", twoSections(seed)}, {"dense band", denseBand(seed)},
            {"grace notes", graceNotes(seed)}};
}

}  // namespace testing_support
