// songasm as a user runs it: a song file in, assembler source and messages out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "songasm/assembly_source.h"
#include "tests/songasm/song_bytes.h"
#include "tests/support/program_runner.h"
#include "tests/support/song_file_bytes.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

RunResult runSongasm(const TempFolder& folder, const std::vector<std::string>& arguments) {
    return runProgram(SONGASM_PATH, arguments, folder.path());
}

using Names = std::vector<std::string>;

TEST(SongasmArguments, WithoutArgumentPrintsUsage) {
    TempFolder folder;

    RunResult result = runSongasm(folder, {});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Usage:\n songasm sng_file\n\n");
    EXPECT_TRUE(folder.entries().empty());
}

TEST(SongasmArguments, NameWithoutSngIsRefused) {
    TempFolder folder;
    writeFile(folder / "song.bin", songFileBytes());

    RunResult result = runSongasm(folder, {"song.bin"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Input file should end in .sng\n\n");
    EXPECT_EQ(folder.entries(), Names{"song.bin"});
}

TEST(SongasmArguments, SngIsLookedForInLowerCaseOnly) {
    TempFolder folder;
    writeFile(folder / "SONG.SNG", songFileBytes());

    RunResult result = runSongasm(folder, {"SONG.SNG"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Input file should end in .sng\n\n");
}

TEST(SongasmArguments, OnlyTheFirstArgumentIsUsed) {
    TempFolder folder;
    writeFile(folder / "song.sng", songFileBytes());

    RunResult result = runSongasm(folder, {"song.sng", "other.sng", "-v"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "song.S written.\n");
    EXPECT_EQ(folder.entries(), (Names{"song.S", "song.sng"}));
}

TEST(SongasmInput, MissingFileCannotBeOpened) {
    TempFolder folder;

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Could not open sng file\n\n");
    EXPECT_TRUE(folder.entries().empty());
}

TEST(SongasmInput, FolderCannotBeOpened) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "song.sng");

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Could not open sng file\n\n");
    EXPECT_EQ(folder.entries(), Names{"song.sng"});
}

TEST(SongasmInput, WrongMagicIsNotValidAndWritesNothing) {
    TempFolder folder;
    Bytes file = songFileBytes();
    file[0] = 'S';
    writeFile(folder / "song.sng", file);

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, ".sng file not valid\n\n");
    EXPECT_EQ(folder.entries(), Names{"song.sng"});
}

TEST(SongasmInput, FileWithoutEventBytesIsNotValidAndWritesNothing) {
    for (std::size_t size : {4u, 100u, 132u}) {
        TempFolder folder;
        Bytes file = songFileBytes({});
        file.resize(size);
        writeFile(folder / "song.sng", file);

        RunResult result = runSongasm(folder, {"song.sng"});

        EXPECT_EQ(result.exitCode, 1) << size << " bytes";
        EXPECT_EQ(result.output, ".sng file not valid\n\n") << size << " bytes";
        EXPECT_EQ(folder.entries(), Names{"song.sng"}) << size << " bytes";
    }
}

TEST(SongasmInput, EmptyFileIsNotValid) {
    TempFolder folder;
    writeFile(folder / "song.sng", Bytes{});

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, ".sng file not valid\n\n");
}

TEST(SongasmOutput, WritesTheSourceBesideTheSong) {
    TempFolder folder;
    SongContents song = songWith({0x00, 0x91, 0x67, 0x0C, 0x01, 0xC8, 0x81, 0x00, 0xD0});
    writeFile(folder / "song.sng",
              songFileBytes(song.stream, song.waveTable1, song.storedWaveTable2));

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "song.S written.\n");
    std::string text = readText(folder / "song.S");
    EXPECT_EQ(text.substr(0, 24), ".global read_song_byte\n.");
    EXPECT_NE(text.find("song_data:\n"
                        "\t.byte 0x00, 0x91, 0x67, 0x0c, 0x01, 0xc8, 0x81, 0x00\n"
                        "\t.byte 0xd0\n"
                        "\n"
                        ".data\n"
                        "\n"
                        "wave_table1:\n"
                        "\t.byte 0x80, 0x81,"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 12), "0x01, 0x00\n\n");  // the stored table 2 ends 1, 0
    EXPECT_EQ(folder.entries(), (Names{"song.S", "song.sng"}));
}

