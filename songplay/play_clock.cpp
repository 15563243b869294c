#include "songplay/play_clock.h"

#include <algorithm>
#include <cmath>

namespace songplay {

PlayClock::PlayClock(unsigned rate, double unitMs)
    : rate_(rate),
      framesPerUnit_(unitMs / 1000.0 * rate),
      rampFrames_(static_cast<std::uint32_t>(std::max(1.0, std::round(rate * kRampSeconds)))) {}

double PlayClock::exactFrameAt(std::uint64_t units) const {
    return static_cast<double>(units) * framesPerUnit_;
}

std::uint64_t PlayClock::frameAt(std::uint64_t units) const {
    return static_cast<std::uint64_t>(std::llround(exactFrameAt(units)));
}

double PlayClock::exactSongFrames(std::uint64_t endUnits) const {
    return exactFrameAt(endUnits) + rampFrames_;
}

std::uint64_t PlayClock::songFrames(std::uint64_t endUnits) const {
    return frameAt(endUnits) + rampFrames_;
}

}  // namespace songplay
