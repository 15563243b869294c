// songcheck fed side files that are not what they should be, and a picture
// that cannot be written: a report all the same, or its own message and exit
// code with the earlier picture left as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

Bytes aSong() { return midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480)}); }

TEST(SongcheckBadInput, SideFilesThatCannotBeReadAreReportedNotFatal) {
    SongFolder space;
    space.writeMidi(aSong());
    std::filesystem::remove(space.folder / "song-0.raw");
    space.makeFolder("song-0.raw");  // a folder never reads as samples
    space.makeFolder("song.env");

    RunResult result = space.run(SONGCHECK_PATH, {"--strict", "song.mid"});

    EXPECT_EQ(result.exitCode, 4);
    EXPECT_NE(result.output.find("loss      1  wave file song-0.raw cannot be read: songmake "
                                 "stops there\n"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("info      1  no envelope file song.env"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(space.folder / "song.sng"));
}

TEST(SongcheckBadInput, AnEnvelopeFileWithoutEndCountsAsMissing) {
    SKIP_WITHOUT(endlessFile);
    SongFolder space;
    space.writeMidi(aSong());
    std::filesystem::create_symlink("/dev/zero", space.folder / "song.env");
    RunResult result = space.run(SONGCHECK_PATH, {"song.mid"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("info      1  no envelope file song.env"), std::string::npos);
}

TEST(SongcheckBadInput, APictureThatCannotBeWrittenLeavesWhatWasThere) {
    SongFolder space;
    space.writeMidi(aSong());
    space.makeFolder("song.check.svg");
    space.write("song.check.svg/keep", std::string("old"));
    FolderSnapshot before = space.snapshot();

    RunResult result = space.run(SONGCHECK_PATH, {"--svg", "song.mid"});

    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(result.errors.starts_with("songcheck: can't write song.check.svg"))
        << result.errors;
    EXPECT_EQ(changesSince(before, space), "");
}

}  // namespace
}  // namespace testing_support
