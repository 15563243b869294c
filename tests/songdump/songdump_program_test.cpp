// songdump as a user runs it on what songmake wrote: every kind of record,
// decoded and counted, and the piano roll beside it.
#include <gtest/gtest.h>

#include "tests/songdump/dump_output.h"
#include "tests/support/song_file_bytes.h"

namespace testing_support {
namespace {

// A little of everything songmake writes, on all four voices.
Bytes everyKindOfRecord() {
    MidiTrack track;
    track.control(0, 0, 1, 64).note(0, 0, 60, 100, 480).control(240, 0, 2, 64);  // a bend
    track.noteOn(0, 1, 62, 80)
        .noteOn(240, 1, 64, 80)
        .noteOff(250, 1, 62)
        .noteOff(480, 1, 64);  // legato
    track.control(0, 2, 3, 5)
        .control(0, 2, 4, 100)
        .control(0, 2, 10, 0);                                // repeat, setting, pan left
    track.note(0, 2, 67, 90, 100).note(100, 2, 69, 90, 100);  // the second reuses the velocity
    track.note(480, 3, 48, 100, 1228);                        // 512 units: a filler and a full 256
    return midiFile(0, {track});
}

const char* const kEnvelopes =
    "0 1 Vol A 10 20 30 40\n"
    "0 2 wave D 1 2 3 4\n"
    "0 3 vol H 0 0 0 5\n"
    "0 0 wave x 1 2 3 4\n";

TEST(SongdumpProgram, ListsEveryKindOfRecordSongmakeWrites) {
    SongFolder song;
    song.writeMidi(everyKindOfRecord());
    song.writeEnvelopes(kEnvelopes);
    ASSERT_EQ(song.run(SONGMAKE_PATH, {"song.mid"}).exitCode, 0);

    RunResult result = songdump(song, {"song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    // Velocity 90 keeps only its upper six bits; the pan takes the low two.
    // The 0 after the filler is a full 256 units; the other zeros are chords.
    EXPECT_EQ(result.output,
              R"(song.sng: 72 stream bytes, within the 65536 bytes a 16-bit offset reaches
offset delay       time voice  kind                    fields
     0     0          0     0  controller 1            value 128 (MIDI 64)
     3     0          0     2  repeat                  value 5
     6     0          0     2  controller 4            value 200 (MIDI 100)
     9     0          0     1  envelope                kind V, mode A, params 10 20 30 40
    16     0          0     2  envelope                kind other, mode D, params 3 4
    21     0          0     3  envelope                kind V, mode H, param 5
    25     0          0     0  envelope                kind other, mode 'x' (120)
    28     0          0     0  note-on                 velocity 100, pan both, word 268 = 261.72 Hz, C4 +1
    33     0          0     1  note-on                 velocity 80, pan both, word 301 = 293.95 Hz, D4 +2
    38     0          0     2  note-on                 velocity 88, pan left, word 401 = 391.60 Hz, G4 -2
    43    42         42     2  note-on, same velocity  word 451 = 440.43 Hz, A4 +2
    47    42         84     2  note-off
    49    17        101     0  pitch/slide             word 284 = 277.34 Hz, C#4 +1
    53     0        101     1  pitch/slide             word 338 = 330.08 Hz, E4 +2
    57   100        201     0  note-off
    59     0        201     1  note-off
    61     0        201     3  note-on                 velocity 100, pan both, word 134 = 130.86 Hz, C3 +1
    66   255        457     -  filler
    68     0        713     3  note-off
    70     0        713     -  end
records: 20
  filler                 1
  controller 1           1
  pitch/slide            2
  repeat                 1
  controller 4           1
  note-off               4
  note-on                4
  note-on, same velocity 1
  end                    1
  envelope               4
voices used: 0 1 2 3
length: 713 player units
stream: 72 bytes
)");
}

TEST(SongdumpProgram, SummaryLeavesOutTheRecordLines) {
    SongFolder song;
    song.write("song.sng", songFileBytes({0x00, 0x93, 0x67, 0x0C, 0x01, 0xC8, 0x83, 0x00, 0xD0}));

    RunResult result = songdump(song, {"--summary", "song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "song.sng: 9 stream bytes, within the 65536 bytes a 16-bit offset reaches\n"
              "records: 3\n"
              "  note-off               1\n"
              "  note-on                1\n"
              "  end                    1\n"
              "voices used: 3\n"
              "length: 200 player units\n"
              "stream: 9 bytes\n");
}

// Fillers of two bytes each, then the end record.
Bytes fillersAndEnd(std::size_t fillers) {
    Bytes stream;
    for (std::size_t i = 0; i < fillers; ++i) stream = stream + Bytes{0xFF, 0x00};
    return stream + Bytes{0x00, 0xD0};
}

TEST(SongdumpProgram, HeaderSaysWhetherTheStreamFitsASixteenBitOffset) {
    SongFolder song;
    song.write("full.sng", songFileBytes(fillersAndEnd(32767)));  // 65536 bytes
    song.write("over.sng", songFileBytes(fillersAndEnd(32768)));  // 65538 bytes

    RunResult full = songdump(song, {"--summary", "full.sng"});
    RunResult over = songdump(song, {"--summary", "over.sng"});

    EXPECT_EQ(full.exitCode, 0);
    EXPECT_NE(full.output.find("full.sng: 65536 stream bytes, within the 65536 bytes"),
              std::string::npos);
    // Each filler is 256 units, and so is the 0 of the record after the last one.
    EXPECT_NE(full.output.find("length: 8388608 player units\n"), std::string::npos);
    EXPECT_EQ(over.exitCode, 0);
    EXPECT_NE(over.output.find("over.sng: 65538 stream bytes, over the 65536 bytes"),
              std::string::npos);
}

TEST(SongdumpProgram, DrawsThePianoRollAsWellFormedSvgBesideTheSong) {
    if (!haveXmlParser())
        GTEST_SKIP() << "xmllint is not installed (Debian: libxml2-utils), or cannot be run "
                        "by a cross-built test";
    SongFolder song;
    song.writeMidi(everyKindOfRecord());
    song.writeEnvelopes(kEnvelopes);
    ASSERT_EQ(song.run(SONGMAKE_PATH, {"song.mid"}).exitCode, 0);

    RunResult result = songdump(song, {"--svg", "song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "song.svg written.\n");  // the picture, not the listing
    EXPECT_TRUE(wellFormedXml(song, "song.svg"));
    std::string svg = readText(song.folder / "song.svg");
    // The bend and the slide each split a note in two; the repeat, the two
    // controllers and the four envelopes are marks.
    EXPECT_EQ(occurrences(svg, "class=\"note\""), 7);
    EXPECT_EQ(occurrences(svg, "class=\"step\""), 2);
    EXPECT_EQ(occurrences(svg, "class=\"mark\""), 7);
}

// --list keeps the listing and the summary beside the picture; --unit-ms sets
// the seconds on its time axis.
TEST(SongdumpProgram, ListAddsTheListingToThePictureAndUnitMsItsSeconds) {
    SongFolder song;
    song.write("song.sng", songFileBytes({0x00, 0x90, 0x67, 0x0C, 0x01, 0xC8, 0x80, 0x00, 0xD0}));
    RunResult listed = songdump(song, {"song.sng"});

    RunResult both = songdump(song, {"--svg", "--list", "--unit-ms", "5", "song.sng"});

    EXPECT_EQ(both.exitCode, 0);
    EXPECT_EQ(both.output, listed.output + "song.svg written.\n");
    EXPECT_NE(
        readText(song.folder / "song.svg").find(">song.sng: 1.00 s, 200 player units of 5 ms<"),
        std::string::npos);
}

TEST(SongdumpProgram, SvgStaysWellFormedWhateverTheFileName) {
    if (!haveXmlParser())
        GTEST_SKIP() << "xmllint is not installed (Debian: libxml2-utils), or cannot be run "
                        "by a cross-built test";
    SongFolder song;
    const std::string name = "tom & \"jerry\" <live>\xff";
    song.write(name + ".sng",
               songFileBytes({0x00, 0x90, 0x67, 0x0C, 0x01, 0x10, 0x80, 0x00, 0xD0}));

    RunResult result = songdump(song, {name + ".sng", "--svg"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(wellFormedXml(song, name + ".svg"));
}

TEST(SongdumpProgram, SvgThatCannotBeWrittenLeavesNothingBehind) {
    SongFolder song;
    song.write("song.sng", songFileBytes({0x00, 0xD0}));
    std::filesystem::create_directory(song.folder / "song.svg");

    RunResult result = songdump(song, {"--svg", "song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    // The system's reason follows where it gives one (Windows's replacement does not).
    EXPECT_TRUE(result.errors.starts_with("songdump: can't write song.svg")) << result.errors;
    EXPECT_EQ(song.folder.entries(), (std::vector<std::string>{"song.sng", "song.svg"}));
}

TEST(SongdumpProgram, InvalidSongGetsNoPicture) {
    SongFolder song;
    song.write("song.sng", songFileBytes({0x00, 0x90, 0x67}));

    RunResult result = songdump(song, {"--svg", "song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(song.folder.entries(), (std::vector<std::string>{"song.sng"}));
}

}  // namespace
}  // namespace testing_support
