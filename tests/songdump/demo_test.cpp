// The bundled example converts cleanly, its committed files are what its
// generator writes, and its committed piano roll is what songdump draws.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/songdump/dump_output.h"

namespace testing_support {
namespace {

const std::filesystem::path kDemoFolder = DEMO_FOLDER;
const char* const kDemoFiles[] = {"demo.mid", "demo-0.raw", "demo-1.raw", "demo.env"};

// The example's files copied to `demo`, and songmake run on them.
RunResult convertDemo(const SongFolder& demo) {
    for (const char* name : kDemoFiles)
        std::filesystem::copy_file(kDemoFolder / name, demo.folder / name);
    return demo.run(SONGMAKE_PATH, {"demo.mid"});
}

TEST(Demo, ConvertsWithoutWarningsAndUsesAllFourVoices) {
    SongFolder demo;
    RunResult made = convertDemo(demo);
    RunResult dumped = songdump(demo, {"--summary", "demo.sng"});

    EXPECT_EQ(made.output, "demo.sng written.\n");
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_NE(dumped.output.find("voices used: 0 1 2 3\n"), std::string::npos);
    for (const char* kind :
         {"controller 1", "controller 4", "pitch/slide", "note-on, same velocity", "envelope"})
        EXPECT_NE(dumped.output.find("  " + std::string(kind) + " "), std::string::npos) << kind;
}

// The README shows examples/demo/demo.svg: after a change to the picture or to
// the example, copy it from `cmake --build build --target demo`.
TEST(Demo, DrawsTheCommittedPianoRollByteForByte) {
    SongFolder demo;
    ASSERT_EQ(convertDemo(demo).exitCode, 0);

    RunResult drawn = songdump(demo, {"--summary", "--svg", "demo.sng"});

    ASSERT_EQ(drawn.exitCode, 0);
    EXPECT_EQ(readText(demo.folder / "demo.svg"), readText(kDemoFolder / "demo.svg"));
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
