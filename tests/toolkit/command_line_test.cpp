// How the tools' shared reader splits a command line: the rules a user relies
// on without reading them, each pinned where it is easy to get wrong.
#include "toolkit/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using toolkit::ArgumentReader;
using toolkit::OptionsVerdict;
using toolkit::parseOptionNumber;

// What a reader made of `words` for a tool with the flag --svg and the option
// --unit-ms: "svg", "unit-ms=VALUE" and "name=NAME" in order, then the problem.
std::vector<std::string> readWords(std::vector<const char*> words,
                                   OptionsVerdict* verdict = nullptr) {
    words.insert(words.begin(), "tool");
    ArgumentReader arguments(static_cast<int>(words.size()), words.data());
    std::vector<std::string> seen;
    while (arguments.next()) {
        std::string_view value;
        if (arguments.isName())
            seen.push_back("name=" + std::string(arguments.name()));
        else if (arguments.flag("--svg"))
            seen.push_back("svg");
        else if (arguments.option("--unit-ms", value))
            seen.push_back("unit-ms=" + std::string(value));
        else
            arguments.failUnknown();
    }
    if (!arguments.problem().empty()) seen.push_back("problem: " + arguments.problem());
    if (verdict != nullptr) *verdict = arguments.verdict();
    return seen;
}

using Seen = std::vector<std::string>;

TEST(ArgumentReader, AValueFollowsAsTheNextWordOrAfterAnEqualsSign) {
    EXPECT_EQ(readWords({"--unit-ms", "3", "a"}), (Seen{"unit-ms=3", "name=a"}));
    EXPECT_EQ(readWords({"--unit-ms=3", "a"}), (Seen{"unit-ms=3", "name=a"}));
    // The next word is the value whatever it looks like, as it is for any such tool.
    EXPECT_EQ(readWords({"--unit-ms", "-1"}), (Seen{"unit-ms=-1"}));
    EXPECT_EQ(readWords({"--unit-ms=", "a"}), (Seen{"unit-ms=", "name=a"}));
    EXPECT_EQ(readWords({"--unit-ms=a=b"}), (Seen{"unit-ms=a=b"}));
    EXPECT_EQ(readWords({"a", "--unit-ms"}),
              (Seen{"name=a", "unit-ms=", "problem: --unit-ms needs a value"}));
}

TEST(ArgumentReader, DoubleDashEndsTheOptionsAndADashAloneIsAName) {
    EXPECT_EQ(readWords({"--", "--svg", "-x", "--"}), (Seen{"name=--svg", "name=-x", "name=--"}));
    EXPECT_EQ(readWords({"-", "--svg"}), (Seen{"name=-", "svg"}));
    OptionsVerdict verdict;
    EXPECT_EQ(readWords({"--", "--help"}, &verdict), (Seen{"name=--help"}));
    EXPECT_EQ(verdict, OptionsVerdict::run);
}

TEST(ArgumentReader, HelpAndVersionWinAndTheFirstOfThemCounts) {
    OptionsVerdict verdict;
    EXPECT_EQ(readWords({"--bogus", "-h"}, &verdict), Seen{});
    EXPECT_EQ(verdict, OptionsVerdict::help);
    readWords({"--version", "--help"}, &verdict);
    EXPECT_EQ(verdict, OptionsVerdict::version);
    readWords({"--unit-ms=x", "--help"}, &verdict);
    EXPECT_EQ(verdict, OptionsVerdict::help);
}

// A tool that passes over a word without reading it: a value given to it is
// still a problem, not a value silently dropped.
TEST(ArgumentReader, AValueNoOptionTookIsAProblem) {
    std::vector<const char*> words = {"tool", "--quiet=yes", "a"};
    ArgumentReader arguments(static_cast<int>(words.size()), words.data());
    while (arguments.next()) {
    }
    EXPECT_EQ(arguments.problem(), "--quiet takes no value");
}

TEST(ArgumentReader, OnlyTheFirstProblemIsKeptAndReadingStopsThere) {
    OptionsVerdict verdict;
    EXPECT_EQ(readWords({"--svg=1", "--bogus", "a"}, &verdict),
              (Seen{"svg", "problem: --svg takes no value"}));
    EXPECT_EQ(verdict, OptionsVerdict::usageError);
    EXPECT_EQ(readWords({"--bogus=1", "--svg"}), (Seen{"problem: unknown option --bogus=1"}));
    EXPECT_EQ(readWords({"-x"}), (Seen{"problem: unknown option -x"}));
}

// A number given as a value is the whole word: a number at its start is not
// enough, and neither is anything but digits and one decimal point.
TEST(OptionNumber, TheWholeValueIsTheNumber) {
    double value = -1;
    EXPECT_TRUE(parseOptionNumber("2.5", value));
    EXPECT_EQ(value, 2.5);
    EXPECT_TRUE(parseOptionNumber("48000", value));
    EXPECT_EQ(value, 48000);
    EXPECT_TRUE(parseOptionNumber("0", value));
    EXPECT_EQ(value, 0);
    for (const char* word :
         {"1.2.3", "2.5.", "2.5x", "", ".", "-1", "+1", "1e3", "inf", " 2", "2,5"})
        EXPECT_FALSE(parseOptionNumber(word, value)) << word;
}

}  // namespace
