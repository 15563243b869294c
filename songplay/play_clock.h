// Player units and sample frames: when each record takes effect in the WAV.
#pragma once

#include <cstdint>

namespace songplay {

// Attack and release last this long: short enough to keep a note's timing,
// long enough that a voice starting or stopping does not click.
inline constexpr double kRampSeconds = 0.0015;

class PlayClock {
public:
    PlayClock(unsigned rate, double unitMs);

    unsigned rate() const { return rate_; }

    // The frame at which a running time of `units` falls, unrounded: for telling
    // whether a song fits a WAV file before any frame is counted in whole numbers.
    double exactFrameAt(std::uint64_t units) const;
    // The same, rounded to the nearest frame; only for times a WAV file can hold.
    std::uint64_t frameAt(std::uint64_t units) const;

    // Frames of an attack or a release ramp, at least one.
    std::uint32_t rampFrames() const { return rampFrames_; }

    // Frames of the whole WAV: the song up to its end record, then the last release.
    double exactSongFrames(std::uint64_t endUnits) const;
    std::uint64_t songFrames(std::uint64_t endUnits) const;

private:
    unsigned rate_;
    double framesPerUnit_;
    std::uint32_t rampFrames_;
};

}  // namespace songplay
