// One voice of the prepared song: its channel's notes as chord reduction leaves
// them, the controllers the converter keeps, and the pitch wheel as controller
// 2, in the order the voice plays them; and what was left out on the way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "midifile/input_song.h"
#include "songprep/chord_reduction.h"

namespace songprep {

// The order of events at one position. A pitch change that belongs to a note
// starting there comes after its note-on: the note-on sets the unbent pitch.
enum Phase : std::uint8_t {
    kPhaseTempo = 0,
    kPhaseNoteOff = 1,
    kPhaseControl = 2,
    kPhaseNoteOn = 3,
    kPhaseAfterNoteOn = 4,
};

inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kControl = 0xB0;
inline constexpr std::uint8_t kPitchController = 2;
inline constexpr std::uint8_t kPanController = 10;

struct VoiceEvent {
    Position position;
    std::uint8_t phase;
    std::uint8_t kind;  // kNoteOff, kNoteOn or kControl: a status without its channel
    std::uint8_t data1;
    std::uint8_t data2;
    std::uint32_t note;  // for note-ons and note-offs: the note's number in its voice
};

// Messages of the voices' channels that the output leaves out, by kind.
struct LeftOutCounts {
    std::size_t programChanges = 0;
    std::size_t channelPressure = 0;
    std::size_t keyPressure = 0;
    std::size_t pitchWheel = 0;        // with --no-bend
    std::size_t controller1 = 0;       // kept on voice 0 only
    std::size_t pitchWithoutNote = 0;  // controller 2 where no note sounds
    std::size_t strayNoteOffs = 0;     // ending no note
    std::size_t damaged = 0;           // a data byte over 127
    std::array<std::size_t, 128> controllers{};

    LeftOutCounts& operator+=(const LeftOutCounts& other);
};

struct BendCounts {
    std::size_t wheelMessages = 0;  // pitch wheel messages read
    std::size_t clipped = 0;        // below the centre: controller 2 bends only upwards
    std::size_t written = 0;        // controller 2 events written for them
};

struct PreparedVoice {
    std::deque<VoiceEvent> events;  // a queue: the planner gives them back as it reads them
    std::size_t notesRead = 0;
    std::size_t notesPlayed = 0;
    ChordCounts chords;
    BendCounts bends;
    LeftOutCounts leftOut;
};

struct VoiceSettings {
    int voice = 0;
    ChordRule chords = ChordRule::top;
    bool bend = true;
};

// `messages` are the channel's, in file order; `endTime` ends notes that have
// no note-off.
PreparedVoice prepareVoice(const std::vector<midifile::InputMessage>& messages,
                           std::uint32_t endTime, const VoiceSettings& settings);

// The controller 2 value of a pitch wheel position (8192 is the centre) with a
// range of ±2 semitones: the same bend, rounded. False when the wheel is below
// the centre, which controller 2 cannot bend to; the value is then 0.
bool pitchControllerValue(std::uint16_t wheel, std::uint8_t& value);

}  // namespace songprep
