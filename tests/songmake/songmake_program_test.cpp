// songmake as a user runs it: files in, song bytes and messages out.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

using Names = std::vector<std::string>;

RunResult songmake(const SongFolder& song, const std::vector<std::string>& arguments = {"song.mid"},
                   const RunOptions& options = {}) {
    return song.run(SONGMAKE_PATH, arguments, options);
}

TEST(SongmakeProgram, OneNoteTravelsFromMidiToSongBytes) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}));

    RunResult result = songmake(song);

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open song\nsong.sng written.\n");
    EXPECT_EQ(song.stream(), (Bytes{0x00, 0x91, 0x67, 0x0C, 0x01, 0xC8, 0x81, 0x00, 0xD0}));
}

// Every stage at once, on four voices. The expected bytes were worked out by hand
// from the rules; the derivation follows the input.
TEST(SongmakeProgram, MultiChannelSongWithEveryKindOfEvent) {
    SongFolder song;
    MidiTrack conductor = MidiTrack().tempo(960, 600000).tempo(1920, 400000);
    MidiTrack voice0 = MidiTrack()
                           .control(0, 0, 1, 10)
                           .noteOn(0, 0, 60, 100)
                           .noteOn(240, 0, 64, 90)  // legato: 60 still sounds
                           .noteOff(250, 0, 60)
                           .control(360, 0, 2, 100)  // pitch bend
                           .noteOff(480, 0, 64)
                           .note(960, 0, 67, 100, 480)
                           .noteOn(1920, 0, 65, 100)
                           .noteOff(3900, 0, 65);
    MidiTrack voice1 = MidiTrack()
                           .control(0, 1, 10, 0)  // pan left: bits 1
                           .noteOn(0, 1, 69, 80)
                           .noteOff(470, 1, 69)  // 10 ticks before the next note
                           .noteOn(480, 1, 71, 80)
                           .control(700, 1, 3, 5)  // repeat
                           .noteOff(960, 1, 71)
                           .control(1000, 1, 4, 100)
                           .note(1000, 1, 72, 80, 1400);
    MidiTrack voice2AndNoise = MidiTrack()
                                   .programChange(0, 2, 3)
                                   .control(100, 2, 10, 127)  // pan right: bits 2
                                   .note(100, 2, 48, 64, 500)
                                   .note(100, 9, 36, 100, 10)  // drums: channel 9
                                   .pitchWheel(300, 2, 0x3000)
                                   .control(300, 2, 7, 100)   // volume: not kept
                                   .control(300, 1, 1, 100);  // controller 1 off channel 0
    song.writeMidi(midiFile(1, {conductor, voice0, voice1, voice2AndNoise}));
    song.writeEnvelopes(
        "# envelopes for the test song\n"
        "0 3 Vol A 10 20 30 40\n"
        "\n"
        "1200 2 wave D 1 2 3 4\r\n"
        "2400 3 vib H 0 0 0 7\n");

    RunResult result = songmake(song);

    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output, "song.sng written.\n");
    // Passes. Voice 0: the note-off of 60 follows the note-on of 64, so 64 becomes a
    // slide and the note-off goes. Words: 60 -> 268, 64 -> 338, the bend 100 after 64
    // -> 370, 67 -> 401, 65 -> 358. Every type-9 note follows a kept note-off (or is
    // the first), so each carries 100 & 0xFC | 3 = 103. The tempo events of the
    // conductor track sit in voice 0's list (at 960 before the note-on 67).
    // Voice 1: the note-off of 69 is 10 ticks before 71 and goes; 71 repeats the
    // velocity 80 with no pan change since the first note, so it is type 10; 72
    // follows a kept note-off and carries 80 | 1 = 81 (pan 0 gives bits 1).
    // 69 -> 451, 71 -> 506, 72 -> 536. Voice 2: three events, nothing to prune;
    // 48 -> 134 with velocity 64 | 2 = 66.
    // Order: by time, other events before type-9 note-ons, otherwise merged order
    // (voice 0, 1, 2, then the envelope lines).
    // Delays at 5/12 until 960 (100 ticks -> 42, 140 -> 58, 120 -> 50), at 0.5 from
    // the tempo at 960 (the note-off at 960 comes after the tempo event: 260 -> 130,
    // 40 -> 20, 200 -> 100, 240 -> 120), at 0.33333334 from 1920 (480 -> 160, and
    // 1500 -> 500: one filler and 244).
    EXPECT_EQ(song.stream(),
              (Bytes{0x00, 0x10, 0x14,  // 0: controller 1 = 2 × 10, voice 0
                     0x00, 0xE3, 0x00, 0x0A, 0x14, 0x1E, 0x28,  // 0: envelope Vol A, voice 3
                     0x00, 0x90, 0x67, 0x0C, 0x01,              // 0: note 60, v103, voice 0
                     0x00, 0x91, 0x51, 0xC3, 0x01,              // 0: note 69, v81, voice 1
                     0x2A, 0x92, 0x42, 0x86, 0x00,              // 100: note 48, v66, voice 2
                     0x3A, 0x20, 0x52, 0x01,                    // 240: slide to 64
                     0x32, 0x20, 0x72, 0x01,                    // 360: pitch 370
                     0x32, 0x80,                                // 480: note-off voice 0
                     0x00, 0xA1, 0xFA, 0x01,                    // 480: note 71, same velocity
                     0x32, 0x82,                                // 600: note-off voice 2
                     0x2A, 0x31, 0x05,                          // 700: repeat 5, voice 1
                     0x82, 0x81,                                // 960: note-off voice 1
                     0x00, 0x90, 0x67, 0x91, 0x01,              // 960: note 67, v103
                     0x14, 0x41, 0xC8,                          // 1000: controller 4 = 200
                     0x00, 0x91, 0x51, 0x18, 0x02,              // 1000: note 72, v81
                     0x64, 0xF2, 0x01, 0x03, 0x04,              // 1200: envelope wave D, voice 2
                     0x78, 0x80,                                // 1440: note-off voice 0
                     0xA0, 0x90, 0x67, 0x66, 0x01,              // 1920: note 65, v103
                     0xA0, 0x81,                                // 2400: note-off voice 1
                     0x00, 0xE3, 0x02, 0x07,                    // 2400: envelope vib H, voice 3
                     0xFF, 0x00,                                // filler
                     0xF4, 0x80,                                // 3900: note-off voice 0
                     0x00, 0xD0}));                             // end
    Bytes header = song.header();
    ASSERT_EQ(header.size(), 132u);
    EXPECT_EQ(Bytes(header.begin(), header.begin() + 4), (Bytes{'s', 'n', 'g', '1'}));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(header[4 + i], i);   // the high byte of sample i of song-0.raw
        EXPECT_EQ(header[68 + i], 1);  // (i + 1) - i
    }
}

