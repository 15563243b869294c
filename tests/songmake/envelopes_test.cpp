// Envelope lines, parsed with
// "%d %d %8s %1s %d %d %d %d\n" and its scanf semantics, read in pieces of at
// most 254 characters.
#include "songmake/envelopes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/songmake/event_helpers.h"
#include "tests/support/program_runner.h"

namespace testing_support {
namespace {

std::string parsed(const std::string& line) {
    std::unique_ptr<EvEnvelope> event = parseEnvelopeLine(line.c_str());
    if (!event) return "skipped";
    return describe(*event) + " ch" + std::to_string(event->channel);
}

TEST(EnvelopeLine, VolumeModeAKeepsAllFourParameters) {
    std::unique_ptr<EvEnvelope> event = parseEnvelopeLine("0 1 Vol A 10 20 30 40\n");
    ASSERT_TRUE(event);
    EXPECT_EQ(event->type, 14);
    EXPECT_EQ(event->time, 0u);
    EXPECT_EQ(event->channel, 1);
    EXPECT_EQ(event->mode, 0);
    EXPECT_EQ(record(*event), (ByteStream{0x00, 0xE1, 0x00, 0x0A, 0x14, 0x1E, 0x28}));
}

TEST(EnvelopeLine, OtherKindModeHKeepsTheLastParameter) {
    std::unique_ptr<EvEnvelope> event = parseEnvelopeLine("96 0 wave H 0 0 0 5\n");
    ASSERT_TRUE(event);
    EXPECT_EQ(parsed("96 0 wave H 0 0 0 5\n"), "envelope 15 mode 2 0,0,0,5 @96 ch0");
    EXPECT_EQ(record(*event), (ByteStream{0x60, 0xF0, 0x02, 0x05}));
}

TEST(EnvelopeLine, ModeDAndOtherModes) {
    EXPECT_EQ(parsed("5 2 x D 1 2 3 4\n"), "envelope 15 mode 1 1,2,3,4 @5 ch2");
    EXPECT_EQ(parsed("5 2 x Q 1 2 3 4\n"), "envelope 15 mode 81 1,2,3,4 @5 ch2");
    EXPECT_EQ(parsed("5 2 x 7 1 2 3 4\n"), "envelope 15 mode 55 1,2,3,4 @5 ch2");
}

TEST(EnvelopeLine, ModeLettersAreCaseSensitive) {
    EXPECT_EQ(parsed("0 0 V a 1 2 3 4\n"), "envelope 14 mode 97 1,2,3,4 @0 ch0");
    EXPECT_EQ(parsed("0 0 V d 1 2 3 4\n"), "envelope 14 mode 100 1,2,3,4 @0 ch0");
    EXPECT_EQ(parsed("0 0 V h 1 2 3 4\n"), "envelope 14 mode 104 1,2,3,4 @0 ch0");
}

TEST(EnvelopeLine, KindIsVolumeExactlyWhenItStartsWithV) {
    EXPECT_EQ(parsed("0 0 vib A 1 2 3 4\n"), "envelope 14 mode 0 1,2,3,4 @0 ch0");
    EXPECT_EQ(parsed("0 0 V A 1 2 3 4\n"), "envelope 14 mode 0 1,2,3,4 @0 ch0");
    EXPECT_EQ(parsed("0 0 aV A 1 2 3 4\n"), "envelope 15 mode 0 1,2,3,4 @0 ch0");
    EXPECT_EQ(parsed("0 0 12345678 A 1 2 3 4\n"), "envelope 15 mode 0 1,2,3,4 @0 ch0");
}

TEST(EnvelopeLine, CommentsEmptyLinesAndShortLinesAreSkipped) {
    EXPECT_EQ(parsed("#comment\n"), "skipped");
    EXPECT_EQ(parsed("#0 1 Vol A 10 20 30 40\n"), "skipped");
    EXPECT_EQ(parsed("\n"), "skipped");
    EXPECT_EQ(parsed(""), "skipped");
    EXPECT_EQ(parsed("   \n"), "skipped");
    EXPECT_EQ(parsed("0 1 Vol A 10 20 30\n"), "skipped");
    EXPECT_EQ(parsed("0 1 Vol A 10 20 30 x\n"), "skipped");
    EXPECT_EQ(parsed("x 1 Vol A 10 20 30 40\n"), "skipped");
}

TEST(EnvelopeLine, ParametersKeepTheirLowEightBits) {
    EXPECT_EQ(parsed("0 1 Vol A 300 -1 256 255\n"), "envelope 14 mode 0 44,255,0,255 @0 ch1");
}

TEST(EnvelopeLine, ChannelKeepsItsLowEightBitsAndTimeItsUnsignedValue) {
    EXPECT_EQ(parsed("-1 257 Vol A 1 2 3 4\n"), "envelope 14 mode 0 1,2,3,4 @4294967295 ch1");
    EXPECT_EQ(parsed("7 -1 Vol A 1 2 3 4\n"), "envelope 14 mode 0 1,2,3,4 @7 ch255");
}

TEST(EnvelopeLine, NumbersBeyond32BitsKeepTheirLow32Bits) {
    // Read as a long, keep the low 32 bits, as %d does on this platform.
    EXPECT_EQ(parsed("4294967297 0 V A 1 2 3 4\n"), "envelope 14 mode 0 1,2,3,4 @1 ch0");
    EXPECT_EQ(parsed("-4294967295 0 V A 1 2 3 4\n"), "envelope 14 mode 0 1,2,3,4 @1 ch0");
    EXPECT_EQ(parsed("8589934594 4294967299 V A 4294967296 1 2 3\n"),
              "envelope 14 mode 0 0,1,2,3 @2 ch3");
}

TEST(EnvelopeLine, MoreThanEightFieldsAreFine) {
    EXPECT_EQ(parsed("0 1 Vol A 1 2 3 4 5 6 and words\n"), "envelope 14 mode 0 1,2,3,4 @0 ch1");
    EXPECT_EQ(parsed("0 1 Vol A 1 2 3 4x\n"), "envelope 14 mode 0 1,2,3,4 @0 ch1");
}

TEST(EnvelopeLine, CarriageReturnIsWhiteSpace) {
    EXPECT_EQ(parsed("0 1 Vol A 1 2 3 4\r\n"), "envelope 14 mode 0 1,2,3,4 @0 ch1");
}

TEST(EnvelopeLine, AnyWhiteSpaceSeparatesAndLeadsAndTrails) {
    EXPECT_EQ(parsed("  0\t1  Vol\tA 1 2\t3 4"), "envelope 14 mode 0 1,2,3,4 @0 ch1");
    EXPECT_EQ(parsed("+5 1 Vol A 1 2 3 4\n"), "envelope 14 mode 0 1,2,3,4 @5 ch1");
}

TEST(EnvelopeLine, ModeWrittenAsAWordFailsToParse) {
    EXPECT_EQ(parsed("0 1 Vol Attack 10 20 30 40\n"), "skipped");
}

TEST(EnvelopeLine, KindOfNineCharactersShiftsTheFields) {
    // %8s takes "Volumeee", %1s takes "e" as the mode, and "A" is no number.
    EXPECT_EQ(parsed("0 1 Volumeeee A 1 2 3 4\n"), "skipped");
    // Here the ninth character becomes the mode and the fields after it the parameters.
    EXPECT_EQ(parsed("0 1 VVVVVVVVV 5 6 7 8 9\n"), "envelope 14 mode 86 5,6,7,8 @0 ch1");
}

// --- readEnvelopes -----------------------------------------------------------------

class ReadEnvelopes : public ::testing::Test {
protected:
    std::string base() const { return (folder / "song").string(); }
    void writeEnvelopes(const std::string& text) const { writeFile(folder / "song.env", text); }
    // "" when the file was read, "missing" when there was none to read.
    std::string read(EventList& list) const { return readEnvelopes(base(), list) ? "" : "missing"; }

