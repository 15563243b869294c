// The temporary file that takes its target's place whole, and what a name
// refers to: the rules the tools' all-or-nothing output rests on, on every system.
#include "toolkit/platform.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/program_runner.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

using Names = std::vector<std::string>;

// Every byte a text stream would change on some system: line ends, a lone
// carriage return, the old end-of-file mark, a NUL.
const std::string kTouchyBytes(
    "a\nb\r\nc\rd\x1a"
    "e\0f\xff",
    12);

TEST(TemporaryFile, PiecesReplaceTheTargetByteForByte) {
    TempFolder folder;
    writeFile(folder / "song.wav", std::string(5000, 'o'));
    std::string target = (folder / "song.wav").string();
    {
        platform::TemporaryFile file(target);
        ASSERT_TRUE(file.created());
        // The temporary beside the target, unless it has no name until commit.
        EXPECT_EQ(folder.entries().size(), file.named() ? 2u : 1u);
        EXPECT_TRUE(file.write(kTouchyBytes));
        EXPECT_TRUE(file.write(""));
        EXPECT_TRUE(file.write(kTouchyBytes));
        EXPECT_EQ(readText(folder / "song.wav"), std::string(5000, 'o'));  // not before commit
        EXPECT_TRUE(file.commit());
    }
    EXPECT_EQ(readText(folder / "song.wav"), kTouchyBytes + kTouchyBytes);
    EXPECT_EQ(folder.entries(), Names{"song.wav"});
}

TEST(TemporaryFile, WithoutCommitTheTargetStaysAndTheTemporaryGoes) {
    TempFolder folder;
    writeFile(folder / "song.S", std::string("earlier\n"));
    {
        platform::TemporaryFile abandoned((folder / "song.S").string());
        EXPECT_TRUE(abandoned.write("half a son"));
    }
    platform::TemporaryFile discarded((folder / "song.S").string());
    EXPECT_TRUE(discarded.write("half a son"));
    discarded.discard();
    EXPECT_FALSE(discarded.commit());

    EXPECT_EQ(readText(folder / "song.S"), "earlier\n");
    EXPECT_EQ(folder.entries(), Names{"song.S"});
}

TEST(TemporaryFile, AFolderInTheTargetsPlaceFailsTheCommitAndStays) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "song.sng");
    writeFile(folder / "song.sng" / "keep", std::string("kept"));
    platform::TemporaryFile file((folder / "song.sng").string());
    EXPECT_TRUE(file.write("new song"));
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(readText(folder / "song.sng" / "keep"), "kept");
    EXPECT_EQ(folder.entries(), Names{"song.sng"});
}

TEST(TemporaryFile, NothingIsCreatedInAFolderThatDoesNotExist) {
    TempFolder folder;
    platform::TemporaryFile file((folder / "nowhere" / "song.sng").string());
    EXPECT_FALSE(file.created());
    EXPECT_FALSE(file.write("bytes"));
    EXPECT_FALSE(file.commit());
    EXPECT_TRUE(folder.entries().empty());
}

TEST(FileFacts, TellFilesFromFoldersAndMissingNames) {
    TempFolder folder;
    writeFile(folder / "song.mid", kTouchyBytes);
    std::filesystem::create_directory(folder / "music");
    platform::FileFacts file = platform::fileFacts((folder / "song.mid").string());
    EXPECT_EQ(file.kind, platform::FileKind::regular);
    EXPECT_EQ(file.size, kTouchyBytes.size());
    EXPECT_EQ(platform::fileFacts((folder / "music").string()).kind, platform::FileKind::folder);
    EXPECT_EQ(platform::fileFacts((folder / "none.mid").string()).kind,
              platform::FileKind::missing);
}

TEST(FileFacts, ADeviceIsNeitherFileNorFolder) {
    SKIP_WITHOUT(endlessFile);
    EXPECT_EQ(platform::fileFacts("/dev/zero").kind, platform::FileKind::other);
}

}  // namespace
}  // namespace testing_support
