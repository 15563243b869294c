// The bundled example converts cleanly, to the same bytes on every system; its
// committed files, and the walk-through's band.mid, are what their generators
// write, and its committed piano roll is what songdump draws.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/songdump/dump_output.h"
#include "tests/support/fingerprint.h"

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

// doc/example.md shows examples/demo/demo.svg: after a change to the picture or to
// the example, copy it from `cmake --build build --target demo`.
TEST(Demo, DrawsTheCommittedPianoRollByteForByte) {
    SongFolder demo;
    ASSERT_EQ(convertDemo(demo).exitCode, 0);

    RunResult drawn = songdump(demo, {"--summary", "--svg", "demo.sng"});

    ASSERT_EQ(drawn.exitCode, 0);
    EXPECT_EQ(readText(demo.folder / "demo.svg"), readText(kDemoFolder / "demo.svg"));
}

// What every tool makes of the example, pinned so that every system's build
// must give the same bytes: frequency words computed without fused
// multiply-adds, numbers printed alike, "\n" line ends. After a change meant to
// alter an output, put in the fingerprint the failure shows.
TEST(Demo, ConvertsToTheSameBytesOnEverySystem) {
    SongFolder demo;
    ASSERT_EQ(convertDemo(demo).exitCode, 0);
    ASSERT_EQ(demo.run(SONGASM_PATH, {"demo.sng"}).exitCode, 0);
    RunResult listing = songdump(demo, {"demo.sng"});
    RunResult check = demo.run(SONGCHECK_PATH, {"--svg", "demo.mid"});
    ASSERT_EQ(demo.run(SONGPLAY_PATH, {"demo.sng"}).exitCode, 0);
    RunResult prepared = demo.run(SONGPREP_PATH, {"demo.mid", "prepared.mid"});

    EXPECT_EQ(fingerprint(readText(demo.folder / "demo.sng")), "2434 bytes, b66d9c6781271fff");
    EXPECT_EQ(fingerprint(readText(demo.folder / "demo.S")), "16716 bytes, ce8f78715bd452ac");
    EXPECT_EQ(fingerprint(listing.output), "48426 bytes, ca93d0d23981c353");
    EXPECT_EQ(fingerprint(check.output), "1177 bytes, 700f70b00d04f629");
    EXPECT_EQ(fingerprint(readText(demo.folder / "demo.check.svg")),
              "123994 bytes, 4749b574679cc7f7");
    EXPECT_EQ(fingerprint(readText(demo.folder / "demo.wav")), "6412652 bytes, 6a2850db51abe300");
    EXPECT_EQ(fingerprint(prepared.output), "1482 bytes, f93a1c363f0828a5");
    EXPECT_EQ(fingerprint(readText(demo.folder / "prepared.mid")), "3206 bytes, 57c910e15fa100bc");
}

TEST(Demo, GeneratorWritesTheCommittedFiles) {
    if (std::string(PYTHON3_PATH).empty())
        GTEST_SKIP() << "python3 is not installed, or cannot be run by a cross-built test";
    TempFolder output;

    RunResult result =
        runProgram(PYTHON3_PATH, {(kDemoFolder / "make_demo.py").string(), "."}, output.path());

    ASSERT_EQ(result.exitCode, 0);
    for (const char* name : kDemoFiles)
        EXPECT_EQ(readFile(output / name), readFile(kDemoFolder / name)) << name;
}

// The README's walk-through runs on examples/band/band.mid.
TEST(Demo, BandGeneratorWritesTheCommittedFile) {
    if (std::string(PYTHON3_PATH).empty())
        GTEST_SKIP() << "python3 is not installed, or cannot be run by a cross-built test";
    TempFolder output;
    const std::filesystem::path band = BAND_FOLDER;

    RunResult result =
        runProgram(PYTHON3_PATH, {(band / "make_band.py").string(), "."}, output.path());

    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(readFile(output / "band.mid"), readFile(band / "band.mid"));
}

}  // namespace
}  // namespace testing_support
