// Follows one conversion from the MIDI file's messages to the stream's records:
// every message the reader delivered, every voice's events as captured and
// what the passes made of them, and where each event landed in the stream.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "songformat/records.h"
#include "songmake/conversion.h"

namespace songcheck {

inline constexpr int kChannels = 16;
// Where an event of the merged list came from: a voice's track, or the envelope file.
inline constexpr int kEnvelopeGroup = kVoiceCount;

// A channel message or tempo change as the file holds it.
struct HeardMessage {
    std::uint32_t tick;
    std::uint16_t track;
    std::uint8_t status;  // 0xFF for a tempo change
    std::uint8_t data1;
    std::uint8_t data2;
    std::uint32_t tempo;
};

// One event of a voice's track, in capture order.
struct TracedEvent {
    std::uint32_t tick = 0;
    std::int32_t capturedType = 0;  // as captured: note-on 9, note-off 8, pitch 2, ...
    std::int32_t finalType = 0;     // after the passes: 10 for a repeated velocity, 26 a slide
    std::uint16_t value = 0;        // note number, controller value, or tempo's low bits
    std::uint8_t controller = 0;
    bool kept = false;             // still there after the passes
    bool placed = false;           // its record was found in the stream
    std::uint64_t unit = 0;        // running time of its record, in player units
    const Event* event = nullptr;  // while the conversion runs
};

// A record of the stream that changes what a voice plays: a note-on, a slide or
// pitch change, a note-off, or the end of the song.
struct StreamStep {
    std::uint64_t unit;   // running time in player units
    std::uint32_t index;  // of the traced event in its voice's list; none for the end
    std::uint16_t word;   // the frequency word a note-on or pitch record carries
    std::int8_t voice;    // -1 for the end record
    songformat::RecordKind kind;
};

// The file's header as the reader saw it.
struct MidiHeader {
    std::uint16_t format = 0;
    std::uint16_t trackCount = 0;
    std::uint16_t division = 0;
    std::uint32_t endTime = 0;
};

class ConversionTrace : public ConversionObserver {
public:
    void heard(const MidiReaderState& state) override;
    void captured(const MidiReaderState& state, const ChannelTrackTable& tracks) override;
    void passed(int voice, const EventList& track) override;
    void merged(const EventList& merged) override;
    void sorted(const EventList& merged) override;
    void timed(const EventList& merged) override;

    // Gives every traced event the running time of its record in `song`, the
    // bytes the conversion made.
    void placeRecords(const songformat::ByteStream& song);

    const std::vector<HeardMessage>& messages() const { return messages_; }
    const MidiHeader& header() const { return header_; }
    const std::array<std::vector<TracedEvent>, kVoiceCount + 1>& groups() const { return groups_; }
    // The envelope events, in the order of their lines.
    const std::vector<TracedEvent>& envelopes() const { return groups_[kEnvelopeGroup]; }
    std::uint64_t songUnits() const { return songUnits_; }
    const std::vector<StreamStep>& steps() const { return steps_; }
    bool placedAll() const { return placedAll_; }

private:
    // A record of the stream: the traced event it came from, or a filler or the end.
    struct Origin {
        std::int8_t group;  // -1 for a filler or the end record
        std::uint32_t index;
    };

    std::vector<HeardMessage> messages_;
    MidiHeader header_;
    std::array<std::vector<TracedEvent>, kVoiceCount + 1> groups_;
    // Every traced event that is still in the merged list, by its address.
    struct Located {
        const Event* event;
        Origin origin;
    };
    std::vector<Located> byAddress_;
    std::vector<Origin> sortedOrigins_;  // the merged list once sorted
    std::vector<Origin> recordOrigins_;  // the finished list, one per record
    std::vector<StreamStep> steps_;
    std::uint64_t songUnits_ = 0;
    bool placedAll_ = true;
};

}  // namespace songcheck
