// songprep as a user runs it: a MIDI file from anywhere in, a report and a
// file songmake converts out; one test per option, and the exit codes.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/songprep/heard_file.h"
#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

// A small band at 96 ticks per quarter note: a melody with the pitch wheel,
// a bass, chords, a pad, drums and a bell, each with the messages a sequencer
// writes (program changes, volume), and a tempo change.
Bytes band() {
    MidiTrack conductor = MidiTrack().tempo(0, 500000).tempo(384, 600000);
    MidiTrack band;
    for (int channel : {0, 1, 2, 4, 9, 10})
        band.programChange(0, channel, 5).control(0, channel, 7, 100);
    for (std::uint32_t beat = 0; beat < 8; ++beat) {
        std::uint32_t tick = beat * 96;
        band.note(tick, 0, 72 + beat % 3, 100, 90);
        band.note(tick, 1, 36, 90, 96);
        for (int key : {60, 64, 67}) band.note(tick, 2, key, 70, 96);
        band.note(tick, 9, 36, 120, 0).note(tick + 48, 9, 42, 80, 0);
    }
    band.pitchWheel(40, 0, 12288).pitchWheel(100, 0, 8192).pitchWheel(200, 0, 4096);
    band.control(10, 1, 1, 64);  // controller 1 of the bass
    band.note(0, 4, 48, 60, 384).note(384, 4, 50, 60, 384);
    band.note(760, 10, 84, 50, 10);
    return midiFile(1, {conductor, band}, 96);
}

class Songprep : public ::testing::Test {
protected:
    Songprep() {
        song.writeWaves("out");
        song.writeEnvelopes("", "out");
    }

    RunResult prepare(std::vector<std::string> options, const Bytes& midi = band()) {
        song.write("in.mid", midi);
        options.insert(options.end(), {"in.mid", "out.mid"});
        return song.run(SONGPREP_PATH, options);
    }

    // The report line that starts with `start`.
    static std::string line(const RunResult& result, const std::string& start) {
        std::size_t at = result.output.find("\n" + start);
        if (at == std::string::npos) return "(no line " + start + ")";
        std::size_t end = result.output.find('\n', at + 1);
        return result.output.substr(at + 1, end - at - 1);
    }

    // The report's "Voice N:" lines, a line for each voice.
    static std::string voiceLines(const RunResult& result) {
        std::string lines;
        for (int voice = 0; voice < 4; ++voice)
            lines += line(result, "Voice " + std::to_string(voice) + ":") + "\n";
        return lines;
    }

    HeardFile output() const { return hearFile(readFile(song.folder / "out.mid")); }

    SongFolder song;
};

using Events = std::vector<std::string>;

