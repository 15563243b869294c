#include "tests/songprep/random_song.h"

#include <algorithm>
#include <random>

namespace testing_support {
namespace {

class SongMaker {
public:
    enum class Style { plain, dense, tempos, sparse };

    explicit SongMaker(std::uint32_t seed) : random_(seed) {}

    Bytes make() {
        static constexpr int kDivisions[] = {24, 96, 120, 192, 384, 480, 960, 1000, 1920};
        int division = kDivisions[below(std::size(kDivisions))];
        if (chance(5)) division = 0xE728;  // SMPTE: 25 frames per second of 40 ticks
        std::uint32_t quarter = division & 0x8000 ? 40 : static_cast<std::uint32_t>(division);
        style_ = static_cast<Style>(below(4));
        step_ = std::max<std::uint32_t>(1, quarter / (style_ == Style::dense ? 64 : 4));
        int trackCount = 1 + static_cast<int>(below(4));
        std::vector<MidiTrack> tracks(trackCount);
        for (MidiTrack& track : tracks) {
            runningStatus_ = chance(50);
            track.useRunningStatus(runningStatus_);
            int channels = 1 + static_cast<int>(below(5));
            // Channel 1 always plays, so that voices chosen by hand have notes.
            for (int i = 0; i < channels; ++i)
                part(track, &track == &tracks[0] && i == 0 ? 0 : channel());
        }
        tempos(tracks[0]);
        int format = trackCount == 1 ? static_cast<int>(below(2)) : (chance(10) ? 2 : 1);
        return midiFile(format, tracks, division);
    }

private:
    std::uint32_t below(std::size_t n) { return static_cast<std::uint32_t>(random_() % n); }
    bool chance(int percent) { return below(100) < static_cast<std::uint32_t>(percent); }

    // Mostly the first channels, with drums and the rest now and then.
    int channel() {
        if (chance(15)) return 9;
        return chance(70) ? static_cast<int>(below(5)) : static_cast<int>(below(16));
    }

    std::uint32_t length() {
        switch (below(6)) {
            case 0:
                return below(3);  // no length, or a tick or two
            case 1:
                return 1 + below(step_ / 2 + 1);
            default:
                return step_ * (1 + below(4));
        }
    }

    void part(MidiTrack& track, int channel) {
        std::uint32_t tick = below(2) * step_;
        int notes = 5 + static_cast<int>(below(60));
        int key = 40 + static_cast<int>(below(40));
        for (int i = 0; i < notes; ++i) {
            key = std::clamp(key + static_cast<int>(below(13)) - 6, 1, 127);
            if (chance(1)) key = 0;
            int velocity = 1 + static_cast<int>(below(127));
            int chordSize = chance(20) ? 2 + static_cast<int>(below(3)) : 1;
            for (int c = 0; c < chordSize; ++c) note(track, tick, channel, key + 4 * c, velocity);
            if (chance(20)) extra(track, tick + below(step_ + 1), channel);
            tick += chance(25) ? below(step_ / 2 + 1) : step_ * (1 + below(3));
            if (style_ == Style::sparse && chance(10)) tick += below(100 * step_);
        }
    }

    void note(MidiTrack& track, std::uint32_t tick, int channel, int key, int velocity) {
        key = std::min(key, 127);
        switch (below(10)) {
            case 0:  // never ended: lasts to the end of the track
                track.noteOn(tick, channel, key, velocity);
                break;
            case 1:  // ended by a note-on of velocity 0
                track.noteOn(tick, channel, key, velocity).noteOn(tick + length(), channel, key, 0);
                break;
            case 2: {  // the next note's note-on comes before this one's note-off
                std::uint32_t end = tick + length();
                int next = std::max(1, key - 2);
                track.noteOn(tick, channel, key, velocity).noteOn(end, channel, next, velocity);
                track.noteOff(end, channel, key).noteOff(end + length(), channel, next);
                break;
            }
            case 3:  // struck again before its note-off
                track.noteOn(tick, channel, key, velocity).noteOn(tick + 1, channel, key, 64);
                track.noteOff(tick + length(), channel, key).noteOff(tick + length(), channel, key);
                break;
            default:
                track.note(tick, channel, key, velocity, length());
                break;
        }
    }

    void extra(MidiTrack& track, std::uint32_t tick, int channel) {
        static constexpr int kControllers[] = {1, 2, 2, 3, 4, 7, 10, 11, 64, 91};
        switch (below(6)) {
            case 0:
            case 1:
                track.pitchWheel(tick, channel, static_cast<int>(below(16384)));
                break;
            case 2:
                track.programChange(tick, channel, static_cast<int>(below(128)));
                break;
            case 3:  // channel pressure, as the track writer's running status cannot see it
                if (!runningStatus_)
                    track.raw(tick, {static_cast<std::uint8_t>(0xD0 | channel), 50});
                break;
            case 4:
                track.noteOff(tick, channel, static_cast<int>(below(128)));  // often of no note
                break;
            default:
                track.control(tick, channel, kControllers[below(std::size(kControllers))],
                              static_cast<int>(below(128)));
                break;
        }
    }

    void tempos(MidiTrack& track) {
        int count = static_cast<int>(below(5));
        for (int i = 0; i < count; ++i) track.tempo(below(40) * step_, 200000 + below(1000000));
    }

    std::mt19937 random_;
    std::uint32_t step_ = 120;
    bool runningStatus_ = false;
    Style style_ = Style::plain;
};

}  // namespace

Bytes randomSong(std::uint32_t seed) { return SongMaker(seed).make(); }

}  // namespace testing_support
