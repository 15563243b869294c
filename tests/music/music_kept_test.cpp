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
    // Nothing written: nothing to lose.
    MusicKept nothing = measureMusicKept({}, played, 0);
    EXPECT_FALSE(nothing.anyNotes);
    EXPECT_DOUBLE_EQ(nothing.melody, 100.0);
    EXPECT_DOUBLE_EQ(nothing.noteTime, 100.0);
    // The keys run to 127.
    std::vector<TimedNote> highest = {{0, 100, 127}};
    EXPECT_DOUBLE_EQ(measureMusicKept(highest, highest, 0).melody, 100.0);
    EXPECT_DOUBLE_EQ(measureMusicKept(highest, {}, 0).melody, 0.0);
}

// A played note counts within the tolerance of its times, but by no more than
// a quarter of its own length: 32 long, it may start 8 late, not 9.
TEST(MusicKept, ASlipCountsUpToAQuarterOfThePlayedNotesLength) {
    std::vector<TimedNote> written = {{0, 40, 60}};
    std::vector<TimedNote> eightLate = {{8, 40, 60}};
    std::vector<TimedNote> nineLate = {{9, 40, 60}};
    EXPECT_DOUBLE_EQ(measureMusicKept(written, eightLate, 30).noteTime, 100.0);
    EXPECT_DOUBLE_EQ(measureMusicKept(written, nineLate, 30).noteTime, 100.0 * (40 - 1.25) / 40);
}

// Five keys at once, one of them struck twice: four voices hold the four
// keys the most notes sound. The ceiling is never below what is kept, even
// where more than four notes play.
TEST(MusicKept, FourVoicesHoldAtMostTheFourBusiestKeys) {
    std::vector<TimedNote> chord = {{0, 100, 60}, {0, 100, 62}, {0, 100, 64},
                                    {0, 100, 65}, {0, 100, 67}, {0, 100, 67}};
    std::vector<TimedNote> four(chord.begin() + 2, chord.end());
    MusicKept byFour = measureMusicKept(chord, four, 0);
    EXPECT_DOUBLE_EQ(byFour.noteTimeCeiling, 100.0 * 5 / 6);
    EXPECT_DOUBLE_EQ(byFour.noteTime, 100.0 * 4 / 6);
    MusicKept all = measureMusicKept(chord, chord, 0);
    EXPECT_DOUBLE_EQ(all.noteTime, 100.0);
    EXPECT_DOUBLE_EQ(all.noteTimeCeiling, 100.0);
}

}  // namespace
}  // namespace music