TEST(SongmakeProgram, ConductorTempoBetweenNotesKeepsTheNoteOff) {
    // The reader merges the conductor's tempo at 105 into voice 0 between the
    // note-off at 100 and the note-on at 110, so the note-off is not next to the
    // note-on and stays (without the tempo it would go: 10 ticks).
    SongFolder song;
    song.writeMidi(midiFile(1, {MidiTrack().tempo(105, 600000),
                                MidiTrack().note(0, 0, 60, 100, 100).note(110, 0, 62, 100, 90)}));
    ASSERT_EQ(songmake(song).exitCode, 0);
    EXPECT_EQ(song.stream(),
              (Bytes{0x00, 0x90, 0x67, 0x0C, 0x01,  // 0: note 60, v103
                     0x2A, 0x80,                    // 100: 100 ticks at 5/12
                     0x05, 0x90, 0x67, 0x2D, 0x01,  // 110: 10 ticks at 0.5; note 62 -> 301
                     0x2D, 0x80,                    // 200: 90 ticks -> 45
                     0x00, 0xD0}));
}

TEST(SongmakeProgram, RiffWrappedFileGivesTheSameSong) {
    SongFolder song;
    Bytes midi = midiFile(1, {MidiTrack().tempo(0, 600000), MidiTrack().note(0, 2, 60, 100, 480)});
    song.writeMidi(midi);
    song.writeMidi(riffWrap(midi), "wrapped.mid");
    ASSERT_EQ(songmake(song).exitCode, 0);
    ASSERT_EQ(songmake(song, {"wrapped.mid"}).exitCode, 0);
    EXPECT_EQ(song.stream("wrapped.sng"), song.stream());
    EXPECT_EQ(song.stream(), (Bytes{0x00, 0x92, 0x67, 0x0C, 0x01, 0xF0, 0x82, 0x00, 0xD0}));
}

