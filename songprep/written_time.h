// When the file's events happen as it is written, in player units: ticks per
// quarter note and tempo changes, or SMPTE frames, against the player's unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "midifile/input_song.h"

namespace songprep {

class WrittenTime {
public:
    // `division` is the output's ticks per quarter note, which also stands for
    // the file's where it gives no time.
    WrittenTime(const midifile::InputSong& song, double unitMs, std::uint16_t division);
    // Player units from the start of the song to `tick`.
    double unitsAt(std::uint32_t tick) const;
    // The output's tick for the file's `tick`, as the output's division and the
    // file's tempo changes write it (SMPTE time at 120 beats per minute).
    double outputTick(std::uint32_t tick) const;

private:
    double ticksPerTick_ = 1;  // output ticks per file tick
    struct Segment {
        std::uint32_t tick;
        double units;  // at the segment's first tick
        double unitsPerTick;
    };
    std::vector<Segment> segments_;
    mutable std::size_t lastSegment_ = 0;  // where the last call found its tick
};

}  // namespace songprep
