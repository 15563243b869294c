// songcheck at the edges of its rules: each song holds the last value a rule
// lets pass and the first it reports, so that a rule off by one either way
// shows in the report.
#include <gtest/gtest.h>

#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

// 64 samples whose high bytes run from `low` to `high` (signed), the low bytes
// left at 0.
Bytes waveSpanning(int low, int high) {
    Bytes samples;
    for (int i = 0; i < 64; ++i)
        samples = samples + Bytes{0, static_cast<std::uint8_t>(i % 2 == 0 ? low : high)};
    return samples;
}

class SongcheckBoundary : public ::testing::Test {
protected:
    SongcheckBoundary() {
        song.writeWaves();
        song.writeEnvelopes("");
    }

    RunResult check(const MidiTrack& track, std::vector<std::string> options = {}) {
        song.write("song.mid", midiFile(0, {track}));
        options.push_back("song.mid");
        return song.run(SONGCHECK_PATH, options);
    }
    bool reports(const RunResult& result, const std::string& text) const {
        return result.output.find(text) != std::string::npos;
    }

    SongFolder song;
};

TEST_F(SongcheckBoundary, ChannelFourIsTheLastWithAVoiceAndFiveTheFirstWithout) {
    RunResult result = check(MidiTrack().note(0, 3, 60, 100, 240).note(0, 4, 62, 100, 240));
    EXPECT_TRUE(reports(result,
                        "loss      1  channel 5 has no voice: 1 note and 0 other "
                        "messages left out\n             at tick 0 channel 5\n"))
        << result.output;
    EXPECT_FALSE(reports(result, "channel 4 has no voice")) << result.output;
    EXPECT_FALSE(reports(result, "the song keeps no note")) << result.output;
}

// The music figures measure pitched notes: a note of channel 10 that no voice
// plays is a drum and counts for nothing; one of channel 11 is the melody.
TEST_F(SongcheckBoundary, TheMusicFiguresLeaveOutChannel10ButNot11) {
    MidiTrack voiced = MidiTrack().note(0, 0, 60, 100, 480);
    RunResult drums = check(MidiTrack(voiced).note(0, 9, 84, 100, 480));
    EXPECT_TRUE(reports(drums, "Music kept: melody 100.0%, bass 100.0%, note time 100.0% ("))
        << drums.output;
    RunResult bell = check(MidiTrack(voiced).note(0, 10, 84, 100, 480));
    EXPECT_TRUE(reports(bell, "Music kept: melody 0.0%, bass 100.0%, note time 50.0% ("))
        << bell.output;
}

TEST_F(SongcheckBoundary, AWaveSpanningEightStepsIsNearlySilentAndNineIsNot) {
    // Across zero, so that high bytes read unsigned would span nearly all 256.
    song.write("song-0.raw", waveSpanning(-4, 4));
    song.write("song-1.raw", waveSpanning(-4, 5));
    RunResult result = check(MidiTrack().note(0, 0, 60, 100, 240));
    EXPECT_TRUE(reports(result,
                        "loss      1  wave file song-0.raw is nearly silent once only the "
                        "high bytes of its samples are kept: they span 8 of 256 steps\n"))
        << result.output;
    EXPECT_FALSE(reports(result, "song-1.raw is nearly silent")) << result.output;
}

TEST_F(SongcheckBoundary, EnvelopeLinesAtTheLastValuesTheyKeepAndOneBeyond) {
    // Line 1 and 2 keep everything: voices 0 and 3, parameters 0 and 255,
    // the tick of the last note-off. Lines 3 and 4 go one beyond each.
    song.writeEnvelopes(
        "0 0 V A 0 1 2 255\n480 3 V A 1 2 3 4\n0 -1 V A 1 2 3 4\n481 4 V A -1 2 3 256\n");
    RunResult result = check(MidiTrack().note(0, 0, 60, 100, 480), {"--strict"});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_TRUE(reports(result,
                        "loss      2  envelope lines for a voice outside 0 to 3: the code byte "
                        "keeps only its low 4 bits\n"
                        "             at line 3: voice -1 is stored as the unplayed voice 15; "
                        "line 4: voice 4 is stored as the unplayed voice 4\n"
                        "loss      2  envelope parameters outside 0 to 255: only their low 8 "
                        "bits are kept\n"
                        "             at line 4: p0 -1 is stored as 255; line 4: p3 256 is "
                        "stored as 0\n"
                        "loss      1  envelope lines timed after the song's last note: the "
                        "song grows by fillers to reach them\n"
                        "             at line 4: tick 481\n"))
        << result.output;
}