TEST(SongmakeProgram, FileWithoutKeptEventsIsTheEndRecordAlone) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack().note(0, 7, 60, 100, 10).programChange(0, 0, 1)}));
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(song.stream(), (Bytes{0x00, 0xD0}));
    EXPECT_EQ(readFile(song.folder / "song.sng").size(), 134u);
}

TEST(SongmakeProgram, EnvelopesAloneMakeASong) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack()}));
    song.writeEnvelopes("96 0 wave H 0 0 0 5\n0 1 Vol A 10 20 30 40\n");
    EXPECT_EQ(songmake(song).output, "song.sng written.\n");
    EXPECT_EQ(song.stream(), (Bytes{0x00, 0xE1, 0x00, 0x0A, 0x14, 0x1E, 0x28, 0x28, 0xF0, 0x02,
                                    0x05, 0x00, 0xD0}));
}

// --- command line -------------------------------------------------------------------------

TEST(SongmakeProgram, WithoutArgumentPrintsUsageWithoutTrailingNewline) {
    SongFolder song;
    song.writeWaves();
    RunResult result = songmake(song, {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output,
              "Usage:\n songmake midi_file\n\nThis converter understands only notes, tempo and "
              "pitchbend.");
    EXPECT_EQ(song.folder.entries(), (Names{"song-0.raw", "song-1.raw"}));
}

TEST(SongmakeProgram, ArgumentShorterThanFourBytes) {
    SongFolder song;
    song.writeWaves();
    for (const std::string argument : {"abc", "", "a.m"}) {
        RunResult result = songmake(song, {argument});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, "Expecting a .mid file\n");
    }
    EXPECT_EQ(song.folder.entries(), (Names{"song-0.raw", "song-1.raw"}));
}

TEST(SongmakeProgram, FurtherArgumentsAreIgnored) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack()}));
    RunResult result = songmake(song, {"song.mid", "x", "abc"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open song\nsong.sng written.\n");
}

TEST(SongmakeProgram, BaseNameDropsTheLastFourBytesWhateverTheyAre) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack()}), "song.midi");
    RunResult result = songmake(song, {"song.midi"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open song.\nsong..sng written.\n");
    EXPECT_TRUE(std::filesystem::exists(song.folder / "song..sng"));

    song.writeMidi(midiFile(0, {MidiTrack()}), "notes.txt");
    result = songmake(song, {"notes.txt"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open notes\nnotes.sng written.\n");
}

TEST(SongmakeProgram, FourByteArgumentGivesTheEmptyBaseName) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480)}), "abcd");
    song.writeEnvelopes("0 0 V X 0 0 0 0\n", "");
    RunResult result = songmake(song, {"abcd"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ".sng written.\n");
    EXPECT_EQ(song.stream(".sng"),
              (Bytes{0x00, 0xE0, 'X', 0x00, 0x90, 0x67, 0x0C, 0x01, 0xC8, 0x80, 0x00, 0xD0}));
}

