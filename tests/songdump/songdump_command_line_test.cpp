// songdump's command line as the four newer tools share it: what goes to
// standard output, what to standard error after the program's name, and the
// exit code, for help, the version, --name=value, "--", each kind of bad value
// and files that cannot be read.
#include <gtest/gtest.h>

#include "tests/support/command_line_cases.h"
#include "tests/support/song_file_bytes.h"

namespace testing_support {
namespace {

TEST(SongdumpCommandLine, FollowsTheSharedConventions) {
    SongFolder song;
    song.write("song.sng", songFileBytes({0x00, 0x90, 0x67, 0x0C, 0x01, 0x10, 0x80, 0x00, 0xD0}));
    song.write("-h.sng", songFileBytes({0x00, 0xD0}));
    song.makeFolder("folder.sng");
    const std::string head = "song.sng: 9 stream bytes";
    std::vector<CommandLineCase> cases = sharedCommandLineCases("songdump", "--svg", "--unit-ms");
    std::vector<CommandLineCase> own = {
        {{"song.sng"}, 0, head + ", within the 65536 bytes a 16-bit offset reaches\noffset", ""},
        {{"--summary", "song.sng"},
         0,
         head + ", within the 65536 bytes a 16-bit offset reaches\n"
                "records: 3\n",
         ""},
        {{"--", "-h.sng"}, 0, "-h.sng: 2 stream bytes", ""},
        {{"--unit-ms=5", "--svg", "song.sng"}, 0, "song.svg written.\n", ""},
        {{"--svg", "--list", "song.sng", "--unit-ms", "5"}, 0, head, ""},
        {{"--unit-ms", "abc", "song.sng"},
         1,
         "",
         usageError("songdump",
                    "--unit-ms: 'abc' is not a number of milliseconds above 0, such as 2.5")},
        {{"--unit-ms=0", "song.sng"},
         1,
         "",
         usageError("songdump",
                    "--unit-ms: '0' is not a number of milliseconds above 0, such as 2.5")},
        {{"--unit-ms=1.2.3", "song.sng"},
         1,
         "",
         usageError("songdump",
                    "--unit-ms: '1.2.3' is not a number of milliseconds above 0, such as 2.5")},
        {{"--unit-ms=", "song.sng"},
         1,
         "",
         usageError("songdump",
                    "--unit-ms: '' is not a number of milliseconds above 0, such as 2.5")},
        {{}, 1, "", usageError("songdump", "no song file given")},
        {{"a.sng", "b.sng"},
         1,
         "",
         usageError("songdump", "one song file at a time, not a.sng and b.sng")},
        {{"missing.sng"}, 1, "", "songdump: can't open missing.sng: No such file or directory\n"},
        {{"folder.sng"}, 1, "", "songdump: can't read folder.sng: Is a directory\n"},
        {{"--", "--help"}, 1, "", "songdump: can't open --help: No such file or directory\n"},
    };
    cases.insert(cases.end(), own.begin(), own.end());
    if (makeUnreadable(song, "locked.sng"))
        cases.push_back(
            {{"locked.sng"}, 1, "", "songdump: can't open locked.sng: Permission denied\n"});
    expectCommandLines(song, SONGDUMP_PATH, cases);
}

}  // namespace
}  // namespace testing_support
