#include "songmake/capture.h"

namespace {

ChannelTrackTable& tracksOf(MidiReaderState* state) {
    return *static_cast<ChannelTrackTable*>(state->userData);
}

EventPointer eventForControl(std::uint32_t time, std::uint8_t channel, std::uint8_t controller,
                             std::uint8_t value) {
    auto doubled = static_cast<std::uint8_t>(value * 2);
    switch (controller) {
        case 1:  // a global setting, taken from the first voice only
            if (channel != 0) return nullptr;
            return std::make_unique<EvMidiControl>(time, channel, controller, doubled);
        case 2:
            return std::make_unique<EvPitch>(time, channel, value);
        case 3:
            return std::make_unique<EvRepeat>(time, channel, value);
        case 4:
        case 10:
            return std::make_unique<EvMidiControl>(time, channel, controller, doubled);
        default:
            return nullptr;
    }
}

}  // namespace

void captureChannelEvent(const MidiReaderState& state, ChannelTrackTable& tracks) {
    std::uint8_t channel = state.status & 0x0F;
    if (channel >= kVoiceCount) return;
    std::uint32_t time = state.time;
    EventPointer event;
    switch (state.status >> 4) {
        case 0x8:
            event = std::make_unique<EvNoteOff>(time, channel, state.data1);
            break;
        case 0x9:
            if (state.data2 == 0)
                event = std::make_unique<EvNoteOff>(time, channel, state.data1);
            else
                event = std::make_unique<EvNoteOn>(time, channel, state.data1, state.data2);
            break;
        case 0xB:
            event = eventForControl(time, channel, state.data1, state.data2);
            break;
        default:
            break;  // pressure, program change and pitch wheel mean nothing to the synthesizer
    }
    if (event) tracks[channel].events.push_back(std::move(event));
}

void captureTempo(const MidiReaderState& state, ChannelTrackTable& tracks) {
    // Tempo changes ride in the first voice's track; their channel is never used.
    tracks[0].events.push_back(
        std::make_unique<EvTempo>(state.time, state.status & 0x0F, state.tempo));
}

int onChannelEvent(MidiReaderState* state) {
    captureChannelEvent(*state, tracksOf(state));
    return 0;
}

int onTempo(MidiReaderState* state) {
    captureTempo(*state, tracksOf(state));
    return 0;
}

void prepareCapture(MidiReaderState& state, MidiHandlerTable& handlers, const char* fileName,
                    ChannelTrackTable& tracks) {
    for (MidiHandler& slot : handlers) slot = nullptr;
    handlers[kMidiSlotChannelEvent] = onChannelEvent;
    handlers[kMidiSlotTempo] = onTempo;
    state.handlers = handlers;
    state.fileName = fileName;
    state.userData = &tracks;
}
