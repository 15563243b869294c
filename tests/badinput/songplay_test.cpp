// songplay fed the song files songdump refuses, and songs it cannot write: each
// is refused with songdump's words or a clear reason and exit code 1, and an
// earlier WAV is left as it was, without a temporary beside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/song_file_bytes.h"
#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

const std::string kEarlierWav = "RIFF an earlier rendering";

RunResult playRefused(SongFolder& space, std::vector<std::string> options = {}) {
    space.write("song.wav", kEarlierWav);
    FolderSnapshot before = space.snapshot();
    options.push_back("song.sng");
    RunResult result = space.run(SONGPLAY_PATH, options);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(changesSince(before, space), "");
    return result;
}

TEST(SongplayBadInput, RefusesWhatSongdumpRefusesInItsWords) {
    struct Case {
        Bytes file;
        std::string message;
    } cases[] = {
        {Bytes{'s', 'n', 'g', '1'} + Bytes(127, 0),
         "song.sng is not a song file: it is shorter than the 132-byte header.\n"},
        {Bytes{'s', 'n', 'g', '2'} + Bytes(128, 0) + Bytes{0x00, 0xD0},
         "song.sng is not a song file: it does not start with \"sng1\".\n"},
        {songFileBytes({0x00, 0x91, 0x67}),
         "The note-on at offset 0 is cut off: it needs 5 bytes and the stream ends after 3.\n"},
        {songFileBytes({0x00, 0xD0, 0x00, 0x50}),
         "Unknown record kind 5 (code byte 0x50) at offset 2.\n"},  // even after the end
        {songFileBytes({0x00, 0x80}), "The stream ends without an end record.\n"},
    };
    for (const Case& bad : cases) {
        SongFolder space;
        space.write("song.sng", bad.file);
        EXPECT_EQ(playRefused(space).errors, "songplay: " + bad.message);
    }
}

TEST(SongplayBadInput, AFileTooLargeForASongIsRefusedUnread) {
    SongFolder space;
    space.write("song.sng", songFileBytes({0x00, 0xD0}));
    std::filesystem::resize_file(space.folder / "song.sng", 16 * 1024 * 1024 + 1);  // sparse
    EXPECT_EQ(playRefused(space).errors,
              "songplay: song.sng is not a song file: it is over 16777216 bytes long.\n");
}

TEST(SongplayBadInput, ASongTooLongForAWavFileIsRefusedBeforeAnythingIsWritten) {
    SongFolder space;
    space.write("song.sng", songFileBytes({0xFF, 0x00, 0x00, 0xD0}));  // the end at 512 units
    EXPECT_EQ(playRefused(space, {"--unit-ms", "100000"}).errors,
              "songplay: can't write song.wav: the song lasts 14.2 hours, over the 4 GiB of "
              "samples a WAV file holds at 48000 Hz.\n");
}

TEST(SongplayBadInput, AnOutputThatCannotBeWrittenLeavesNothingBehind) {
    SongFolder space;
    space.write("song.sng", songFileBytes({0x00, 0x90, 0x7F, 0xC3, 0x01, 0xFF, 0x00, 0x00, 0xD0}));
    space.write("song.wav", kEarlierWav);
    FolderSnapshot before = space.snapshot();

    RunResult noFolder = space.run(SONGPLAY_PATH, {"-o", "missing/song.wav", "song.sng"});

    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_EQ(noFolder.errors,
              "songplay: can't write missing/song.wav: No such file or directory\n");
    EXPECT_EQ(changesSince(before, space), "");
}

TEST(SongplayBadInput, ADiskThatFillsDuringTheWriteLeavesTheEarlierWav) {
    SKIP_WITHOUT(fileSizeLimit);
    SongFolder space;
    space.write("song.sng", songFileBytes({0x00, 0x90, 0x7F, 0xC3, 0x01, 0xFF, 0x00, 0x00, 0xD0}));
    space.write("song.wav", kEarlierWav);
    FolderSnapshot before = space.snapshot();

    RunResult full = space.run(SONGPLAY_PATH, {"song.sng"}, {.fileSizeLimit = 100000});

    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(full.errors.starts_with("songplay: can't write song.wav")) << full.errors;
    EXPECT_EQ(changesSince(before, space), "");
}

TEST(SongplayBadInput, UsageErrorsSayWhatIsWrongAndNothingGoesToAPipeOnFailure) {
    SongFolder space;
    space.write("song.sng", songFileBytes({0x00, 0x80}));
    RunResult none = space.run(SONGPLAY_PATH, {});
    RunResult badRate = space.run(SONGPLAY_PATH, {"--rate", "fast", "song.sng"});
    RunResult piped = space.run(SONGPLAY_PATH, {"-o", "-", "song.sng"});

    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.errors,
              "songplay: no song file given\nTry 'songplay --help' for more information.\n");
    EXPECT_EQ(badRate.exitCode, 1);
    EXPECT_EQ(badRate.errors,
              "songplay: --rate: 'fast' is not a whole number of hertz from 8000 to 192000\n"
              "Try 'songplay --help' for more information.\n");
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_EQ(piped.output, "");  // the message goes to standard error
    EXPECT_EQ(piped.errors, "songplay: The stream ends without an end record.\n");
}

// As for the other tools: "--" ends the options, and a name that starts with
// one dash is a song's name (only "--" names and -o are options).
TEST(SongplayBadInput, ANameThatStartsWithADashIsASong) {
    SongFolder space;
    space.write("-song.sng", songFileBytes({0x00, 0x90, 0x7F, 0xC3, 0x01, 0xFF, 0x00, 0x00, 0xD0}));
    space.write("--song.sng", songFileBytes({0x00, 0xD0}));

    // As for the other tools, a name after "--" is a name, whatever it starts with.
    RunResult afterDashes = space.run(SONGPLAY_PATH, {"--", "-song.sng"});
    RunResult twoDashes = space.run(SONGPLAY_PATH, {"-o", "two.wav", "--", "--song.sng"});
    RunResult twoSongs = space.run(SONGPLAY_PATH, {"--", "-song.sng", "--song.sng"});

    EXPECT_EQ(afterDashes.exitCode, 0) << afterDashes.errors;
    EXPECT_TRUE(std::filesystem::exists(space.folder / "-song.wav"));
    EXPECT_EQ(twoDashes.exitCode, 0) << twoDashes.errors;
    EXPECT_TRUE(std::filesystem::exists(space.folder / "two.wav"));
    EXPECT_EQ(twoSongs.exitCode, 1);
    EXPECT_TRUE(twoSongs.errors.starts_with("songplay: one song file at a time")) << twoSongs.errors;
}

}  // namespace
}  // namespace testing_support
