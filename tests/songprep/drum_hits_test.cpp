// The general MIDI kit as hits on a voice: every key from 35 to 81 its own,
// every key outside it one short middle hit.
#include "songprep/drum_hits.h"

#include <gtest/gtest.h>

namespace songprep {
namespace {

bool sameHit(const DrumHit& a, const DrumHit& b) {
    return a.key == b.key && a.ms == b.ms && a.weight == b.weight;
}

TEST(DrumHits, TheKitRunsFromTheAcousticBassDrumToTheOpenTriangle) {
    const DrumHit outside = drumHit(0);
    EXPECT_TRUE(sameHit(drumHit(34), outside));
    EXPECT_TRUE(sameHit(drumHit(82), outside));
    EXPECT_TRUE(sameHit(drumHit(127), outside));
    // 35, the acoustic bass drum, is a bass drum as 36 is.
    EXPECT_TRUE(sameHit(drumHit(35), drumHit(36)));
    // 81, the open triangle, is as high as the muted one at 80 and rings longer.
    EXPECT_EQ(drumHit(81).key, drumHit(80).key);
    EXPECT_GT(drumHit(81).ms, drumHit(80).ms);
    EXPECT_FALSE(sameHit(drumHit(81), outside));
}

// Of two hits together, the bass drum and the snare win.
TEST(DrumHits, TheBassDrumAndTheSnareOutweighEveryOtherHit) {
    for (int key = 0; key < 128; ++key) {
        if (key == 35 || key == 36 || key == 38 || key == 40) continue;
        EXPECT_LT(drumHit(static_cast<std::uint8_t>(key)).weight, drumHit(38).weight) << key;
        EXPECT_LT(drumHit(static_cast<std::uint8_t>(key)).weight, drumHit(36).weight) << key;
    }
}

}  // namespace
}  // namespace songprep
