// What the tools' command lines share: the player unit and its default, numbers
// given as option values, the version line, and the habits people expect of a
// command-line tool. Reports and the files' own output go to standard output;
// usage errors, errors and warnings go to standard error, each after the
// program's name ("songcheck: can't open x.mid: No such file or directory").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace toolkit {

// The player unit every tool assumes unless told otherwise: a MIDI file of 480
// ticks per quarter note then plays at its written tempo.
inline constexpr double kDefaultUnitMs = 2.5;

// A decimal number such as "2.5" or "48000", the whole text and nothing else,
// finite and not negative. Returns false for anything else.
bool parseOptionNumber(std::string_view text, double& value);

// "NAME 1.0.0", the line every tool's --version prints.
void printVersion(const char* program);

// What a tool's command line asks for.
enum class OptionsVerdict { run, help, version, usageError };

// Reads a command line word by word, as the tool asks for each option:
// "--name value" and "--name=value" alike, "--" ending the options, "-" a name.
// --help (or -h) and --version anywhere before "--" win over everything else,
// the first of them given. Only the first problem found is kept.
class ArgumentReader {
public:
    ArgumentReader(int argc, const char* const* argv);

    // Moves to the next word; false once every word is read, the command line
    // asks for help or the version, or a problem was found.
    bool next();

    // The word is a name: "-", a word not starting with '-', or any word after "--".
    bool isName() const { return isName_; }
    std::string_view name() const { return word_; }

    // The word is the flag `option`, such as "--svg". A value given with '='
    // is a problem.
    bool flag(std::string_view option);
    // The word is `option`, such as "--unit-ms", its value after '=' or in the
    // next word. True also when the value is missing: the problem is then kept.
    bool option(std::string_view option, std::string_view& value);

    // Keeps `problem` (one line, without the program's name) unless an earlier
    // one was found.
    void fail(std::string problem);
    // "OPTION: 'VALUE' is not NEEDS", NEEDS saying what the value must be.
    void failValue(std::string_view option, std::string_view value, std::string_view needs);
    // For a word that none of the tool's options matched.
    void failUnknown();

    OptionsVerdict verdict() const;
    const std::string& problem() const { return problem_; }

private:
    int count_;
    const char* const* words_;
    int at_ = 0;
    bool namesOnly_ = false;
    OptionsVerdict asked_ = OptionsVerdict::run;
    std::string_view word_;   // the option's name, without any "=value"
    std::string_view given_;  // what followed '=' in the word
    bool hasGiven_ = false;
    bool isName_ = false;
    std::string problem_;
};

// Answers --help and --version on standard output (exit code 0), and a usage
// error on standard error: the problem, then a line pointing to --help (exit
// code 1). Nothing when the tool is to run.
std::optional<int> answerOptions(const ArgumentReader& reader, const char* program,
                                 const char* usage);

// Says on standard error what is wrong with the command line, then where to
// read how it goes; returns the exit code for a usage error, 1.
int answerUsageError(const char* program, std::string_view problem);

// Writes "PROGRAM: TEXT" and a newline on standard error: errors, warnings.
void tellError(const char* program, std::string_view text);

// Why `name` cannot be read, as "can't open NAME: REASON" with the system's
// reason; empty when it opens, and for a device or a pipe, which is not
// opened here. A folder is said to be one on every system.
std::string unopenableReason(const std::string& name);

// "can't WHAT NAME: REASON", with the system's words for `error` (an errno
// value); without the reason for 0.
std::string fileProblem(std::string_view what, const std::string& name, int error);

}  // namespace toolkit
