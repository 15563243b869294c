// songprep fed MIDI files that are missing, damaged or of the wrong kind, and
// asked to write where it cannot: the reader's reason and exit code 2, or
// exit code 3 with the earlier output left as it was and no temporary file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/badinput/bad_midi_files.h"
#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

constexpr int kReaderError = 2;
constexpr int kWriteError = 3;

const Bytes kEarlierOutput = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};

RunResult prepare(const SongFolder& space, const RunOptions& options = {}) {
    return space.run(SONGPREP_PATH, {"in.mid", "out.mid"}, options);
}

TEST(SongprepBadMidi, DamagedFilesAreRefusedWithTheReadersReasonAndNothingIsWritten) {
    for (const Refusal& refusal : midiRefusals()) {
        SCOPED_TRACE(refusal.damage);
        SongFolder space;
        space.write("in.mid", refusal.midi);
        space.write("out.mid", kEarlierOutput);
        FolderSnapshot before = space.snapshot();

        RunResult result = prepare(space);

        EXPECT_EQ(result.exitCode, kReaderError);
        EXPECT_EQ(result.errors, "songprep: " + refusal.message + "\n");
        EXPECT_EQ(changesSince(before, space), "");
    }
}

TEST(SongprepBadMidi, FilesThatCannotBeReadWholeAreReportedByName) {
    SongFolder space;
    EXPECT_EQ(prepare(space).errors, "songprep: can't open in.mid: No such file or directory\n");
    space.makeFolder("in.mid");
    EXPECT_EQ(prepare(space).errors, "songprep: can't read in.mid: Is a directory\n");
    EXPECT_EQ(space.folder.entries(), std::vector<std::string>{"in.mid"});
}

TEST(SongprepBadMidi, AnEndlessFileIsRefusedUnread) {
    SKIP_WITHOUT(endlessFile);
    SongFolder space;
    std::filesystem::create_symlink("/dev/zero", space.folder / "in.mid");
    RunResult endless = prepare(space);
    EXPECT_EQ(endless.exitCode, kReaderError);
    EXPECT_EQ(endless.errors, "songprep: in.mid is over 64 MiB, too big for a MIDI file\n");
    EXPECT_EQ(space.folder.entries(), std::vector<std::string>{"in.mid"});
}

// The reader's limit is 64 MiB: a file of exactly that is read (a chunk of no
// use to the song fills it), one byte more is refused.
TEST(SongprepBadMidi, AFileOf64MiBIsReadAndOneByteMoreIsNot) {
    constexpr std::uint32_t kLimit = 64u << 20;
    SongFolder space;
    Bytes midi = midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480)});
    std::uint32_t filler = kLimit - static_cast<std::uint32_t>(midi.size()) - 8;
    space.write("in.mid", midi + chunkWithLength("XFIL", filler, {}));
    std::filesystem::resize_file(space.folder / "in.mid", kLimit);  // sparse
    RunResult read = prepare(space);
    EXPECT_EQ(read.exitCode, 0) << read.errors;

    std::filesystem::resize_file(space.folder / "in.mid", kLimit + 1);
    RunResult refused = prepare(space);
    EXPECT_EQ(refused.exitCode, kReaderError);
    EXPECT_EQ(refused.errors, "songprep: in.mid is over 64 MiB, too big for a MIDI file\n");
}

// A hundred notes: an output of some 800 bytes.
Bytes scale() {
    MidiTrack track;
    for (std::uint32_t i = 0; i < 100; ++i) track.note(i * 480, 0, 60 + i % 12, 100, 480);
    return midiFile(0, {track});
}

// The whole file, then the report only once it is in place.
void expectWriteRefused(SongFolder& space, const RunOptions& options = {}) {
    space.write("in.mid", scale());
    FolderSnapshot before = space.snapshot();

    RunResult result = prepare(space, options);

    EXPECT_EQ(result.exitCode, kWriteError);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(result.errors.starts_with("songprep: can't write out.mid")) << result.errors;
    EXPECT_EQ(changesSince(before, space), "");
}

TEST(SongprepBadOutput, AFolderInPlaceOfTheOutputIsLeftAlone) {
    SongFolder space;
    space.makeFolder("out.mid");
    space.write("out.mid/keep", "inside");
    expectWriteRefused(space);
}

TEST(SongprepBadOutput, ADiskThatFillsDuringTheWriteLeavesTheEarlierOutputAndNoTemporary) {
    SKIP_WITHOUT(fileSizeLimit);
    SongFolder space;
    space.write("out.mid", kEarlierOutput);
    // Room enough for what memcheck writes of its own when the tests run under it.
    expectWriteRefused(space, {.fileSizeLimit = 200});
}

TEST(SongprepBadOutput, AMissingFolderIsReported) {
    SongFolder space;
    space.write("in.mid", midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}));
    RunResult result = space.run(SONGPREP_PATH, {"in.mid", "no/out.mid"});
    EXPECT_EQ(result.exitCode, kWriteError);
    // The wave files beside it are written first, so that the song never goes without them.
    EXPECT_EQ(result.errors, "songprep: can't write no/out-0.raw: No such file or directory\n");
}

}  // namespace
}  // namespace testing_support
