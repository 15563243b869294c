// Compares every note of the four voices as the file holds it with what the
// converted stream plays, and says where they differ.
#pragma once

#include <cstdint>
#include <vector>

#include "songcheck/conversion_trace.h"
#include "songcheck/findings.h"

namespace songcheck {

// A note as the file holds it: from its note-on to its own note-off (the
// first note-off of the same key after it), or to the file's end.
struct FileNote {
    std::uint8_t voice = 0;
    std::uint8_t key = 0;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t onIndex = 0;   // its note-on in the voice's traced events
    std::int64_t offIndex = -1;  // its own note-off there, or -1
};

// A stretch of the stream during which one voice sounds one frequency word.
struct PlayedBar {
    std::uint8_t voice = 0;
    std::uint64_t start = 0;  // player units
    std::uint64_t end = 0;
    std::uint16_t word = 0;
    bool attack = false;  // begun by a note-on, not a slide or pitch change
};

struct VoiceSummary {
    std::size_t notes = 0;
    std::size_t slides = 0;
    std::size_t noteOffsLeftOut = 0;
    std::size_t pitchEvents = 0;
    std::size_t controllers = 0;  // controllers 1, 3, 4 and 10
    int lowestKey = -1;
    int highestKey = -1;
};

struct NoteComparison {
    std::vector<FileNote> notes;  // voice by voice, in the order they start
    std::vector<PlayedBar> played;
    VoiceSummary voices[kVoiceCount];
};

// Adds the findings about chords and about notes played differently (when the
// trace followed every record to the stream); keeps what the stream plays, bar
// by bar, when `keepPlayed` is set (for a picture).
NoteComparison compareNotes(const ConversionTrace& trace, bool keepPlayed, Findings& findings);

}  // namespace songcheck
