// Reading a song file: what is accepted and how it is split.
#include "songasm/song_contents.h"

#include <gtest/gtest.h>

#include "tests/songasm/song_bytes.h"
#include "tests/support/song_file_bytes.h"

namespace testing_support {
namespace {

TEST(SongFileSplit, TablesAndStreamComeFromTheirOffsets) {
    Bytes file = songFileBytes({0x00, 0x91, 0x67, 0x0C, 0x01, 0x00, 0xD0}, countingTable1(),
                               countingTable2());

    std::optional<SongContents> song = parseSongFile(file);

    ASSERT_TRUE(song.has_value());
    EXPECT_EQ(song->waveTable1, countingTable1());
    EXPECT_EQ(song->storedWaveTable2, countingTable2());
    EXPECT_EQ(song->stream, (Bytes{0x00, 0x91, 0x67, 0x0C, 0x01, 0x00, 0xD0}));
}

TEST(SongFileSplit, StreamRunsToTheEndOfTheFile) {
    Bytes file = songFileBytes(countingStream(70000));

    std::optional<SongContents> song = parseSongFile(file);

    ASSERT_TRUE(song.has_value());
    EXPECT_EQ(song->stream, countingStream(70000));
}

TEST(SongFileValidity, OneEventByteAfterTheTablesIsEnough) {
    Bytes file = songFileBytes({0xD0});
    ASSERT_EQ(file.size(), 133u);

    std::optional<SongContents> song = parseSongFile(file);

    ASSERT_TRUE(song.has_value());
    EXPECT_EQ(song->stream, Bytes{0xD0});
}

TEST(SongFileValidity, FileWithoutEventBytesIsRefused) {
    Bytes file = songFileBytes({});
    ASSERT_EQ(file.size(), 132u);

    EXPECT_FALSE(parseSongFile(file).has_value());
}

TEST(SongFileValidity, FileEndingInsideTheTablesIsRefused) {
    Bytes file = songFileBytes({});
    file.resize(100);

    EXPECT_FALSE(parseSongFile(file).has_value());
}

TEST(SongFileValidity, FileShorterThanTheMagicIsRefused) {
    EXPECT_FALSE(parseSongFile(Bytes{'s', 'n', 'g'}).has_value());
    EXPECT_FALSE(parseSongFile(Bytes{}).has_value());
}

TEST(SongFileValidity, WrongMagicIsRefused) {
    Bytes file = songFileBytes();
    file[3] = '2';
    EXPECT_FALSE(parseSongFile(file).has_value());

    file[3] = '1';
    file[0] = 'S';  // the magic is compared byte for byte, case included
    EXPECT_FALSE(parseSongFile(file).has_value());
}

}  // namespace
}  // namespace testing_support
