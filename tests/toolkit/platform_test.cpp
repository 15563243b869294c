// The temporary file that takes its target's place whole, and what a name
// refers to: the rules the tools' all-or-nothing output rests on, on every system.
#include "toolkit/platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <list>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

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

using Naming = platform::TemporaryFile::Naming;
constexpr Naming kBothNamings[] = {Naming::namelessWhereOffered, Naming::named};

TEST(TemporaryFile, AFailedWriteFailsTheCommitAndLeavesTheTargetAsItWas) {
    SKIP_WITHOUT(fileSizeLimit);
    TempFolder folder;
    writeFile(folder / "song.wav", std::string("earlier"));
    for (Naming naming : kBothNamings) {
        platform::TemporaryFile file((folder / "song.wav").string(), naming);
        setFileSizeLimit(1000);
        bool firstWritten = file.write(std::string(1000, 'a'));  // exactly the limit
        bool secondWritten = file.write("b");                    // one byte past it
        setFileSizeLimit(-1);
        EXPECT_TRUE(firstWritten);
        EXPECT_FALSE(secondWritten);
        EXPECT_FALSE(file.write("c"));  // and every write after it
        EXPECT_FALSE(file.commit());
        EXPECT_EQ(readText(folder / "song.wav"), "earlier");
        EXPECT_EQ(folder.entries(), Names{"song.wav"});
    }
}

TEST(TemporaryFile, TheReplacementKeepsTheTargetsPermissionBits) {
    SKIP_WITHOUT(newFileMask);
    namespace fs = std::filesystem;
    TempFolder folder;
    for (Naming naming : kBothNamings) {
        for (fs::perms bits :
             {fs::perms::owner_read,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec}) {
            writeFile(folder / "song.S", std::string("earlier"));
            fs::permissions(folder / "song.S", bits);
            platform::TemporaryFile file((folder / "song.S").string(), naming);
            EXPECT_TRUE(file.write("new"));
            EXPECT_TRUE(file.commit());
            EXPECT_EQ(readText(folder / "song.S"), "new");
            EXPECT_EQ(fs::status(folder / "song.S").permissions(), bits);
            fs::permissions(folder / "song.S", fs::perms::owner_all);
        }
    }
}

TEST(TemporaryFile, ALinkStaysALinkAndWhatItLeadsToIsReplaced) {
    SKIP_WITHOUT(symbolicLink);
    namespace fs = std::filesystem;
    TempFolder folder;
    fs::create_directory(folder / "songs");
    writeFile(folder / "songs" / "real.sng", std::string("earlier"));
    fs::create_symlink(fs::path("songs") / "real.sng", folder / "hop.sng");
    fs::create_symlink("hop.sng", folder / "song.sng");  // two links on the way
    for (Naming naming : kBothNamings) {
        platform::TemporaryFile file((folder / "song.sng").string(), naming);
        std::string content = naming == Naming::named ? "named" : "nameless";
        EXPECT_TRUE(file.write(content));
        EXPECT_TRUE(file.commit());
        EXPECT_TRUE(fs::is_symlink(folder / "song.sng"));
        EXPECT_TRUE(fs::is_symlink(folder / "hop.sng"));
        EXPECT_EQ(readText(folder / "songs" / "real.sng"), content);
        EXPECT_EQ(folder.entries(), (Names{"hop.sng", "song.sng", "songs"}));
    }
}

// What an interruption that cannot be caught may leave: songtools-XXXXXX.tmp,
// six letters or digits.
TEST(TemporaryFile, ANamedTemporaryIsSongtoolsAndSixLettersOrDigits) {
    TempFolder folder;
    for (int i = 0; i < 40; ++i) {
        platform::TemporaryFile file((folder / "song.sng").string(),
                                     platform::TemporaryFile::Naming::named);
        Names entries = folder.entries();
        ASSERT_EQ(entries.size(), 1u);
        const std::string& name = entries[0];
        EXPECT_EQ(name.size(), 20u) << name;
        EXPECT_TRUE(name.starts_with("songtools-") && name.ends_with(".tmp")) << name;
        for (char c : name.substr(10, 6))
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) << name;
    }
}

TEST(TemporaryFile, ATargetOfTheLongestNameTheSystemTakesIsWritten) {
    SKIP_WITHOUT(longFileName);
    TempFolder folder;
    const std::string longest = std::string(251, 'n') + ".wav";
    for (Naming naming : kBothNamings) {
        platform::TemporaryFile file((folder / longest).string(), naming);
        ASSERT_TRUE(file.created());
        EXPECT_TRUE(file.write("RIFF"));
        EXPECT_TRUE(file.commit());
        EXPECT_EQ(folder.entries(), Names{longest});
    }
}

// The handler's part, in a child that interrupts itself while writing; the
// whole-program tests interrupt the tools from outside.
TEST(TemporaryFile, AnInterruptionRemovesTheTemporaryAndEndsWithTheSignal) {
    SKIP_WITHOUT(interruptSignal);
#ifndef _WIN32
    TempFolder folder;
    writeFile(folder / "song.wav", std::string("earlier"));
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (Naming naming : kBothNamings) {
            pid_t child = ::fork();
            if (child == 0) {
                // Temporaries discarded give their places up to the next, even
                // while they last.
                std::list<platform::TemporaryFile> dropped;
                for (int i = 0; i < 8; ++i)
                    dropped.emplace_back((folder / "song.wav").string(), naming).discard();
                platform::TemporaryFile file((folder / "song.wav").string(), naming);
                bool written = file.write(std::string(100000, 'x'));
                if (written) ::raise(signal);
                ::_exit(written ? 0 : 1);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_EQ(readText(folder / "song.wav"), "earlier");
            EXPECT_EQ(folder.entries(), Names{"song.wav"});
        }
    }
#endif
}

TEST(SameFile, LinksLeadToTheSameFileAndOtherNamesDoNot) {
    SKIP_WITHOUT(symbolicLink);
    TempFolder folder;
    writeFile(folder / "song.sng", std::string("song"));
    writeFile(folder / "copy.sng", std::string("song"));
    std::filesystem::create_symlink("song.sng", folder / "song.wav");
    std::filesystem::create_hard_link(folder / "song.sng", folder / "hard.wav");
    auto same = [&](const char* first, const char* second) {
        return platform::sameFile((folder / first).string(), (folder / second).string());
    };
    EXPECT_TRUE(same("song.wav", "song.sng"));
    EXPECT_TRUE(same("hard.wav", "song.sng"));
    EXPECT_FALSE(same("copy.sng", "song.sng"));  // the same bytes are not the same file
    EXPECT_FALSE(same("none.wav", "song.sng"));
    EXPECT_FALSE(same("none.wav", "none.wav"));
}

TEST(OpenForReading, AFifoIsRefusedWithoutWaitingForAWriter) {
    SKIP_WITHOUT(namedPipe);
    TempFolder folder;
    makeNamedPipe(folder / "song-0.raw");
    writeFile(folder / "song.mid", kTouchyBytes);
    platform::FileKind kind = platform::FileKind::regular;
    EXPECT_EQ(platform::openForReading((folder / "song-0.raw").string(), kind), nullptr);
    EXPECT_EQ(kind, platform::FileKind::other);
    EXPECT_EQ(platform::openForReading((folder / "none.mid").string(), kind), nullptr);
    EXPECT_EQ(kind, platform::FileKind::missing);
    std::FILE* file = platform::openForReading((folder / "song.mid").string(), kind);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(kind, platform::FileKind::regular);
    std::fclose(file);
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
