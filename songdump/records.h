// The records of a song's event stream, decoded one at a time in stream order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "songdump/stream_cursor.h"

namespace songdump {

// What a record is, from the upper nibble of its code byte (and, for a
// note-on, whether it carries its own velocity).
enum class RecordKind {
    kFiller,
    kController1,
    kPitchOrSlide,  // a pitch change and a legato note share one encoding
    kRepeat,
    kController4,
    kNoteOff,
    kNoteOn,
    kNoteOnSameVelocity,
    kEnd,
    kEnvelope,
};
inline constexpr std::size_t kRecordKindCount = 10;

// The words a listing uses for a kind.
const char* kindName(RecordKind kind);

// Envelope modes that carry parameters; any other mode byte is kept as it is.
inline constexpr std::uint8_t kModeA = 0;
inline constexpr std::uint8_t kModeD = 1;
inline constexpr std::uint8_t kModeH = 2;
// The code byte of an envelope whose kind word starts with "V".
inline constexpr std::uint8_t kEnvelopeTypeV = 14;

struct Record {
    std::size_t offset = 0;  // of the delay byte, from the start of the stream
    std::size_t length = 0;
    std::uint8_t delay = 0;        // the delay byte as stored
    std::uint32_t delayUnits = 0;  // the player units it stands for
    std::uint64_t time = 0;        // running time once the delay has passed
    RecordKind kind = RecordKind::kEnd;
    std::uint8_t voice = 0;         // low nibble of the code byte
    std::uint8_t value = 0;         // velocity byte, controller or repeat value
    std::uint16_t word = 0;         // frequency word of a note-on or pitch/slide
    std::uint8_t envelopeType = 0;  // 14 or 15
    std::uint8_t mode = 0;
    std::array<std::uint8_t, 4> params{};  // the parameters the mode carries, in order
    std::uint8_t paramCount = 0;
};

enum class DecodeError { kNone, kUnknownKind, kCutOff };

struct DecodeFailure {
    DecodeError error = DecodeError::kNone;
    std::size_t offset = 0;      // where the bad record starts
    std::uint8_t codeByte = 0;   // for an unknown kind
    std::size_t needed = 0;      // for a cut-off record: the bytes it needs
    std::size_t left = 0;        // and the bytes the stream still holds
    const char* kind = nullptr;  // and what it is, when the code byte was there
};

// Walks a stream record by record, keeping the running time.
class StreamDecoder {
public:
    explicit StreamDecoder(std::span<const std::uint8_t> stream) : cursor_(stream) {}

    // The next record, or false at the end of the stream or at a bad record.
    bool next(Record& record);
    const DecodeFailure& failure() const { return failure_; }

private:
    bool fail(DecodeFailure failure);
    void keepTime(Record& record);

    StreamCursor cursor_;
    DecodeFailure failure_;
    std::uint64_t time_ = 0;
    bool afterFiller_ = false;
};

}  // namespace songdump
