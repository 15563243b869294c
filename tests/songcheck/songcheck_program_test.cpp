// songcheck as a user runs it: a MIDI file that holds one kind of fault in,
// a report that names the fault and its tick out.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {
namespace {

// 64 samples rising through the whole 16-bit range: a table nowhere near silent.
Bytes rampWave() {
    Bytes out;
    for (int i = 0; i < 64; ++i) {
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(i * 4 - 128));
    }
    return out;
}

class SongCheck : public ::testing::Test {
protected:
    SongCheck() {
        writeFile(folder / "song-0.raw", rampWave());
        writeFile(folder / "song-1.raw", rampWave());
        writeFile(folder / "song.env", std::string());
    }
    RunResult check(const Bytes& midi, std::vector<std::string> options = {}) {
        writeFile(folder / "song.mid", midi);
        options.push_back("song.mid");
        return runProgram(SONGCHECK_PATH, options, folder.path());
    }
    // The finding line that starts with `title`, and the line of places under it.
    static std::string finding(const RunResult& result, const std::string& title) {
        std::size_t at = result.output.find(title);
        if (at == std::string::npos) return "(no finding: " + title + ")";
        std::size_t start = result.output.rfind('\n', at) + 1;
        std::size_t end = result.output.find('\n', at);
        if (result.output.compare(end + 1, 16, "             at ") == 0)
            end = result.output.find('\n', end + 1);
        return result.output.substr(start, end - start);
    }
    static std::string lastLine(const RunResult& result) {
        std::string text = result.output.substr(0, result.output.size() - 1);
        return text.substr(text.rfind('\n') + 1);
    }
    TempFolder folder;
};

Bytes oneVoice(const MidiTrack& track, int division = 480) {
    return midiFile(0, {track}, division);
}

