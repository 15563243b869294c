// songprep's command line as the four newer tools share it: what goes to
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
    return usageError("songprep", option + ": '" + value + "' is not " + needs);
}

TEST(SongprepCommandLine, FollowsTheSharedConventions) {
    SongFolder song;
    Bytes midi = midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480)});
    song.write("in.mid", midi);
    song.write("-h.mid", midi);
    song.makeFolder("folder.mid");
    const std::string report = "in.mid: format 0";
    const std::string voices =
        "auto or up to four channels 1 to 16 or '-', none twice, such as 2,3,-,10";
    const std::string ms = "0 or a number of milliseconds from 0.04 to 1200, such as 2.5";
    const std::string steps = "a number of milliseconds from 5 to 1000";
    std::vector<CommandLineCase> cases =
        sharedCommandLineCases("songprep", "--no-bend", "--chords");
    std::vector<CommandLineCase> own = {
        {{"in.mid", "out.mid"}, 0, report, ""},
        {{"--voices=1,-", "--chords=keep", "--unit-ms=0", "--force", "in.mid", "out.mid"},
         0,
         report,
         ""},
        {{"--", "-h.mid", "out.mid"}, 0, "-h.mid: format 0", ""},
        {{"--voices", "1,2,3,4,5", "in.mid", "out.mid"},
         1,
         "",
         badValue("--voices", "1,2,3,4,5", voices)},
        {{"--voices=1,1", "in.mid", "out.mid"}, 1, "", badValue("--voices", "1,1", voices)},
        {{"--chords", "middle", "in.mid", "out.mid"},
         1,
         "",
         badValue("--chords", "middle", "top, bottom or keep")},
        {{"--unit-ms=abc", "in.mid", "out.mid"}, 1, "", badValue("--unit-ms", "abc", ms)},
        {{"--unit-ms", "2000", "in.mid", "out.mid"}, 1, "", badValue("--unit-ms", "2000", ms)},
        // A number is the whole value, not a number at its start.
        {{"--unit-ms=2.5.", "in.mid", "out.mid"}, 1, "", badValue("--unit-ms", "2.5.", ms)},
        // The drums' own voice is one of the four.
        {{"--drums=3", "in.mid", "out.mid"}, 0, report, ""},
        {{"--drums=4", "in.mid", "out.mid"},
         1,
         "",
         badValue("--drums", "4", "a voice from 0 to 3, or off")},
        // An arpeggio's step from 5 ms to a second.
        {{"--arpeggio=5", "in.mid", "out.mid"}, 0, report, ""},
        {{"--arpeggio=1000", "in.mid", "out.mid"}, 0, report, ""},
        {{"--arpeggio=4.9", "in.mid", "out.mid"}, 1, "", badValue("--arpeggio", "4.9", steps)},
        {{"--arpeggio=1000.1", "in.mid", "out.mid"},
         1,
         "",
         badValue("--arpeggio", "1000.1", steps)},
        {{"--arpeggio=50.5.", "in.mid", "out.mid"}, 1, "", badValue("--arpeggio", "50.5.", steps)},
        {{"--max-bytes=150.0.", "in.mid", "out.mid"},
         1,
         "",
         badValue("--max-bytes", "150.0.", "a whole number of bytes, or 0 for no limit")},
        {{"--waves", "a.raw", "in.mid", "out.mid"},
         1,
         "",
         badValue("--waves", "a.raw", "two file names, such as a.raw,b.raw")},
        {{}, 1, "", usageError("songprep", "no MIDI files given: in.mid and out.mid")},
        {{"in.mid"}, 1, "", usageError("songprep", "no output file given after in.mid")},
        {{"in.mid", "o"}, 1, "", usageError("songprep", "expecting a .mid file to write, not o")},
        {{"in.mid", "a.mid", "b.mid"},
         1,
         "",
         usageError("songprep", "two MIDI files, in.mid and out.mid, not three")},
        {{"missing.mid", "out.mid"},
         kReaderError,
         "",
         "songprep: can't open missing.mid: No such file or directory\n"},
        {{"folder.mid", "out.mid"},
         kReaderError,
         "",
         "songprep: can't read folder.mid: Is a directory\n"},
        {{"--", "--help", "out.mid"},
         kReaderError,
         "",
         "songprep: can't open --help: No such file or directory\n"},
    };
    cases.insert(cases.end(), own.begin(), own.end());
    if (makeUnreadable(song, "locked.mid"))
        cases.push_back({{"locked.mid", "out.mid"},
                         kReaderError,
                         "",
                         "songprep: can't open locked.mid: Permission denied\n"});
    expectCommandLines(song, SONGPREP_PATH, cases);
}

}  // namespace
}  // namespace testing_support
