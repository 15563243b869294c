// The bundled example converts cleanly, and its committed files are what its
// generator writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/songdump/dump_output.h"

namespace testing_support {
namespace {

const std::filesystem::path kDemoFolder = DEMO_FOLDER;
const char* const kDemoFiles[] = {"demo.mid", "demo-0.raw", "demo-1.raw", "demo.env"};

TEST(Demo, ConvertsWithoutWarningsAndUsesAllFourVoices) {
    SongFolder demo;
    for (const char* name : kDemoFiles)
        std::filesystem::copy_file(kDemoFolder / name, demo.folder / name);

    RunResult made = demo.run(SONGMAKE_PATH, {"demo.mid"});
    RunResult dumped = songdump(demo, {"--summary", "demo.sng"});

    EXPECT_EQ(made.output, "demo.sng written.\n");
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_NE(dumped.output.find("voices used: 0 1 2 3\n"), std::string::npos);
    for (const char* kind :
         {"controller 1", "controller 4", "pitch/slide", "note-on, same velocity", "envelope"})
        EXPECT_NE(dumped.output.find("  " + std::string(kind) + " "), std::string::npos) << kind;
}

TEST(Demo, GeneratorWritesTheCommittedFiles) {
    if (std::string(PYTHON3_PATH).empty()) GTEST_SKIP() << "python3 is not installed";
    TempFolder output;

    RunResult result =
        runProgram(PYTHON3_PATH, {(kDemoFolder / "make_demo.py").string(), "."}, output.path());

    ASSERT_EQ(result.exitCode, 0);
    for (const char* name : kDemoFiles)
        EXPECT_EQ(readFile(output / name), readFile(kDemoFolder / name)) << name;
}

}  // namespace
}  // namespace testing_support
