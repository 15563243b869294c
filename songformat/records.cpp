#include "songformat/records.h"

namespace songformat {
namespace {

// Delay byte, code byte, envelope mode: the least an envelope record holds.
constexpr std::size_t kEnvelopeHead = kRecordHeadLength + 1;

struct KindInfo {
    bool known;
    RecordKind kind;
    std::size_t length;  // 0 for an envelope, whose mode decides
};

KindInfo kindOfCode(std::uint8_t code) {
    switch (code >> 4) {
        case kCodeFiller:
            return {true, RecordKind::kFiller, kRecordHeadLength};
        case kCodeController1:
            return {true, RecordKind::kController1, kRecordHeadLength + 1};
        case kCodePitch:
            return {true, RecordKind::kPitchOrSlide, kRecordHeadLength + 2};
        case kCodeRepeat:
            return {true, RecordKind::kRepeat, kRecordHeadLength + 1};
        case kCodeController4:
            return {true, RecordKind::kController4, kRecordHeadLength + 1};
        case kCodeNoteOff:
            return {true, RecordKind::kNoteOff, kRecordHeadLength};
        case kCodeNoteOn:
            return {true, RecordKind::kNoteOn, kRecordHeadLength + 3};
        case kCodeNoteOnSameVelocity:
            return {true, RecordKind::kNoteOnSameVelocity, kRecordHeadLength + 2};
        case kCodeEnd:
            return {true, RecordKind::kEnd, kRecordHeadLength};
        case kCodeEnvelopeVolume:
        case kCodeEnvelopeOther:
            return {true, RecordKind::kEnvelope, 0};
        default:
            return {false, RecordKind::kEnd, 0};
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
        length = cursor_.peekByte(2, mode)
                     ? kEnvelopeHead + kEnvelopeParams - envelopeFirstParam(mode)
                     : kEnvelopeHead;
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
