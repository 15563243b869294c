// Note-level voice allocation: every note of every channel may play on any of
// the four voices, and at each moment the voices play the notes that matter
// most.
//
// A note's worth, at a moment, is what it still has to give from then on: its
// time as the melody's highest note counts 16 times, its time as the bass's
// lowest note 8 times, the rest of its length once (louder first where that
// ties). A drum hit is worth less than any pitched note.
//
// Notes are taken in the order they start, the worthier first at one tick. A
// note takes a free voice: the one that last played its channel, else the one
// free the longest. With none free it takes the voice of the sounding note
// worth least now, when it is worth more than that note; the note taken from
// ends there (cut short). Otherwise it is left out: a note never starts later
// than written. A note of a key that already sounds takes that voice over
// rather than a second one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "music/song_notes.h"
#include "songprep/options.h"

namespace songprep {

// A note as a voice plays it.
struct VoiceNote {
    std::uint32_t start;
    std::uint32_t end;
    std::uint8_t key;
    std::uint8_t velocity;
    std::uint8_t channel;
    std::uint32_t note;  // in music::SongNotes::notes
};

// Where a note was left out, for the report.
struct NotePlace {
    std::uint32_t tick;
    std::uint8_t channel;
    std::uint8_t key;
};

inline constexpr std::size_t kPlacesKept = 5;

struct AllocationCounts {
    std::size_t played = 0;
    std::size_t cutShort = 0;  // taken from by a worthier note
    std::size_t leftOut = 0;   // no voice when written
    std::size_t doubled = 0;   // its key already sounded on a voice, which it took over
    std::size_t drumsPlayed = 0;
    std::size_t drumsLeftOut = 0;
    std::size_t arpeggiated = 0;  // left-out notes that sound in turn instead
    std::vector<NotePlace> firstLeftOut;
};

struct Allocation {
    std::array<std::vector<VoiceNote>, kVoiceCount> voices;  // in time order, never overlapping
    AllocationCounts counts;
};

struct AllocationSettings {
    DrumRule drums = DrumRule::shared;
    int drumVoice = 0;           // with DrumRule::ownVoice
    double arpeggioMs = 0;       // 0: no arpeggio
    double shortestMs = 0;       // the shortest a note may last: two player units
    std::vector<bool> excluded;  // notes left out beforehand (to fit the stream), or empty
    // The song's ticks for `ms` milliseconds from `tick` on.
    std::function<std::uint32_t(double ms, std::uint32_t tick)> ticksForMs;
};

Allocation allocateVoices(const music::SongNotes& notes, const AllocationSettings& settings);

// What a note is worth from `tick` on, by the rule above.
double noteWorth(const music::SongNotes& notes, const music::SongNote& note, std::uint32_t tick);

}  // namespace songprep