    TempFolder folder;
};

TEST_F(ReadEnvelopes, AMissingFileOrAFolderAddsNothing) {
    EventList list = eventList(noteOff(1, 1));
    EXPECT_EQ(read(list), "missing");
    std::filesystem::create_directory(folder / "song.env");
    EXPECT_EQ(read(list), "missing");
    EXPECT_EQ(describe(list), (Lines{"note-off 1 @1"}));
}

TEST_F(ReadEnvelopes, AppendsValidLinesInFileOrderSilently) {
    writeEnvelopes(
        "# time voice kind mode p0 p1 p2 p3\n"
        "\n"
        "96 0 wave H 0 0 0 5\n"
        "0 1 Vol A 10 20 30 40\n"
        "0 1 Vol A 10 20 30\n"
        "12 3 v D 1 2 3 4\r\n"
        "13 2 w X 0 0 0 0");  // no newline at the end
    EventList list = eventList(noteOff(1, 1));
    EXPECT_EQ(read(list), "");
    EXPECT_EQ(describe(list),
              (Lines{"note-off 1 @1", "envelope 15 mode 2 0,0,0,5 @96",
                     "envelope 14 mode 0 10,20,30,40 @0", "envelope 14 mode 1 1,2,3,4 @12",
                     "envelope 15 mode 88 0,0,0,0 @13"}));
    EXPECT_EQ(channels(list), (std::vector<int>{0, 0, 1, 3, 2}));
}

TEST_F(ReadEnvelopes, AnEmptyFileAddsNothing) {
    writeEnvelopes("");
    EventList list;
    EXPECT_EQ(read(list), "");
    EXPECT_TRUE(list.empty());
}

TEST_F(ReadEnvelopes, ALongLineIsReadInPiecesOf254Characters) {
    // A comment of exactly 254 characters: the rest of its line is read as a line of its own.
    std::string comment = "#" + std::string(253, 'x');
    // A valid line padded to 254 characters, then a second valid line on the same text line.
    std::string padded = "1 0 V A 1 2 3 4";
    padded += std::string(254 - padded.size(), ' ');
    writeEnvelopes(comment + "10 2 Vol A 1 2 3 4\n" + padded + "20 3 Vol H 5 6 7 8\n");
    EventList list;
    read(list);
    EXPECT_EQ(describe(list),
              (Lines{"envelope 14 mode 0 1,2,3,4 @10", "envelope 14 mode 0 1,2,3,4 @1",
                     "envelope 14 mode 2 5,6,7,8 @20"}));
}

TEST_F(ReadEnvelopes, ALineOf254CharactersLeavesOnlyItsNewline) {
    std::string line = "1 0 V A 1 2 3 4";
    line += std::string(254 - line.size(), ' ');
    std::string shorter = "2 0 V A 1 2 3 4";
    shorter += std::string(253 - shorter.size(), ' ');
    writeEnvelopes(line + "\n" + shorter + "\n" + "3 0 V A 1 2 3 4\n");
    EventList list;
    read(list);
    EXPECT_EQ(describe(list),
              (Lines{"envelope 14 mode 0 1,2,3,4 @1", "envelope 14 mode 0 1,2,3,4 @2",
                     "envelope 14 mode 0 1,2,3,4 @3"}));
}

TEST_F(ReadEnvelopes, PiecesKnowTheirLineAndTextInMemoryReadsTheSame) {
    std::string text = std::string("#").append(300, 'x') + "\n\n1 0 V A 1 2 3 4\n" +
                       std::string(254, ' ') + "2 1 V H 0 0 0 9";
    writeEnvelopes(text);
    std::vector<std::string> pieces;
    readEnvelopePieces((folder / "song.env").string(), [&](const EnvelopePiece& piece) {
        std::string described = std::to_string(piece.lineNumber);
        described += piece.continued ? "+:" : ":";
        described += std::to_string(piece.text.size());
        pieces.push_back(described);
    });
    EXPECT_EQ(pieces,
              (std::vector<std::string>{"1:254", "1+:48", "2:1", "3:16", "4:254", "4+:15"}));
    EventList fromFile, fromText;
    read(fromFile);
    readEnvelopeText(text, fromText);
    EXPECT_EQ(describe(fromFile), describe(fromText));
    EXPECT_EQ(describe(fromText),
              (Lines{"envelope 14 mode 0 1,2,3,4 @1", "envelope 14 mode 2 0,0,0,9 @2"}));
}

TEST(EnvelopeFields, SayWhichFieldStoppedTheLineAndWhy) {
    auto fields = [](const char* line) {
        EnvelopeFields read;
        EXPECT_TRUE(readEnvelopeFields(line, read));
        std::string described = std::to_string(read.fieldsRead);
        described += read.ranOut ? " ran out" : "";
        described += read.kindRunsOn ? " long kind" : "";
        described += read.modeRunsOn ? " long mode" : "";
        return described;
    };
    EXPECT_EQ(fields("0 1 Vol A 10 20 30\n"), "7 ran out");
    EXPECT_EQ(fields("0 1 Vol A 10 x 30 40\n"), "5");
    EXPECT_EQ(fields("0 1 Vol Attack 10 20 30 40\n"), "4 long mode");
    EXPECT_EQ(fields("0 1 Volumeeee A 1 2 3 4\n"), "4 long kind");
    EXPECT_EQ(fields("- 1 Vol A 1 2 3 4\n"), "0");
    EnvelopeFields big;
    readEnvelopeFields("99999999999999999999 -99999999999999999999 V A 1 2 3 4", big);
    EXPECT_EQ(big.time, INT64_MAX);  // scanf's numbers saturate at the 64-bit limits
    EXPECT_EQ(big.channel, INT64_MIN);
}

}  // namespace
}  // namespace testing_support
