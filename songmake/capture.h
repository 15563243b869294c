// Capture: turns the MIDI reader's messages into events, one track per voice.
#pragma once

#include <array>
#include <cstdint>

#include "midifile/midifile.h"
#include "songmake/events.h"

struct ChannelTrack {
    EventList events;               // the voice's events in capture order
    std::uint8_t lastVelocity = 0;  // velocity last sent on this voice
};

inline constexpr int kVoiceCount = 4;  // the synthesizer's voices: MIDI channels 0 to 3
using ChannelTrackTable = std::array<ChannelTrack, kVoiceCount>;

// Keep what the synthesizer plays of the reader's current message, or tempo
// change, in the voice's track.
void captureChannelEvent(const MidiReaderState& state, ChannelTrackTable& tracks);
void captureTempo(const MidiReaderState& state, ChannelTrackTable& tracks);

// Handlers for the reader's channel-message and tempo slots: the two above. Both
// expect state->userData to point at the ChannelTrackTable being filled.
int onChannelEvent(MidiReaderState* state);
int onTempo(MidiReaderState* state);

using MidiHandlerTable = MidiHandler[kMidiHandlerSlots];

// Sets up `state` so that reading `fileName` fills `tracks` through the two
// handlers above; every other slot of `handlers` is cleared.
void prepareCapture(MidiReaderState& state, MidiHandlerTable& handlers, const char* fileName,
                    ChannelTrackTable& tracks);
