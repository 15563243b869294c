#include "tests/support/midi_writer.h"

#include <algorithm>

namespace testing_support {

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes varLen(std::uint32_t value) {
    Bytes out{static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7) out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

namespace {
Bytes be32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}
std::uint8_t byte(int v) { return static_cast<std::uint8_t>(v); }
}  // namespace

Bytes chunkWithLength(const char (&id)[5], std::uint32_t length, const Bytes& payload) {
    return Bytes(id, id + 4) + be32(length) + payload;
}

Bytes chunk(const char (&id)[5], const Bytes& payload) {
    return chunkWithLength(id, static_cast<std::uint32_t>(payload.size()), payload);
}

Bytes midiHeader(int format, int trackCount, int division) {
    return chunk("MThd", {byte(format >> 8), byte(format), byte(trackCount >> 8), byte(trackCount),
                          byte(division >> 8), byte(division)});
}

Bytes midiFile(int format, const std::vector<MidiTrack>& tracks, int division) {
    Bytes out = midiHeader(format, static_cast<int>(tracks.size()), division);
    for (const MidiTrack& track : tracks) out = out + chunk("MTrk", track.encode());
    return out;
}

Bytes riffWrap(const Bytes& midi) {
    auto le32 = [](std::uint32_t v) {
        return Bytes{byte(v), byte(v >> 8), byte(v >> 16), byte(v >> 24)};
    };
    Bytes data = Bytes{'d', 'a', 't', 'a'} + le32(static_cast<std::uint32_t>(midi.size())) + midi;
    if (midi.size() % 2) data.push_back(0);
    Bytes body = Bytes{'R', 'M', 'I', 'D'} + data;
    return Bytes{'R', 'I', 'F', 'F'} + le32(static_cast<std::uint32_t>(body.size())) + body;
}

MidiTrack& MidiTrack::add(std::uint32_t tick, Bytes bytes, bool channelMessage) {
    items_.push_back({tick, std::move(bytes), channelMessage});
    return *this;
}

MidiTrack& MidiTrack::noteOn(std::uint32_t tick, int channel, int key, int velocity) {
    return add(tick, {byte(0x90 | channel), byte(key), byte(velocity)}, true);
}

MidiTrack& MidiTrack::noteOff(std::uint32_t tick, int channel, int key, int velocity) {
    return add(tick, {byte(0x80 | channel), byte(key), byte(velocity)}, true);
}

MidiTrack& MidiTrack::note(std::uint32_t tick, int channel, int key, int velocity,
                           std::uint32_t length) {
    noteOn(tick, channel, key, velocity);
    return noteOff(tick + length, channel, key);
}

MidiTrack& MidiTrack::control(std::uint32_t tick, int channel, int controller, int value) {
    return add(tick, {byte(0xB0 | channel), byte(controller), byte(value)}, true);
}

MidiTrack& MidiTrack::programChange(std::uint32_t tick, int channel, int program) {
    return add(tick, {byte(0xC0 | channel), byte(program)}, true);
}

MidiTrack& MidiTrack::pitchWheel(std::uint32_t tick, int channel, int value14) {
    return add(tick, {byte(0xE0 | channel), byte(value14 & 0x7F), byte(value14 >> 7)}, true);
}

MidiTrack& MidiTrack::tempo(std::uint32_t tick, std::uint32_t micros) {
    return meta(tick, 0x51, {byte(micros >> 16), byte(micros >> 8), byte(micros)});
}

MidiTrack& MidiTrack::meta(std::uint32_t tick, int type, const Bytes& data) {
    Bytes bytes = Bytes{0xFF, byte(type)} + varLen(static_cast<std::uint32_t>(data.size())) + data;
    return add(tick, bytes, false);
}

MidiTrack& MidiTrack::sysex(std::uint32_t tick, const Bytes& data) {
    return add(tick, Bytes{0xF0} + varLen(static_cast<std::uint32_t>(data.size())) + data, false);
}

MidiTrack& MidiTrack::raw(std::uint32_t tick, const Bytes& bytes) {
    return add(tick, bytes, false);
}

MidiTrack& MidiTrack::endOfTrack(std::uint32_t tick) {
    autoEnd_ = false;
    return meta(tick, 0x2F, {});
}

MidiTrack& MidiTrack::useRunningStatus(bool on) {
    runningStatus_ = on;
    return *this;
}

MidiTrack& MidiTrack::withoutEndOfTrack() {
    autoEnd_ = false;
    return *this;
}

Bytes MidiTrack::encode() const {
    std::vector<Item> items = items_;
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.tick < b.tick; });
    Bytes out;
    std::uint32_t previous = 0;
    std::uint8_t status = 0;
    for (const Item& item : items) {
        out = out + varLen(item.tick - previous);
        previous = item.tick;
        bool skipStatus = runningStatus_ && item.channelMessage && item.bytes[0] == status;
        out.insert(out.end(), item.bytes.begin() + (skipStatus ? 1 : 0), item.bytes.end());
        if (item.channelMessage) status = item.bytes[0];
    }
    if (autoEnd_) out = out + Bytes{0x00, 0xFF, 0x2F, 0x00};
    return out;
}

}  // namespace testing_support
