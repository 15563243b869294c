// The records of a song's event stream: their kinds, lengths and fields, how
// the writer appends them and how a reader decodes them one at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "songformat/stream_cursor.h"

namespace songformat {

using ByteStream = std::vector<std::uint8_t>;

// The kind of a record: the upper nibble of its code byte; the lower nibble is
// the voice.
enum RecordCode : std::uint8_t {
    kCodeFiller = 0,  // a pause of 256 units
    kCodeController1 = 1,
    kCodePitch = 2,  // a new frequency word: a pitch change or a legato note
    kCodeRepeat = 3,
    kCodeController4 = 4,
    kCodeNoteOff = 8,
    kCodeNoteOn = 9,               // with its velocity byte
    kCodeNoteOnSameVelocity = 10,  // reuses the voice's previous velocity byte
    kCodeEnd = 13,
    kCodeEnvelopeVolume = 14,  // an envelope whose kind word starts with "V"
    kCodeEnvelopeOther = 15,
};

// Every record starts with its delay byte and its code byte.
inline constexpr std::size_t kRecordHeadLength = 2;

// The whole length of a record of each kind, head included; an envelope's
// depends on its mode (below), and 0 marks a code no record has.
constexpr std::size_t fixedRecordLength(unsigned code) {
    switch (code) {
        case kCodeFiller:
        case kCodeNoteOff:
        case kCodeEnd:
            return kRecordHeadLength;
        case kCodeController1:
        case kCodeRepeat:
        case kCodeController4:
            return kRecordHeadLength + 1;  // the value
        case kCodePitch:
        case kCodeNoteOnSameVelocity:
            return kRecordHeadLength + 2;  // the frequency word
        case kCodeNoteOn:
            return kRecordHeadLength + 3;  // the velocity byte and the word
        default:
            return 0;
    }
}

// Envelope modes that carry parameters; any other mode byte is kept as it is
// and carries none.
enum EnvelopeMode : std::uint8_t { kModeA = 0, kModeD = 1, kModeH = 2 };
inline constexpr std::size_t kEnvelopeParams = 4;

// The first of the four parameters a mode keeps: A keeps all, D the last two,
// H the last one, any other mode none.
constexpr std::size_t envelopeFirstParam(std::uint8_t mode) {
    return mode == kModeA ? 0 : mode == kModeD ? 2 : mode == kModeH ? 3 : kEnvelopeParams;
}

// An envelope record: head, mode, then the parameters its mode keeps.
constexpr std::size_t envelopeRecordLength(std::uint8_t mode) {
    return kRecordHeadLength + 1 + kEnvelopeParams - envelopeFirstParam(mode);
}

// A filler's delay byte is 255, but it stands for a pause of 256 units.
inline constexpr std::uint8_t kFillerDelayByte = 255;
inline constexpr std::uint32_t kFillerUnits = 256;

// What a delay byte stands for. A 0 stands for no pause or for exactly 256
// units; right after a filler the rest of a long pause is never 0, so there it
// means 256. Anywhere else it counts as 0: records at the same moment are far
// more common than a pause of exactly 256 units.
constexpr std::uint32_t delayUnits(std::uint8_t delayByte, std::uint8_t code, bool afterFiller) {
    if (code == kCodeFiller || (delayByte == 0 && afterFiller)) return kFillerUnits;
    return delayByte;
}

// The two bytes every record starts with: the low 8 bits of the delay, and the
// kind above the voice's low 4 bits.
inline void appendHead(ByteStream& out, std::uint32_t delay, unsigned code, std::uint8_t voice) {
    out.push_back(static_cast<std::uint8_t>(delay & 0xFF));
    out.push_back(static_cast<std::uint8_t>(code << 4 | (voice & 0x0F)));
}

inline void appendWord(ByteStream& out, std::uint16_t word) {
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
    out.push_back(static_cast<std::uint8_t>(word >> 8));
}

// Record kinds as a listing tells them apart; a note-on is told by whether it
// carries its own velocity, and both envelope codes are one kind.
enum class RecordKind : std::uint8_t {
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
    std::uint8_t envelopeType = 0;  // kCodeEnvelopeVolume or kCodeEnvelopeOther
    std::uint8_t mode = 0;
    std::array<std::uint8_t, kEnvelopeParams> params{};  // those the mode keeps, in order
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

// How a stream ended, once every record was decoded.
enum class StreamVerdict {
    kComplete,       // whole records up to one end record at the very end
    kBytesAfterEnd,  // whole records, but some after the end record, never played
    kNoEnd,          // whole records without an end record
    kBadRecord,      // a record of unknown kind or one cut off: see failure()
};

// Walks a stream record by record, keeping the running time. Records after the
// first end record are decoded too; the player never reaches them.
class StreamDecoder {
public:
    explicit StreamDecoder(std::span<const std::uint8_t> stream) : cursor_(stream) {}

    // The next record, or false at the end of the stream or at a bad record.
    bool next(Record& record);
    const DecodeFailure& failure() const { return failure_; }

    // Once next() has returned false: how the stream ended.
    StreamVerdict verdict() const;
    bool endSeen() const { return endSeen_; }
    std::size_t endOffset() const { return endOffset_; }  // of the first end record
    std::size_t bytesAfterEnd() const;
    std::uint64_t endTime() const { return endTime_; }  // running time at the first end

private:
    bool fail(DecodeFailure failure);

    StreamCursor cursor_;
    DecodeFailure failure_;
    std::uint64_t time_ = 0;
    bool afterFiller_ = false;
    bool endSeen_ = false;
    std::size_t endOffset_ = 0;
    std::size_t endLength_ = 0;
    std::uint64_t endTime_ = 0;
};

}  // namespace songformat