TEST(SongmakeProgram, BaseNameKeepsTheFolder) {
    SongFolder song;
    std::filesystem::create_directory(song.folder / "music");
    song.writeMidi(midiFile(0, {MidiTrack()}), "music/intro.mid");
    RunResult result = songmake(song, {"music/intro.mid"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open music/intro\nmusic/intro.sng written.\n");
    EXPECT_EQ(song.stream("music/intro.sng"), (Bytes{0x00, 0xD0}));
}

// --- reader errors ----------------------------------------------------------------------------

TEST(SongmakeProgram, MissingMidiFileIsAReaderError) {
    SongFolder song;
    song.writeWaves();
    RunResult result = songmake(song, {"missing.mid"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.output, "Can't open missing.mid\n");
    EXPECT_EQ(song.folder.entries(), (Names{"song-0.raw", "song-1.raw"}));
}

TEST(SongmakeProgram, DamagedMidiFilePrintsTheReadersDescription) {
    SongFolder song;
    song.writeMidi(midiHeader(0, 1) + chunk("MTrk", {0x00, 0x90, 0x3C, 0x64, 0x00, 0xF4}));
    song.writeEnvelopes("0 0 V A 1 2 3 4\n");
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.output, "Unexpected status byte 0xF4 at byte 27\n");
    EXPECT_FALSE(std::filesystem::exists(song.folder / "song.sng"));
}

TEST(SongmakeProgram, FolderGivenAsTheMidiFileIsAReaderError) {
    SongFolder song;
    song.writeWaves();
    std::filesystem::create_directory(song.folder / "folder.mid");
    RunResult result = songmake(song, {"folder.mid"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.output.find("folder.mid"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.back(), '\n');
    EXPECT_EQ(song.folder.entries(), (Names{"folder.mid", "song-0.raw", "song-1.raw"}));
}

TEST(SongmakeProgram, NotAMidiFileAtAll) {
    SongFolder song;
    writeFile(song.folder / "song.mid", std::string("just some text\n"));
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.output, "Not a Standard MIDI File: no MThd header\n");
}

// --- messages and their order ------------------------------------------------------------------

TEST(SongmakeProgram, PitchWarningsThenEnvelopeFileThenWaveFile) {
    SongFolder song;
    song.writeMidi(midiFile(1, {MidiTrack().control(0, 0, 2, 10).note(10, 0, 60, 100, 100),
                                MidiTrack().control(5, 2, 2, 127)}));
    std::filesystem::remove(song.folder / "song-0.raw");
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output,
              "Warn: pitch before first note.\nWarn: pitch before first note.\n"
              "Can't open song\nCan't open song-0.raw\n");
    EXPECT_EQ(song.folder.entries(), (Names{"song-1.raw", "song.mid"}));
}

TEST(SongmakeProgram, PitchWarningThenEnvelopeFileThenWritten) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack().control(0, 3, 2, 0).note(10, 3, 60, 100, 100)}));
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "Warn: pitch before first note.\nCan't open song\nsong.sng written.\n");
    // The bend before any note is computed from note 0: 8.
    EXPECT_EQ(song.stream(), (Bytes{0x00, 0x23, 0x08, 0x00, 0x04, 0x93, 0x67, 0x0C, 0x01, 0x2A,
                                    0x83, 0x00, 0xD0}));
}

TEST(SongmakeProgram, MissingSecondWaveFile) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack().note(0, 0, 60, 100, 10)}));
    std::filesystem::remove(song.folder / "song-1.raw");
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "Can't open song\nCan't open song-1.raw\n");
    EXPECT_FALSE(std::filesystem::exists(song.folder / "song.sng"));
}

TEST(SongmakeProgram, ShortWaveFileWarnsAndCountsMissingSamplesAsZero) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack()}));
    song.write("song-0.raw", Bytes{0x00, 0x10, 0x00, 0x20, 0x00});
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "Can't open song\nWarn: short wave file song-0.raw.\nsong.sng written.\n");
    Bytes header = song.header();
    ASSERT_EQ(header.size(), 132u);
    EXPECT_EQ(header[4], 0x10);
    EXPECT_EQ(header[5], 0x20);
    EXPECT_EQ(header[68], 0x01 - 0x10 + 256);
    EXPECT_EQ(header[69], 0x02 - 0x20 + 256);
    for (int i = 2; i < 64; ++i) {
        EXPECT_EQ(header[4 + i], 0) << i;
        EXPECT_EQ(header[68 + i], i + 1) << i;  // table 2 minus silence
    }
}

