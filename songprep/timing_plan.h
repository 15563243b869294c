// Gives every event of the prepared song its tick in the output, so that the
// converter plays the song at its written tempo and loses none of its notes:
// every note lasts at least one player unit once the converter has rounded
// each gap, and every note-off the converter drops shares its tick with the
// note-on that follows it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "midifile/input_song.h"
#include "songprep/voice_events.h"
#include "songprep/written_time.h"

namespace songprep {

// A channel message of the output, its channel the voice's.
struct PlacedEvent {
    std::uint32_t tick;
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    std::uint64_t unit;  // when the converter plays it, in player units
};

struct PlacedTempo {
    std::uint32_t tick;
    std::uint32_t tempo;
};

// How the output's ticks relate to the file's.
struct TimeScale {
    enum class Kind {
        rescaled,    // ticks per quarter note to the player unit's
        kept,        // --unit-ms 0: the file's ticks and division
        fromSmpte,   // SMPTE frames to ticks per quarter note at 120 beats per minute
        noDivision,  // the header gives no time: its ticks taken as the player unit's
    };
    Kind kind = Kind::kept;
    std::uint16_t fileDivision = 0;
    std::uint16_t division = 0;  // the output's
};

struct TimedSong {
    TimeScale scale;
    std::vector<PlacedTempo> tempos;
    using VoiceEvents = std::deque<PlacedEvent>;  // grows without copying what it holds
    std::array<VoiceEvents, kVoiceCount> voices;
    std::uint32_t endTick = 0;
    std::uint64_t endUnit = 0;          // when the song ends, in player units
    std::size_t streamBytesAtMost = 0;  // the stream the converter makes, fillers and end included
    std::size_t streamBytesAtLeast = 0;  // and the least it can be
    bool overLimit = false;  // planning stopped: the stream passes PlanSettings::streamLimit
    std::size_t notesLengthened = 0;    // to last one player unit
    std::size_t restsClosed = 0;        // of 14 ticks or less, whose note-off the converter drops
    std::size_t temposLeftOut = 0;      // of 0, or of SMPTE time, which tempo does not change
    std::size_t notesLeftOutLate =
        0;  // that would start over a player unit after their written time
    std::size_t notesStartedLate = 0;  // over a player unit after their written time
    std::size_t pitchWithoutNote = 0;  // bends left out: their note was, or no note-on is before them
};

struct PlanSettings {
    double unitMs = 0;  // 0 keeps the file's times, moving only what must move
    // The file's written time at unitMs and divisionForUnit(unitMs), when it
    // is worked out already.
    const WrittenTime* written = nullptr;
    // Stop as soon as the stream is sure to pass this many bytes (0: never):
    // what is planned then is only good for saying that it does not fit.
    std::size_t streamLimit = 0;
};

// Takes the voices' events as it goes: they are empty afterwards.
TimedSong planTiming(const midifile::InputSong& song,
                     std::array<PreparedVoice, kVoiceCount>& voices, const PlanSettings& settings);

// The output's ticks per quarter note for a player unit: 1.2 s over the unit.
std::uint16_t divisionForUnit(double unitMs);

}  // namespace songprep
