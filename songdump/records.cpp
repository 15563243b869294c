#include "songdump/records.h"

namespace songdump {
namespace {

// A filler's delay byte is 255, but the converter takes 256 units off a long
// gap for each one.
constexpr std::uint32_t kFillerUnits = 256;
// Delay byte, code byte, envelope mode: the least an envelope record holds.
constexpr std::size_t kEnvelopeHead = 3;

struct KindInfo {
    bool known;
    RecordKind kind;
    std::size_t length;  // 0 for an envelope, whose mode decides
};

KindInfo kindOfCode(std::uint8_t code) {
    switch (code >> 4) {
        case 0:
            return {true, RecordKind::kFiller, 2};
        case 1:
            return {true, RecordKind::kController1, 3};
        case 2:
            return {true, RecordKind::kPitchOrSlide, 4};
        case 3:
            return {true, RecordKind::kRepeat, 3};
        case 4:
            return {true, RecordKind::kController4, 3};
        case 8:
            return {true, RecordKind::kNoteOff, 2};
        case 9:
            return {true, RecordKind::kNoteOn, 5};
        case 10:
            return {true, RecordKind::kNoteOnSameVelocity, 4};
        case 13:
            return {true, RecordKind::kEnd, 2};
        case 14:
        case 15:
            return {true, RecordKind::kEnvelope, 0};
        default:
            return {false, RecordKind::kEnd, 0};
    }
}

std::size_t envelopeParamCount(std::uint8_t mode) {
    switch (mode) {
        case kModeA:
            return 4;
        case kModeD:
            return 2;
        case kModeH:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

const char* kindName(RecordKind kind) {
    switch (kind) {
        case RecordKind::kFiller:
            return "filler";
        case RecordKind::kController1:
            return "controller 1";
        case RecordKind::kPitchOrSlide:
            return "pitch/slide";
        case RecordKind::kRepeat:
            return "repeat";
        case RecordKind::kController4:
            return "controller 4";
        case RecordKind::kNoteOff:
            return "note-off";
        case RecordKind::kNoteOn:
            return "note-on";
        case RecordKind::kNoteOnSameVelocity:
            return "note-on, same velocity";
        case RecordKind::kEnd:
            return "end";
        case RecordKind::kEnvelope:
            return "envelope";
    }
    return "?";
}

bool StreamDecoder::fail(DecodeFailure failure) {
    failure_ = failure;
    return false;
}

bool StreamDecoder::next(Record& record) {
    if (failure_.error != DecodeError::kNone || cursor_.atEnd()) return false;
    std::size_t offset = cursor_.position();
    std::uint8_t code = 0;
    if (!cursor_.peekByte(1, code))
        return fail({DecodeError::kCutOff, offset, 0, 2, cursor_.remaining(), nullptr});
    KindInfo info = kindOfCode(code);
    if (!info.known) return fail({DecodeError::kUnknownKind, offset, code, 0, 0, nullptr});
    std::size_t length = info.length;
    if (info.kind == RecordKind::kEnvelope) {
        std::uint8_t mode = 0;
        length =
            cursor_.peekByte(2, mode) ? kEnvelopeHead + envelopeParamCount(mode) : kEnvelopeHead;
    }
    if (cursor_.remaining() < length)
        return fail(
            {DecodeError::kCutOff, offset, code, length, cursor_.remaining(), kindName(info.kind)});

    // The length is checked, so none of the reads below can run out.
    record = Record{};
    record.offset = offset;
    record.length = length;
    record.kind = info.kind;
    cursor_.readByte(record.delay);
    cursor_.readByte(code);
    record.voice = code & 0x0F;
    switch (info.kind) {
        case RecordKind::kController1:
        case RecordKind::kController4:
        case RecordKind::kRepeat:
            cursor_.readByte(record.value);
            break;
        case RecordKind::kNoteOn:
            cursor_.readByte(record.value);
            cursor_.readU16LittleEndian(record.word);
            break;
        case RecordKind::kNoteOnSameVelocity:
        case RecordKind::kPitchOrSlide:
            cursor_.readU16LittleEndian(record.word);
            break;
        case RecordKind::kEnvelope:
            record.envelopeType = code >> 4;
            cursor_.readByte(record.mode);
            record.paramCount = static_cast<std::uint8_t>(length - kEnvelopeHead);
            for (std::uint8_t i = 0; i < record.paramCount; ++i) cursor_.readByte(record.params[i]);
            break;
        default:
            break;
    }
    keepTime(record);
    return true;
}

// A delay byte of 0 stands for 0 units or for exactly 256; the converter writes
// 256 that way. Right after a filler the rest of a long gap is never 0, so there
// it means 256. Anywhere else it is counted as 0: events at the same moment are
// far more common than a gap of exactly 256 units.
void StreamDecoder::keepTime(Record& record) {
    if (record.kind == RecordKind::kFiller) {
        record.delayUnits = kFillerUnits;
    } else if (record.delay == 0 && afterFiller_) {
        record.delayUnits = kFillerUnits;
    } else {
        record.delayUnits = record.delay;
    }
    afterFiller_ = record.kind == RecordKind::kFiller;
    time_ += record.delayUnits;
    record.time = time_;
}

}  // namespace songdump
