// The promise songprep makes: whatever MIDI file goes in, songcheck --strict
// finds nothing of the MIDI part lost in what comes out (with --chords keep,
// nothing but the overlapping notes the user chose to keep), and songmake
// converts it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "bench/hostile_songs.h"
#include "tests/songprep/random_song.h"
#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

constexpr int kRandomSongs = 300;

// Findings that --chords keep leaves: notes of a voice that overlap, and what
// follows from them (an overlapping note's note-off silences the voice, so a
// bend meant for the next note finds it silent).
const char* const kOverlapFindings[] = {
    "chords: notes that start together",
    "notes cut short by another note's note-off",
    "notes cut short by a later note of their voice",
    "notes that never sound",
    "pitch events written at a note's own tick",
};

// The titles of the losses songcheck reports.
std::vector<std::string> losses(const std::string& report) {
    std::vector<std::string> titles;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("loss ")) titles.push_back(line.substr(13));
    return titles;
}

bool isOverlapFinding(const std::string& title) {
    for (const char* overlap : kOverlapFindings)
        if (title.starts_with(overlap)) return true;
    return false;
}

class Promise : public ::testing::Test {
protected:
    Promise() {
        song.writeWaves("out");
        song.writeEnvelopes("", "out");
    }

    // Prepares `midi` with `options`; returns songcheck's report of the output,
    // after checking that songmake converts it.
    std::string prepareAndCheck(const Bytes& midi, std::vector<std::string> options) {
        song.write("in.mid", midi);
        options.insert(options.end(), {"in.mid", "out.mid"});
        RunResult prepared = song.run(SONGPREP_PATH, options);
        EXPECT_EQ(prepared.exitCode, 0) << prepared.output;
        // No note starts later than written, beyond a player unit.
        EXPECT_NE(prepared.output.find("\nNotes that start over a player unit late: 0 ("),
                  std::string::npos)
            << prepared.output;
        RunResult made = song.run(SONGMAKE_PATH, {"out.mid"});
        EXPECT_EQ(made.exitCode, 0) << made.output;
        return song.run(SONGCHECK_PATH, {"--strict", "out.mid"}).output;
    }

    void expectNothingLost(const Bytes& midi, const std::vector<std::string>& options) {
        std::string report = prepareAndCheck(midi, options);
        EXPECT_EQ(losses(report), std::vector<std::string>()) << report;
    }

    void expectOnlyOverlaps(const Bytes& midi, std::vector<std::string> options) {
        options.insert(options.begin(), {"--chords", "keep"});
        std::string report = prepareAndCheck(midi, options);
        for (const std::string& title : losses(report))
            EXPECT_TRUE(isOverlapFinding(title)) << report;
    }

    // Whatever songprep does with `midi` and `options`, the promise holds: it
    // writes a file that songmake converts and in which songcheck --strict
    // (with the same --max-bytes) finds nothing lost but what the options let
    // go, or it writes nothing at all and says why.
    void expectPromiseKept(const Bytes& midi, const std::vector<std::string>& options) {
        song.write("in.mid", midi);
        std::filesystem::remove(song.folder / "out.mid");
        std::vector<std::string> arguments = options;
        arguments.insert(arguments.end(), {"in.mid", "out.mid"});
        RunResult prepared = song.run(SONGPREP_PATH, arguments);
        if (prepared.exitCode != 0) {
            EXPECT_TRUE(prepared.exitCode == 1 || prepared.exitCode == 4) << prepared.errors;
            EXPECT_FALSE(std::filesystem::exists(song.folder / "out.mid"));
            EXPECT_TRUE(prepared.errors.starts_with("songprep: ")) << prepared.errors;
            return;
        }
        RunResult made = song.run(SONGMAKE_PATH, {"out.mid"});
        EXPECT_EQ(made.exitCode, 0) << made.output;
        std::vector<std::string> check = {"--strict", "out.mid"};
        bool keep = false, beyondOffsets = false;
        for (std::size_t i = 0; i + 1 < options.size(); ++i) {
            keep |= options[i] == "--chords" && options[i + 1] == "keep";
            if (options[i] != "--max-bytes") continue;
            beyondOffsets = options[i + 1] == "0" || std::stoul(options[i + 1]) > 65536;
            if (options[i + 1] != "0") check = {"--strict", "--max-bytes", options[i + 1], "out.mid"};
        }
        std::string report = song.run(SONGCHECK_PATH, check).output;
        for (const std::string& title : losses(report)) {
            bool allowed = (keep && isOverlapFinding(title)) ||
                           (beyondOffsets && title.ends_with("over the 65536 a 16-bit offset reaches"));
            EXPECT_TRUE(allowed) << report;
        }
    }

