// songprep at the edges of its rules, with the channels mapped onto the voices
// (--voices): channels tied on notes, the highest channel, the converter's
// 14-tick merge rule, divisions that do not come out whole, and pan changes
// that must not move the timing.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/songprep/heard_file.h"
#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

using Events = std::vector<std::string>;

class SongprepBoundary : public ::testing::Test {
protected:
    SongprepBoundary() {
        song.writeWaves("out");
        song.writeEnvelopes("", "out");
    }

    RunResult prepare(const Bytes& midi, std::vector<std::string> options) {
        song.write("in.mid", midi);
        options.insert(options.end(), {"in.mid", "out.mid"});
        return song.run(SONGPREP_PATH, options);
    }
    HeardFile output() const { return hearFile(readFile(song.folder / "out.mid")); }

    // The note-ons and note-offs of out.mid, "TICK STATUS KEY VELOCITY".
    Events noteEvents() const {
        Events notes;
        for (const std::string& event : output().events) {
            unsigned status = 0;
            if (std::sscanf(event.c_str(), "%*u %X", &status) == 1 &&
                (status >> 4 == 0x8 || status >> 4 == 0x9))
                notes.push_back(event);
        }
        return notes;
    }
    // The key of each voice's first note-on in out.mid; -1 for a voice without.
    std::vector<int> firstKeys() const {
        std::vector<int> keys(4, -1);
        for (const std::string& event : noteEvents()) {
            unsigned status = 0, key = 0, velocity = 0;
            std::sscanf(event.c_str(), "%*u %X %u %u", &status, &key, &velocity);
            if (status >> 4 == 0x9 && velocity > 0 && keys[status & 3] < 0)
                keys[status & 3] = static_cast<int>(key);
        }
        return keys;
    }

    SongFolder song;
};

// Channel c (0 to 15) plays key 50 + c, `notes` times, one note at a time.
void addNotes(MidiTrack& track, int channel, int notes) {
    for (int i = 0; i < notes; ++i)
        track.note(static_cast<std::uint32_t>(i * 480), channel, 50 + channel, 100, 240);
}

// Five channels tied on two notes for the three places left beside channel
// 16's three notes; channel 1 has only one, and the drums (channel 10) four.
Bytes tiedChannels() {
    MidiTrack track;
    addNotes(track, 0, 1);
    for (int channel = 1; channel <= 5; ++channel) addNotes(track, channel, 2);
    addNotes(track, 9, 4);
    addNotes(track, 15, 3);
    return midiFile(0, {track});
}

TEST_F(SongprepBoundary, AutomaticVoicesGoToTheBusiestChannelsOnATieToTheLowestThenToTheDrums) {
    ASSERT_EQ(prepare(tiedChannels(), {"--voices", "auto"}).exitCode, 0);
    EXPECT_EQ(firstKeys(), (std::vector<int>{51, 52, 53, 65}));  // channels 2, 3, 4 and 16
    // With three other channels, the drums have the voice left.
    MidiTrack three;
    for (int channel : {0, 1, 9, 15}) addNotes(three, channel, 1);
    ASSERT_EQ(prepare(midiFile(0, {three}), {"--voices", "auto"}).exitCode, 0);
    EXPECT_EQ(firstKeys(), (std::vector<int>{50, 51, 59, 65}));
}

TEST_F(SongprepBoundary, VoicesByHandReachChannel16AndNoFurther) {
    ASSERT_EQ(prepare(tiedChannels(), {"--voices", "16,-,1"}).exitCode, 0);
    EXPECT_EQ(firstKeys(), (std::vector<int>{65, -1, 50, -1}));
    EXPECT_EQ(prepare(tiedChannels(), {"--voices", "17,-,1"}).exitCode, 1);
}

