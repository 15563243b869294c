// What a piano roll shows of a song: the notes of each voice as bars over
// time, where their pitch changes, and where settings change.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "songdump/report.h"

namespace songdump {

// A record's voice is the low nibble of its code byte: 16 values, of which the
// synthesizer plays the first four.
inline constexpr int kVoiceNibbleValues = 16;

// A stretch of one note at one pitch.
struct NoteBar {
    std::uint8_t voice = 0;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint16_t word = 0;
    std::uint8_t velocity = 0;  // without the pan bits
    bool afterStep = false;     // begun by a pitch change or slide, not a note-on
};

// A pitch change or slide while a note sounds.
struct PitchStep {
    std::uint8_t voice = 0;
    std::uint64_t time = 0;
    std::uint16_t fromWord = 0;
    std::uint16_t toWord = 0;
};

// A controller, repeat, envelope, or a pitch change while the voice is silent.
struct SettingMark {
    std::uint8_t voice = 0;
    std::uint64_t time = 0;
    std::string label;
};

class PianoRoll {
public:
    void add(const Record& record);

    const std::vector<NoteBar>& bars() const { return bars_; }
    const std::vector<PitchStep>& steps() const { return steps_; }
    const std::vector<SettingMark>& marks() const { return marks_; }
    std::uint64_t length() const { return length_; }
    bool voiceUsed(int voice) const { return (voicesUsed_ >> voice) & 1u; }

private:
    struct VoiceState {
        bool sounding = false;
        std::uint64_t start = 0;
        std::uint16_t word = 0;
        std::uint8_t velocity = 0;
        bool afterStep = false;
    };
    void startBar(std::uint8_t voice, std::uint64_t time, std::uint16_t word, bool afterStep);
    void endBar(std::uint8_t voice, std::uint64_t time);

    VoiceState voices_[kVoiceNibbleValues];
    std::vector<NoteBar> bars_;
    std::vector<PitchStep> steps_;
    std::vector<SettingMark> marks_;
    std::uint64_t length_ = 0;
    std::uint16_t voicesUsed_ = 0;
    bool ended_ = false;
};

}  // namespace songdump
