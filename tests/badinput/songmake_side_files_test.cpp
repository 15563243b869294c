// songmake with broken side files and with an output it cannot write: wave files
// missing, short or folders; envelope files with binary bytes, overlong lines,
// CRLF and oversized numbers; an output that is a folder, a folder that is not
// writable, a disk that fills, and on Windows a song file that is read-only or
// open in another program. A failing run leaves every file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/song_file_bytes.h"
#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

constexpr int kWriteError = 3;

Bytes oneNote() { return midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}); }

// `count` notes in a row on voice 0: a song of over 5 × count bytes.
Bytes scale(int count) {
    MidiTrack track;
    for (int i = 0; i < count; ++i)
        track.note(static_cast<std::uint32_t>(i) * 480, 0, 60 + i % 12, 100 - i % 2, 480);
    return midiFile(0, {track});
}

TEST(SongmakeBadSideFiles, AWaveFileThatIsMissingOrAFolderStopsTheRunByName) {
    struct Case {
        const char* problem;
        void (*arrange)(const SongFolder&);
        std::string message;
    };
    std::vector<Case> cases = {
        {"first missing",
         [](const SongFolder& s) { std::filesystem::remove(s.folder / "song-0.raw"); },
         "Can't open song-0.raw"},
        {"second missing",
         [](const SongFolder& s) { std::filesystem::remove(s.folder / "song-1.raw"); },
         "Can't open song-1.raw"},
        {"first a folder",
         [](const SongFolder& s) {
             std::filesystem::remove(s.folder / "song-0.raw");
             s.makeFolder("song-0.raw");
         },
         "Can't open song-0.raw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        SongFolder space;
        space.writeMidi(oneNote());
        space.write("song.sng", songFileBytes());
        c.arrange(space);
        FolderSnapshot before = space.snapshot();

        RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});

        EXPECT_EQ(result.exitCode, kWriteError);
        EXPECT_EQ(result.output, "Can't open song\n" + c.message + "\n");
        EXPECT_EQ(changesSince(before, space), "");
    }
}

TEST(SongmakeBadSideFiles, AShortWaveFileWarnsAndItsMissingSamplesAreZero) {
    SongFolder space;
    space.writeMidi(oneNote());
    space.write("song-0.raw", Bytes{0x00, 0x12, 0xFE, 0xFF, 0x7F});  // two samples and a half
    space.write("song-1.raw", Bytes{});

    RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "Can't open song\nWarn: short wave file song-0.raw.\n"
              "Warn: short wave file song-1.raw.\nsong.sng written.\n");
    Bytes song = readFile(space.folder / "song.sng");
    ASSERT_GE(song.size(), 132u);
    Bytes table1(song.begin() + 4, song.begin() + 68);
    Bytes storedTable2(song.begin() + 68, song.begin() + 132);
    Bytes expected1(64, 0x00);
    expected1[0] = 0x12;
    expected1[1] = 0xFF;
    EXPECT_EQ(table1, expected1);
    Bytes expected2(64, 0x00);  // 0 less table 1, modulo 256
    expected2[0] = 0xEE;
    expected2[1] = 0x01;
    EXPECT_EQ(storedTable2, expected2);
}

// One envelope line the converter reads, and its record at delta time 0.
const std::string kVolumeLine = "0 1 Vol A 10 20 30 40";
const Bytes kVolumeRecord = {0x00, 0xE1, 0x00, 0x0A, 0x14, 0x1E, 0x28};
const Bytes kNoteRecords = {0x00, 0x91, 0x67, 0x0C, 0x01, 0xC8, 0x81, 0x00, 0xD0};

Bytes streamWithEnvelopes(const std::string& text) {
    SongFolder space;
    space.writeMidi(oneNote());
    space.write("song.env", text);
    RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "song.sng written.\n");
    return space.stream();
}

TEST(SongmakeBadSideFiles, EnvelopeLinesEndingInCrLfReadLikeOthers) {
    EXPECT_EQ(streamWithEnvelopes(kVolumeLine + "\r\n"), kVolumeRecord + kNoteRecords);
}

