// Every writing program interrupted in the middle of writing its output leaves
// its folder exactly as it was: no temporary, an earlier output unchanged, and
// the end a signal gives (128 plus its number, to a shell).
#include <gtest/gtest.h>

#include <csignal>

#include "tests/badinput/writers.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

const std::string kEarlier = "an earlier output";

// Long enough that every output is written in many pieces or one large one.
constexpr int kLongSong = 4000;

TEST(Interrupted, EveryWriterLeavesTheFolderAsItWas) {
    SKIP_WITHOUT(interruptSignal);
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        SongFolder space;
        writer.prepare(space, "song", kLongSong);
        space.write(writer.output("song"), kEarlier);
        FolderSnapshot before = space.snapshot();

        RunResult result =
            runInterrupted(writer.program, writer.arguments("song"), space.folder.path(), SIGTERM);

        EXPECT_EQ(result.signal, SIGTERM) << "exit code " << result.exitCode;
        EXPECT_EQ(changesSince(before, space), "");
    }
}

TEST(Interrupted, SongplayEndsAsEachInterruptionEndsIt) {
    SKIP_WITHOUT(interruptSignal);
    const Writer& songplay = allWriters().back();
    SongFolder space;
    songplay.prepare(space, "song", kLongSong);
    FolderSnapshot before = space.snapshot();
#ifdef SIGHUP
    const int kSignals[] = {SIGINT, SIGHUP};
#else
    const int kSignals[] = {SIGINT};  // a system without SIGHUP skips this test anyway
#endif
    for (int signal : kSignals) {
        RunResult result = runInterrupted(SONGPLAY_PATH, {"song.sng"}, space.folder.path(), signal);
        EXPECT_EQ(result.signal, signal);
        EXPECT_EQ(changesSince(before, space), "");
    }
    // To standard output the WAV is simply cut, and no file appears.
    RunResult piped =
        runInterrupted(SONGPLAY_PATH, {"-o", "-", "song.sng"}, space.folder.path(), SIGINT, 65536);
    EXPECT_EQ(piped.signal, SIGINT);
    EXPECT_TRUE(piped.output.starts_with("RIFF"));
    EXPECT_GE(piped.output.size(), 65536u);
    EXPECT_EQ(changesSince(before, space), "");
}

}  // namespace
}  // namespace testing_support
