#include "songprep/stream_size.h"

#include <span>

#include "songformat/records.h"
#include "songmake/conversion.h"

namespace songprep {
namespace {

// How many fillers the converter puts before a record with this delay (as
// songmake's timeline does): each takes 256 units off it, until what is left
// fits the record's own delay byte.
std::size_t fillersFor(std::uint32_t delay) {
    return delay > songformat::kFillerUnits ? (delay - 1) / songformat::kFillerUnits : 0;
}

// Counts the records of the sorted list the converter is about to time: each
// one's length as it writes it, and the fillers each one's delay needs.
class StreamCounter : public ConversionObserver {
public:
    void sorted(const EventList& list) override {
        float factor = kStartingFactor;
        std::uint32_t previous = 0;
        ByteStream record;
        for (const EventPointer& event : list) {
            if (event->type == kTypeTempo) {
                factorForTempo(static_cast<const EvTempo&>(*event).tempo, factor);
                continue;
            }
            std::uint32_t delay = scaleGap(event->time - previous, factor);
            previous = event->time;
            bytes_ += fillersFor(delay) * songformat::kRecordHeadLength;
            record.clear();
            event->write(record);
            bytes_ += record.size();
        }
        bytes_ += songformat::fixedRecordLength(songformat::kCodeEnd);
        counted_ = true;
    }

    bool counted() const { return counted_; }
    std::size_t bytes() const { return bytes_; }

private:
    std::size_t bytes_ = 0;
    bool counted_ = false;
};

}  // namespace

std::optional<std::size_t> streamSizeOf(const midifile::MidiBytes& file) {
    StreamCounter counter;
    SongSources sources;
    sources.midiName = "prepared";
    std::span<const std::uint8_t> bytes(file.data(), file.size());
    sources.midiBytes = bytes;
    sources.envelopeText = std::string_view();
    sources.waveTables = std::array<WaveTable, 2>{};
    sources.maxFillers = 0;  // counted already: the conversion stops before making any
    sources.observer = &counter;
    convertSong(sources);
    if (!counter.counted()) return std::nullopt;
    return counter.bytes();
}

}  // namespace songprep
