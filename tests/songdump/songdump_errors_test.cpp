// What songdump says about files it cannot list: usage, unreadable files,
// files that are no songs, and streams with a bad record.
#include <gtest/gtest.h>

#include "tests/songdump/dump_output.h"
#include "tests/support/song_file_bytes.h"

namespace testing_support {
namespace {

const char* const kUsage =
    "Usage:\n"
    " songdump [--summary] [--svg [--list]] [--unit-ms MS] sng_file\n"
    "\n"
    "Lists the records of a song file and sums them up.\n"
    "  --summary      only the summary, not every record\n"
    "  --svg          draw the song as a piano roll, song.svg, instead of listing it\n"
    "  --list         with --svg, list the records as well\n"
    "  --unit-ms MS   the player unit in milliseconds, for the picture's time axis\n"
    "                 (default 2.5)\n"
    "  -h, --help, --version\n";

TEST(SongdumpErrors, UsageForMissingExtraOrUnknownArguments) {
    SongFolder song;
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"--svg"}, {"a.sng", "b.sng"}, {"--pdf", "a.sng"}}) {
        RunResult result = songdump(song, arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, "");
        EXPECT_TRUE(result.errors.ends_with("Try 'songdump --help' for more information.\n"));
    }
}

// --help and --version answer whatever else the command line holds, and read no file.
TEST(SongdumpErrors, HelpAndVersionSucceedWithoutASong) {
    SongFolder song;
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--help"}, {"--svg", "missing.sng", "--help"}, {"--pdf", "--help", "--version"}}) {
        RunResult result = songdump(song, arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, kUsage);
    }
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--version"}, {"missing.sng", "--version", "--help"}}) {
        RunResult result = songdump(song, arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, "songdump " SONGTOOLS_VERSION "\n");
    }
    EXPECT_TRUE(song.folder.entries().empty());
}

TEST(SongdumpErrors, FilesThatAreNoSongs) {
    SongFolder song;
    writeFile(song.folder / "short.sng", std::string("sng1"));
    writeFile(song.folder / "other.sng", Bytes(200, 'x'));
    std::filesystem::create_directory(song.folder / "folder.sng");

    EXPECT_EQ(songdump(song, {"missing.sng"}).errors,
              "songdump: can't open missing.sng: No such file or directory\n");
    EXPECT_EQ(songdump(song, {"folder.sng"}).errors,
              "songdump: can't read folder.sng: Is a directory\n");
    EXPECT_EQ(songdump(song, {"short.sng"}).errors,
              "songdump: short.sng is not a song file: it is shorter than the 132-byte header.\n");
    EXPECT_EQ(songdump(song, {"other.sng"}).errors,
              "songdump: other.sng is not a song file: it does not start with \"sng1\".\n");
    for (const char* name : {"missing.sng", "folder.sng", "short.sng", "other.sng"})
        EXPECT_EQ(songdump(song, {name}).exitCode, 1) << name;
}

// The records before a bad one are listed; the bad one is named by its offset.
TEST(SongdumpErrors, BadRecordsAreReportedWithTheirOffsets) {
    struct Case {
        Bytes stream;
        std::string message;
    };
    const Case cases[] = {
        {{0x00, 0x81, 0x10, 0x91, 0x67},
         "The note-on at offset 2 is cut off: it needs 5 bytes and the stream ends after 3."},
        {{0x00, 0x81, 0x10},
         "The record at offset 2 is cut off: it needs 2 bytes and the stream ends after 1."},
        {{0x00, 0x81, 0x00, 0xE0},
         "The envelope at offset 2 is cut off: it needs 3 bytes and the stream ends after 2."},
        {{0x00, 0x81, 0x00, 0xE0, 0x00, 0x01, 0x02, 0x03},  // mode A has four parameters
         "The envelope at offset 2 is cut off: it needs 7 bytes and the stream ends after 6."},
        {{0x00, 0x81, 0x00, 0x21, 0x0C},
         "The pitch/slide at offset 2 is cut off: it needs 4 bytes and the stream ends after 3."},
        {{0x00, 0x81, 0x00, 0x51, 0x00, 0xD0},
         "Unknown record kind 5 (code byte 0x51) at offset 2."},
        {{0x00, 0x81, 0x00, 0xB2, 0x00, 0xD0},
         "Unknown record kind 11 (code byte 0xB2) at offset 2."},
        {{0x00, 0x81}, "The stream ends without an end record."},
        {{}, "The stream ends without an end record."},
    };
    for (const Case& bad : cases) {
        SongFolder song;
        song.write("song.sng", songFileBytes(bad.stream));

        RunResult result = songdump(song, {"song.sng"});

        EXPECT_EQ(result.exitCode, 1) << bad.message;
        EXPECT_EQ(result.errors, "songdump: " + bad.message + "\n");
        if (bad.stream.size() >= 2) {
            EXPECT_NE(result.output.find("     0     0          0     1  note-off\n"),
                      std::string::npos);
        }
    }
}

TEST(SongdumpErrors, BytesAfterTheEndAreListedWithAWarning) {
    SongFolder song;
    song.write("song.sng", songFileBytes({0x00, 0xD0, 0x05, 0x82}));

    RunResult result = songdump(song, {"song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("     2     5          5     2  note-off\n"), std::string::npos);
    EXPECT_EQ(result.errors,
              "songdump: warning: 2 bytes after the end record at offset 0 are never played.\n");
    EXPECT_NE(result.output.find("length: 0 player units\n"), std::string::npos);
}

}  // namespace
}  // namespace testing_support
