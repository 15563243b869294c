// Wave tables, the song file's bytes, and how it reaches the disk.
#include "songmake/songfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "toolkit/whole_file.h"
#include "songmake/conversion.h"
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
    WaveRead read(const std::string& name, WaveTable& table) const {
        return readWaveTable(path(name), table);
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
    EXPECT_EQ(read("w.raw", table), WaveRead::ok);
    WaveTable expected = tableOf({0x12, 0xFF, 0x00}, 0x7F);
    expected[63] = 0x80;
    EXPECT_EQ(table, expected);
}

TEST_F(WaveFiles, MissingFileOrFolderCannotBeOpened) {
    WaveTable table;
    EXPECT_EQ(read("none.raw", table), WaveRead::cantOpen);
    std::filesystem::create_directory(folder / "folder.raw");
    EXPECT_EQ(read("folder.raw", table), WaveRead::cantOpen);
}

TEST_F(WaveFiles, ShortFileWarnsAndItsMissingSamplesCountAsZero) {
    // Two whole samples and the low byte of a third.
    writeFile(folder / "short.raw", Bytes{0x00, 0x11, 0xFF, 0x22, 0xFF});
    WaveTable table;
    table.fill(0x55);
    EXPECT_EQ(read("short.raw", table), WaveRead::shortFile);
    EXPECT_EQ(table, tableOf({0x11, 0x22}));
}

TEST_F(WaveFiles, EmptyFileWarnsAndGivesSilence) {
    writeFile(folder / "empty.raw", Bytes{});
    WaveTable table;
    table.fill(0x55);
    EXPECT_EQ(read("empty.raw", table), WaveRead::shortFile);
    EXPECT_EQ(table, tableOf({}));
}

TEST_F(WaveFiles, ExactlySixtyFourSamplesDoNotWarn) {
    writeFile(folder / "w.raw", samples(std::vector<int>(64, 0x0100)));
    WaveTable table;
    EXPECT_EQ(read("w.raw", table), WaveRead::ok);
    EXPECT_EQ(table, tableOf({}, 1));
}

// --- encodeSong ----------------------------------------------------------------------

TEST(EncodeSong, MagicTablesThenRecordsInListOrder) {
    WaveTable first = tableOf({0x10, 0x00, 0x80}, 0x01);
    WaveTable second = tableOf({0x05, 0xFF, 0x7F}, 0x01);
    EventList events = eventList(noteOff(200, 60, 1), envelope(14, 0, 1, 2, {0, 0, 0, 9}));
    events.push_back(std::make_unique<EvEnd>());

    ByteStream song = encodeSong(first, second, events);

    ByteStream expected(first.begin(), first.end());
    expected.insert(expected.begin(), {'s', 'n', 'g', '1'});
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

// --- the wave files in a conversion --------------------------------------------------

class ConversionWaves : public ::testing::Test {
protected:
    ConversionWaves() {
        std::vector<int> first, second;
        for (int i = 0; i < 64; ++i) {
            first.push_back(i << 8);
            second.push_back((i * 3) << 8);
        }
        writeFile(folder / "song-0.raw", samples(first));
        writeFile(folder / "song-1.raw", samples(second));
        writeFile(folder / "song.mid", midiFile(0, {MidiTrack().noteOff(12, 2, 60)}));
        writeFile(folder / "song.env", std::string());
    }
    Conversion convert(const std::string& name = "song.mid") const {
        return convertSong(sourcesForMidiFile((folder / name).string()));
    }
    std::string base() const { return (folder / "song").string(); }
    TempFolder folder;
};

TEST_F(ConversionWaves, TablesComeFromTheRawFilesTheSecondAsADifference) {
    Conversion conversion = convert();
    ASSERT_EQ(conversion.outcome, ConversionOutcome::converted);
    EXPECT_TRUE(conversion.notes.empty());
    const ByteStream& song = conversion.song;
    ASSERT_EQ(song.size(), 136u);
    EXPECT_EQ(Bytes(song.begin(), song.begin() + 4), (Bytes{'s', 'n', 'g', '1'}));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(song[4 + i], i);
        EXPECT_EQ(song[68 + i], 2 * i);  // 3i - i
    }
    EXPECT_EQ(Bytes(song.begin() + 132, song.end()), (Bytes{0x05, 0x82, 0x00, 0xD0}));
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"song-0.raw", "song-1.raw", "song.env", "song.mid"}));
}

