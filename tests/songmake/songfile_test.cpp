// Wave tables, the song file's bytes, and how it reaches the disk.
#include "songmake/songfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "songformat/whole_file.h"
#include "tests/songmake/event_helpers.h"
#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {
namespace {

// 16-bit little-endian samples, as a raw wave file holds them.
Bytes samples(const std::vector<int>& values) {
    Bytes out;
    for (int value : values) {
        out.push_back(static_cast<std::uint8_t>(value));
        out.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    return out;
}

WaveTable tableOf(std::initializer_list<int> start, int rest = 0) {
    WaveTable table;
    table.fill(static_cast<std::uint8_t>(rest));
    int i = 0;
    for (int value : start) table[i++] = static_cast<std::uint8_t>(value);
    return table;
}

class WaveFiles : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (folder / name).string(); }
    // Reads the wave file `name` and returns what it printed.
    std::string read(const std::string& name, WaveTable& table, bool expected = true) const {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(readWaveTable(path(name), table), expected);
        return ::testing::internal::GetCapturedStdout();
    }
    TempFolder folder;
};

TEST_F(WaveFiles, TableHoldsTheHighByteOfEachOfTheFirst64Samples) {
    std::vector<int> values(100, 0x7F00);
    values[0] = 0x1234;
    values[1] = -2;
    values[2] = 0x00FF;
    values[63] = -32768;
    writeFile(folder / "w.raw", samples(values));
    WaveTable table;
    EXPECT_EQ(read("w.raw", table), "");
    WaveTable expected = tableOf({0x12, 0xFF, 0x00}, 0x7F);
    expected[63] = 0x80;
    EXPECT_EQ(table, expected);
}

TEST_F(WaveFiles, MissingFileSaysCantOpenWithItsName) {
    WaveTable table;
    EXPECT_EQ(read("none.raw", table, false), "Can't open " + path("none.raw") + "\n");
}

TEST_F(WaveFiles, ShortFileWarnsAndItsMissingSamplesCountAsZero) {
    // Two whole samples and the low byte of a third.
    writeFile(folder / "short.raw", Bytes{0x00, 0x11, 0xFF, 0x22, 0xFF});
    WaveTable table;
    table.fill(0x55);
    EXPECT_EQ(read("short.raw", table), "Warn: short wave file " + path("short.raw") + ".\n");
    EXPECT_EQ(table, tableOf({0x11, 0x22}));
}

TEST_F(WaveFiles, EmptyFileWarnsAndGivesSilence) {
    writeFile(folder / "empty.raw", Bytes{});
    WaveTable table;
    table.fill(0x55);
    EXPECT_EQ(read("empty.raw", table), "Warn: short wave file " + path("empty.raw") + ".\n");
    EXPECT_EQ(table, tableOf({}));
}

TEST_F(WaveFiles, ExactlySixtyFourSamplesDoNotWarn) {
    writeFile(folder / "w.raw", samples(std::vector<int>(64, 0x0100)));
    WaveTable table;
    EXPECT_EQ(read("w.raw", table), "");
    EXPECT_EQ(table, tableOf({}, 1));
}

// --- encodeSong ----------------------------------------------------------------------

TEST(EncodeSong, MagicTablesThenRecordsInListOrder) {
    WaveTable first = tableOf({0x10, 0x00, 0x80}, 0x01);
    WaveTable second = tableOf({0x05, 0xFF, 0x7F}, 0x01);
    EventList events = eventList(noteOff(200, 60, 1), envelope(14, 0, 1, 2, {0, 0, 0, 9}));
    events.push_back(std::make_unique<EvEnd>());

    ByteStream song = encodeSong(first, second, events);

    ByteStream expected{'s', 'n', 'g', '1'};
    expected.insert(expected.end(), first.begin(), first.end());
    // The second table as its difference from the first, modulo 256.
    WaveTable difference = tableOf({0xF5, 0xFF, 0xFF}, 0x00);
    expected.insert(expected.end(), difference.begin(), difference.end());
    for (std::uint8_t b : {0xC8, 0x81, 0x00, 0xE1, 0x02, 0x09, 0x00, 0xD0}) expected.push_back(b);
    EXPECT_EQ(song, expected);
}

TEST(EncodeSong, IdenticalTablesStoreSixtyFourZeros) {
    WaveTable table = tableOf({1, 2, 3, 4, 5}, 0x99);
    ByteStream song = encodeSong(table, table, EventList{});
    ASSERT_EQ(song.size(), 132u);
    EXPECT_EQ(ByteStream(song.begin() + 68, song.end()), ByteStream(64, 0));
}

TEST(EncodeSong, TempoEventsStillInTheListAddNothing) {
    WaveTable table = tableOf({});
    EventList events = eventList(tempo(0, 500000), noteOff(1, 1));
    EXPECT_EQ(encodeSong(table, table, events).size(), 134u);
}

// --- writeSongFile ---------------------------------------------------------------------

