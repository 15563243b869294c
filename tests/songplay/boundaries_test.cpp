// songplay at the edges of its rules: rates whose frames do not divide a
// player unit, a song that ends while a note sounds, and records after the end.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/songplay/play_folder.h"

namespace testing_support {
namespace {

constexpr std::uint8_t kFull = kFullVelocity | kBoth;

// A note from unit 3 to unit 203, where the song ends.
Bytes noteFrom3To203() { return SongStream().noteOn(3, 0, kFull, kA4).noteOff(200, 0).end().bytes; }

TEST(SongplayBoundary, FramesAtRatesThatDoNotDivideAUnitAreRoundedToTheNearest) {
    SongFolder song;
    // 110.25 frames a unit at 44100 Hz: unit 3 is frame 330.75, unit 203 frame
    // 22380.75; then a release of 1.5 ms, 66.15 frames.
    ASSERT_EQ(play(song, noteFrom3To203(), {"--rate", "44100"}).exitCode, 0);
    Wav wav = wavOf(song);
    EXPECT_EQ(wav.left.size(), 22381u + 66u);
    EXPECT_EQ(firstSound(wav.left), 331u + 1u);  // the attack's first frame is silent
    EXPECT_EQ(lastSound(wav.left), 22381u + 66u - 1u);
    // 55.125 frames a unit at 22050 Hz: unit 3 is frame 165.375, unit 203
    // frame 11190.375; the release 33.075 frames.
    ASSERT_EQ(play(song, noteFrom3To203(), {"--rate", "22050"}).exitCode, 0);
    wav = wavOf(song);
    EXPECT_EQ(wav.left.size(), 11190u + 33u);
    EXPECT_EQ(firstSound(wav.left), 165u + 1u);
}

TEST(SongplayBoundary, ANoteSoundingAtTheEndRecordFadesOutWithoutAClick) {
    SongFolder song;
    ASSERT_EQ(play(song, SongStream().noteOn(0, 0, kFull, kA4).end(100).bytes).exitCode, 0);
    std::vector<int> left = wavOf(song).left;
    ASSERT_EQ(left.size(), frameOf(100) + kRampFrames);
    EXPECT_EQ(peakOf(left, frameOf(100) - kRampFrames, frameOf(100)), 6400);  // full until the end
    // Then down by an even step each frame, to a last frame under one step.
    for (std::size_t frame = frameOf(100); frame < left.size(); ++frame) {
        std::size_t left_in_ramp = left.size() - frame;
        EXPECT_LE(std::abs(left[frame]), 6400 * static_cast<int>(left_in_ramp) / 72 + 1)
            << "frame " << frame;
    }
    EXPECT_LE(std::abs(left.back()), 6400 / 72 + 1);
}

TEST(SongplayBoundary, RecordsAfterTheFirstEndAreCountedNotPlayed) {
    SongFolder song;
    Bytes stream = SongStream().noteOn(0, 0, kFull, kA4).noteOff(40, 0).end().end(200).bytes;
    RunResult result = play(song, stream);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "song.wav written: 0.1 seconds, 1 note.\n"
              "Not heard: 2 bytes after the end record.\n");
    EXPECT_EQ(wavOf(song).left.size(), frameOf(40) + kRampFrames);
}

}  // namespace
}  // namespace testing_support
