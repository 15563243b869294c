// MIDI files of the shapes that once made songprep and songcheck slow or
// greedy, each of any size: the benchmark times them at 400,000 notes, the
// promise test and the songprep fuzz target's seeds take them small.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench/bench_song.h"

namespace bench {

enum class HostileShape {
    stackedKey,      // notes of one key stacked on one channel, then all ended
    neverEnding,     // overlapping notes of many keys and channels that never end
    oneTick,         // every note-on at one tick, every note-off at another
    heldUnderRapid,  // 16 held notes, rapid notes above: for --arpeggio 5
    wheelEverywhere, // the pitch wheel at every tick on 16 channels, notes held on each
};

struct HostileSong {
    HostileShape shape;
    const char* name;  // "stacked-key"
    Bytes midi;
    std::size_t channelEvents = 0;
    std::vector<std::string> prepOptions;  // songprep's options beyond the file names
};

inline constexpr HostileShape kHostileShapes[] = {
    HostileShape::stackedKey, HostileShape::neverEnding, HostileShape::oneTick,
    HostileShape::heldUnderRapid, HostileShape::wheelEverywhere};

// A song of the shape with about `notes` notes (the wheel song: `notes` wheel
// messages); the same count always gives the same bytes.
HostileSong makeHostileSong(HostileShape shape, std::size_t notes);

// The 60 bytes whose gaps of 0x0FFFFFFF ticks at the slowest tempo would need
// a stream of gigabytes.
Bytes longGapsSong();

}  // namespace bench