TEST_F(SongcheckBoundary, AStreamAsLongAsMaxBytesFitsAndOneByteMoreDoesNot) {
    MidiTrack track = MidiTrack().note(0, 0, 60, 100, 240).note(480, 0, 62, 100, 240);
    RunResult fits = check(track, {"--strict", "--max-bytes", "16"});
    EXPECT_EQ(fits.exitCode, 0) << fits.output;
    EXPECT_TRUE(reports(fits, "stream 16 bytes of the 16 the firmware holds")) << fits.output;
    RunResult over = check(track, {"--strict", "--max-bytes", "15"});
    EXPECT_EQ(over.exitCode, 4);
    EXPECT_TRUE(reports(over,
                        "loss      1  the stream is 16 bytes, over the 15 the firmware "
                        "holds\n"))
        << over.output;
}

// At 50 quarter notes a minute a tick is one player unit.
TEST_F(SongcheckBoundary, OnePlayerUnitIsSaidInTheSingular) {
    MidiTrack oneTick = MidiTrack().tempo(0, 1200000).note(0, 0, 60, 100, 1);
    RunResult result = check(oneTick);
    EXPECT_TRUE(reports(result, "Song: 1 player unit, ")) << result.output;
    song.writeEnvelopes("2 0 V A 1 2 3 4\n3 0 V A 1 2 3 4\n");
    result = check(oneTick);
    EXPECT_TRUE(reports(result,
                        "at line 1: tick 2, 1 player unit late; line 2: tick 3, 2 "
                        "player units late\n"))
        << result.output;
}

TEST_F(SongcheckBoundary, OnlyAGapOfExactly256UnitsVanishes) {
    // At 50 quarter notes a minute a tick is one player unit: gaps of 255,
    // 256 and 257 units, then 512, a filler and a delay byte of 0 after it,
    // which the player reads as 256.
    MidiTrack track = MidiTrack()
                          .tempo(0, 1200000)
                          .note(0, 0, 60, 100, 255)
                          .note(511, 0, 62, 100, 257)
                          .note(1280, 0, 64, 100, 10);
    RunResult result = check(track);
    EXPECT_TRUE(
        reports(result,
                "loss      1  gaps of exactly 256 player units, stored as a delay byte of 0, "
                "which the player reads as no gap: everything after comes 256 "
                "units early\n             at tick 511 voice 0\n"))
        << result.output;
}

TEST_F(SongcheckBoundary, RoundingIsNotedOnceItMovesTheEndByAWholeUnit) {
    // A gap of one tick, 0.42 units, rounds to none: three such gaps put the
    // end 1.25 units early, two only 0.83; the last gap is 480 ticks, 200 units.
    auto voicesOneTickApart = [](int voices) {
        MidiTrack track;
        for (int voice = 0; voice < voices; ++voice)
            track.noteOn(static_cast<std::uint32_t>(voice), voice, 60, 100)
                .noteOff(static_cast<std::uint32_t>(479 + voices), voice, 60);
        return track;
    };
    EXPECT_TRUE(reports(check(voicesOneTickApart(4)), "ends the song 1.2 units (0.003 s) earlier"));
    RunResult three = check(voicesOneTickApart(3));
    EXPECT_FALSE(reports(three, "the converter's timing")) << three.output;
}

}  // namespace
}  // namespace testing_support
