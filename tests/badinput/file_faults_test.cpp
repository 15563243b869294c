// The ways a file can fail on its way out or in, on every program they
// concern: a file-size limit, the longest names, FIFOs, sizes the other tools
// refuse, a full standard output, and outputs that are links, read-only or an
// input. Each ends in a clear failure, or in the output written as asked.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/badinput/writers.h"
#include "tests/support/song_file_bytes.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

namespace fs = std::filesystem;

const std::string kEarlier = "an earlier output";

// What a run said: its standard output and, when it went to a file, its errors.
std::string said(const RunResult& result, const TempFolder& logs) {
    std::string errors = fs::exists(logs / "errors") ? readText(logs / "errors") : std::string();
    return result.output + errors;
}

// songprep writes the output's two wave files beside it.
std::size_t wavesBesideOutput(const Writer& writer) { return writer.title == "songprep" ? 2 : 0; }

TEST(FileFaults, AWritePastTheFileSizeLimitFailsAndLeavesTheEarlierOutput) {
    SKIP_WITHOUT(fileSizeLimit);
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        SongFolder space;
        writer.prepare(space, "song", 64);
        space.write(writer.output("song"), kEarlier);
        FolderSnapshot before = space.snapshot();

        RunResult limited =
            space.run(writer.program, writer.arguments("song"), {.fileSizeLimit = 100});

        EXPECT_EQ(limited.signal, 0);
        EXPECT_EQ(limited.exitCode, writer.writeFailure);
        // songprep writes the output's wave files first: the first of them fails.
        std::string failed = wavesBesideOutput(writer) > 0 ? "song-prep-0.raw" : writer.output("song");
        EXPECT_NE((limited.output + limited.errors).find(" write " + failed), std::string::npos)
            << limited.output << limited.errors;
        EXPECT_EQ(changesSince(before, space), "");
    }
}

TEST(FileFaults, TheLongestNamesTheSystemTakesAreWritten) {
    SKIP_WITHOUT(longFileName);
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        // The longest of the names the program reads or writes is 255 bytes.
        std::size_t longestSuffix = std::max({writer.inputSuffix.size(),
                                              writer.outputSuffix.size(), std::size_t{6},
                                              wavesBesideOutput(writer) > 0
                                                  ? writer.outputSuffix.size() - 4 + 6
                                                  : 0});
        std::string base(255 - longestSuffix, 'b');
        SongFolder space;
        writer.prepare(space, base);
        space.write(writer.output(base), kEarlier);

        RunResult result = space.run(writer.program, writer.arguments(base));

        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_NE(readText(space.folder / writer.output(base)), kEarlier);
        EXPECT_EQ(space.folder.entries().size(),
                  (writer.needsWaves ? 4u : 2u) + wavesBesideOutput(writer));
    }
}

// A FIFO that nobody writes to is refused at once, in the words the program
// has for a file it cannot read (here: a folder in the input's place).
TEST(FileFaults, AFifoInTheInputsPlaceIsRefusedAsUnreadable) {
    SKIP_WITHOUT(namedPipe);
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        SongFolder withFolder;
        writer.prepare(withFolder, "song");
        fs::remove(withFolder.folder / writer.input("song"));
        withFolder.makeFolder(writer.input("song"));
        SongFolder withFifo;
        writer.prepare(withFifo, "song");
        fs::remove(withFifo.folder / writer.input("song"));
        makeNamedPipe(withFifo.folder / writer.input("song"));

        RunResult unreadable = withFolder.run(writer.program, writer.arguments("song"));
        RunResult fifo = withFifo.run(writer.program, writer.arguments("song"));

        EXPECT_NE(fifo.exitCode, 0);
        EXPECT_EQ(fifo.exitCode, unreadable.exitCode);
        EXPECT_EQ(fifo.output, unreadable.output);
        EXPECT_FALSE(fs::exists(withFifo.folder / writer.output("song")));
    }
}

// A wave file that is a FIFO is one that cannot be opened: songmake stops,
// songcheck says that songmake would, as for a missing one.
TEST(FileFaults, AWaveFileThatIsAFifoIsOneThatCannotBeOpened) {
    SKIP_WITHOUT(namedPipe);
    for (const Writer& writer : allWriters()) {
        if (!writer.needsWaves) continue;
        SCOPED_TRACE(writer.title);
        SongFolder missing;
        writer.prepare(missing, "song");
        fs::remove(missing.folder / "song-1.raw");
        SongFolder fifo;
        writer.prepare(fifo, "song");
        fs::remove(fifo.folder / "song-1.raw");
        makeNamedPipe(fifo.folder / "song-1.raw");

        RunResult withoutWave = missing.run(writer.program, writer.arguments("song"));
        RunResult fromFifo = fifo.run(writer.program, writer.arguments("song"));

        EXPECT_EQ(fromFifo.exitCode, withoutWave.exitCode);
        EXPECT_EQ(fromFifo.output, withoutWave.output);
        EXPECT_NE(fromFifo.output.find("song-1.raw"), std::string::npos) << fromFifo.output;
    }
}

