// songplay as a user runs it, measured on the samples it writes: pitch,
// timing, loudness, pan, slides, silences, the mix's headroom and the options.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/songplay/play_folder.h"

namespace testing_support {
namespace {

constexpr std::uint8_t kFull = kFullVelocity | kBoth;

void expectPitch(double measured, double hertz) { EXPECT_NEAR(measured / hertz, 1.0, 0.0005); }

TEST(SongplayProgram, PlaysA4AtItsWordsPitchForItsLength) {
    SongFolder song;
    RunResult result =
        play(song, SongStream().noteOn(0, 0, kFull, kA4).noteOff(200, 0).end().bytes);

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "song.wav written: 0.5 seconds, 1 note.\n");
    Wav wav = wavOf(song);
    EXPECT_EQ(wav.rate, 48000u);
    EXPECT_EQ(wav.left.size(), frameOf(200) + kRampFrames);  // the song, then the release
    expectPitch(frequencyOf(wav.left, 0, frameOf(200), wav.rate), kA4Hertz);
    // 200 units of 2.5 ms: 0.5 s from the attack to the end of the release, within one ramp.
    std::size_t sounding = lastSound(wav.left) + 1 - firstSound(wav.left);
    EXPECT_GE(sounding, frameOf(200));
    EXPECT_LE(sounding, frameOf(200) + kRampFrames);
    EXPECT_EQ(wav.left, wav.right);
}

TEST(SongplayProgram, RateAndUnitChangeTheClockButNotThePitch) {
    SongFolder song;
    Bytes stream = SongStream().noteOn(0, 0, kFull, kA4).noteOff(200, 0).end().bytes;
    ASSERT_EQ(play(song, stream, {"--rate", "22050", "--unit-ms", "5"}).exitCode, 0);

    Wav wav = wavOf(song);
    EXPECT_EQ(wav.rate, 22050u);
    EXPECT_EQ(wav.left.size(), 22050u + 33);  // 200 units of 5 ms, then a 1.5 ms release
    expectPitch(frequencyOf(wav.left, 0, 22050, wav.rate), kA4Hertz);
}

TEST(SongplayProgram, AFillerCounts256UnitsAndSoDoesTheZeroAfterIt) {
    SongFolder song;
    SongStream stream;
    stream.noteOn(0, 0, kFull, kA4).filler().noteOff(0, 0);          // off at 512
    stream.filler().noteOn(44, 0, kFull, kA4).noteOff(10, 0).end();  // on at 812
    ASSERT_EQ(play(song, stream.bytes).exitCode, 0);

    std::vector<int> left = wavOf(song).left;
    EXPECT_EQ(lastSound({left.begin(), left.begin() + frameOf(812)}),
              frameOf(512) + kRampFrames - 1);
    EXPECT_EQ(firstSound({left.begin() + frameOf(600), left.end()}), frameOf(812 - 600) + 1);
}

TEST(SongplayProgram, VelocityScalesTheLoudnessAndPanBitsPickTheSides) {
    SongFolder song;
    SongStream stream;
    stream.noteOn(0, 0, kFullVelocity | kLeft, kA4).noteOn(0, 1, 64 | kRight, kA4);
    stream.noteOff(100, 0).noteOff(0, 1).sameVelocity(20, 0, kA4).noteOff(100, 0).end();
    ASSERT_EQ(play(song, stream.bytes).exitCode, 0);

    Wav wav = wavOf(song);
    double ratio = peakOf(wav.right, 0, frameOf(100)) / double(peakOf(wav.left, 0, frameOf(100)));
    EXPECT_NEAR(ratio, 64.0 / 124.0, 0.005);  // linear in the velocity less its pan bits
    EXPECT_NEAR(ratio, 0.5, 0.02);
    EXPECT_EQ(peakOf(wav.left, 0, frameOf(100)), 100 * 64);  // voice 1 is not on the left
    // The same-velocity note reuses voice 0's whole byte: full, left only.
    EXPECT_EQ(peakOf(wav.left, frameOf(120), frameOf(220)), 100 * 64);
    EXPECT_EQ(peakOf(wav.right, frameOf(110), wav.right.size()), 0);

    ASSERT_EQ(play(song, stream.bytes, {"--mute", "0"}).exitCode, 0);
    EXPECT_EQ(peakOf(wavOf(song).left, 0, frameOf(300)), 0);
}

TEST(SongplayProgram, ASlideChangesPitchWithoutAGapAndANoteOffSilencesWithinARamp) {
    SongFolder song;
    SongStream stream;
    stream.noteOn(0, 0, kFull, 268).pitch(200, 0, kA4).noteOff(200, 0).end(100);
    ASSERT_EQ(play(song, stream.bytes).exitCode, 0);

    std::vector<int> left = wavOf(song).left;
    expectPitch(frequencyOf(left, 0, frameOf(200), 48000), 268 / 1.024);
    expectPitch(frequencyOf(left, frameOf(200), frameOf(400), 48000), kA4Hertz);
    int changes = 0;  // from the end of the attack to the note-off: full loudness throughout
    for (std::size_t i = kRampFrames; i < frameOf(400); ++i) changes += std::abs(left[i]) != 6400;
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(lastSound(left), frameOf(400) + kRampFrames - 1);
}

TEST(SongplayProgram, FourVoicesAtFullVelocityOnFullScaleTablesDoNotClip) {
    SongFolder song;
    SongStream stream;
    for (int voice = 0; voice < 4; ++voice) stream.noteOn(0, voice, kFull, kA4);
    stream.noteOff(100, 0).noteOff(0, 1).noteOff(0, 2).noteOff(0, 3).end();
    ASSERT_EQ(play(song, stream.bytes, {"--mute", "1,2,3"}, square(127, -128)).exitCode, 0);
    std::vector<int> one = wavOf(song).left;
    ASSERT_EQ(play(song, stream.bytes, {}, square(127, -128)).exitCode, 0);
    std::vector<int> four = wavOf(song).left;

    ASSERT_EQ(four.size(), one.size());
    int worst = 0;
    for (std::size_t i = 0; i < four.size(); ++i)
        worst = std::max(worst, std::abs(four[i] - 4 * one[i]));
    EXPECT_LE(worst, 2);  // rounding only
    EXPECT_EQ(*std::min_element(four.begin(), four.end()), -32768);
    EXPECT_EQ(*std::max_element(four.begin(), four.end()), 4 * 127 * 64);
}

TEST(SongplayProgram, TablesAndMuteChooseWhatEachVoicePlays) {
    SongFolder song;
    Bytes stream =
        SongStream().noteOn(0, 0, kFull, kA4).noteOn(0, 1, kFull, kA4).noteOff(100, 0).end().bytes;
    // Table 1 is a square of ±40; table 2 is stored as +80 and -80 more, modulo 256: ±120.
    auto peakWith = [&](std::vector<std::string> options) {
        EXPECT_EQ(play(song, stream, options, square(40, -40), square(80, -80)).exitCode, 0);
        return peakOf(wavOf(song).left, frameOf(10), frameOf(90));
    };
    EXPECT_EQ(peakWith({}), (40 + 40) * 64);
    EXPECT_EQ(peakWith({"--tables", "2111"}), (120 + 40) * 64);
    EXPECT_EQ(peakWith({"--tables", "2111", "--mute", "1"}), 120 * 64);
    EXPECT_EQ(peakWith({"--mute", "1,0"}), 0);
}

TEST(SongplayProgram, SaysWhatWasNotHeard) {
    SongFolder song;
    SongStream stream;
    stream.raw(
        {0x00, 0x10, 0x80, 0x00, 0x32, 0x05, 0x00, 0xE0, 0x02, 0x05});  // c1, repeat, envelope
    stream.sameVelocity(0, 2, kA4).noteOn(0, 5, kFull, kA4).noteOff(100, 2).end().noteOff(0, 1);

    RunResult result = play(song, stream.bytes);

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "song.wav written: 0.3 seconds, 0 notes.\n"
              "Not heard: 1 controller 1 record, 1 repeat record, 1 envelope, 1 note before its "
              "voice had a velocity, 1 record for voices 4 to 15, 2 bytes after the end record.\n");
    EXPECT_EQ(peakOf(wavOf(song).left, 0, frameOf(200)), 0);
}

