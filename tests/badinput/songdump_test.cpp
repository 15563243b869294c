// songdump fed song files that are cut short, damaged or oversized: each is
// refused with a message saying what is wrong and exit code 1, and an earlier
// piano roll is left as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/song_file_bytes.h"
#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

const std::string kEarlierRoll = "<svg>an earlier piano roll</svg>\n";

RunResult drawRefused(SongFolder& space) {
    space.write("song.svg", kEarlierRoll);
    FolderSnapshot before = space.snapshot();
    RunResult result = space.run(SONGDUMP_PATH, {"--svg", "song.sng"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(changesSince(before, space), "");
    return result;
}

TEST(SongdumpBadInput, FilesCutInsideTheHeaderAreTooShort) {
    Bytes song = songFileBytes({0x00, 0xD0});
    for (std::size_t length : {0, 3, 100, 131}) {
        SCOPED_TRACE(length);
        SongFolder space;
        space.write("song.sng", Bytes(song.begin(), song.begin() + length));
        EXPECT_EQ(drawRefused(space).errors,
                  "songdump: song.sng is not a song file: it is shorter than the 132-byte "
                  "header.\n");
    }
}

TEST(SongdumpBadInput, StreamsCutShortSayWhereTheyEnd) {
    SongFolder cutRecord;
    cutRecord.write("song.sng", songFileBytes({0x00, 0x91, 0x67}));
    RunResult cut = drawRefused(cutRecord);
    EXPECT_EQ(cut.output, "");  // with --svg, no listing
    EXPECT_EQ(cut.errors,
              "songdump: The note-on at offset 0 is cut off: it needs 5 bytes and the stream ends "
              "after 3.\n");

    SongFolder noEnd;
    noEnd.write("song.sng", songFileBytes({}));
    EXPECT_EQ(drawRefused(noEnd).errors, "songdump: The stream ends without an end record.\n");
}

TEST(SongdumpBadInput, AFileTooLargeForASongIsRefusedUnread) {
    SongFolder space;
    space.write("song.sng", songFileBytes({0x00, 0xD0}));
    std::filesystem::resize_file(space.folder / "song.sng", 16 * 1024 * 1024 + 1);  // sparse
    EXPECT_EQ(drawRefused(space).errors,
              "songdump: song.sng is not a song file: it is over 16777216 bytes long.\n");
}

TEST(SongdumpBadInput, AStreamBeyondTheFirmwaresReachIsListedWithAWarning) {
    SongFolder space;
    Bytes stream;
    for (int i = 0; i < 40000; ++i)
        stream.insert(stream.end(), {0x00, 0x81});  // 80000 bytes of note-offs
    space.write("song.sng", songFileBytes(stream + Bytes{0x00, 0xD0}));

    RunResult result = space.run(SONGDUMP_PATH, {"--summary", "song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.substr(0, result.output.find('\n')),
              "song.sng: 80002 stream bytes, over the 65536 bytes a 16-bit offset reaches");
}

}  // namespace
}  // namespace testing_support