TEST_F(SongprepBoundary, ARestOf14TicksIsClosedAndOneOf15IsKept) {
    // The converter drops a note-off that a note-on follows within 14 ticks.
    MidiTrack track = MidiTrack()
                          .note(0, 0, 60, 100, 466)  // 14: the note-off goes to the note-on
                          .note(480, 0, 62, 100, 480)
                          .note(0, 1, 60, 100, 465)  // 15: both stay
                          .note(480, 1, 62, 100, 480)
                          // 14 as written, 15 once rounded: 90 is at unit 38 from 91 on.
                          // Counted from the note-off at 76 (unit 32), 90 would be too,
                          // and the converter would drop that note-off: the voice's pan,
                          // restated between them, keeps it, and the note-on stays.
                          .note(0, 2, 60, 100, 76)
                          .note(90, 2, 62, 100, 341);
    RunResult result = prepare(midiFile(0, {track}), {"--voices", "1,2,3"});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("Rests of up to 14 ticks closed (the converter drops their "
                                 "note-offs): 1\n"),
              std::string::npos)
        << result.output;
    // In time order: the voices are channels 0, 1 and 2 of out.mid.
    EXPECT_EQ(noteEvents(),
              (Events{"0 90 60 100", "0 91 60 100", "0 92 60 100", "76 82 60 0", "90 92 62 100",
                      "431 82 62 0", "465 81 60 0", "480 80 60 0", "480 90 62 100", "480 91 62 100",
                      "960 80 62 0", "960 81 62 0"}));
    EXPECT_EQ(eventsWith(output(), " B2 10 "), (Events{"90 B2 10 64"}));
}

TEST_F(SongprepBoundary, TicksPerQuarterNoteForAUnitAreRoundedNotCut) {
    Bytes midi = midiFile(0, {MidiTrack().note(0, 0, 60, 100, 240).note(480, 0, 62, 100, 240)});
    ASSERT_EQ(prepare(midi, {"--voices", "auto", "--unit-ms", "3.5"}).exitCode, 0);
    EXPECT_EQ(output().division, 343u);  // 1200 / 3.5 = 342.86
    EXPECT_EQ(eventsWith(output(), " 90 62 "), (Events{"343 90 62 100"}));
    ASSERT_EQ(prepare(midi, {"--voices", "auto", "--unit-ms", "7"}).exitCode, 0);
    EXPECT_EQ(output().division, 171u);  // 1200 / 7 = 171.43
    // The shortest unit there is, and a shade shorter.
    ASSERT_EQ(prepare(midi, {"--voices", "auto", "--unit-ms", "0.04"}).exitCode, 0);
    EXPECT_EQ(output().division, 30000u);
    EXPECT_EQ(prepare(midi, {"--voices", "auto", "--unit-ms", "0.039"}).exitCode, 1);
}

TEST_F(SongprepBoundary, PanChangesBetweenNotesDoNotMoveTheTiming) {
    // A pan change between each note-on and its note-off, 8 ticks (3.33 units)
    // from both: it is folded into the next note-on's velocity, so no gap ends
    // at it and the note-off keeps its tick (16 ticks, 6.67 units, make 7).
    MidiTrack track;
    Events written;
    for (std::uint32_t i = 0; i < 60; ++i) {
        int key = 60 + static_cast<int>(i % 5);
        track.note(i * 48, 0, key, 100, 16).control(i * 48 + 8, 0, 10, static_cast<int>(i * 2));
        written.push_back(std::to_string(i * 48) + " 90 " + std::to_string(key) + " 100");
        written.push_back(std::to_string(i * 48 + 16) + " 80 " + std::to_string(key) + " 0");
    }
    ASSERT_EQ(prepare(midiFile(0, {track}), {"--voices", "auto"}).exitCode, 0);
    EXPECT_EQ(noteEvents(), written);
    RunResult check = song.run(SONGCHECK_PATH, {"--strict", "out.mid"});
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_EQ(check.output.find("the converter's timing"), std::string::npos) << check.output;
}

}  // namespace
}  // namespace testing_support
