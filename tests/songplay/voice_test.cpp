// The rules of the voice model and the command line that the whole-program
// tests do not reach one by one.
#include "songplay/voice.h"

#include <gtest/gtest.h>

#include <vector>

#include "songplay/play_options.h"

namespace songplay {
namespace {

constexpr std::uint32_t kRamp = 72;

struct Rendered {
    std::vector<float> left = std::vector<float>(3000), right = std::vector<float>(3000);
};

VoiceTable flatTable(std::int8_t value) {
    VoiceTable table;
    table.fill(value);
    return table;
}

TEST(Voice, ANoteOnWhileSoundingReleasesFirstAndStartsOneRampLate) {
    VoiceTable table = flatTable(100);
    Voice voice(table);
    Rendered out;
    voice.start({stepOfWord(451, 48000), 1.0f, true, true}, kRamp);
    voice.render(out.left.data(), out.right.data(), 1000);
    voice.start({stepOfWord(451, 48000), 0.5f, true, false}, kRamp);
    voice.render(&out.left[1000], &out.right[1000], 2000);

    EXPECT_FLOAT_EQ(out.left[999], 100);
    EXPECT_GT(out.left[1000 + kRamp - 1], 0);  // the release of the first note
    EXPECT_EQ(out.left[1000 + kRamp], 0);      // where the second one starts
    EXPECT_FLOAT_EQ(out.left[1000 + 2 * kRamp], 50);
    EXPECT_EQ(out.right[1000 + 2 * kRamp], 0);  // its own pan
}

TEST(Voice, ANoteOnDuringAReleaseWaitsOnlyForTheRestOfIt) {
    VoiceTable table = flatTable(100);
    Voice voice(table);
    Rendered out;
    voice.start({stepOfWord(451, 48000), 1.0f, true, true}, kRamp);
    voice.render(out.left.data(), out.right.data(), 1000);
    voice.stop(kRamp);
    voice.render(&out.left[1000], &out.right[1000], 30);
    voice.start({stepOfWord(451, 48000), 1.0f, true, true}, kRamp);
    voice.render(&out.left[1030], &out.right[1030], 1000);

    EXPECT_EQ(out.left[1000 + kRamp], 0);
    EXPECT_GT(out.left[1000 + kRamp + 1], 0);
}

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "songplay");
    arguments.push_back("song.sng");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(PlayCommandLine, TakesEachOptionsValuesAndRefusesOthers) {
    CommandLine line = parse({"--tables", "2112", "--mute", "3,0", "--rate", "44100"});
    ASSERT_EQ(line.kind, CommandKind::kPlay);
    EXPECT_EQ(line.options.tableOfVoice, (std::array<int, 4>{2, 1, 1, 2}));
    EXPECT_EQ(line.options.muted, (std::array<bool, 4>{true, false, false, true}));
    EXPECT_EQ(wavName(line.options), "song.wav");
    EXPECT_EQ(parse({"--unit-ms", "1.25"}).options.unitMs, 1.25);

    for (std::vector<const char*> bad : {std::vector<const char*>{"--rate", "44100.5"},
                                         {"--rate", "7999"},
                                         {"--tables", "121"},
                                         {"--tables", "1113"},
                                         {"--mute", "4"},
                                         {"--mute", "1,"},
                                         {"--mute", "1,,2"},
                                         {"--unit-ms", "0"},
                                         {"--unit-ms", "-1"},
                                         {"-x"},
                                         {"other.sng"},
                                         {"-o"}})
        EXPECT_EQ(parse(bad).kind, CommandKind::kUsageError) << bad[0] << " " << bad.back();
}

}  // namespace
}  // namespace songplay
