#include "songplay/voice.h"

#include <algorithm>
#include <cmath>

namespace songplay {
namespace {

// A frequency word is the frequency in hertz times 1.024.
constexpr double kWordsPerHertz = 1.024;
constexpr double kPhaseOne = 4294967296.0;  // one table step in 32.32 fixed point
constexpr std::uint64_t kHalfStep = std::uint64_t{1} << 31;
constexpr int kFractionBits = 32;
constexpr std::uint64_t kIndexMask = songformat::kTableSize - 1;
constexpr std::uint8_t kPanBits = 0x03;

}  // namespace

std::uint64_t stepOfWord(std::uint16_t word, unsigned rate) {
    double stepsPerFrame = word / kWordsPerHertz * songformat::kTableSize / rate;
    return static_cast<std::uint64_t>(std::llround(stepsPerFrame * kPhaseOne));
}

NoteStart noteOfVelocity(std::uint8_t velocityByte) {
    NoteStart note;
    note.loudness = static_cast<float>(velocityByte & ~kPanBits) / kFullVelocity;
    note.left = (velocityByte & 0x01) != 0;
    note.right = (velocityByte & 0x02) != 0;
    return note;
}

void Voice::start(const NoteStart& note, std::uint32_t rampFrames) {
    if (level_ == 0) {  // nothing heard yet, so nothing to release
        pending_ = false;
        begin(note, rampFrames);
        return;
    }
    // A release under way keeps its pace; anything else starts one now.
    if (target_ != 0 || rampLeft_ == 0) rampTo(0, rampFrames);
    pending_ = true;
    next_ = note;
    nextRamp_ = rampFrames;
}

void Voice::changeStep(std::uint64_t step) {
    step_ = step;
    next_.step = step;
}

void Voice::stop(std::uint32_t rampFrames) {
    pending_ = false;
    if (level_ != 0 || rampLeft_ != 0) rampTo(0, rampFrames);
}

void Voice::rampTo(float target, std::uint32_t frames) {
    target_ = target;
    rampLeft_ = frames;
    slope_ = (target - level_) / static_cast<float>(frames);
}

void Voice::begin(const NoteStart& note, std::uint32_t rampFrames) {
    phase_ = 0;
    step_ = note.step;
    left_ = note.left;
    right_ = note.right;
    level_ = 0;
    rampTo(note.loudness, rampFrames);
}

void Voice::render(float* left, float* right, std::size_t frames) {
    std::size_t done = 0;
    while (done < frames) {
        if (rampLeft_ == 0) {
            if (level_ == 0 && pending_) {
                pending_ = false;
                begin(next_, nextRamp_);
            }
            if (level_ == 0 && rampLeft_ == 0) return;  // silent: nothing to add
        }
        std::size_t run = frames - done;
        if (rampLeft_ > 0) run = std::min<std::size_t>(run, rampLeft_);
        renderRun(left + done, right + done, run);
        done += run;
        if (rampLeft_ > 0) {
            rampLeft_ -= static_cast<std::uint32_t>(run);
            if (rampLeft_ == 0) level_ = target_;  // no rounding drift past the ramp's end
        }
    }
}

void Voice::renderRun(float* left, float* right, std::size_t frames) {
    const std::int8_t* samples = table_->data();
    std::uint64_t phase = phase_;
    const std::uint64_t step = step_;
    float level = level_;
    const float slope = rampLeft_ > 0 ? slope_ : 0.0f;
    const float toLeft = left_ ? 1.0f : 0.0f;
    const float toRight = right_ ? 1.0f : 0.0f;
    for (std::size_t i = 0; i < frames; ++i) {
        // The nearest of the 64 steps, without interpolation.
        float sample = samples[((phase + kHalfStep) >> kFractionBits) & kIndexMask] * level;
        left[i] += sample * toLeft;
        right[i] += sample * toRight;
        phase += step;
        level += slope;
    }
    phase_ = phase;
    level_ = level;
}

}  // namespace songplay
