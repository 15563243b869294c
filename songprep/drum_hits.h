// What a drum of the general MIDI kit becomes on a voice: a short hit whose
// pitch stands for the instrument (bass drum low, snare in the middle, hi-hats
// and cymbals high), how long it sounds, and which hit wins when two fall
// together.
#pragma once

#include <cstdint>

namespace songprep {

struct DrumHit {
    std::uint8_t key;     // the pitch it plays at
    std::uint8_t ms;      // how long it sounds
    std::uint8_t weight;  // the larger wins a voice over another hit
};

// For every key of the drum channel; keys outside the kit play as a short
// middle hit.
DrumHit drumHit(std::uint8_t drumKey);

}  // namespace songprep
