// songmake as a user runs it: files in, song bytes and messages out.
#include <gtest/gtest.h>

#include "tests/songmake/song_builder.h"

namespace testing_support {
namespace {

TEST(SongmakeProgram, OneNoteTravelsFromMidiToSongBytes) {
    SongFolder song;
    song.writeMidi(midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}));

    RunResult result = song.convert();

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Can't open song\nsong.sng written.\n");
    EXPECT_EQ(song.stream(), (Bytes{0x00, 0x91, 0x67, 0x0C, 0x01, 0xC8, 0x81, 0x00, 0xD0}));
}

}  // namespace
}  // namespace testing_support
