// One of the synthesizer's four voices as the preview models it: a 64-step
// wavetable oscillator with a loudness, a pan and short linear ramps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "songformat/songformat.h"

namespace songplay {

// A wave table's samples as the voice reads them: signed 8-bit.
using VoiceTable = std::array<std::int8_t, songformat::kTableSize>;

// The velocity byte less its pan bits that plays at full loudness: what a MIDI
// velocity of 127 becomes.
inline constexpr unsigned kFullVelocity = 124;

// What a note-on asks of a voice: the oscillator's step per frame (see
// stepOfWord), a loudness (1 at full velocity) and where it is heard.
struct NoteStart {
    std::uint64_t step = 0;
    float loudness = 0;
    bool left = false;
    bool right = false;
};

// The oscillator's phase is counted in table steps, 32.32 fixed point: the
// fraction keeps a note's pitch within a millionth of its word's frequency.
std::uint64_t stepOfWord(std::uint16_t word, unsigned rate);

// The loudness and the sides of a note-on's velocity byte: loudness from its
// upper six bits, bit 0 the left side, bit 1 the right.
NoteStart noteOfVelocity(std::uint8_t velocityByte);

class Voice {
public:
    explicit Voice(const VoiceTable& table) : table_(&table) {}

    // Starts a note at phase 0 with an attack ramp. A voice still sounding is
    // first released, so the new note starts at most one ramp late.
    void start(const NoteStart& note, std::uint32_t rampFrames);
    // A new frequency at once, keeping the phase and the loudness.
    void changeStep(std::uint64_t step);
    // Releases the voice over one ramp, and drops a note waiting to start.
    void stop(std::uint32_t rampFrames);

    bool silent() const { return level_ == 0 && rampLeft_ == 0 && !pending_; }

    // Adds the next `frames` frames of the voice to the two sides of the mix.
    void render(float* left, float* right, std::size_t frames);

private:
    void rampTo(float target, std::uint32_t frames);
    void begin(const NoteStart& note, std::uint32_t rampFrames);
    void renderRun(float* left, float* right, std::size_t frames);

    const VoiceTable* table_;
    std::uint64_t phase_ = 0;
    std::uint64_t step_ = 0;
    float level_ = 0;   // the loudness right now
    float target_ = 0;  // where the ramp under way ends
    float slope_ = 0;   // per frame, while rampLeft_ > 0
    std::uint32_t rampLeft_ = 0;
    bool left_ = false;
    bool right_ = false;
    // A note-on that waits for the release of the previous note.
    bool pending_ = false;
    NoteStart next_;
    std::uint32_t nextRamp_ = 0;
};

}  // namespace songplay