// The example plus one envelope line timed at -1, the last tick there is,
// makes a song file of some 20 MB, which every reader refuses.
TEST(FileFaults, SongmakeDoesNotWriteASongFileTheOtherToolsRefuse) {
    SongFolder space;
    const fs::path demo = DEMO_FOLDER;
    for (const char* name : {"demo.mid", "demo-0.raw", "demo-1.raw"})
        fs::copy_file(demo / name, space.folder / name);
    space.write("demo.env", readText(demo / "demo.env") + "-1 0 Vol A 12 200 48 150\n");
    space.write("demo.sng", kEarlier);
    FolderSnapshot before = space.snapshot();

    RunResult result = space.run(SONGMAKE_PATH, {"demo.mid"});

    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(result.output.starts_with("Can't write demo.sng: at ")) << result.output;
    EXPECT_TRUE(
        result.output.ends_with(" bytes it would be over 16 MiB, too big for a song "
                                "file.\n"))
        << result.output;
    EXPECT_EQ(changesSince(before, space), "");
}

TEST(FileFaults, AFullStandardOutputIsAWriteFailure) {
    SKIP_WITHOUT(fullDevice);
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        SongFolder space;
        TempFolder logs;
        writer.prepare(space, "song");
        RunResult full =
            space.run(writer.program, writer.arguments("song"),
                      {.standardOutput = "/dev/full", .standardError = logs / "errors"});
        EXPECT_EQ(full.exitCode, writer.writeFailure);
        // songmake's and songasm's messages are fixed: the exit code alone tells.
        bool fixedMessages = writer.title == "songmake" || writer.title == "songasm";
        EXPECT_EQ(readText(logs / "errors"),
                  fixedMessages ? ""
                                : writer.title +
                                      ": can't write to standard output: No space left on "
                                      "device\n");
    }
    SongFolder space;
    TempFolder logs;
    allWriters().back().prepare(space, "song");
    RunResult wav = space.run(SONGPLAY_PATH, {"-o", "-", "song.sng"},
                              {.standardOutput = "/dev/full", .standardError = logs / "errors"});
    EXPECT_EQ(wav.exitCode, 1);
    EXPECT_EQ(readText(logs / "errors"),
              "songplay: can't write the WAV to standard output: No space left on device\n");
    // A WAV short enough to wait in the buffer fails only as it is flushed.
    space.write("short.sng", songFileBytes({0x00, 0x90, 0x67, 0x0C, 0x01, 0x10, 0x80, 0x00, 0xD0}));
    RunResult brief = space.run(SONGPLAY_PATH, {"--rate", "8000", "-o", "-", "short.sng"},
                                {.standardOutput = "/dev/full", .standardError = logs / "short"});
    EXPECT_EQ(brief.exitCode, 1);
    EXPECT_EQ(readText(logs / "short"),
              "songplay: can't write the WAV to standard output: No space left on device\n");
}

TEST(FileFaults, AReplacedOutputKeepsItsPermissionBits) {
    SKIP_WITHOUT(newFileMask);
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        SongFolder space;
        writer.prepare(space, "song");
        space.write(writer.output("song"), kEarlier);
        fs::permissions(space.folder / writer.output("song"),
                        fs::perms::owner_read | fs::perms::group_read);

        RunResult result = space.run(writer.program, writer.arguments("song"));

        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_NE(readText(space.folder / writer.output("song")), kEarlier);
        EXPECT_EQ(fs::status(space.folder / writer.output("song")).permissions(),
                  fs::perms::owner_read | fs::perms::group_read);
    }
}

TEST(FileFaults, AnOutputThatIsALinkStaysOneAndItsTargetIsReplaced) {
    SKIP_WITHOUT(symbolicLink);
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        SongFolder space;
        writer.prepare(space, "song");
        space.makeFolder("kept");
        space.write("kept/real", kEarlier);
        fs::create_symlink(fs::path("kept") / "real", space.folder / writer.output("song"));

        RunResult result = space.run(writer.program, writer.arguments("song"));

        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_TRUE(fs::is_symlink(space.folder / writer.output("song")));
        EXPECT_NE(readText(space.folder / "kept" / "real"), kEarlier);
        EXPECT_EQ(space.folder.entries().size(),
                  (writer.needsWaves ? 5u : 3u) + wavesBesideOutput(writer));
    }
}

// A hard link gives the input a second name, the output's, on every system.
TEST(FileFaults, AnOutputThatIsTheInputIsRefusedBeforeAnythingIsWritten) {
    for (const Writer& writer : allWriters()) {
        SCOPED_TRACE(writer.title);
        SongFolder space;
        TempFolder logs;
        writer.prepare(space, "song");
        fs::create_hard_link(space.folder / writer.input("song"),
                             space.folder / writer.output("song"));
        FolderSnapshot before = space.snapshot();

        RunResult result =
            space.run(writer.program, writer.arguments("song"), {.standardError = logs / "errors"});

        EXPECT_EQ(result.exitCode, writer.writeFailure);
        EXPECT_NE(said(result, logs)
                      .find("write " + writer.output("song") + ": it is the same file as " +
                            writer.input("song")),
                  std::string::npos)
            << said(result, logs);
        EXPECT_EQ(changesSince(before, space), "");
    }
    SongFolder space;
    allWriters().back().prepare(space, "song");
    FolderSnapshot before = space.snapshot();
    EXPECT_EQ(space.run(SONGPLAY_PATH, {"-o", "song.sng", "song.sng"}).exitCode, 1);
    EXPECT_EQ(changesSince(before, space), "");
}

}  // namespace
}  // namespace testing_support
