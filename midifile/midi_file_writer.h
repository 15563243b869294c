// A Standard MIDI File writer: tracks of channel messages and tempo changes at
// absolute tick times, encoded with running status, read back by our reader as
// they were written.
#pragma once

#include <cstdint>
#include <vector>

namespace midifile {

using MidiBytes = std::vector<std::uint8_t>;

// The longest delta time a variable-length quantity of four bytes holds; our
// reader, like most, refuses longer ones.
inline constexpr std::uint32_t kLargestDelta = 0x0FFFFFFF;

// Appends `value` as a variable-length quantity: seven bits per byte, most
// significant first, the high bit set on all but the last. Any 32-bit value is
// written whole, in up to five bytes.
void appendVarLen(MidiBytes& out, std::uint32_t value);

// One track chunk's events, in the order they are given.
class MidiTrackWriter {
public:
    // Times are absolute ticks; one earlier than the previous event's is taken
    // as that event's. Data bytes keep their low seven bits: a data byte with the
    // top bit set would read back as a status byte.
    void channelMessage(std::uint32_t time, std::uint8_t status, std::uint8_t data1,
                        std::uint8_t data2 = 0);
    void tempo(std::uint32_t time, std::uint32_t microsecondsPerQuarter);
    // Ends the track at `time`, or at its last event when that is later, and
    // returns the whole chunk, "MTrk" and length included. The writer is empty
    // again afterwards.
    MidiBytes finish(std::uint32_t time);
    // The same, appending the chunk to `out` rather than returning it.
    void finishInto(std::uint32_t time, MidiBytes& out);
    // Room for `bytes` of events, for a writer that knows about how many it
    // will write.
    void reserve(std::size_t bytes) { body_.reserve(bytes); }

private:
    void advanceTo(std::uint32_t time);
    void meta(std::uint32_t time, std::uint8_t type, const std::uint8_t* data, std::uint8_t length);

    MidiBytes body_;
    std::uint32_t time_ = 0;
    std::uint8_t runningStatus_ = 0;  // none at the start and after a meta event
};

// A whole file: the header, then the track chunks as given (one for format 0).
MidiBytes midiFileBytes(std::uint16_t format, std::uint16_t division,
                        const std::vector<MidiBytes>& tracks);

}  // namespace midifile
