// Reading a file whole, up to a limit: a file of the limit is read, one byte
// more is refused without being read whole.
#include "toolkit/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/program_runner.h"

namespace testing_support {
namespace {

TEST(ReadWholeFile, AFileOfExactlyTheLimitIsReadAndOneByteMoreIsNot) {
    TempFolder folder;
    const std::string name = (folder / "song-0.raw").string();
    // 1 MiB is a whole number of the reader's blocks; 1000 bytes are not.
    for (std::size_t limit : {std::size_t{1} << 20, std::size_t{1000}}) {
        SCOPED_TRACE(limit);
        std::vector<std::uint8_t> bytes;
        writeFile(name, std::string());
        std::filesystem::resize_file(name, limit);  // sparse
        EXPECT_EQ(toolkit::readWholeFile(name, limit, bytes), toolkit::ReadResult::ok);
        EXPECT_EQ(bytes.size(), limit);
        std::filesystem::resize_file(name, limit + 1);
        EXPECT_EQ(toolkit::readWholeFile(name, limit, bytes), toolkit::ReadResult::tooLarge);
    }
}

}  // namespace
}  // namespace testing_support
