// Fuzzes the MIDI reader over arbitrary bytes. Besides memory safety it checks
// that the reader hands only channel messages to the channel slot, that its error
// text always fits the caller's buffer, and that a plain file and the same file
// wrapped as RIFF "RMID" are read alike.
#include <cstdint>
#include <cstring>
#include <vector>

#include "midifile/midifile.h"

namespace {

struct Delivered {
    int slot;
    std::uint32_t time;
    std::uint8_t status, data1, data2;
    std::uint32_t tempo;
    bool operator==(const Delivered&) const = default;
};

using Deliveries = std::vector<Delivered>;

Deliveries& deliveriesOf(MidiReaderState* state) {
    return *static_cast<Deliveries*>(state->userData);
}

int onChannelEvent(MidiReaderState* state) {
    if (state->status < 0x80 || state->status > 0xEF) __builtin_trap();
    deliveriesOf(state).push_back(
        {kMidiSlotChannelEvent, state->time, state->status, state->data1, state->data2, 0});
    return 0;
}

int onTempo(MidiReaderState* state) {
    deliveriesOf(state).push_back({kMidiSlotTempo, state->time, 0, 0, 0, state->tempo});
    return 0;
}

struct Reading {
    int code;
    Deliveries deliveries;
};

Reading read(const std::uint8_t* data, std::size_t size) {
    MidiHandler handlers[kMidiHandlerSlots] = {};
    handlers[kMidiSlotChannelEvent] = onChannelEvent;
    handlers[kMidiSlotTempo] = onTempo;
    Reading reading;
    MidiReaderState state;
    state.handlers = handlers;
    state.fileName = "fuzz.mid";
    state.userData = &reading.deliveries;
    reading.code = MidiReadBuffer(&state, data, size);

    // songmake's buffer is 80 bytes; a one-byte buffer must still get its terminator.
    for (int length : {80, 1}) {
        char text[80];
        std::memset(text, 'x', sizeof text);
        int written = MidiGetErr(&state, text, length, reading.code);
        if (written < 0 || written >= length ||
            std::strlen(text) != static_cast<std::size_t>(written))
            __builtin_trap();
    }
    return reading;
}

std::vector<std::uint8_t> riffWrap(const std::uint8_t* data, std::size_t size) {
    auto littleEndian = [](std::uint32_t value) {
        return std::vector<std::uint8_t>{
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    };
    auto size32 = static_cast<std::uint32_t>(size);
    std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
    for (std::uint8_t byte : littleEndian(size32 + 12)) out.push_back(byte);
    for (char c : {'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'})
        out.push_back(static_cast<std::uint8_t>(c));
    for (std::uint8_t byte : littleEndian(size32)) out.push_back(byte);
    out.insert(out.end(), data, data + size);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reading plain = read(data, size);
    if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) {
        std::vector<std::uint8_t> wrapped = riffWrap(data, size);
        Reading unwrapped = read(wrapped.data(), wrapped.size());
        if (unwrapped.code != plain.code || unwrapped.deliveries != plain.deliveries)
            __builtin_trap();
    }
    return 0;
}