TEST(SongasmOutput, NameLosesEverythingAfterTheFirstSng) {
    TempFolder folder;
    writeFile(folder / "a.sng.old", songFileBytes());

    RunResult result = runSongasm(folder, {"a.sng.old"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "a.S written.\n");
    EXPECT_EQ(folder.entries(), (Names{"a.S", "a.sng.old"}));
}

TEST(SongasmOutput, KeepsTheFolderOfTheArgument) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "music");
    writeFile(folder / "music" / "intro.sng", songFileBytes());

    RunResult result = runSongasm(folder, {"music/intro.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "music/intro.S written.\n");
    EXPECT_TRUE(std::filesystem::exists(folder / "music" / "intro.S"));
}

TEST(SongasmOutput, ReplacesAnEarlierFile) {
    TempFolder folder;
    writeFile(folder / "song.S", std::string(100000, 'x'));
    SongContents song = songWith({0x00, 0xD0});
    writeFile(folder / "song.sng",
              songFileBytes(song.stream, song.waveTable1, song.storedWaveTable2));

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(readText(folder / "song.S"), assemblySource(song));
}

TEST(SongasmOutput, GetsTheModeOfANewFile) {
    SKIP_WITHOUT(newFileMask);
    TempFolder folder;
    writeFile(folder / "song.sng", songFileBytes());
    int previous = setNewFileMask(022);

    RunResult result = runSongasm(folder, {"song.sng"});
    setNewFileMask(previous);

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(std::filesystem::status(folder / "song.S").permissions(),
              std::filesystem::perms(0644));
}

TEST(SongasmUnwritableOutput, FullDiskKeepsTheEarlierFile) {
    SKIP_WITHOUT(fileSizeLimit);
    TempFolder folder;
    writeFile(folder / "song.S", std::string("earlier\n"));
    writeFile(folder / "song.sng", songFileBytes(countingStream(2000)));

    RunOptions smallDisk;
    smallDisk.fileSizeLimit = 4096;  // the source runs to about 13000 bytes
    RunResult result = runProgram(SONGASM_PATH, {"song.sng"}, folder.path(), smallDisk);

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Could not write song.S\n\n");
    EXPECT_EQ(readText(folder / "song.S"), "earlier\n");
    EXPECT_EQ(folder.entries(), (Names{"song.S", "song.sng"}));  // no temporary left
}

TEST(SongasmUnwritableOutput, FileOpenInAnotherProgramKeepsItsBytes) {
    SKIP_WITHOUT(openFileRefused);
    TempFolder folder;
    writeFile(folder / "song.S", std::string("earlier\n"));
    writeFile(folder / "song.sng", songFileBytes());
    std::ifstream editor(folder / "song.S", std::ios::binary);
    ASSERT_TRUE(editor.is_open());

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Could not write song.S\n\n");
    EXPECT_EQ(readText(folder / "song.S"), "earlier\n");
    EXPECT_EQ(folder.entries(), (Names{"song.S", "song.sng"}));
}

TEST(SongasmUnwritableOutput, FolderInTheWayStaysAsItWas) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "song.S");
    writeFile(folder / "song.S" / "keep", std::string("kept\n"));
    writeFile(folder / "song.sng", songFileBytes());

    RunResult result = runSongasm(folder, {"song.sng"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Could not write song.S\n\n");
    EXPECT_EQ(readText(folder / "song.S" / "keep"), "kept\n");
    EXPECT_EQ(folder.entries(), (Names{"song.S", "song.sng"}));
}

}  // namespace
}  // namespace testing_support
