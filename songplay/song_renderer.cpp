#include "songplay/song_renderer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace songplay {
namespace {

using songformat::Record;
using songformat::RecordKind;

constexpr std::size_t kBlockFrames = 4096;

// Four voices at full loudness on samples of -128 sum to -512; scaled by 64
// that is exactly -32768, so the mix of any four voices never clips.
constexpr float kMixScale = 64.0f;

std::int16_t toSample(float mix) {
    float scaled = std::nearbyint(mix * kMixScale);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

std::array<Voice, kVoiceCount> makeVoices(const std::array<VoiceTable, 2>& tables,
                                          const RenderSettings& settings) {
    auto table = [&](std::size_t voice) -> const VoiceTable& {
        return tables[static_cast<std::size_t>(settings.tableOfVoice[voice] - 1)];
    };
    return {Voice(table(0)), Voice(table(1)), Voice(table(2)), Voice(table(3))};
}

}  // namespace

std::array<VoiceTable, 2> waveTables(const songformat::SongFileParts& parts) {
    std::array<VoiceTable, 2> tables{};
    for (std::size_t i = 0; i < songformat::kTableSize; ++i) {
        tables[0][i] = static_cast<std::int8_t>(parts.waveTable1[i]);
        // Table 2 is stored as its difference from table 1, modulo 256.
        tables[1][i] = static_cast<std::int8_t>(
            static_cast<std::uint8_t>(parts.waveTable1[i] + parts.storedWaveTable2[i]));
    }
    return tables;
}

SongRenderer::SongRenderer(const std::array<VoiceTable, 2>& tables, const PlayClock& clock,
                           const RenderSettings& settings, BlockSink sink)
    : clock_(clock),
      settings_(settings),
      tables_(tables),
      sink_(std::move(sink)),
      voices_(makeVoices(tables_, settings)),
      left_(kBlockFrames),
      right_(kBlockFrames),
      samples_(kBlockFrames * 2) {}

bool SongRenderer::play(const Record& record) {
    if (!renderUntil(clock_.frameAt(record.time))) return false;
    apply(record);
    return true;
}

bool SongRenderer::finish(std::uint64_t endUnits) {
    if (!renderUntil(clock_.frameAt(endUnits))) return false;
    for (Voice& voice : voices_) voice.stop(clock_.rampFrames());
    return renderUntil(clock_.songFrames(endUnits)) && flush();
}

void SongRenderer::apply(const Record& record) {
    if (record.kind == RecordKind::kFiller) return;
    if (record.voice >= kVoiceCount) {
        ++counts_.unheard.otherVoices;
        return;
    }
    Voice& voice = voices_[record.voice];
    switch (record.kind) {
        case RecordKind::kNoteOn:
            velocity_[record.voice] = record.value;
            hasVelocity_[record.voice] = true;
            startNote(voice, record.word, record.value);
            break;
        case RecordKind::kNoteOnSameVelocity:
            if (hasVelocity_[record.voice])
                startNote(voice, record.word, velocity_[record.voice]);
            else
                ++counts_.unheard.notesWithoutVelocity;
            break;
        case RecordKind::kPitchOrSlide:
            voice.changeStep(stepOfWord(record.word, clock_.rate()));
            break;
        case RecordKind::kNoteOff:
            voice.stop(clock_.rampFrames());
            break;
        case RecordKind::kController1:
            ++counts_.unheard.controller1;
            break;
        case RecordKind::kController4:
            ++counts_.unheard.controller4;
            break;
        case RecordKind::kRepeat:
            ++counts_.unheard.repeats;
            break;
        case RecordKind::kEnvelope:
            ++counts_.unheard.envelopes;
            break;
        default:
            break;
    }
}

void SongRenderer::startNote(Voice& voice, std::uint16_t word, std::uint8_t velocityByte) {
    NoteStart note = noteOfVelocity(velocityByte);
    note.step = stepOfWord(word, clock_.rate());
    voice.start(note, clock_.rampFrames());
    ++counts_.notes;
}

bool SongRenderer::renderUntil(std::uint64_t frame) {
    while (frame_ < frame) {
        std::size_t run = static_cast<std::size_t>(
            std::min<std::uint64_t>(kBlockFrames - filled_, frame - frame_));
        for (std::size_t voice = 0; voice < kVoiceCount; ++voice)
            if (!settings_.muted[voice])
                voices_[voice].render(&left_[filled_], &right_[filled_], run);
        filled_ += run;
        frame_ += run;
        if (filled_ == kBlockFrames && !flush()) return false;
    }
    return true;
}

bool SongRenderer::flush() {
    for (std::size_t i = 0; i < filled_; ++i) {
        samples_[2 * i] = toSample(left_[i]);
        samples_[2 * i + 1] = toSample(right_[i]);
    }
    bool taken = filled_ == 0 || sink_(std::span<const std::int16_t>(samples_.data(), 2 * filled_));
    std::fill(left_.begin(), left_.begin() + static_cast<std::ptrdiff_t>(filled_), 0.0f);
    std::fill(right_.begin(), right_.begin() + static_cast<std::ptrdiff_t>(filled_), 0.0f);
    filled_ = 0;
    return taken;
}

PlayResult renderSong(const songformat::SongFile& song, const PlayClock& clock,
                      const RenderSettings& settings, const BlockSink& sink) {
    SongRenderer renderer(waveTables(song.parts), clock, settings, sink);
    songformat::StreamDecoder decoder(song.stream());
    PlayResult result;
    Record record;
    while (decoder.next(record) && record.kind != RecordKind::kEnd)
        if (!renderer.play(record)) return {false, renderer.counts()};
    result.written = renderer.finish(record.time);
    result.counts = renderer.counts();
    return result;
}

}  // namespace songplay