// --- writing the song file: whole or not at all
// -----------------------------------------------

TEST(SongmakeProgram, FailingWriteLeavesTheEarlierSongFileAndNoTemporary) {
    SKIP_WITHOUT(fileSizeLimit);
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480).note(480, 0, 62, 90, 480)}));
    writeFile(song.folder / "song.sng", std::string(300, 'o'));
    Names before = song.folder.entries();
    RunOptions diskFull;
    diskFull.fileSizeLimit = 140;  // the header fits, the stream does not

    RunResult result = songmake(song, {"song.mid"}, diskFull);

    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "Can't open song\nCan't write song.sng\n");
    EXPECT_EQ(readText(song.folder / "song.sng"), std::string(300, 'o'));
    EXPECT_EQ(song.folder.entries(), before);
}

TEST(SongmakeProgram, SongFileThatCannotBeCreated) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack()}));
    std::filesystem::create_directory(song.folder / "song.sng");
    Names before = song.folder.entries();
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "Can't open song\nCan't write song.sng\n");
    EXPECT_EQ(song.folder.entries(), before);
}

TEST(SongmakeProgram, PausesThatWouldNeedGigabytesOfFillersAreRefused) {
    // At the slowest tempo a tick is 100/6 units: each of these gaps scales to just
    // under 2^32 units, about 16.7 million fillers. Three of them pass the limit.
    constexpr std::uint32_t kGap = 257698037;
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack()
                                    .tempo(0, 0xFFFFFF)
                                    .noteOn(kGap, 0, 60, 100)
                                    .noteOn(2 * kGap, 0, 62, 100)
                                    .noteOn(3 * kGap, 0, 64, 100)}));
    writeFile(song.folder / "song.sng", std::string(300, 'o'));

    RunResult result = songmake(song);

    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output,
              "Can't open song\n"
              "Can't write song.sng: its pauses would need over 33554432 filler records.\n");
    EXPECT_EQ(readText(song.folder / "song.sng"), std::string(300, 'o'));
}

TEST(SongmakeProgram, SuccessfulRunReplacesTheEarlierSongFile) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack()}));
    writeFile(song.folder / "song.sng", std::string(300, 'o'));
    EXPECT_EQ(songmake(song).exitCode, 0);
    EXPECT_EQ(song.stream(), (Bytes{0x00, 0xD0}));
    EXPECT_EQ(song.folder.entries(), (Names{"song-0.raw", "song-1.raw", "song.mid", "song.sng"}));
}

// A stream of controller-4 records one tick apart (3 bytes, delay 0 each), plus the end.
MidiTrack controllerRun(int count) {
    MidiTrack track;
    for (int i = 0; i < count; ++i) track.control(static_cast<std::uint32_t>(i), 1, 4, i & 0x7F);
    return track;
}

TEST(SongmakeProgram, StreamOver65536BytesWarnsButIsWritten) {
    SongFolder song;
    song.writeMidi(midiFile(0, {controllerRun(21845)}));  // 65535 + 2 bytes
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "Can't open song\n"
              "Warn: song data is 65537 bytes, over the 65536 a 16-bit offset reaches.\n"
              "song.sng written.\n");
    EXPECT_EQ(song.stream().size(), 65537u);
}

TEST(SongmakeProgram, StreamOfExactly65536BytesDoesNotWarn) {
    SongFolder song;
    // 21844 controllers (65532 bytes), one note-off (2) and the end (2).
    song.writeMidi(midiFile(0, {controllerRun(21844).noteOff(0, 2, 60)}));
    RunResult result = songmake(song);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open song\nsong.sng written.\n");
    EXPECT_EQ(song.stream().size(), 65536u);
}

}  // namespace
}  // namespace testing_support