    SongFolder song;
};

// Options drawn for each song, so that every one meets many kinds of file.
std::vector<std::string> optionsFor(std::uint32_t seed) {
    static const char* const kUnits[] = {"2.5", "2.5", "1", "5", "0", "0.7"};
    std::vector<std::string> options = {"--unit-ms", kUnits[seed % std::size(kUnits)]};
    if (seed % 7 == 3) options.push_back("--no-bend");
    if (seed % 5 == 1) options.insert(options.end(), {"--chords", "bottom"});
    if (seed % 11 == 4) options.insert(options.end(), {"--voices", "10,1,-,3"});
    return options;
}

TEST_F(Promise, RandomSongsLoseNothing) {
    for (std::uint32_t seed = 1; seed <= kRandomSongs; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        expectNothingLost(randomSong(seed), optionsFor(seed));
        if (HasFailure()) return;
    }
}

TEST_F(Promise, RandomSongsKeepingChordsLoseOnlyTheirOverlaps) {
    for (std::uint32_t seed = 1; seed <= kRandomSongs; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<std::string> options = optionsFor(seed);
        if (options.size() > 2 && options[2] == "--chords")
            options.erase(options.begin() + 2, options.begin() + 4);
        expectOnlyOverlaps(randomSong(seed), options);
        if (HasFailure()) return;
    }
}

TEST_F(Promise, TheExampleSongLosesNothing) {
    Bytes demo = readFile(std::string(DEMO_FOLDER) + "/demo.mid");
    expectNothingLost(demo, {});
    expectOnlyOverlaps(demo, {});
}

// The shapes that once made songprep slow or greedy (bench/hostile_songs.h),
// small, with option sets that reach each of its rules.
TEST_F(Promise, HostileSongsKeepThePromiseWithEveryOptionSet) {
    const std::vector<std::vector<std::string>> optionSets = {
        {},
        {"--arpeggio", "5"},
        {"--voices", "auto"},
        {"--voices", "1,2,-,10", "--chords", "bottom"},
        {"--voices", "auto", "--chords", "keep"},
        {"--max-bytes", "300"},
        {"--max-bytes", "0"},
        {"--melody", "1", "--bass", "2", "--drums", "3"},
        {"--drums", "off", "--max-bytes", "100000"},
        {"--unit-ms", "0"},
        {"--unit-ms", "0.7", "--no-bend"},
    };
    std::vector<std::pair<std::string, Bytes>> songs;
    for (bench::HostileShape shape : bench::kHostileShapes) {
        bench::HostileSong hostile = bench::makeHostileSong(shape, 60);
        songs.push_back({hostile.name, hostile.midi});
    }
    songs.push_back({"long gaps", bench::longGapsSong()});
    for (const auto& [name, midi] : songs)
        for (const std::vector<std::string>& options : optionSets) {
            std::string shown;
            for (const std::string& word : options) shown += " " + word;
            SCOPED_TRACE(name + shown);
            expectPromiseKept(midi, options);
            if (HasFailure()) return;
        }
}

}  // namespace
}  // namespace testing_support
