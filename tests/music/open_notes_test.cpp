// The two structures that keep pairing and the sounding keys quick however
// many notes of one key stack up: the open notes, a queue per key, and the
// sounding keys, whose notes may end in any order.
#include <gtest/gtest.h>

#include "music/open_notes.h"
#include "music/sounding_keys.h"

namespace music {
namespace {

TEST(OpenNotes, ANoteOffEndsTheOldestOpenNoteOfItsKeyAndChannel) {
    OpenNotes open(16);
    for (std::uint32_t note = 0; note < 4; ++note) open.open(note % 2, 60, note);
    EXPECT_EQ(open.close(1, 61), OpenNotes::kNone);  // another key
    EXPECT_EQ(open.close(0, 60), 0u);
    EXPECT_EQ(open.close(0, 60), 2u);
    open.open(0, 60, 4);
    std::vector<std::uint32_t> left;
    open.forEachOpen([&](int, std::uint8_t, std::uint32_t note) { left.push_back(note); });
    EXPECT_EQ(left, (std::vector<std::uint32_t>{4, 1, 3}));  // channel by channel, oldest first
}

TEST(SoundingKeys, TheLatestNoteOfTheHighestAndLowestKeyWhateverEndsFirst) {
    SoundingKeys sounding;
    for (std::uint32_t note = 0; note < 5; ++note) sounding.add(note, 60);
    sounding.add(5, 40);
    sounding.add(6, 72);
    EXPECT_EQ(sounding.highest(), 6u);
    EXPECT_EQ(sounding.lowest(), 5u);
    sounding.remove(6, 72);
    EXPECT_EQ(sounding.highest(), 4u);
    sounding.remove(2, 60);  // under the latest: it stays the one that counts
    EXPECT_EQ(sounding.highest(), 4u);
    sounding.remove(4, 60);
    sounding.remove(3, 60);
    EXPECT_EQ(sounding.highest(), 1u);
    for (std::uint32_t note : {0u, 1u}) sounding.remove(note, 60);
    EXPECT_EQ(sounding.highest(), 5u);
    sounding.remove(5, 40);
    EXPECT_TRUE(sounding.empty());
}

}  // namespace
}  // namespace music