TEST(SongplayProgram, WritesWhereMinusOSays) {
    SongFolder song;
    Bytes stream = SongStream().noteOn(0, 0, kFull, kA4).noteOff(20, 0).end().bytes;
    ASSERT_EQ(play(song, stream).exitCode, 0);

    RunResult toStdout = play(song, stream, {"-o", "-"});
    RunResult toOther = play(song, stream, {"-o", "other.wav"});

    EXPECT_EQ(toStdout.exitCode, 0);
    EXPECT_EQ(Bytes(toStdout.output.begin(), toStdout.output.end()),
              readFile(song.folder / "song.wav"));
    EXPECT_EQ(toOther.output, "other.wav written: 0.1 seconds, 1 note.\n");
    EXPECT_EQ(readFile(song.folder / "other.wav"), readFile(song.folder / "song.wav"));
}

TEST(SongplayDemo, TheExampleSoundsForItsWholeLengthWithItsMelodyInTune) {
    SongFolder demo;
    for (const char* name : {"demo.mid", "demo-0.raw", "demo-1.raw", "demo.env"})
        std::filesystem::copy_file(std::filesystem::path(DEMO_FOLDER) / name, demo.folder / name);
    ASSERT_EQ(demo.run(SONGMAKE_PATH, {"demo.mid"}).exitCode, 0);

    RunResult played = demo.run(SONGPLAY_PATH, {"demo.sng"});
    RunResult melody = demo.run(SONGPLAY_PATH, {"--mute", "1,2,3", "-o", "melody.wav", "demo.sng"});

    EXPECT_EQ(played.output,
              "demo.wav written: 33.4 seconds, 326 notes.\n"
              "Not heard: 2 controller 1 records, 2 controller 4 records, 5 envelopes.\n");
    EXPECT_EQ(wavOf(demo, "demo.wav").left.size(), frameOf(13359) + kRampFrames);
    ASSERT_EQ(melody.exitCode, 0);
    // The melody slides up to A4 at 3300 units and holds it for 100.
    expectPitch(frequencyOf(wavOf(demo, "melody.wav").left, frameOf(3302), frameOf(3400), 48000),
                kA4Hertz);
}

}  // namespace
}  // namespace testing_support
