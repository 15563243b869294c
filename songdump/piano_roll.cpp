#include "songdump/piano_roll.h"

#include "songdump/report.h"

namespace songdump {

void PianoRoll::startBar(std::uint8_t voice, std::uint64_t time, std::uint16_t word,
                         bool afterStep) {
    VoiceState& state = voices_[voice];
    state.sounding = true;
    state.start = time;
    state.word = word;
    state.afterStep = afterStep;
}

void PianoRoll::endBar(std::uint8_t voice, std::uint64_t time) {
    VoiceState& state = voices_[voice];
    if (!state.sounding) return;
    state.sounding = false;
    // A note whose pitch changes at the moment it starts leaves no bar of its own.
    if (time > state.start)
        bars_.push_back({voice, state.start, time, state.word, state.velocity, state.afterStep});
}

void PianoRoll::add(const Record& record) {
    if (ended_) return;  // the player stops at the end record
    std::uint8_t voice = record.voice;
    std::uint64_t time = record.time;
    length_ = time;
    switch (record.kind) {
        case RecordKind::kNoteOn:
            voices_[voice].velocity = record.value & 0xFC;  // the low bits are the pan
            [[fallthrough]];
        case RecordKind::kNoteOnSameVelocity:
            endBar(voice, time);
            startBar(voice, time, record.word, false);
            break;
        case RecordKind::kPitchOrSlide:
            if (voices_[voice].sounding) {
                steps_.push_back({voice, time, voices_[voice].word, record.word});
                endBar(voice, time);
                startBar(voice, time, record.word, true);
            } else {
                marks_.push_back(
                    {voice, time,
                     songformat::kindName(record.kind) + (", " + describeFields(record))});
            }
            break;
        case RecordKind::kNoteOff:
            endBar(voice, time);
            break;
        case RecordKind::kEnd:
            for (std::uint8_t v = 0; v < kVoiceNibbleValues; ++v) endBar(v, time);
            ended_ = true;
            return;
        case RecordKind::kFiller:
            return;
        default:
            marks_.push_back(
                {voice, time, songformat::kindName(record.kind) + (", " + describeFields(record))});
            break;
    }
    voicesUsed_ |= static_cast<std::uint16_t>(1u << voice);
}

}  // namespace songdump
