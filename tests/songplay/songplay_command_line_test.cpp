// songplay's command line as the four newer tools share it: what goes to
// standard output, what to standard error after the program's name, and the
// exit code, for help, the version, --name=value, "--", each kind of bad value
// and files that cannot be read.
#include <gtest/gtest.h>

#include "tests/support/command_line_cases.h"
#include "tests/support/song_file_bytes.h"

namespace testing_support {
namespace {

std::string badValue(const std::string& option, const std::string& value,
                     const std::string& needs) {
    return usageError("songplay", option + ": '" + value + "' is not " + needs);
}

TEST(SongplayCommandLine, FollowsTheSharedConventions) {
    SongFolder song;
    Bytes file = songFileBytes({0x00, 0x90, 0x67, 0x0C, 0x01, 0x10, 0x80, 0x00, 0xD0});
    song.write("song.sng", file);
    song.write("-h.sng", file);
    song.makeFolder("folder.sng");
    const std::string rate = "a whole number of hertz from 8000 to 192000";
    const std::string tables = "four digits 1 or 2, one per voice, such as 1121";
    const std::string mute = "voice numbers 0 to 3 separated by commas, such as 2,3";
    std::vector<CommandLineCase> cases = sharedCommandLineCases("songplay", "", "--rate");
    std::vector<CommandLineCase> own = {
        {{"song.sng"}, 0, "song.wav written: 0.0 seconds, 1 note.\n", ""},
        {{"--rate=8000", "--tables=2111", "--mute=1,2", "-o", "x.wav", "song.sng"},
         0,
         "x.wav written: ",
         ""},
        {{"--", "-h.sng"}, 0, "-h.wav written: ", ""},
        {{"--rate", "fast", "song.sng"}, 1, "", badValue("--rate", "fast", rate)},
        {{"--rate=7999", "song.sng"}, 1, "", badValue("--rate", "7999", rate)},
        // A number is the whole value, not a number at its start.
        {{"--rate=44100.0.", "song.sng"}, 1, "", badValue("--rate", "44100.0.", rate)},
        {{"--unit-ms=1.2.3", "song.sng"},
         1,
         "",
         badValue("--unit-ms", "1.2.3", "a number of milliseconds above 0, such as 2.5")},
        {{"--unit-ms=0", "song.sng"},
         1,
         "",
         badValue("--unit-ms", "0", "a number of milliseconds above 0, such as 2.5")},
        {{"--tables", "1113", "song.sng"}, 1, "", badValue("--tables", "1113", tables)},
        {{"--mute", "4", "song.sng"}, 1, "", badValue("--mute", "4", mute)},
        {{"-o", "", "song.sng"}, 1, "", badValue("-o", "", "a file name")},
        {{}, 1, "", usageError("songplay", "no song file given")},
        {{"a.sng", "b.sng"},
         1,
         "",
         usageError("songplay", "one song file at a time, not a.sng and b.sng")},
        {{"missing.sng"}, 1, "", "songplay: can't open missing.sng: No such file or directory\n"},
        {{"folder.sng"}, 1, "", "songplay: can't read folder.sng: Is a directory\n"},
        {{"--", "--help"}, 1, "", "songplay: can't open --help: No such file or directory\n"},
    };
    cases.insert(cases.end(), own.begin(), own.end());
    if (makeUnreadable(song, "locked.sng"))
        cases.push_back(
            {{"locked.sng"}, 1, "", "songplay: can't open locked.sng: Permission denied\n"});
    expectCommandLines(song, SONGPLAY_PATH, cases);

    // With the WAV on standard output, its report goes to standard error.
    RunResult piped = song.run(SONGPLAY_PATH, {"-o", "-", "song.sng"});
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_TRUE(piped.output.starts_with("RIFF"));
    EXPECT_EQ(piped.errors, "WAV written to standard output: 0.0 seconds, 1 note.\n");
}

}  // namespace
}  // namespace testing_support