class WriteSongFile : public ::testing::Test {
protected:
    WriteSongFile() {
        std::vector<int> first, second;
        for (int i = 0; i < 64; ++i) {
            first.push_back(i << 8);
            second.push_back((i * 3) << 8);
        }
        writeFile(folder / "song-0.raw", samples(first));
        writeFile(folder / "song-1.raw", samples(second));
    }
    std::string base() const { return (folder / "song").string(); }
    std::string write(const EventList& events, bool expected = true) const {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(writeSongFile(base(), events), expected);
        return ::testing::internal::GetCapturedStdout();
    }
    TempFolder folder;
};

TEST_F(WriteSongFile, WritesTheWholeFileAndSaysSo) {
    EventList events = eventList(noteOff(5, 60, 2));
    EXPECT_EQ(write(events), base() + ".sng written.\n");
    Bytes song = readFile(folder / "song.sng");
    ASSERT_EQ(song.size(), 134u);
    EXPECT_EQ(Bytes(song.begin(), song.begin() + 4), (Bytes{'s', 'n', 'g', '1'}));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(song[4 + i], i);
        EXPECT_EQ(song[68 + i], 2 * i);  // 3i - i
    }
    EXPECT_EQ(Bytes(song.begin() + 132, song.end()), (Bytes{0x05, 0x82}));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"song-0.raw", "song-1.raw", "song.sng"}));
}

TEST_F(WriteSongFile, ReplacesAnEarlierSongFile) {
    writeFile(folder / "song.sng", std::string(500, 'x'));
    EXPECT_EQ(write(EventList{}), base() + ".sng written.\n");
    EXPECT_EQ(readFile(folder / "song.sng").size(), 132u);
}

TEST_F(WriteSongFile, MissingFirstWaveFileStopsBeforeTheSecond) {
    std::filesystem::remove(folder / "song-0.raw");
    std::filesystem::remove(folder / "song-1.raw");
    EXPECT_EQ(write(EventList{}, false), "Can't open " + base() + "-0.raw\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "song.sng"));
}

TEST_F(WriteSongFile, MissingSecondWaveFileCreatesNoSongFile) {
    std::filesystem::remove(folder / "song-1.raw");
    EXPECT_EQ(write(EventList{}, false), "Can't open " + base() + "-1.raw\n");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"song-0.raw"}));
}

TEST_F(WriteSongFile, FailedWriteLeavesWhatWasThereAndNoTemporaryFile) {
    // A folder in the song file's place: nothing can be renamed onto it.
    std::filesystem::create_directory(folder / "song.sng");
    writeFile(folder / "song.sng" / "keep", std::string("old"));
    EXPECT_EQ(write(eventList(noteOff(1, 1)), false), "Can't write " + base() + ".sng\n");
    EXPECT_EQ(readText(folder / "song.sng" / "keep"), "old");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"song-0.raw", "song-1.raw", "song.sng"}));
}

TEST_F(WriteSongFile, StreamOf65536BytesIsNoWarning) {
    EventList events;
    for (int i = 0; i < 32768; ++i) events.push_back(noteOff(0, 1));
    EXPECT_EQ(write(events), base() + ".sng written.\n");
    EXPECT_EQ(readFile(folder / "song.sng").size(), 132u + 65536u);
}

TEST_F(WriteSongFile, StreamOver65536BytesWarnsJustBeforeWritten) {
    EventList events;
    for (int i = 0; i < 32767; ++i) events.push_back(noteOff(0, 1));
    events.push_back(repeat(0, 1));
    EXPECT_EQ(write(events),
              "Warn: song data is 65537 bytes, over the 65536 a 16-bit offset "
              "reaches.\n" +
                  base() + ".sng written.\n");
    EXPECT_EQ(readFile(folder / "song.sng").size(), 132u + 65537u);
}

TEST_F(WriteSongFile, LongBaseNamesAreFine) {
    // No limit on the base name's length; a 64-byte name buffer would hold 57.
    std::string name(120, 'n');
    std::filesystem::copy_file(folder / "song-0.raw", folder / (name + "-0.raw"));
    std::filesystem::copy_file(folder / "song-1.raw", folder / (name + "-1.raw"));
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(writeSongFile((folder / name).string(), EventList{}));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              (folder / name).string() + ".sng written.\n");
    EXPECT_TRUE(std::filesystem::exists(folder / (name + ".sng")));
}

// --- replaceFile -----------------------------------------------------------------------

TEST(ReplaceFile, WritesANewFileAndReplacesAnOldOne) {
    TempFolder folder;
    std::string name = (folder / "out.bin").string();
    ASSERT_TRUE(songformat::replaceFile(name, "abc"));
    EXPECT_EQ(readText(folder / "out.bin"), "abc");
    ASSERT_TRUE(songformat::replaceFile(name, "de"));
    EXPECT_EQ(readText(folder / "out.bin"), "de");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.bin"}));
}

TEST(ReplaceFile, FailsInAFolderThatDoesNotExist) {
    TempFolder folder;
    EXPECT_FALSE(songformat::replaceFile((folder / "nowhere" / "out.bin").string(), "abc"));
    EXPECT_TRUE(folder.entries().empty());
}

TEST(ReplaceFile, FailureLeavesTheTargetAndNoTemporary) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "out.bin");
    EXPECT_FALSE(songformat::replaceFile((folder / "out.bin").string(), "abc"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "out.bin"));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.bin"}));
}

}  // namespace
}  // namespace testing_support