TEST(SongmakeBadSideFiles, BinaryBytesAndOverlongLinesInTheEnvelopeFileAreSkipped) {
    std::string binary("\x00\xFF\xFE\x01 \x80\x7F\n", 8);
    std::string overlong(10000, '7');
    std::string nulInsideLine = "0 1 Vol A 10 20" + std::string(1, '\0') + " 30 40\n";
    std::string text = binary + overlong + "\n" + nulInsideLine + kVolumeLine + "\n" + binary;

    EXPECT_EQ(streamWithEnvelopes(text), kVolumeRecord + kNoteRecords);
}

TEST(SongmakeBadSideFiles, EnvelopeNumbersBeyond32BitsKeepTheirLowBits) {
    // Time 2^32 + 1 is tick 1; parameters keep their low 8 bits. A number too
    // long even for 64 bits reads as the largest that fits, whose low bits are 0xFF.
    Bytes stream = streamWithEnvelopes(
        "4294967297 4294967553 Vol A 4294967296 -4294967297 99999999999999999999999 5\n");
    Bytes envelopeAtTick1 = {0x00, 0xE1, 0x00, 0x00, 0xFF, 0xFF, 0x05};
    EXPECT_EQ(stream, (Bytes{0x00, 0x91, 0x67, 0x0C, 0x01} + envelopeAtTick1 +
                       Bytes{0xC7, 0x81, 0x00, 0xD0}));
}

TEST(SongmakeBadSideFiles, AnEnvelopeFileWithoutEndCountsAsMissing) {
    SKIP_WITHOUT(endlessFile);
    SongFolder space;
    space.writeMidi(oneNote());
    std::filesystem::create_symlink("/dev/zero", space.folder / "song.env");

    RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open song\nsong.sng written.\n");
    EXPECT_EQ(space.stream(), kNoteRecords);
}

// Runs songmake where the output cannot be written, and checks that the earlier
// song file and the folder are left as they were.
void expectWriteRefused(SongFolder& space, const RunOptions& options = {}) {
    FolderSnapshot before = space.snapshot();

    RunResult result = space.run(SONGMAKE_PATH, {"song.mid"}, options);

    EXPECT_EQ(result.exitCode, kWriteError);
    EXPECT_EQ(result.output, "Can't open song\nCan't write song.sng\n");
    EXPECT_EQ(changesSince(before, space), "");
}

TEST(SongmakeBadOutput, AFolderInPlaceOfTheSongFileIsLeftAlone) {
    SongFolder space;
    space.writeMidi(scale(100));
    space.makeFolder("song.sng");
    space.write("song.sng/keep", "inside");
    expectWriteRefused(space);
}

TEST(SongmakeBadOutput, ADiskThatFillsDuringTheWriteLeavesTheEarlierSongFileAndNoTemporary) {
    SKIP_WITHOUT(fileSizeLimit);
    SongFolder space;
    space.writeMidi(scale(100));  // a song of over 500 bytes
    space.write("song.sng", songFileBytes());
    expectWriteRefused(space, {.fileSizeLimit = 200});
}

TEST(SongmakeBadOutput, AFolderThatIsNotWritableIsReported) {
    SKIP_WITHOUT(unwritableFolder);
    SongFolder space;
    space.writeMidi(scale(100));
    space.write("song.sng", songFileBytes());
    std::filesystem::permissions(space.folder.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    expectWriteRefused(space);
}

TEST(SongmakeBadOutput, AReadOnlySongFileIsLeftAsItWas) {
    SKIP_WITHOUT(readOnlyFileRefused);
    SongFolder space;
    space.writeMidi(scale(100));
    space.write("song.sng", songFileBytes());
    namespace fs = std::filesystem;
    fs::permissions(space.folder / "song.sng",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);  // on Windows: the read-only attribute
    expectWriteRefused(space);
}

TEST(SongmakeBadOutput, ASongFileOpenInAnotherProgramIsLeftAsItWas) {
    SKIP_WITHOUT(openFileRefused);
    SongFolder space;
    space.writeMidi(scale(100));
    space.write("song.sng", songFileBytes());
    std::ifstream player(space.folder / "song.sng", std::ios::binary);  // a player reading it
    ASSERT_TRUE(player.is_open());
    expectWriteRefused(space);
}

}  // namespace
}  // namespace testing_support
