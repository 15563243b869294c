// Gives every event of the prepared song its tick in the output, so that the
// converter plays the song at its written tempo and loses none of its notes:
// every note lasts at least one player unit once the converter has rounded
// each gap, and every note-off the converter drops shares its tick with the
// note-on that follows it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "midifile/input_song.h"
#include "songprep/voice_events.h"

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
    std::array<std::vector<PlacedEvent>, kVoiceCount> voices;
    std::uint32_t endTick = 0;
    std::uint64_t endUnit = 0;          // when the song ends, in player units
    std::size_t streamBytesAtMost = 0;  // the stream the converter makes, fillers and end included
    std::size_t notesLengthened = 0;    // to last one player unit
    std::size_t restsClosed = 0;        // of 14 ticks or less, whose note-off the converter drops
    std::size_t temposLeftOut = 0;      // of 0, or of SMPTE time, which tempo does not change
    std::size_t notesLeftOutLate =
        0;  // that would start over a player unit after their written time
    std::size_t notesStartedLate = 0;  // over a player unit after their written time
};

// `unitMs` 0 keeps the file's times, moving only what must move.
TimedSong planTiming(const midifile::InputSong& song,
                     const std::array<PreparedVoice, kVoiceCount>& voices, double unitMs);

// The output's ticks per quarter note for a player unit: 1.2 s over the unit.
std::uint16_t divisionForUnit(double unitMs);

}  // namespace songprep