// By default every note may take any voice: the melody (channel 1, with its
// bends), the bass (channel 2) and as many chord notes as the other two
// voices hold; the drums find no free voice.
TEST_F(Songprep, ByDefaultTheMelodyTheBassAndWhatFourVoicesHold) {
    RunResult result = prepare({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "in.mid: format 1, 2 tracks, 96 ticks per quarter note, 2 tempo changes\n"
              "Voice 0: channel 1 (8 notes), channel 11 (1 note)\n"
              "Voice 1: channel 2 (8 notes)\n"
              "Voice 2: channel 3 (2 notes), channel 5 (2 notes)\n"
              "Voice 3: channel 3 (8 notes)\n"
              "Arranged: 29 notes played, 3 of them cut short by a more important note\n"
              "Left out, no voice free when written: 14 notes, at tick 0 channel 3 key 60; tick 0 "
              "channel 3 key 64; tick 96 channel 3 key 60; tick 96 channel 3 key 64; tick 192 "
              "channel 3 key 60; and 9 more\n"
              "Left out, as a more important note takes their voice within 30 ms: 0 notes\n"
              "Struck again on the voice already playing that key: 0 notes\n"
              "Heard on the voice already playing that key, not struck again: 0 notes\n"
              "Drums: 0 hits played on voices that are free, 16 left out\n"
              "Music kept: melody 100.0%, bass 100.0%, note time 67.2% (four voices hold at most "
              "67.3%)\n"
              "Stream: at most 231 bytes of the 65536 the firmware holds\n"
              "Bends: 3 pitch wheel messages as controller 2 (3 events written), 1 clipped below "
              "the centre\n"
              "Notes lengthened to one player unit: 0\n"
              "Notes that start over a player unit late: 0 (0 that would, left out)\n"
              "Rests of up to 14 ticks closed (the converter drops their note-offs): 0\n"
              "Time: 96 ticks per quarter note become 480 (times 5.000) for a player unit of 2.500 "
              "ms\n"
              "Left out: 6 program changes, 6 controller 7 (volume)\n"
              "Wave files: out-0.raw and out-1.raw kept as they were (--force replaces them)\n"
              "out.mid written.\n");
    HeardFile out = output();
    EXPECT_EQ(out.trackCount, 5u);
    // The melody's bends ride with it on voice 0.
    EXPECT_EQ(eventsWith(out, "B0 2 "), (Events{"200 B0 2 64", "481 B0 2 64", "500 B0 2 0"}));
}

// One run per option of the arranger: the line it changes.
TEST_F(Songprep, TheArrangersOptions) {
    // The pad of channel 5 named the melody: it takes a voice before channel 1.
    EXPECT_EQ(voiceLines(prepare({"--melody", "5"})),
              "Voice 0: channel 5 (2 notes)\n"
              "Voice 1: channel 2 (8 notes)\n"
              "Voice 2: channel 3 (8 notes), channel 11 (1 note)\n"
              "Voice 3: channel 3 (8 notes)\n");
    // The chords' channel named the bass: channel 2 gives way to it.
    EXPECT_EQ(line(prepare({"--bass", "3"}), "Music kept:"),
              "Music kept: melody 100.0%, bass 27.3%, note time 67.2% (four voices hold at most "
              "67.3%)");
    RunResult drums = prepare({"--drums", "3"});
    EXPECT_EQ(line(drums, "Drums:"), "Drums: 16 hits played on voice 3, 0 left out");
    EXPECT_EQ(eventsWith(output(), " 93 ").size(), 16u);  // every hit on voice 3, nothing else
    EXPECT_EQ(line(prepare({"--drums", "off"}), "Drums:"), "Drums: left out (--drums off)");
    RunResult arpeggio = prepare({"--arpeggio", "50"});
    EXPECT_EQ(line(arpeggio, "Music kept:"),
              "Music kept: melody 100.0%, bass 100.0%, note time 74.6% (four voices hold at most "
              "74.6%)");
    EXPECT_EQ(line(arpeggio, "Played in arpeggios"),
              "Played in arpeggios instead: 14 of the notes left out");
}

// Keys struck together on one channel: four voices play four of them, and of
// the notes left out the first five are listed, the rest counted.
TEST_F(Songprep, TheNotesLeftOutAreListedFiveAtMost) {
    auto chord = [](int keys) {
        MidiTrack track;
        for (int key = 60; key < 60 + keys; ++key) track.note(0, 0, key, 100, 480);
        return midiFile(0, {track});
    };
    const std::string leftOut = "Left out, no voice free when written: ";
    std::string five = line(prepare({}, chord(9)), leftOut);
    EXPECT_TRUE(five.starts_with(leftOut + "5 notes, at tick 0 channel 1 key ")) << five;
    EXPECT_EQ(std::count(five.begin(), five.end(), ';'), 4) << five;
    EXPECT_EQ(five.find("more"), std::string::npos) << five;
    std::string six = line(prepare({}, chord(10)), leftOut);
    EXPECT_TRUE(six.starts_with(leftOut + "6 notes, at tick 0 channel 1 key ")) << six;
    EXPECT_TRUE(six.ends_with("; and 1 more")) << six;
}

// Over --max-bytes the least important notes go, drums and inner notes first;
// where the melody alone does not fit, nothing is written and the exit code is 4.
TEST_F(Songprep, TheStreamIsMadeToFitOrNothingIsWritten) {
    RunResult fitted = prepare({"--max-bytes", "150"});
    EXPECT_EQ(fitted.exitCode, 0);
    std::string stream = line(fitted, "Stream:");
    EXPECT_TRUE(
        stream.starts_with("Stream: 150 bytes of the 150 the firmware holds; 34 notes left "
                           "out to fit, the least important first, at tick 0 channel 3 "
                           "key 60; tick 0 channel 3 key 64;"))
        << stream;
    EXPECT_EQ(line(fitted, "Music kept:"),
              "Music kept: melody 100.0%, bass 100.0%, note time 56.6% (four voices hold at most "
              "67.3%)");
    RunResult check = song.run(SONGCHECK_PATH, {"--strict", "--max-bytes", "150", "out.mid"});
    EXPECT_EQ(check.exitCode, 0) << check.output;

    SongFolder fresh;
    fresh.write("in.mid", band());
    RunResult refused = fresh.run(SONGPREP_PATH, {"--max-bytes", "40", "in.mid", "out.mid"});
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_EQ(refused.output, "");
    EXPECT_EQ(refused.errors,
              "songprep: in.mid does not fit in 40 bytes of stream, even with only the 16 notes of "
              "its melody; nothing written\n");
    EXPECT_EQ(changesSince({}, fresh), "in.mid added\n");
}

// A drum hit plays on its voice as itself: the pitch wheel, pan and
// controllers of the drum channel, before the hit or while it sounds, are
// no part of it.
TEST_F(Songprep, DrumHitsCarryNoChannelSettings) {
    MidiTrack drums = MidiTrack()
                          .pitchWheel(0, 9, 12288)
                          .control(0, 9, 10, 20)
                          .control(0, 9, 3, 7)
                          .control(0, 9, 4, 50)
                          .note(10, 9, 36, 100, 100)
                          .pitchWheel(20, 9, 16383)
                          .control(20, 9, 10, 100);
    ASSERT_EQ(prepare({"--drums", "3"}, midiFile(0, {drums})).exitCode, 0);
    HeardFile out = output();
    // The bass drum: a low hit of 70 ms, 67 ticks.
    EXPECT_EQ(eventsWith(out, "3 28 "), (Events{"10 93 28 100", "77 83 28 0"}));
    EXPECT_EQ(eventsWith(out, " B3 "), Events{});
}

// A note-off's velocity means nothing to the converter: over 127 it still
// ends its note, whether the arranger or a whole channel places it.
TEST_F(Songprep, ANoteOffEndsItsNoteWhateverItsVelocity) {
    MidiTrack track =
        MidiTrack().noteOn(0, 0, 60, 100).noteOff(480, 0, 60, 200).note(960, 1, 48, 100, 480);
    for (std::vector<std::string> options : {std::vector<std::string>{}, {"--voices", "auto"}}) {
        SCOPED_TRACE(options.size());
        ASSERT_EQ(prepare(options, midiFile(0, {track})).exitCode, 0);
        EXPECT_EQ(eventsWith(output(), " 60 "), (Events{"0 90 60 100", "480 80 60 0"}));
    }
}

TEST_F(Songprep, TheFourBusiestChannelsOneNoteAtATimeAtThePlayersUnit) {
    RunResult result = prepare({"--voices", "auto"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "in.mid: format 1, 2 tracks, 96 ticks per quarter note, 2 tempo changes\n"
              "Voice 0: channel 1 (8 notes)\n"
              "Voice 1: channel 2 (8 notes)\n"
              "Voice 2: channel 3 (8 notes)\n"
              "Voice 3: channel 5 (2 notes)\n"
              "Channels left out: 10 (drums, 16 notes, 2 other messages), 11 (1 note, 2 other "
              "messages)\n"
              "Chords (top): 16 notes removed, 0 cut short, 0 started late\n"
              "Music kept: melody 98.6%, bass 99.7%, note time 66.2% (four voices hold at most "
              "67.3%)\n"
              "Stream: at most 210 bytes of the 65536 the firmware holds\n"
              "Bends: 3 pitch wheel messages as controller 2 (3 events written), 1 clipped below "
              "the centre\n"
              "Notes lengthened to one player unit: 0\n"
              "Notes that start over a player unit late: 0 (0 that would, left out)\n"
              "Rests of up to 14 ticks closed (the converter drops their note-offs): 0\n"
              "Time: 96 ticks per quarter note become 480 (times 5.000) for a player unit of 2.500 "
              "ms\n"
              "Left out: 4 program changes, 1 controller 1 (kept on voice 0 only), 4 controller 7 "
              "(volume)\n"
              "Wave files: out-0.raw and out-1.raw kept as they were (--force replaces them)\n"
              "out.mid written.\n");
    HeardFile out = output();
    EXPECT_EQ(out.format, 1u);
    EXPECT_EQ(out.trackCount, 5u);  // the tempo track and the four voices
    EXPECT_EQ(out.division, 480u);
    // The top note of each chord, at five times the written tick.
    EXPECT_EQ(eventsWith(out, " 92 "),
              (Events{"0 92 67 70", "480 92 67 70", "960 92 67 70", "1440 92 67 70",
                      "1920 92 67 70", "2400 92 67 70", "2880 92 67 70", "3360 92 67 70"}));
    EXPECT_EQ(eventsWith(out, "B0 2 "), (Events{"200 B0 2 64", "481 B0 2 64", "500 B0 2 0"}));
    // A tick after the notes of its time: the converter would scale the gap
    // those notes end by the new tempo.
    EXPECT_EQ(eventsWith(out, "tempo"), (Events{"0 tempo 500000", "1921 tempo 600000"}));
}

TEST_F(Songprep, VoicesChosenByHand) {
    RunResult result = prepare({"--voices", "2,3,-,10"});
    EXPECT_EQ(voiceLines(result),
              "Voice 0: channel 2 (8 notes)\n"
              "Voice 1: channel 3 (8 notes)\n"
              "Voice 2: empty\n"
              "Voice 3: channel 10 (drums, 16 notes)\n");
    EXPECT_EQ(line(result, "Channels"),
              "Channels left out: 1 (8 notes, 5 other messages), 5 (2 notes, 2 other messages), "
              "11 (1 note, 2 other messages)");
    // The drums' notes of no length last a unit; the bass's controller 1 is
    // voice 0's now, and stays.
    EXPECT_EQ(line(result, "Notes lengthened"), "Notes lengthened to one player unit: 16");
    HeardFile out = output();
    EXPECT_EQ(out.trackCount, 4u);
    EXPECT_EQ(eventsWith(out, "B0 1 "), (Events{"50 B0 1 64"}));
    EXPECT_EQ(eventsWith(out, " 93 ").size(), 16u);
    EXPECT_EQ(eventsWith(out, " 92 ").size(), 0u);
}

TEST_F(Songprep, TheLowestNoteOfEachChordOrAllOfThem) {
    RunResult bottom = prepare({"--voices", "auto", "--chords", "bottom"});
    EXPECT_EQ(line(bottom, "Chords"),
              "Chords (bottom): 16 notes removed, 0 cut short, 0 started late");
    EXPECT_EQ(eventsWith(output(), " 92 ")[0], "0 92 60 70");
    RunResult keep = prepare({"--voices", "auto", "--chords", "keep"});
    EXPECT_EQ(line(keep, "Chords"), "Chords (keep): left as written");
    EXPECT_EQ(eventsWith(output(), " 92 ").size(), 24u);
}

TEST_F(Songprep, ThePlayerUnitSetsTheTicksPerQuarterNote) {
    RunResult coarse = prepare({"--voices", "auto", "--unit-ms", "5"});
    EXPECT_EQ(line(coarse, "Time"),
              "Time: 96 ticks per quarter note become 240 (times 2.500) for a player unit of "
              "5.000 ms");
    EXPECT_EQ(output().division, 240u);
    RunResult kept = prepare({"--voices", "auto", "--unit-ms", "0"});
    EXPECT_EQ(line(kept, "Time"), "Time: kept as written (96 ticks per quarter note)");
    HeardFile out = output();
    EXPECT_EQ(out.division, 96u);
    EXPECT_EQ(eventsWith(out, " 92 ")[1], "96 92 67 70");
}

TEST_F(Songprep, NoBendLeavesThePitchWheelOut) {
    RunResult result = prepare({"--voices", "auto", "--no-bend"});
    EXPECT_EQ(line(result, "Bends"), "Bends: the pitch wheel left out (--no-bend)");
    EXPECT_EQ(line(result, "Left out"),
              "Left out: 4 program changes, 3 pitch wheel messages, 1 controller 1 (kept on voice "
              "0 only), 4 controller 7 (volume)");
    EXPECT_EQ(eventsWith(output(), "B0 2 ").size(), 0u);
}

TEST_F(Songprep, CommandLineMistakesShowTheUsage) {
    for (std::vector<std::string> arguments : std::vector<std::vector<std::string>>{
             {},
             {"in.mid"},
             {"in.mid", "out.mid", "more.mid"},
             {"--voices", "1,2,3,4,5", "in.mid", "out.mid"},
             {"--voices", "1,1", "in.mid", "out.mid"},
             {"--voices", "0", "in.mid", "out.mid"},
             {"--voices", "17", "in.mid", "out.mid"},
             {"--voices", "1,,2", "in.mid", "out.mid"},
             {"--chords", "middle", "in.mid", "out.mid"},
             {"--unit-ms", "-1", "in.mid", "out.mid"},
             {"--unit-ms", "2000", "in.mid", "out.mid"},
             {"--unit-ms"},
             {"--loud", "in.mid", "out.mid"},
         }) {
        RunResult result = song.run(SONGPREP_PATH, arguments);
        EXPECT_EQ(result.exitCode, 1) << arguments.size();
        EXPECT_EQ(result.output, "");
        EXPECT_TRUE(result.errors.starts_with("songprep: ")) << result.errors;
        EXPECT_TRUE(result.errors.ends_with("\nTry 'songprep --help' for more information.\n"))
            << result.errors;
    }
    RunResult help = song.run(SONGPREP_PATH, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.starts_with("Usage:\n"));
    RunResult version = song.run(SONGPREP_PATH, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "songprep 1.0.0\n");
}

}  // namespace
}  // namespace testing_support
