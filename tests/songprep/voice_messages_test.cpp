// What a voice plays when notes of any channel may take it: each note with its
// own channel's settings as they stand when it starts, and the changes its
// channel makes while it sounds.
#include "songprep/voice_messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <span>

#include "tests/support/midi_writer.h"

namespace testing_support {
namespace {

using Lines = std::vector<std::string>;

// Voice `voice`'s messages for `notes` of `track`: "TICK STATUS DATA1 DATA2".
Lines voicePlays(const MidiTrack& track, int voice, std::vector<songprep::VoiceNote> notes) {
    Bytes midi = midiFile(0, {track});
    midifile::InputSong song;
    std::string error;
    std::span<const std::uint8_t> bytes(midi);
    EXPECT_TRUE(midifile::readInputSong("in.mid", song, error, &bytes)) << error;
    songprep::Allocation allocation;
    allocation.voices[voice] = std::move(notes);
    Lines lines;
    auto voices = songprep::voiceMessages(song, allocation);
    for (const midifile::InputMessage& message : voices[voice]) {
        char line[32];
        std::snprintf(line, sizeof line, "%u %02X %u %u", message.tick, message.status,
                      message.data1, message.data2);
        lines.push_back(line);
    }
    return lines;
}

// A note of channel 1, one of channel 2, another of channel 1, on voice 2.
TEST(VoiceMessages, ANoteCarriesItsChannelsSettingsAsTheyStandWhenItStarts) {
    MidiTrack track = MidiTrack()
                          .pitchWheel(0, 0, 12288)
                          .control(100, 0, 10, 20)    // pan, at the note's own tick
                          .control(120, 0, 1, 5)      // voice 0's alone
                          .control(150, 0, 3, 7)      // while the note sounds
                          .pitchWheel(300, 0, 16383)  // as it ends: for the next one
                          .note(100, 0, 60, 100, 200)
                          .note(300, 1, 62, 90, 100)
                          .note(400, 0, 64, 80, 100);
    Lines plays = voicePlays(
        track, 2, {{100, 300, 60, 100, 0, 0}, {300, 400, 62, 90, 1, 1}, {400, 500, 64, 80, 0, 2}});
    EXPECT_EQ(plays,
              (Lines{"100 E0 0 96", "100 B0 10 20", "100 90 60 100", "150 B0 3 7", "300 80 60 0",
                     // channel 2 has no wheel or pan of its own: both centred
                     "300 E0 0 64", "300 B0 10 64", "300 90 62 90", "400 80 62 0", "400 E0 127 127",
                     "400 B0 10 20", "400 90 64 80", "500 80 64 0"}));
    // On voice 0, controller 1 is the synthesizer's and comes along.
    Lines first = voicePlays(track, 0, {{100, 300, 60, 100, 0, 0}});
    EXPECT_EQ(first[3], "120 B0 1 5");
}

}  // namespace
}  // namespace testing_support
