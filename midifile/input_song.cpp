#include "midifile/input_song.h"

#include <algorithm>

#include "midifile/midifile.h"
#include "toolkit/platform.h"

namespace midifile {
namespace {

constexpr int kErrorTextSize = 80;

struct Reading {
    InputSong* song;
    std::uint32_t latest = 0;
};

// The reader's times wrap around past 2^32 ticks, which only damaged files
// reach; a time that would go back is held at the one before it, so that
// every later stage sees time run forward.
std::uint32_t forwardTime(MidiReaderState* state) {
    auto& reading = *static_cast<Reading*>(state->userData);
    reading.latest = std::max(reading.latest, state->time);
    return reading.latest;
}

InputSong& songOf(MidiReaderState* state) { return *static_cast<Reading*>(state->userData)->song; }

int onChannelEvent(MidiReaderState* state) {
    std::uint32_t tick = forwardTime(state);
    songOf(state).messages.push_back({tick, state->status, state->data1, state->data2});
    return 0;
}

int onTempo(MidiReaderState* state) {
    std::uint32_t tick = forwardTime(state);
    songOf(state).tempos.push_back({tick, state->tempo});
    return 0;
}

}  // namespace

bool readInputSong(const std::string& name, InputSong& song, std::string& error,
                   const std::span<const std::uint8_t>* bytes) {
    MidiHandler handlers[kMidiHandlerSlots] = {};
    handlers[kMidiSlotChannelEvent] = onChannelEvent;
    handlers[kMidiSlotTempo] = onTempo;
    MidiReaderState state;
    state.handlers = handlers;
    state.fileName = name.c_str();
    Reading reading{&song};
    state.userData = &reading;
    // A dense file spends three bytes on a message (a delta and two data
    // bytes under running status): room for them at once rather than copies
    // as the song grows.
    std::uint64_t size = bytes != nullptr ? bytes->size() : platform::fileFacts(name).size;
    if (size <= kMidiLargestFile) song.messages.reserve(static_cast<std::size_t>(size / 3));
    int code = bytes != nullptr ? MidiReadBuffer(&state, bytes->data(), bytes->size())
                                : MidiReadFile(&state);
    if (code != kMidiOk) {
        char text[kErrorTextSize] = {};
        MidiGetErr(&state, text, kErrorTextSize, code);
        error = text;
        return false;
    }
    song.format = state.format;
    song.trackCount = state.trackCount;
    song.division = state.division;
    song.endTime = std::max(state.endTime, reading.latest);
    return true;
}

}  // namespace midifile
