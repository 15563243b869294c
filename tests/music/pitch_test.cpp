// Frequency words as note names, the way the listing shows them.
#include "music/pitch.h"

#include <gtest/gtest.h>

namespace music {
namespace {

TEST(Pitch, NoteNamesCountOctavesFromMiddleC) {
    EXPECT_EQ(noteName(60), "C4");
    EXPECT_EQ(noteName(61), "C#4");
    EXPECT_EQ(noteName(59), "B3");
    EXPECT_EQ(noteName(69), "A4");
    EXPECT_EQ(noteName(0), "C-1");
    EXPECT_EQ(noteName(-1), "B-2");
    EXPECT_EQ(noteName(-12), "C-2");  // below 0, octaves still start at C
}

TEST(Pitch, WordsAreNamedByTheNearestNoteWithCents) {
    EXPECT_EQ(noteNameOfWord(268), "C4 +1");  // what songmake writes for note 60
    EXPECT_EQ(noteNameOfWord(451), "A4 +2");
    EXPECT_EQ(noteNameOfWord(12845), "G9 +0");  // note 127
    // Either side of the middle between B3 and C4 the octave changes too.
    EXPECT_EQ(noteNameOfWord(260), "B3 +48");
    EXPECT_EQ(noteNameOfWord(261), "C4 -45");
    EXPECT_EQ(noteNameOfWord(0), "-");  // no frequency, no note
}

}  // namespace
}  // namespace music
