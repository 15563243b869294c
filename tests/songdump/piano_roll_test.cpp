// How records become bars, steps and marks of the piano roll, and how the
// picture draws and escapes them.
#include "songdump/piano_roll.h"

#include <gtest/gtest.h>

#include "songdump/svg_roll.h"
#include "tests/songdump/dump_output.h"

namespace songdump {
namespace {

using testing_support::Bytes;
using testing_support::occurrences;
using testing_support::operator+;

PianoRoll rollOf(const Bytes& stream) {
    songformat::StreamDecoder decoder(stream);
    PianoRoll roll;
    for (Record record; decoder.next(record);) roll.add(record);
    return roll;
}

// Frequency words of C4 and E4, and their bytes as a record holds them.
constexpr std::uint16_t kC4 = 268, kE4 = 338;
#define C4 0x0C, 0x01
#define E4 0x52, 0x01

TEST(PianoRoll, SlideSplitsANoteIntoTwoBarsJoinedByAStep) {
    PianoRoll roll = rollOf({0x00, 0x90, 0x67, C4, 100, 0x20, E4, 100, 0x80, 0x00, 0xD0});

    ASSERT_EQ(roll.bars().size(), 2u);
    EXPECT_EQ(roll.bars()[0].start, 0u);
    EXPECT_EQ(roll.bars()[0].end, 100u);
    EXPECT_EQ(roll.bars()[0].word, kC4);
    EXPECT_EQ(roll.bars()[0].velocity, 100);  // the pan bits are not velocity
    EXPECT_EQ(roll.bars()[1].start, 100u);
    EXPECT_EQ(roll.bars()[1].end, 200u);
    EXPECT_TRUE(roll.bars()[1].afterStep);
    ASSERT_EQ(roll.steps().size(), 1u);
    EXPECT_EQ(roll.steps()[0].fromWord, kC4);
    EXPECT_EQ(roll.steps()[0].toWord, kE4);
    EXPECT_TRUE(roll.marks().empty());
}

TEST(PianoRoll, APitchChangeAtTheNoteOnsTimeLeavesOneBar) {
    PianoRoll roll = rollOf({50, 0x90, 0x67, C4, 0x00, 0x20, E4, 100, 0x80, 0x00, 0xD0});

    ASSERT_EQ(roll.bars().size(), 1u);
    EXPECT_EQ(roll.bars()[0].start, 50u);
    EXPECT_EQ(roll.bars()[0].end, 150u);
    EXPECT_EQ(roll.bars()[0].word, kE4);
}

TEST(PianoRoll, NewNotesAndTheEndCloseWhatSounds) {
    // Voice 1 plays C4 then E4 without a note-off between; voice 3 holds C4 to the end.
    PianoRoll roll = rollOf({0x00, 0x91, 0x67, C4, 0x00, 0x93, 0x67, C4, 50, 0xA1, E4, 30, 0xD0});

    ASSERT_EQ(roll.bars().size(), 3u);
    EXPECT_EQ(roll.bars()[0].voice, 1);
    EXPECT_EQ(roll.bars()[0].end, 50u);
    EXPECT_EQ(roll.bars()[1].voice, 1);
    EXPECT_EQ(roll.bars()[1].word, kE4);
    EXPECT_EQ(roll.bars()[1].velocity, 100);  // the voice's last velocity
    EXPECT_EQ(roll.bars()[2].voice, 3);
    EXPECT_EQ(roll.bars()[2].end, 80u);
    EXPECT_EQ(roll.length(), 80u);
}

TEST(PianoRoll, SettingsAndSilentPitchChangesAreMarksNotBars) {
    PianoRoll roll = rollOf({0x00, 0x10, 0x80, 0x00, 0x22, C4, 0x00, 0xE2, 0x02, 0x05, 0x00, 0xD0});

    EXPECT_TRUE(roll.bars().empty());
    EXPECT_TRUE(roll.steps().empty());
    ASSERT_EQ(roll.marks().size(), 3u);
    EXPECT_EQ(roll.marks()[0].label, "controller 1, value 128 (MIDI 64)");
    EXPECT_EQ(roll.marks()[1].voice, 2);
    EXPECT_EQ(roll.marks()[2].label, "envelope, kind V, mode H, param 5");
}

TEST(PianoRoll, NothingAfterTheEndIsDrawn) {
    PianoRoll roll = rollOf({0x00, 0xD0, 0x00, 0x90, 0x67, C4, 0x10, 0x80});

    EXPECT_TRUE(roll.bars().empty());
    EXPECT_FALSE(roll.voiceUsed(0));
}

TEST(SvgRoll, ASongEndingOnAGridStepGetsItsLastLineAndLabelOnce) {
    // 200 units of 2.5 ms: a grid line every 0.05 s, the last at x = 48 + 200 / 4.
    std::string svg =
        renderPianoRoll(rollOf({0x00, 0x90, 0x67, C4, 200, 0x80, 0x00, 0xD0}), "s.sng", 2.5);

    EXPECT_EQ(occurrences(svg, "stroke=\"#ddd\""), 11);
    EXPECT_EQ(occurrences(svg, "<line x1=\"98.0\" y1=\"36.0\""), 1);
    EXPECT_EQ(occurrences(svg, "text-anchor=\"middle\">0.50</text>"), 1);
    EXPECT_EQ(occurrences(svg, ">s.sng: 0.50 s, 200 player units of 2.5 ms</text>"), 1);
    EXPECT_TRUE(svg.ends_with(">seconds</text>\n</svg>\n"));
}

// A short song's picture is still as wide as its legend, with the time axis's
// unit after it: the legend's last label (at some 6.2 pixels a character of
// its 11-pixel font) ends before "seconds" begins.
TEST(SvgRoll, AShortSongsLegendEndsBeforeTheAxisUnit) {
    // C4 on the four voices for 200 units.
    Bytes starts, ends;
    for (std::uint8_t voice = 0; voice < 4; ++voice) {
        starts = starts + Bytes{0x00, static_cast<std::uint8_t>(0x90 + voice), 0x67, C4};
        ends = ends + Bytes{static_cast<std::uint8_t>(voice == 0 ? 200 : 0),
                            static_cast<std::uint8_t>(0x80 + voice)};
    }
    std::string svg = renderPianoRoll(rollOf(starts + ends + Bytes{0x00, 0xD0}), "s.sng", 2.5);

    double width = std::stod(svg.substr(svg.find(" width=\"") + 8));
    std::size_t unit = svg.rfind("<text x=\"");
    std::size_t label = svg.rfind("<text x=\"", unit - 1);
    double labelStart = std::stod(svg.substr(label + 9));
    std::size_t textStart = svg.find('>', label) + 1;
    std::string text = svg.substr(textStart, svg.find("</text>", textStart) - textStart);
    std::size_t characters = text.size() - 5 * occurrences(text, "&apos;");  // one each
    ASSERT_NE(svg.find(">seconds</text>", unit), std::string::npos);
    EXPECT_LE(labelStart + 6.2 * static_cast<double>(characters), width - 16 - 6.2 * 7)
        << svg.substr(label);
}

// As songcheck's picture does: past 100000 the roll would show nothing more.
TEST(SvgRoll, ALayerStopsAtTheCapAndTheTitleSaysSo) {
    Bytes stream{0x00};
    for (std::size_t note = 0; note <= pianoroll::kMostBarsPerLayer; ++note)
        stream.insert(stream.end(), {0x90, 0x67, C4, 0x01, 0x80, 0x00});
    stream.push_back(0xD0);

    std::string svg = renderPianoRoll(rollOf(stream), "long.sng", 2.5);

    EXPECT_EQ(occurrences(svg, "class=\"note\""), static_cast<int>(pianoroll::kMostBarsPerLayer));
    EXPECT_EQ(occurrences(svg,
                          ">long.sng: 250.00 s, 100001 player units of 2.5 ms, the first "
                          "100000 of each layer</text>"),
              1);
}

TEST(SvgRoll, EscapingLeavesNoMarkupAndNoControlCharacters) {
    EXPECT_EQ(pianoroll::escapeXml("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    // Neither control characters nor bytes outside ASCII are allowed as they stand.
    EXPECT_EQ(pianoroll::escapeXml(std::string("\x00\x01\t\n\x1f \x7f~\x80\xff", 10)), "????? ?~??");
}

}  // namespace
}  // namespace songdump
