// The wave files songprep writes beside its output, so that the prepared song
// converts under its new name: where they come from, what is kept, and that
// they and the song are written together or not at all.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

const std::filesystem::path kDemoFolder = DEMO_FOLDER;

Bytes aSong() {
    return midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480).note(480, 0, 64, 90, 480)});
}

// The report's line on the wave files.
std::string waveLine(const RunResult& result) {
    std::size_t at = result.output.find("Wave files: ");
    if (at == std::string::npos) return "(no wave files line)";
    return result.output.substr(at, result.output.find('\n', at) - at);
}

// The README's workflow on a folder with nothing but a MIDI file: the song
// prepared under a new name passes songcheck --strict and converts.
TEST(SongprepWaveFiles, AFolderWithOnlyAMidiFileGetsTheExamplesTablesAndConverts) {
    SongFolder space;
    space.write("any.mid", aSong());

    RunResult prepared = space.run(SONGPREP_PATH, {"any.mid", "song.mid"});

    EXPECT_EQ(prepared.exitCode, 0);
    EXPECT_EQ(waveLine(prepared),
              "Wave files: song-0.raw and song-1.raw, the example song's (the default; --waves "
              "picks others)");
    EXPECT_TRUE(prepared.output.ends_with("\nsong.mid written.\n"));
    EXPECT_EQ(readFile(space.folder / "song-0.raw"), readFile(kDemoFolder / "demo-0.raw"));
    EXPECT_EQ(readFile(space.folder / "song-1.raw"), readFile(kDemoFolder / "demo-1.raw"));
    EXPECT_EQ(space.run(SONGCHECK_PATH, {"--strict", "song.mid"}).exitCode, 0);
    RunResult made = space.run(SONGMAKE_PATH, {"song.mid"});
    EXPECT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(space.header().size(), 132u);
}

TEST(SongprepWaveFiles, TheInputsOwnWaveFilesFollowItByteForByte) {
    SongFolder space;
    space.writeMidi(aSong(), "in.mid");

    RunResult prepared = space.run(SONGPREP_PATH, {"in.mid", "sub.mid"});

    EXPECT_EQ(waveLine(prepared),
              "Wave files: sub-0.raw and sub-1.raw copied from in-0.raw and in-1.raw");
    EXPECT_EQ(readFile(space.folder / "sub-0.raw"), readFile(space.folder / "in-0.raw"));
    EXPECT_EQ(readFile(space.folder / "sub-1.raw"), readFile(space.folder / "in-1.raw"));
}

TEST(SongprepWaveFiles, WavesPicksOthersAndAShortOneIsWarnedAbout) {
    SongFolder space;
    space.write("in.mid", aSong());
    space.write("organ.raw", Bytes(128, 0x11));
    space.write("click.raw", Bytes(10, 0x22));

    RunResult prepared =
        space.run(SONGPREP_PATH, {"--waves=organ.raw,click.raw", "in.mid", "out.mid"});

    EXPECT_EQ(prepared.exitCode, 0);
    EXPECT_EQ(prepared.errors,
              "songprep: warning: click.raw holds 10 of the 128 bytes of a wave table; songmake "
              "takes the rest as 0\n");
    EXPECT_EQ(waveLine(prepared),
              "Wave files: out-0.raw and out-1.raw copied from organ.raw and click.raw");
    EXPECT_EQ(readFile(space.folder / "out-1.raw"), Bytes(10, 0x22));

    // A chosen file that cannot be read stops everything before anything is written.
    FolderSnapshot before = space.snapshot();
    RunResult missing =
        space.run(SONGPREP_PATH, {"--force", "--waves", "organ.raw,none.raw", "in.mid", "out.mid"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.output, "");
    EXPECT_EQ(missing.errors, "songprep: can't open none.raw: No such file or directory\n");
    EXPECT_EQ(changesSince(before, space), "");
}

// A wave file of 1 MiB, far beyond any table, is still copied; one byte more
// is not a wave file, and nothing is written.
TEST(SongprepWaveFiles, AWaveFileOf1MiBIsTakenAndOneByteMoreIsNot) {
    SongFolder space;
    space.write("in.mid", aSong());
    space.write("organ.raw", Bytes(128, 0x11));
    space.write("big.raw", Bytes{});
    std::filesystem::resize_file(space.folder / "big.raw", 1 << 20);  // sparse
    RunResult taken = space.run(SONGPREP_PATH, {"--waves=big.raw,organ.raw", "in.mid", "out.mid"});
    EXPECT_EQ(taken.exitCode, 0) << taken.errors;
    EXPECT_EQ(std::filesystem::file_size(space.folder / "out-0.raw"), 1u << 20);

    std::filesystem::resize_file(space.folder / "big.raw", (1 << 20) + 1);
    std::filesystem::remove(space.folder / "out-0.raw");
    RunResult refused =
        space.run(SONGPREP_PATH, {"--force", "--waves=big.raw,organ.raw", "in.mid", "out.mid"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.errors.starts_with("songprep: big.raw is over")) << refused.errors;
    EXPECT_FALSE(std::filesystem::exists(space.folder / "out-0.raw"));
}

TEST(SongprepWaveFiles, FilesAlreadyThereAreKeptUnlessForced) {
    SongFolder space;
    space.write("in.mid", aSong());
    space.write("out-0.raw", Bytes(128, 0x33));

    RunResult once = space.run(SONGPREP_PATH, {"in.mid", "out.mid"});
    EXPECT_EQ(waveLine(once),
              "Wave files: out-0.raw kept as it was (--force replaces it); out-1.raw, the example "
              "song's (the default)");
    EXPECT_EQ(readFile(space.folder / "out-0.raw"), Bytes(128, 0x33));

    RunResult again = space.run(SONGPREP_PATH, {"in.mid", "out.mid"});
    EXPECT_EQ(waveLine(again),
              "Wave files: out-0.raw and out-1.raw kept as they were (--force replaces them)");

    RunResult forced = space.run(SONGPREP_PATH, {"--force", "in.mid", "out.mid"});
    EXPECT_EQ(waveLine(forced),
              "Wave files: out-0.raw and out-1.raw, the example song's (the default; --waves "
              "picks others)");
    EXPECT_EQ(readFile(space.folder / "out-0.raw"), readFile(kDemoFolder / "demo-0.raw"));
}

// A folder in the way of the second file: the first is put back as it was,
// and the song is not written.
TEST(SongprepWaveFiles, TheWaveFilesAndTheSongAreWrittenAllOrNothing) {
    SongFolder space;
    space.write("in.mid", aSong());
    space.write("out-0.raw", Bytes(128, 0x44));
    space.makeFolder("out-1.raw");
    space.write("out-1.raw/keep", "inside");
    FolderSnapshot before = space.snapshot();

    RunResult result = space.run(SONGPREP_PATH, {"--force", "in.mid", "out.mid"});

    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(result.errors.starts_with("songprep: can't write out-1.raw")) << result.errors;
    EXPECT_EQ(changesSince(before, space), "");

    // The song cannot be written: the wave files written before it go again.
    SongFolder blocked;
    blocked.write("in.mid", aSong());
    blocked.makeFolder("out.mid");
    blocked.write("out.mid/keep", "inside");
    FolderSnapshot empty = blocked.snapshot();
    EXPECT_EQ(blocked.run(SONGPREP_PATH, {"in.mid", "out.mid"}).exitCode, 3);
    EXPECT_EQ(changesSince(empty, blocked), "");
}

}  // namespace
}  // namespace testing_support
