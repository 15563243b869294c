#include "songformat/records.h"

namespace songformat {
namespace {

// Delay byte, code byte, envelope mode: the least an envelope record holds.
constexpr std::size_t kEnvelopeHead = kRecordHeadLength + 1;

// How a listing tells the kinds apart; false for a code no record has.
bool kindOfCode(std::uint8_t code, RecordKind& kind) {
    switch (code >> 4) {
        case kCodeFiller:
            kind = RecordKind::kFiller;
            return true;
        case kCodeController1:
            kind = RecordKind::kController1;
            return true;
        case kCodePitch:
            kind = RecordKind::kPitchOrSlide;
            return true;
        case kCodeRepeat:
            kind = RecordKind::kRepeat;
            return true;
        case kCodeController4:
            kind = RecordKind::kController4;
            return true;
        case kCodeNoteOff:
            kind = RecordKind::kNoteOff;
            return true;
        case kCodeNoteOn:
            kind = RecordKind::kNoteOn;
            return true;
        case kCodeNoteOnSameVelocity:
            kind = RecordKind::kNoteOnSameVelocity;
            return true;
        case kCodeEnd:
            kind = RecordKind::kEnd;
            return true;
        case kCodeEnvelopeVolume:
        case kCodeEnvelopeOther:
            kind = RecordKind::kEnvelope;
            return true;
        default:
            return false;
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
    RecordKind kind;
    if (!kindOfCode(code, kind))
        return fail({DecodeError::kUnknownKind, offset, code, 0, 0, nullptr});
    std::size_t length = fixedRecordLength(code >> 4);
    if (kind == RecordKind::kEnvelope) {
        std::uint8_t mode = 0;
        length = cursor_.peekByte(2, mode) ? envelopeRecordLength(mode) : kEnvelopeHead;
    }
    if (cursor_.remaining() < length)
        return fail(
            {DecodeError::kCutOff, offset, code, length, cursor_.remaining(), kindName(kind)});

    // The length is checked, so none of the reads below can run out.
    record = Record{};
    record.offset = offset;
    record.length = length;
    record.kind = kind;
    cursor_.readByte(record.delay);
    cursor_.readByte(code);
    record.voice = code & 0x0F;
    switch (kind) {
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
    record.delayUnits = delayUnits(record.delay, code >> 4, afterFiller_);
    afterFiller_ = record.kind == RecordKind::kFiller;
    time_ += record.delayUnits;
    record.time = time_;
    if (record.kind == RecordKind::kEnd && !endSeen_) {
        endSeen_ = true;
        endOffset_ = offset;
        endLength_ = length;
        endTime_ = time_;
    }
    return true;
}

StreamVerdict StreamDecoder::verdict() const {
    if (failure_.error != DecodeError::kNone) return StreamVerdict::kBadRecord;
    if (!endSeen_) return StreamVerdict::kNoEnd;
    return bytesAfterEnd() > 0 ? StreamVerdict::kBytesAfterEnd : StreamVerdict::kComplete;
}

std::size_t StreamDecoder::bytesAfterEnd() const {
    return endSeen_ ? cursor_.position() - endOffset_ - endLength_ : 0;
}

}  // namespace songformat
