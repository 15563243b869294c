// songcheck's command line as the four newer tools share it: what goes to
// standard output, what to standard error after the program's name, and the
// exit code, for help, the version, --name=value, "--", each kind of bad value
// and files that cannot be read.
#include <gtest/gtest.h>

#include "tests/support/command_line_cases.h"

namespace testing_support {
namespace {

constexpr int kReaderError = 2;

std::string badValue(const std::string& option, const std::string& value,
                     const std::string& needs) {
    return usageError("songcheck", option + ": '" + value + "' is not " + needs);
}

TEST(SongcheckCommandLine, FollowsTheSharedConventions) {
    SongFolder song;
    Bytes midi = midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480)});
    song.writeMidi(midi);
    song.writeMidi(midi, "-h.mid");
    song.makeFolder("folder.mid");
    song.write("bad.mid", std::string("MThd"));
    const std::string report = "song.mid: format 0";
    const std::string ms = "a number of milliseconds above 0, such as 2.5";
    const std::string bytes = "a whole number of bytes above 0";
    std::vector<CommandLineCase> cases =
        sharedCommandLineCases("songcheck", "--strict", "--max-bytes");
    std::vector<CommandLineCase> own = {
        {{"song.mid"}, 0, report, ""},
        {{"--strict", "--unit-ms=2.5", "--max-bytes=65536", "song.mid"}, 0, report, ""},
        {{"--", "-h.mid"}, 0, "-h.mid: format 0", ""},
        {{"--unit-ms", "abc", "song.mid"}, 1, "", badValue("--unit-ms", "abc", ms)},
        {{"--unit-ms=0", "song.mid"}, 1, "", badValue("--unit-ms", "0", ms)},
        {{"--max-bytes", "1.5", "song.mid"}, 1, "", badValue("--max-bytes", "1.5", bytes)},
        {{"--max-bytes=0", "song.mid"}, 1, "", badValue("--max-bytes", "0", bytes)},
        // A number is the whole value, not a number at its start.
        {{"--unit-ms=2.5.", "song.mid"}, 1, "", badValue("--unit-ms", "2.5.", ms)},
        {{"--max-bytes=150.0.", "song.mid"}, 1, "", badValue("--max-bytes", "150.0.", bytes)},
        {{}, 1, "", usageError("songcheck", "no MIDI file given")},
        {{"abc"}, 1, "", usageError("songcheck", "expecting a .mid file, not abc")},
        {{"a.mid", "b.mid"},
         1,
         "",
         usageError("songcheck", "one MIDI file at a time, not a.mid and b.mid")},
        {{"missing.mid"},
         kReaderError,
         "",
         "songcheck: can't open missing.mid: No such file or directory\n"},
        {{"folder.mid"}, kReaderError, "", "songcheck: can't read folder.mid: Is a directory\n"},
        {{"bad.mid"}, kReaderError, "", "songcheck: MThd header runs past the end of the file\n"},
        {{"--", "--help"},
         kReaderError,
         "",
         "songcheck: can't open --help: No such file or directory\n"},
    };
    cases.insert(cases.end(), own.begin(), own.end());
    if (makeUnreadable(song, "locked.mid"))
        cases.push_back({{"locked.mid"},
                         kReaderError,
                         "",
                         "songcheck: can't open locked.mid: Permission denied\n"});
    expectCommandLines(song, SONGCHECK_PATH, cases);
}

}  // namespace
}  // namespace testing_support
