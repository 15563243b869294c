#include "songdump/report.h"

#include <cstdio>

#include "music/pitch.h"
#include "songformat/songformat.h"
#include "toolkit/text_format.h"

namespace songdump {
namespace {

using toolkit::format;

// The two low bits of the velocity byte say which output sides the note uses.
const char* panName(std::uint8_t velocityByte) {
    static const char* const kNames[4] = {"none", "left", "right", "both"};
    return kNames[velocityByte & 0x03];
}

std::string frequency(std::uint16_t word) {
    return format("word %u = %.2f Hz, %s", word, music::hertzOfWord(word),
                  music::noteNameOfWord(word).c_str());
}

// Controllers 1 and 4 hold twice the MIDI controller value.
std::string controllerValue(std::uint8_t value) {
    if (value % 2 != 0) return format("value %u", value);
    return format("value %u (MIDI %u)", value, value / 2);
}

std::string envelope(const Record& record) {
    std::string text = record.envelopeType == songformat::kCodeEnvelopeVolume ? "kind V, mode "
                                                                              : "kind other, mode ";
    switch (record.mode) {
        case songformat::kModeA:
            text += "A";
            break;
        case songformat::kModeD:
            text += "D";
            break;
        case songformat::kModeH:
            text += "H";
            break;
        default:
            // Other modes keep the character code of the letter in the envelope file.
            if (record.mode > ' ' && record.mode < 0x7F)
                text += format("'%c' (%u)", record.mode, record.mode);
            else
                text += format("%u", record.mode);
    }
    if (record.paramCount > 0) text += record.paramCount == 1 ? ", param" : ", params";
    for (std::uint8_t i = 0; i < record.paramCount; ++i) text += format(" %u", record.params[i]);
    return text;
}

bool hasVoice(RecordKind kind) { return kind != RecordKind::kFiller && kind != RecordKind::kEnd; }

}  // namespace

std::string headerLine(const std::string& name, std::size_t streamBytes) {
    bool fits = streamBytes <= songformat::kMaxAddressableStream;
    return name + format(": %zu stream bytes, %s the %zu bytes a 16-bit offset reaches",
                         streamBytes, fits ? "within" : "over", songformat::kMaxAddressableStream);
}

std::string describeFields(const Record& record) {
    switch (record.kind) {
        case RecordKind::kNoteOn:
            return format("velocity %u, pan %s, ", record.value & 0xFC, panName(record.value)) +
                   frequency(record.word);
        case RecordKind::kNoteOnSameVelocity:
        case RecordKind::kPitchOrSlide:
            return frequency(record.word);
        case RecordKind::kController1:
        case RecordKind::kController4:
            return controllerValue(record.value);
        case RecordKind::kRepeat:
            return format("value %u", record.value);
        case RecordKind::kEnvelope:
            return envelope(record);
        default:
            return "";
    }
}

std::string columnTitles() {
    return "offset delay       time voice  kind                    fields";
}

std::string recordLine(const Record& record) {
    std::string voice = hasVoice(record.kind) ? std::to_string(record.voice) : "-";
    std::string line = format("%6zu %5u %10llu %5s  %-22s", record.offset, record.delay,
                              static_cast<unsigned long long>(record.time), voice.c_str(),
                              songformat::kindName(record.kind));
    line += "  " + describeFields(record);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

void SongSummary::add(const Record& record) {
    ++counts_[static_cast<std::size_t>(record.kind)];
    if (hasVoice(record.kind)) voicesUsed_ |= static_cast<std::uint16_t>(1u << record.voice);
}

std::string SongSummary::text(std::size_t streamBytes, std::uint64_t length) const {
    std::size_t total = 0;
    for (std::size_t count : counts_) total += count;
    std::string text = format("records: %zu\n", total);
    for (std::size_t kind = 0; kind < songformat::kRecordKindCount; ++kind)
        if (counts_[kind] > 0)
            text += format("  %-22s %zu\n", songformat::kindName(static_cast<RecordKind>(kind)),
                           counts_[kind]);
    text += "voices used:";
    if (voicesUsed_ == 0) text += " none";
    for (unsigned voice = 0; voice < 16; ++voice)
        if (voicesUsed_ & (1u << voice)) text += format(" %u", voice);
    text += format("\nlength: %llu player units\n", static_cast<unsigned long long>(length));
    text += format("stream: %zu bytes\n", streamBytes);
    return text;
}

}  // namespace songdump
