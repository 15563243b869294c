// Capture: the reader's messages become events, one track per voice, and only
// what the synthesizer plays is kept.
#include <gtest/gtest.h>

#include "tests/songmake/event_helpers.h"
#include "tests/support/midi_writer.h"

namespace testing_support {
namespace {

// Hands one message to the capture handlers as the reader would.
class Capture : public ::testing::Test {
protected:
    Capture() { state.userData = &tracks; }

    void message(std::uint32_t time, int status, int data1, int data2 = 0) {
        state.time = time;
        state.status = static_cast<std::uint8_t>(status);
        state.data1 = static_cast<std::uint8_t>(data1);
        state.data2 = static_cast<std::uint8_t>(data2);
        EXPECT_EQ(onChannelEvent(&state), 0);
    }
    void tempoChange(std::uint32_t time, std::uint32_t microseconds) {
        state.time = time;
        state.status = 0xFF;
        state.tempo = microseconds;
        EXPECT_EQ(onTempo(&state), 0);
    }
    Lines track(int channel) const { return describe(tracks[channel].events); }
    Lines empty() const { return {}; }

    ChannelTrackTable tracks;
    MidiReaderState state;
};

TEST_F(Capture, NoteOnBecomesTypeNineWithItsNumberVelocityTimeAndChannel) {
    message(120, 0x91, 60, 100);
    ASSERT_EQ(track(1), (Lines{"note-on 60 v100 @120"}));
    EXPECT_EQ(tracks[1].events[0]->type, 9);
    EXPECT_EQ(tracks[1].events[0]->channel, 1);
    EXPECT_EQ(track(0), empty());
}

TEST_F(Capture, NoteOffKeepsItsNoteNumber) {
    message(480, 0x82, 64, 40);
    EXPECT_EQ(track(2), (Lines{"note-off 64 @480"}));
    EXPECT_EQ(tracks[2].events[0]->channel, 2);
}

TEST_F(Capture, NoteOnWithVelocityZeroIsANoteOff) {
    message(10, 0x93, 72, 0);
    EXPECT_EQ(track(3), (Lines{"note-off 72 @10"}));
}

TEST_F(Capture, ChannelsFourToFifteenProduceNothing) {
    for (int channel = 4; channel < 16; ++channel) {
        message(0, 0x90 | channel, 60, 100);
        message(0, 0x80 | channel, 60, 0);
        message(0, 0xB0 | channel, 4, 10);
    }
    for (int channel = 0; channel < 4; ++channel) EXPECT_EQ(track(channel), empty());
}

TEST_F(Capture, ControllerOneOnlyOnChannelZero) {
    message(0, 0xB0, 1, 10);
    message(0, 0xB2, 1, 10);
    EXPECT_EQ(track(0), (Lines{"control 1=20 @0"}));
    EXPECT_EQ(track(2), empty());
}

TEST_F(Capture, ControllerTwoIsAPitchEventWithTheRawValue) {
    message(5, 0xB1, 2, 127);
    EXPECT_EQ(track(1), (Lines{"pitch 127 @5"}));
    EXPECT_EQ(tracks[1].events[0]->type, 2);
}

TEST_F(Capture, ControllerThreeIsARepeatWithTheRawValue) {
    message(6, 0xB3, 3, 5);
    EXPECT_EQ(track(3), (Lines{"repeat 5 @6"}));
    EXPECT_EQ(tracks[3].events[0]->type, 3);
}

TEST_F(Capture, ControllersFourAndTenOnEveryVoiceWithTwiceTheirValue) {
    message(7, 0xB2, 4, 100);
    message(8, 0xB2, 10, 100);
    message(9, 0xB0, 4, 127);
    EXPECT_EQ(track(2), (Lines{"control 4=200 @7", "control 10=200 @8"}));
    EXPECT_EQ(track(0), (Lines{"control 4=254 @9"}));
    EXPECT_EQ(tracks[2].events[0]->type, 11);
}

TEST_F(Capture, OtherControllersAreIgnored) {
    for (int controller : {0, 5, 6, 7, 8, 9, 11, 64, 121, 127}) message(0, 0xB0, controller, 50);
    EXPECT_EQ(track(0), empty());
}

TEST_F(Capture, PressureProgramChangeAndPitchWheelAreIgnored) {
    message(0, 0xA0, 60, 50);
    message(0, 0xC1, 5);
    message(0, 0xD2, 40);
    message(0, 0xE3, 0, 64);
    for (int channel = 0; channel < 4; ++channel) EXPECT_EQ(track(channel), empty());
}

TEST_F(Capture, TempoLandsInChannelZerosTrackWhateverPlays) {
    message(0, 0x93, 60, 100);
    tempoChange(480, 600000);
    EXPECT_EQ(track(0), (Lines{"tempo 600000 @480"}));
    EXPECT_EQ(tracks[0].events[0]->type, 81);
    EXPECT_EQ(track(3), (Lines{"note-on 60 v100 @0"}));
}

TEST_F(Capture, EventsOfAVoiceStayInTheOrderTheyCame) {
    message(0, 0x90, 60, 100);
    message(0, 0xB0, 2, 0);
    message(240, 0x80, 60, 0);
    tempoChange(240, 500000);
    message(240, 0x90, 62, 90);
    EXPECT_EQ(track(0), (Lines{"note-on 60 v100 @0", "pitch 0 @0", "note-off 60 @240",
                               "tempo 500000 @240", "note-on 62 v90 @240"}));
}

TEST(CaptureSetup, FillsOnlyTheChannelAndTempoSlots) {
    MidiReaderState state;
    MidiHandlerTable handlers;
    for (MidiHandler& slot : handlers) slot = &onTempo;  // stale entries the setup must clear
    ChannelTrackTable tracks;
    const char* name = "song.mid";

    prepareCapture(state, handlers, name, tracks);

    EXPECT_EQ(state.handlers, handlers);
    EXPECT_EQ(state.fileName, name);
    EXPECT_EQ(state.userData, &tracks);
    for (int slot = 0; slot < kMidiHandlerSlots; ++slot) {
        if (slot == 9)
            EXPECT_EQ(handlers[slot], &onChannelEvent);
        else if (slot == 13)
            EXPECT_EQ(handlers[slot], &onTempo);
        else
            EXPECT_EQ(handlers[slot], nullptr) << "slot " << slot;
    }
}

// Through the reader: a conductor track's tempo joins channel 0's notes in
// time order, and channel 3's notes stay on their own voice.
TEST(CaptureSetup, ReadingAFileFillsTheVoices) {
    Bytes midi = midiFile(1, {MidiTrack().tempo(0, 500000).tempo(480, 600000),
                              MidiTrack().note(0, 0, 60, 100, 480).note(240, 3, 64, 80, 480)});
    MidiReaderState state;
    MidiHandlerTable handlers;
    ChannelTrackTable tracks;
    prepareCapture(state, handlers, "in memory", tracks);

    ASSERT_EQ(MidiReadBuffer(&state, midi.data(), midi.size()), 0);

    EXPECT_EQ(describe(tracks[0].events), (Lines{"tempo 500000 @0", "note-on 60 v100 @0",
                                                 "tempo 600000 @480", "note-off 60 @480"}));
    EXPECT_EQ(describe(tracks[3].events), (Lines{"note-on 64 v80 @240", "note-off 64 @720"}));
    EXPECT_TRUE(tracks[1].events.empty());
    EXPECT_TRUE(tracks[2].events.empty());
}

}  // namespace
}  // namespace testing_support
