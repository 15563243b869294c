// songasm output on the real AVR toolchain: a song made by songmake is turned
// into assembler source, linked with the example firmware (examples/avr) and run
// in simavr; everything the firmware reads must equal the song file.
#include <gtest/gtest.h>

#include "songformat/songformat.h"
#include "tests/avr/avr_toolchain.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

constexpr const char* kMcu = "atmega328p";
constexpr int kFailedRunSeconds = 3;  // a firmware that cannot run never ends by itself

// The read-back of a song file as the firmware should see it.
struct ExpectedReadback {
    explicit ExpectedReadback(const Bytes& song) {
        auto at = [&song](std::size_t offset) { return song.begin() + offset; };
        streamBytes.assign(at(songformat::kHeaderSize), song.end());
        for (std::size_t i = 0; i + 1 < streamBytes.size(); ++i)
            streamWords.push_back(
                static_cast<std::uint16_t>(streamBytes[i] | streamBytes[i + 1] << 8));
        waveTable1.assign(at(songformat::kWaveTable1Offset), at(songformat::kWaveTable2Offset));
        waveTable2.assign(at(songformat::kWaveTable2Offset), at(songformat::kHeaderSize));
    }
    Bytes streamBytes;
    std::vector<std::uint16_t> streamWords;
    Bytes waveTable1;
    Bytes waveTable2;
};

class AvrReadback : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT(posixShell);
        std::vector<std::string> missing =
            missingPrograms({"avr-gcc", "simavr", "make", "timeout"});
        if (!missing.empty()) {
            std::string names;
            for (const std::string& name : missing) names += " " + name;
            GTEST_SKIP() << "not on the PATH:" << names
                         << " (Debian: gcc-avr binutils-avr avr-libc simavr)";
        }
    }

    // song.mid and its two wave files. Table 1 counts up from 0x41, table 2 by
    // threes from 0x20, so no byte of table 1 or of the stored difference is 0.
    void writeSong(const MidiTrack& track) {
        writeFile(folder / "song.mid", midiFile(0, {track}));
        for (int digit = 0; digit < 2; ++digit) {
            Bytes samples;
            for (int i = 0; i < 64; ++i) {
                samples.push_back(0x34);  // the low byte, which the table ignores
                samples.push_back(static_cast<std::uint8_t>(digit == 0 ? 0x41 + i : 0x20 + 3 * i));
            }
            writeFile(folder / ("song-" + std::to_string(digit) + ".raw"), samples);
        }
    }

    // Runs the example Makefile in the song's folder, with our songmake and songasm.
    void make(const std::vector<std::string>& arguments = {}) {
        std::vector<std::string> command = {"make", "-f", AVR_EXAMPLE_FOLDER "/Makefile",
                                            "SONGMAKE=" SONGMAKE_PATH, "SONGASM=" SONGASM_PATH};
        command.insert(command.end(), arguments.begin(), arguments.end());
        RunResult result = runCommand(command, folder.path());
        ASSERT_EQ(result.exitCode, 0) << result.output;
    }

    RunResult avrGcc(const std::vector<std::string>& arguments) {
        std::vector<std::string> command = {"avr-gcc", std::string("-mmcu=") + kMcu};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return runCommand(command, folder.path());
    }

    FirmwareReadback simulate(const std::string& firmware, int timeoutSeconds = 20) {
        RunResult result = runCommand({"simavr", "-m", kMcu, "-f", "16000000", firmware},
                                      folder.path(), timeoutSeconds);
        FirmwareReadback readback = parseReadback(result.output);
        if (!readback.finished)
            readback.problems.push_back("simavr said: " + result.output.substr(0, 2000));
        return readback;
    }

    Bytes songFile() const { return readFile(folder / "song.sng"); }
    std::size_t streamLength() const { return songFile().size() - songformat::kHeaderSize; }

    TempFolder folder;
};

void expectReadsBackExactly(const FirmwareReadback& readback, const Bytes& song) {
    ExpectedReadback expected(song);
    EXPECT_TRUE(readback.finished);
    EXPECT_EQ(readback.problems, std::vector<std::string>{});
    EXPECT_EQ(readback.streamBytes, expected.streamBytes);
    EXPECT_EQ(readback.streamWords, expected.streamWords);
    EXPECT_EQ(readback.waveTable1, expected.waveTable1);
    EXPECT_EQ(readback.waveTable2, expected.waveTable2);
}

