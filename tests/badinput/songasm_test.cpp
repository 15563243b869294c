// songasm fed song files that are cut short, of the wrong kind or oversized: a
// file it cannot use is refused with exit code 1 and leaves an earlier
// assembler file as it was; a stream longer than the firmware reaches is still
// written whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/song_file_bytes.h"
#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

Bytes cut(const Bytes& bytes, std::size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + length);
}

TEST(SongasmBadInput, SongFilesCutShortOrOfAnotherKindAreNotValid) {
    Bytes song = songFileBytes({0x00, 0xD0});
    Bytes noise(500, 0xA5);
    std::vector<std::pair<const char*, Bytes>> files = {
        {"empty", {}},
        {"cut inside the magic", cut(song, 3)},
        {"cut inside the first table", cut(song, 40)},
        {"cut inside the second table", cut(song, 131)},
        {"the header without a stream", cut(song, 132)},
        {"bytes of another kind", noise},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        SongFolder space;
        space.write("song.sng", bytes);
        space.write("song.S", "earlier assembler source\n");
        FolderSnapshot before = space.snapshot();

        RunResult result = space.run(SONGASM_PATH, {"song.sng"});

        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, ".sng file not valid\n\n");
        EXPECT_EQ(changesSince(before, space), "");
    }
}

// songasm refuses a song file of over 16 MiB without reading it whole, and
// leaves the folder as it was.
void expectRefusedUnread(SongFolder& space) {
    space.write("song.S", "earlier assembler source\n");
    FolderSnapshot before = space.snapshot();

    RunResult result = space.run(SONGASM_PATH, {"song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "song.sng is over 16 MiB, too big for a song file\n\n");
    EXPECT_EQ(changesSince(before, space), "");
}

TEST(SongasmBadInput, AFileTooLargeForASongIsRefusedUnread) {
    SongFolder space;
    space.write("song.sng", songFileBytes({0x00, 0xD0}));
    std::filesystem::resize_file(space.folder / "song.sng", (16 << 20) + 1);  // sparse
    expectRefusedUnread(space);
}

TEST(SongasmBadInput, AnEndlessFileIsRefusedUnread) {
    SKIP_WITHOUT(endlessFile);
    SongFolder space;
    std::filesystem::create_symlink("/dev/zero", space.folder / "song.sng");
    expectRefusedUnread(space);
}

TEST(SongasmBadInput, AStreamBeyondTheFirmwaresReachIsStillWrittenWhole) {
    SongFolder space;
    Bytes stream;
    for (int i = 0; i < 40000; ++i)
        stream.insert(stream.end(), {0x00, 0x81});  // 80000 bytes of note-offs
    space.write("song.sng", songFileBytes(stream + Bytes{0x00, 0xD0}));

    RunResult result = space.run(SONGASM_PATH, {"song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "song.S written.\n");
    std::string source = readText(space.folder / "song.S");
    // 80002 stream bytes: 10000 full lines and one of two, then a line per table.
    std::size_t lines = 0;
    for (std::size_t at = source.find("\t.byte "); at != std::string::npos;
         at = source.find("\t.byte ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 10003u);
    EXPECT_NE(source.find("\n\t.byte 0x00, 0xd0\n\n.data\n"), std::string::npos);
    EXPECT_EQ(space.folder.entries(), (std::vector<std::string>{"song.S", "song.sng"}));
}

}  // namespace
}  // namespace testing_support
