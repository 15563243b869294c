// The assembler text songasm renders from a song, edge by edge.
#include "songasm/assembly_source.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/songasm/song_bytes.h"

namespace testing_support {
namespace {

// The 27 preamble lines as the firmware expects them; the last has no newline.
const std::vector<std::string> kPreambleLines = {".global read_song_byte",
                                                 ".global read_song_word",
                                                 ".global wave_table1",
                                                 ".global wave_table2",
                                                 ".global song_data",
                                                 "",
                                                 ".text",
                                                 "",
                                                 "read_song_byte:",
                                                 "\tldi\tr30, lo8(song_data)",
                                                 "\tadd\tr30, r24",
                                                 "\tldi\tr31, hi8(song_data)",
                                                 "\tadc\tr31, r25",
                                                 "\tlpm\tr24, Z",
                                                 "\tret",
                                                 "",
                                                 "read_song_word:",
                                                 "\tldi\tr30, lo8(song_data)",
                                                 "\tadd\tr30, r24",
                                                 "\tldi\tr31, hi8(song_data)",
                                                 "\tadc\tr31, r25",
                                                 "\tlpm\tr24, Z+",
                                                 "\tlpm\tr25, Z",
                                                 "\tret",
                                                 "",
                                                 "song_data:",
                                                 "\t.byte "};

std::string expectedPreamble() {
    std::string text;
    for (std::size_t i = 0; i < kPreambleLines.size(); ++i) {
        if (i > 0) text += "\n";
        text += kPreambleLines[i];
    }
    return text;
}

constexpr std::size_t kPreambleBytes = 367;

// The stream's ".byte" lines as rendered: everything between the preamble and
// the ".data" section.
std::string renderedStream(const Bytes& stream) {
    std::string text = assemblySource(songWith(stream));
    std::size_t data = text.find("\n\n.data\n");
    if (text.size() < kPreambleBytes || data == std::string::npos) return "(malformed) " + text;
    return text.substr(kPreambleBytes, data - kPreambleBytes);
}

TEST(AssemblyPreamble, IsTheTwentySevenLinesTheFirmwareExpects) {
    ASSERT_EQ(kPreambleLines.size(), 27u);
    std::string text = assemblySource(songWith({0x00, 0xD0}));

    EXPECT_EQ(expectedPreamble().size(), kPreambleBytes);
    EXPECT_EQ(text.substr(0, kPreambleBytes), expectedPreamble());
}

TEST(AssemblyStream, OneByteClosesItsLineAtOnce) { EXPECT_EQ(renderedStream({0x2A}), "0x2a"); }

TEST(AssemblyStream, EndRecordSitsBelowSongData) {
    std::string text = assemblySource(songWith({0x00, 0xD0}));

    EXPECT_NE(text.find("song_data:\n\t.byte 0x00, 0xd0\n\n.data\n\nwave_table1:\n"),
              std::string::npos);
}

TEST(AssemblyStream, ValuesAreTwoLowerCaseHexDigits) {
    EXPECT_EQ(renderedStream({0xAB, 0x0F, 0xFF, 0x00}), "0xab, 0x0f, 0xff, 0x00");
}

TEST(AssemblyStream, EightBytesMakeOneLine) {
    EXPECT_EQ(renderedStream(countingStream(8)), "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07");
}

TEST(AssemblyStream, NinthByteStartsASecondLine) {
    EXPECT_EQ(renderedStream(countingStream(9)),
              "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07\n"
              "\t.byte 0x08");
}

TEST(AssemblyStream, SeventeenthByteStartsAThirdLine) {
    EXPECT_EQ(renderedStream(countingStream(17)),
              "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07\n"
              "\t.byte 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f\n"
              "\t.byte 0x10");
}

TEST(AssemblyStream, SixteenBytesMakeTwoFullLines) {
    EXPECT_EQ(renderedStream(countingStream(16)),
              "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07\n"
              "\t.byte 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f");
}

TEST(AssemblyTables, FollowTheStreamInTheDataSectionAndEndTheFile) {
    std::string text = assemblySource(songWith({0x00, 0xD0}));

    std::string expectedEnd = "0x00, 0xd0\n\n.data\n\nwave_table1:\n\t.byte " +
                              tableValues(countingTable1()) + "\n\nwave_table2:\n\t.byte " +
                              tableValues(countingTable2()) + "\n\n";
    ASSERT_GE(text.size(), expectedEnd.size());
    EXPECT_EQ(text.substr(text.size() - expectedEnd.size()), expectedEnd);
}

TEST(AssemblyTables, SecondTableIsWrittenAsStoredNotReconstructed) {
    SongContents song = songWith({0xD0});
    song.waveTable1.fill(0x10);
    song.storedWaveTable2.fill(0xF5);  // table 2 itself would be 0x05

    std::string text = assemblySource(song);

    EXPECT_NE(text.find("wave_table2:\n\t.byte 0xf5, 0xf5,"), std::string::npos);
    EXPECT_EQ(text.find("0x05"), std::string::npos);
}

TEST(AssemblyTables, FileEndsInTheLastValueAndTwoNewlines) {
    SongContents song = songWith({0xD0});
    song.storedWaveTable2.back() = 0x7E;

    std::string text = assemblySource(song);

    ASSERT_GE(text.size(), 6u);
    EXPECT_EQ(text.substr(text.size() - 6), "0x7e\n\n");
}

// The format as first described: every value is written with ", " after it,
// and a line or section change steps back over that ", " and writes over it.
class StepBackFile {
public:
    void write(const std::string& piece) {
        if (position_ + piece.size() > text_.size()) text_.resize(position_ + piece.size());
        text_.replace(position_, piece.size(), piece);
        position_ += piece.size();
    }
    void stepBack() { position_ -= 2; }
    void writeValue(std::uint8_t value) {
        char item[8];
        std::snprintf(item, sizeof item, "0x%02x, ", value);
        write(item);
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::size_t position_ = 0;
};

std::string stepBackRendering(const SongContents& song) {
    StepBackFile file;
    file.write(expectedPreamble());
    for (std::size_t i = 0; i < song.stream.size(); ++i) {
        file.writeValue(song.stream[i]);
        if (i % 8 == 7 && i + 1 != song.stream.size()) {
            file.stepBack();
            file.write("\n\t.byte ");
        }
    }
    file.stepBack();
    file.write("\n\n.data\n\nwave_table1:\n\t.byte ");
    for (std::uint8_t value : song.waveTable1) file.writeValue(value);
    file.stepBack();
    file.write("\n\nwave_table2:\n\t.byte ");
    for (std::uint8_t value : song.storedWaveTable2) file.writeValue(value);
    file.stepBack();
    file.write("\n\n");
    return file.text();
}

TEST(AssemblySource, MatchesTheStepBackDescriptionForEveryShortLength) {
    for (std::size_t length = 1; length <= 40; ++length) {
        Bytes stream(length);
        for (std::size_t i = 0; i < length; ++i)
            stream[i] = static_cast<std::uint8_t>(i * 37 + 200);
        SongContents song = songWith(stream);

        EXPECT_EQ(assemblySource(song), stepBackRendering(song)) << "stream of " << length;
    }
}

TEST(AssemblySource, MatchesTheStepBackDescriptionForALongStream) {
    SongContents song = songWith(countingStream(5000));

    EXPECT_EQ(assemblySource(song), stepBackRendering(song));
}

TEST(AssemblyFileName, ReplacesTheExtension) {
    EXPECT_EQ(assemblyFileName("song.sng"), "song.S");
    EXPECT_EQ(assemblyFileName("music/intro.sng"), "music/intro.S");
}

TEST(AssemblyFileName, DropsEverythingAfterTheFirstSng) {
    EXPECT_EQ(assemblyFileName("a.sng.old"), "a.S");
    EXPECT_EQ(assemblyFileName("a.sng.sng"), "a.S");
    EXPECT_EQ(assemblyFileName("x.sngle/y.sng"), "x.S");
}

TEST(AssemblyFileName, NeedsSngInLowerCase) {
    EXPECT_EQ(assemblyFileName("SONG.SNG"), std::nullopt);
    EXPECT_EQ(assemblyFileName("song.mid"), std::nullopt);
    EXPECT_EQ(assemblyFileName(""), std::nullopt);
}

}  // namespace
}  // namespace testing_support