// Two voices, a repeat setting and a pause long enough for a filler record.
MidiTrack shortTune() {
    return MidiTrack()
        .note(0, 0, 60, 100, 480)
        .note(0, 1, 64, 90, 240)
        .control(240, 1, 3, 5)
        .note(480, 0, 67, 80, 480)
        .note(2400, 1, 72, 110, 120);
}

// Hundreds of notes over all four voices, with changing velocities.
MidiTrack longTune() {
    MidiTrack track;
    for (std::uint32_t i = 0; i < 600; ++i)
        track.note(i * 60, static_cast<int>(i % 4), 36 + static_cast<int>(i * 7 % 48),
                   20 + static_cast<int>(i * 13 % 100), 50);
    return track;
}

TEST_F(AvrReadback, SongFromMidiReadsBackExactly) {
    writeSong(shortTune());
    ASSERT_NO_FATAL_FAILURE(make());
    // An odd length ends the song's .text at an odd address: the Makefile's
    // order (song object last) must keep the firmware's code runnable.
    ASSERT_EQ(streamLength() % 2, 1u) << "the tune should give an odd stream length";

    expectReadsBackExactly(simulate("readback.elf"), songFile());
}

TEST_F(AvrReadback, StreamOfThousandsOfBytesReadsBackBeyondOffset255) {
    writeSong(longTune());
    ASSERT_NO_FATAL_FAILURE(make());
    ASSERT_GT(streamLength(), 2000u);

    FirmwareReadback readback = simulate("readback.elf");

    expectReadsBackExactly(readback, songFile());
    EXPECT_EQ(readback.streamBytes.size(), streamLength());
}

// The firmware has no initialised data of its own, so nothing but the
// Makefile's -Wl,-u,__do_copy_data makes avr-libc copy the tables into RAM.
TEST_F(AvrReadback, WithoutCopyDataTheTablesAreNotInRam) {
    writeSong(shortTune());
    ASSERT_NO_FATAL_FAILURE(make({std::string("LDFLAGS=-mmcu=") + kMcu}));

    FirmwareReadback readback = simulate("readback.elf");
    ExpectedReadback expected(songFile());

    EXPECT_TRUE(readback.finished);
    EXPECT_EQ(readback.streamBytes, expected.streamBytes);  // flash needs no copying
    EXPECT_EQ(readback.waveTable1, Bytes(64, 0));
    EXPECT_EQ(readback.waveTable2, Bytes(64, 0));
    EXPECT_NE(expected.waveTable1, Bytes(64, 0));
}

// Linked after an odd-length song, plain .text code starts at an odd address.
TEST_F(AvrReadback, OddSongLinkedFirstBreaksPlainTextCode) {
    writeSong(shortTune());
    ASSERT_NO_FATAL_FAILURE(make());
    ASSERT_EQ(streamLength() % 2, 1u);

    RunResult link = avrGcc({"-Wl,-u,__do_copy_data", "-o", "first.elf", "song.o", "readback.o"});

    // The linker may refuse, or produce a firmware that goes astray.
    if (link.exitCode == 0) {
        EXPECT_FALSE(simulate("first.elf", kFailedRunSeconds).finished);
    }
}

TEST_F(AvrReadback, OddSongLinkedFirstWorksWithFunctionSections) {
    writeSong(shortTune());
    ASSERT_NO_FATAL_FAILURE(make());
    ASSERT_EQ(streamLength() % 2, 1u);

    RunResult compile = avrGcc({"-DF_CPU=16000000UL", "-Os", "-Wall", "-ffunction-sections",
                                "-DSONG_STREAM_LENGTH=" + std::to_string(streamLength()), "-c",
                                "-o", "sections.o", AVR_EXAMPLE_FOLDER "/readback.c"});
    ASSERT_EQ(compile.exitCode, 0) << compile.output;
    RunResult link = avrGcc({"-Wl,-u,__do_copy_data", "-o", "first.elf", "song.o", "sections.o"});
    ASSERT_EQ(link.exitCode, 0) << link.output;

    expectReadsBackExactly(simulate("first.elf"), songFile());
}

}  // namespace
}  // namespace testing_support