TEST_F(ConversionWaves, MissingFirstWaveFileStopsBeforeTheSecond) {
    std::filesystem::remove(folder / "song-0.raw");
    std::filesystem::remove(folder / "song-1.raw");
    Conversion conversion = convert();
    EXPECT_EQ(conversion.outcome, ConversionOutcome::waveFileFailed);
    ASSERT_EQ(conversion.notes.size(), 1u);
    EXPECT_EQ(conversion.notes[0].kind, ConversionNote::Kind::cantOpenWaveFile);
    EXPECT_EQ(conversion.notes[0].name, base() + "-0.raw");
    EXPECT_TRUE(conversion.song.empty());
}

TEST_F(ConversionWaves, AShortFirstFileIsNotedBeforeAMissingSecond) {
    writeFile(folder / "song-0.raw", Bytes{1, 2, 3});
    std::filesystem::remove(folder / "song-1.raw");
    Conversion conversion = convert();
    EXPECT_EQ(conversion.outcome, ConversionOutcome::waveFileFailed);
    ASSERT_EQ(conversion.notes.size(), 2u);
    EXPECT_EQ(conversion.notes[0].kind, ConversionNote::Kind::shortWaveFile);
    EXPECT_EQ(conversion.notes[0].name, base() + "-0.raw");
    EXPECT_EQ(conversion.notes[1].kind, ConversionNote::Kind::cantOpenWaveFile);
    EXPECT_EQ(conversion.notes[1].name, base() + "-1.raw");
}

TEST_F(ConversionWaves, LongBaseNamesAreFine) {
    // No limit on the base name's length; a 64-byte name buffer would hold 57.
    std::string name(120, 'n');
    for (const char* side : {"-0.raw", "-1.raw", ".mid"})
        std::filesystem::copy_file(folder / (std::string("song") + side), folder / (name + side));
    Conversion conversion = convert(name + ".mid");
    EXPECT_EQ(conversion.outcome, ConversionOutcome::converted);
    ASSERT_EQ(conversion.notes.size(), 1u);
    EXPECT_EQ(conversion.notes[0].kind, ConversionNote::Kind::noEnvelopeFile);
    EXPECT_EQ(conversion.notes[0].name, (folder / name).string());
}

// --- replaceFile -----------------------------------------------------------------------

TEST(ReplaceFile, WritesANewFileAndReplacesAnOldOne) {
    TempFolder folder;
    std::string name = (folder / "out.bin").string();
    ASSERT_TRUE(toolkit::replaceFile(name, "abc"));
    EXPECT_EQ(readText(folder / "out.bin"), "abc");
    ASSERT_TRUE(toolkit::replaceFile(name, "de"));
    EXPECT_EQ(readText(folder / "out.bin"), "de");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.bin"}));
}

TEST(ReplaceFile, FailsInAFolderThatDoesNotExist) {
    TempFolder folder;
    EXPECT_FALSE(toolkit::replaceFile((folder / "nowhere" / "out.bin").string(), "abc"));
    EXPECT_TRUE(folder.entries().empty());
}

TEST(ReplaceFile, FailureLeavesTheTargetAndNoTemporary) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "out.bin");
    EXPECT_FALSE(toolkit::replaceFile((folder / "out.bin").string(), "abc"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "out.bin"));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.bin"}));
}

}  // namespace
}  // namespace testing_support