TEST_F(SongCheck, ACleanSongLosesNothingEvenUnderStrict) {
    MidiTrack track;
    for (int voice = 0; voice < 4; ++voice)
        track.note(0, voice, 60 + voice, 100, 240).note(480, voice, 62 + voice, 90, 240);
    RunResult result = check(midiFile(0, {track.control(0, 0, 10, 64)}), {"--strict"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(lastLine(result), "Nothing is lost.");
    EXPECT_NE(result.output.find("song.mid: format 0, 1 track, 480 ticks per quarter note, "
                                 "0 tempo changes, 720 ticks long\n"
                                 "Written tempo at a player unit of 2.500 ms; at 2.500 ms the song "
                                 "plays at its written tempo.\n"
                                 "Song: 300 player units, 0.75 s at 2.500 ms; stream 58 bytes of "
                                 "the 65536 the firmware holds.\n"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("    0        1      2       0                   0             "
                                 "0            1  C4      D4\n"),
              std::string::npos)
        << result.output;
}

TEST_F(SongCheck, ChannelsWithoutAVoiceAndASongWithoutNotes) {
    RunResult result = check(
        oneVoice(
            MidiTrack().note(0, 9, 36, 100, 10).note(240, 9, 38, 100, 10).programChange(480, 5, 3)),
        {"--strict"});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_NE(result.output.find("\nloss      1  the song keeps no note at all\n"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(finding(result, "channel 10 (drums) has no voice"),
              "loss      2  channel 10 (drums) has no voice: 2 notes and 0 other messages left "
              "out\n             at tick 0 channel 10; tick 240 channel 10");
    EXPECT_EQ(finding(result, "channel 6 has"),
              "loss      1  channel 6 has no voice: 0 notes and 1 other message left out\n"
              "             at tick 480 channel 6");
    EXPECT_EQ(lastLine(result), "3 kinds of loss in 4 places.");
}

TEST_F(SongCheck, MessagesTheVoicesChannelsSkip) {
    MidiTrack track = MidiTrack()
                          .note(0, 0, 60, 100, 960)
                          .pitchWheel(100, 0, 9000)
                          .programChange(0, 1, 5)
                          .control(50, 2, 7, 100)
                          .control(60, 2, 64, 127)
                          .control(70, 3, 1, 5)
                          .control(80, 0, 1, 5)  // kept on the first voice
                          .raw(90, {0xD1, 0x40});
    RunResult result = check(oneVoice(track));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(finding(result, "pitch wheel"),
              "loss      1  pitch wheel left out: controller 2 bends 0 to 2 semitones up "
              "instead\n             at tick 100 channel 1");
    EXPECT_EQ(finding(result, "program changes"),
              "loss      1  program changes left out\n             at tick 0 channel 2");
    EXPECT_EQ(finding(result, "channel pressure"),
              "loss      1  channel pressure left out\n             at tick 90 channel 2");
    EXPECT_EQ(finding(result, "controller 7"),
              "loss      1  controller 7 (volume) left out\n             at tick 50 channel 3");
    EXPECT_EQ(finding(result, "controller 64"),
              "loss      1  controller 64 (sustain) left out\n             at tick 60 channel 3");
    EXPECT_EQ(finding(result, "controller 1 on"),
              "loss      1  controller 1 on channels 2 to 4 left out: only channel 1's is kept\n"
              "             at tick 70 channel 4");
}

TEST_F(SongCheck, ChordsSoundOneNote) {
    RunResult result = check(oneVoice(MidiTrack()
                                          .note(0, 1, 60, 100, 480)
                                          .note(480, 1, 60, 100, 480)
                                          .note(480, 1, 64, 100, 480)
                                          .note(480, 1, 67, 100, 480)));
    EXPECT_EQ(finding(result, "chords:"),
              "loss      2  chords: notes that start together with another note of their voice "
              "do not sound; a voice plays one note at a time\n"
              "             at tick 480 voice 1 (C4); tick 480 voice 1 (E4)");
}

TEST_F(SongCheck, NotesPlayedDifferentlyFromTheFile) {
    MidiTrack track = MidiTrack()
                          // voice 0: B starts over A (A is cut short), C slides from B and
                          // is ended by B's note-off
                          .noteOn(0, 0, 57, 100)
                          .noteOn(10, 0, 59, 100)
                          .noteOn(20, 0, 60, 100)
                          .noteOff(30, 0, 57)
                          .noteOff(40, 0, 59)
                          .noteOff(50, 0, 60)
                          // voice 1: the second note-on comes before the first note's
                          // note-off at the same tick: a slide without an attack
                          .noteOn(0, 1, 60, 100)
                          .noteOn(480, 1, 62, 100)
                          .noteOff(480, 1, 60)
                          .noteOff(960, 1, 62)
                          // voice 2: a stray note-off makes the next note a slide on a
                          // silent voice; then a note one tick long
                          .note(0, 2, 60, 100, 100)
                          .noteOn(200, 2, 62, 100)
                          .noteOff(200, 2, 60)
                          .noteOff(300, 2, 62)
                          .note(960, 2, 64, 100, 1)
                          .note(1440, 2, 65, 100, 100);
    RunResult result = check(oneVoice(track));
    EXPECT_EQ(finding(result, "notes cut short by a later note"),
              "loss      1  notes cut short by a later note of their voice, which plays one note "
              "at a time\n             at tick 0 voice 0 (A3, ends at tick 10 instead of 30)");
    EXPECT_EQ(finding(result, "notes cut short by another"),
              "loss      1  notes cut short by another note's note-off\n"
              "             at tick 20 voice 0 (C4, ends at tick 40 instead of 50)");
    EXPECT_NE(finding(result, "notes that slide").find("at tick 480 voice 1 (D4)"),
              std::string::npos);
    EXPECT_EQ(finding(result, "notes that never sound"),
              "loss      1  notes that never sound\n             at tick 200 voice 2 (D4)");
    EXPECT_EQ(finding(result, "notes shorter than one player unit"),
              "loss      1  notes shorter than one player unit after rounding: they do not "
              "sound\n             at tick 960 voice 2 (E4)");
}

TEST_F(SongCheck, PitchEventsBeforeTheFirstNote) {
    RunResult result = check(oneVoice(MidiTrack().control(0, 3, 2, 64).note(480, 3, 60, 100, 480)));
    EXPECT_EQ(finding(result, "pitch events before"),
              "loss      1  pitch events before the first note of their voice bend from note 0\n"
              "             at tick 0 voice 3");
}

TEST_F(SongCheck, EnvelopeLinesTheConverterSkipsOrChanges) {
    writeFile(folder / "song.env",
              "# time voice kind mode p0 p1 p2 p3\n"
              "0 1 Vol A 10 20 30\n"
              "0 16 Vol A 1 2 3 4\n"
              "0 0 V A 300 0 0 0\n"
              "96000 0 V H 1 2 3 4\n"
              "0 0 V Attack 1 2 3 4\n"
              "0 0 V A 1 x 3 4\n"
              "0 0 V A 1 2 3 4" +
                  std::string(300, ' ') + "5\n");
    RunResult result = check(oneVoice(MidiTrack().note(0, 0, 60, 100, 480)), {"--strict"});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(finding(result, "envelope lines skipped"),
              "loss      4  envelope lines skipped\n"
              "             at line 2: fewer than eight fields; line 6: the mode is not one "
              "character; line 7: the p1 field is not a number; line 8: the rest of the line: "
              "fewer than eight fields");
    EXPECT_EQ(finding(result, "envelope lines longer"),
              "loss      1  envelope lines longer than 254 characters: the rest is read as "
              "further lines\n             at line 8");
    EXPECT_EQ(finding(result, "envelope lines for a voice"),
              "loss      1  envelope lines for a voice outside 0 to 3: the code byte keeps only "
              "its low 4 bits\n             at line 3: voice 16 is stored as voice 0");
    EXPECT_EQ(finding(result, "envelope parameters"),
              "loss      1  envelope parameters outside 0 to 255: only their low 8 bits are "
              "kept\n             at line 4: p0 300 is stored as 44");
    EXPECT_EQ(finding(result, "envelope lines timed"),
              "loss      1  envelope lines timed after the song's last note: the song grows by "
              "fillers to reach them\n"
              "             at line 5: tick 96000, 39800 player units late");
}

TEST_F(SongCheck, AMissingEnvelopeFileIsInfoNotALoss) {
    std::filesystem::remove(folder / "song.env");
    RunResult result = check(oneVoice(MidiTrack().note(0, 0, 60, 100, 480)), {"--strict"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(finding(result, "no envelope file"),
              "info      1  no envelope file song.env: the song has no envelopes");
    EXPECT_EQ(lastLine(result), "Nothing is lost; 1 remark marked info above.");
}

TEST_F(SongCheck, WaveFilesMissingShortLongSilentOrNotRaw) {
    Bytes wav = Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'} + rampWave() + rampWave();
    writeFile(folder / "song-0.raw", wav);
    writeFile(folder / "song-1.raw", Bytes(20, 0));
    RunResult result = check(oneVoice(MidiTrack().note(0, 0, 60, 100, 480)));
    EXPECT_EQ(finding(result, "wave file song-0.raw holds"),
              "loss      1  wave file song-0.raw holds 134 samples: only the first 64 are used");
    EXPECT_EQ(finding(result, "wave file song-0.raw is a"),
              "loss      1  wave file song-0.raw is a WAV (RIFF) file, not raw samples: its "
              "header is read as samples");
    EXPECT_EQ(finding(result, "wave file song-1.raw holds"),
              "loss      1  wave file song-1.raw holds 10 samples of 64: the rest of its table is "
              "silent (0)");
    EXPECT_EQ(finding(result, "wave file song-1.raw is nearly"),
              "loss      1  wave file song-1.raw is nearly silent once only the high bytes of "
              "its samples are kept: they span 0 of 256 steps");
    std::filesystem::remove(folder / "song-1.raw");
    EXPECT_EQ(finding(check(oneVoice(MidiTrack().note(0, 0, 60, 100, 480))), "wave file song-1"),
              "loss      1  wave file song-1.raw cannot be read: songmake stops there");
}

TEST_F(SongCheck, StreamSizeAndTiming) {
    MidiTrack track;
    for (int i = 0; i < 20; ++i) track.note(i * 7, 0, 60 + i % 5, 100, 5);
    RunResult result = check(oneVoice(track, 120), {"--max-bytes", "20", "--unit-ms", "5"});
    EXPECT_EQ(finding(result, "the stream is"),
              "loss      1  the stream is 85 bytes, over the 20 the firmware holds");
    EXPECT_EQ(finding(result, "info      1  at a player unit"),
              "info      1  at a player unit of 5.000 ms the song plays 2.00 times faster than "
              "written (its own unit is 10.000 ms)");
    EXPECT_NE(finding(result, "the converter's timing").find("info      1  the converter's timing"),
              std::string::npos);
    EXPECT_EQ(lastLine(result), "1 kind of loss in 1 place; 2 remarks marked info above.");
    EXPECT_NE(result.output.find("Written tempo at a player unit of 10.000 ms; at 5.000 ms the "
                                 "song plays 2.00 times faster than written.\n"),
              std::string::npos);
}

TEST_F(SongCheck, ThePictureDrawsTheFileUnderTheSongAndMarksEveryFinding) {
    RunResult result = check(oneVoice(MidiTrack()
                                          .note(0, 1, 60, 100, 480)
                                          .note(0, 1, 64, 100, 480)
                                          .note(0, 1, 67, 100, 480)
                                          .note(240, 9, 36, 100, 10)),
                             {"--svg"});
    EXPECT_TRUE(result.output.ends_with("song.check.svg written.\n")) << result.output;
    std::string svg = readText(folder / "song.check.svg");
    auto count = [&](const std::string& piece) {
        int found = 0;
        for (std::size_t at = svg.find(piece); at != std::string::npos;
             at = svg.find(piece, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count("<title>channel 2 in the file: "), 3);  // outlined, under the song
    // The sort puts the repeated-velocity E4 and the slide to G4 before C4's
    // note-on, which carries its velocity: C4 is the note that sounds.
    EXPECT_EQ(count("<title>voice 1 plays C4"), 1);
    EXPECT_EQ(count("<title>channel 10, no voice: C2 at tick 240</title>"), 1);
    EXPECT_EQ(count("<title>loss: chords:"), 2);
    EXPECT_EQ(count("<title>loss: channel 10 (drums) has no voice"), 1);
    EXPECT_LT(svg.find("in the file: "), svg.find("plays C4"));
    EXPECT_TRUE(svg.ends_with("seconds</text>\n</svg>\n"));
}

TEST_F(SongCheck, ASongSongmakeRefusesForItsPausesIsReportedWithoutJudgingItsNotes) {
    constexpr std::uint32_t kGap = 257698037;  // just under 2^32 units at the slowest tempo
    RunResult result = check(oneVoice(MidiTrack()
                                          .tempo(0, 0xFFFFFF)
                                          .note(kGap, 0, 60, 100, 10)
                                          .note(2 * kGap, 0, 62, 100, 10)
                                          .note(3 * kGap, 0, 64, 100, 10)));
    EXPECT_EQ(finding(result, "the song's pauses"),
              "loss      1  the song's pauses need over 33554432 filler records: songmake refuses "
              "to write it");
    EXPECT_EQ(result.output.find("never sound"), std::string::npos) << result.output;
    EXPECT_EQ(lastLine(result), "1 kind of loss in 1 place.");
}

TEST_F(SongCheck, CommandLineAndExitCodes) {
    EXPECT_EQ(runProgram(SONGCHECK_PATH, {}, folder.path()).exitCode, 1);
    EXPECT_EQ(runProgram(SONGCHECK_PATH, {"--unit-ms", "0", "a.mid"}, folder.path()).exitCode, 1);
    EXPECT_EQ(runProgram(SONGCHECK_PATH, {"--max-bytes", "x", "a.mid"}, folder.path()).exitCode, 1);
    EXPECT_EQ(runProgram(SONGCHECK_PATH, {"a.mid", "b.mid"}, folder.path()).exitCode, 1);
    RunResult help = runProgram(SONGCHECK_PATH, {"--help"}, folder.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.starts_with("Usage:\n songcheck [--strict]"));
    RunResult version = runProgram(SONGCHECK_PATH, {"--version"}, folder.path());
    EXPECT_EQ(version.output, "songcheck 1.0.0\n");
    RunResult shortName = runProgram(SONGCHECK_PATH, {"abc"}, folder.path());
    EXPECT_EQ(shortName.exitCode, 1);
    EXPECT_EQ(shortName.errors,
              "songcheck: expecting a .mid file, not abc\n"
              "Try 'songcheck --help' for more information.\n");
    writeFile(folder / "bad.mid", std::string("MThd"));
    RunResult unreadable = runProgram(SONGCHECK_PATH, {"bad.mid"}, folder.path());
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_EQ(unreadable.errors, "songcheck: MThd header runs past the end of the file\n");
    EXPECT_EQ(runProgram(SONGCHECK_PATH, {"none.mid"}, folder.path()).errors,
              "songcheck: can't open none.mid: No such file or directory\n");
}

}  // namespace
}  // namespace testing_support
