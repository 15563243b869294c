// How much of a song's music a rendition keeps.
#include "music/music_kept.h"

#include <gtest/gtest.h>

#include <vector>

namespace music {
namespace {

// The figures: what sounds at the written pitch, by the highest line, the
// lowest line and all the notes' time.
TEST(MusicKept, MelodyBassAndNoteTimeAgainstWhatIsPlayed) {
    std::vector<TimedNote> written = {{0, 100, 72}, {0, 100, 48}, {0, 100, 60}, {100, 200, 74}};
    // The bass stops halfway, the inner note is missing, the second melody
    // note comes 10 late.
    std::vector<TimedNote> played = {{0, 100, 72}, {0, 50, 48}, {110, 200, 74}};
    MusicKept kept = measureMusicKept(written, played, 0);
    EXPECT_DOUBLE_EQ(kept.melody, 95.0);
    EXPECT_DOUBLE_EQ(kept.bass, 100.0 * (50 + 90) / 200);
    EXPECT_DOUBLE_EQ(kept.noteTime, 100.0 * (100 + 50 + 90) / 400);
    EXPECT_DOUBLE_EQ(kept.noteTimeCeiling, 100.0);
    // Within the tolerance the late note counts whole.
    EXPECT_DOUBLE_EQ(measureMusicKept(written, played, 30).melody, 100.0);
    EXPECT_FALSE(measureMusicKept({}, played, 0).anyNotes);
}

}  // namespace
}  // namespace music
