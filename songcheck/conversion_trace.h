// Follows one conversion from the MIDI file's messages to the stream's records:
// every message the reader delivered, every voice's events as captured and
// what the passes made of them, and where each event landed in the stream.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "songcheck/message_census.h"
#include "songformat/records.h"
#include "songmake/conversion.h"

namespace songcheck {

// Where an event of the merged list came from: a voice's track, or the envelope file.
inline constexpr int kEnvelopeGroup = kVoiceCount;
inline constexpr int kGroups = kVoiceCount + 1;

// One event of a voice's track in capture order, or an envelope line's event.
struct TracedEvent {
    std::uint64_t unit = 0;  // running time of its record, in player units
    std::uint32_t tick = 0;
    std::uint16_t value = 0;        // note number or controller value
    std::uint8_t capturedType = 0;  // as captured: note-on 9, note-off 8, pitch 2, ...
    std::uint8_t finalType = 0;     // after the passes: 10 for a repeated velocity, 26 a slide
    std::uint8_t controller = 0;
    bool kept = false;    // still there after the passes
    bool placed = false;  // its record was found in the stream
};

struct TempoChange {
    std::uint32_t tick;
    std::uint32_t tempo;  // microseconds per quarter note
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

    const MessageCensus& census() const { return census_; }
    const std::vector<TempoChange>& tempos() const { return tempos_; }
    // Note-ons and note-offs of the channels without a voice, for the picture.
    const std::vector<HeardMessage>& unvoicedNotes() const { return unvoicedNotes_; }
    const MidiHeader& header() const { return header_; }
    const std::array<std::vector<TracedEvent>, kGroups>& groups() const { return groups_; }
    // The envelope events, in the order of their lines.
    const std::vector<TracedEvent>& envelopes() const { return groups_[kEnvelopeGroup]; }
    std::uint64_t songUnits() const { return songUnits_; }
    const std::vector<StreamStep>& steps() const { return steps_; }
    // The events whose gap before them is exactly 256 player units without a
    // filler: the delay byte stores it as 0, which the player reads as no gap.
    struct EventRef {
        int group;
        std::uint32_t index;
    };
    const std::vector<EventRef>& vanishedGaps() const { return vanishedGaps_; }
    // Whether every record was traced back to its event: false when the
    // conversion made no stream, and for a file it could not follow.
    bool placedAll() const { return placedAll_; }

private:
    // A record of the stream: the traced event it came from, or a filler or the end.
    struct Origin {
        std::int8_t group;  // -1 for a filler or the end record
        std::uint32_t index;
    };

    void follow(const EventList& merged, int group, std::size_t index);

    MessageCensus census_;
    std::vector<TempoChange> tempos_;
    std::vector<HeardMessage> unvoicedNotes_;
    MidiHeader header_;
    std::array<std::vector<TracedEvent>, kGroups> groups_;
    // While the conversion runs: every traced event's address, to recognise it.
    std::array<std::vector<const Event*>, kGroups> addresses_;
    std::vector<Origin> sortedOrigins_;  // the merged list once sorted
    std::vector<Origin> recordOrigins_;  // the finished list, one per record
    std::vector<StreamStep> steps_;
    std::vector<EventRef> vanishedGaps_;
    std::uint64_t songUnits_ = 0;
    bool placedAll_ = true;
};

}  // namespace songcheck
