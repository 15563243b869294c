// Note-level voice allocation: every note of every channel may play on any of
// the four voices, and at each moment the voices play the notes that matter
// most.
//
// What a note counts for at a moment: first whether it is the melody's highest
// note or the bass's lowest then, so that the melody and the bass never give
// way to any other note, however long; then its worth, what it still has to
// give from then on: its time as the melody's highest note counts 16 times,
// its time as the bass's lowest note 8 times, the rest of its length once
// (louder first where that ties). A drum hit counts for less than any pitched
// note.
//
// Notes are taken in the order they start, the one that counts most first at
// one tick. A note of a key that already sounds plays on that voice: struck
// again where it lasts longer and the sounding note has been heard, otherwise
// the key just sounds on for it; a key never sounds on two voices at once.
// Otherwise a note takes a free voice: the one that last played its channel,
// else the one free the longest. With none free it takes the voice of the
// sounding note that counts least, when it counts for more than that note: the
// note taken from ends there (cut short) once it has been heard for 30 ms (or
// its whole length, when shorter); before that it is left out altogether, as
// it would only be a click of pitch, and the note it had cut plays on.
// Otherwise the note is left out: a note never starts later than written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "music/song_notes.h"
#include "songformat/records.h"
#include "songformat/songformat.h"
#include "songprep/options.h"

namespace songprep {

inline constexpr std::uint32_t kNoVoiceNote = 0xFFFFFFFF;

// A note as a voice plays it.
struct VoiceNote {
    std::uint32_t start;
    std::uint32_t end;
    std::uint8_t key;
    std::uint8_t velocity;
    std::uint8_t channel;
    std::uint32_t note;  // in music::SongNotes::notes
    // Notes of the same key it sounds for as well: the one that counted most
    // when it came, the one that lasts longest.
    std::uint32_t also = kNoVoiceNote;
    std::uint32_t longest = kNoVoiceNote;
};

// Where a note was left out, for the report.
struct NotePlace {
    std::uint32_t tick;
    std::uint8_t channel;
    std::uint8_t key;
};

inline constexpr std::size_t kPlacesKept = 5;

// A note heard for less than this, where it was written longer, is a click of
// pitch rather than a note.
inline constexpr double kShortestHeardMs = 30;

// More notes on the voices than this could not fit the largest song file
// songmake writes, even were every one a note-on of the shortest kind.
inline constexpr std::size_t kMostVoiceNotes =
    songformat::kLargestSongFile /
    songformat::fixedRecordLength(songformat::kCodeNoteOnSameVelocity);

struct AllocationCounts {
    std::size_t played = 0;
    std::size_t cutShort = 0;      // taken from by a note that counts for more
    std::size_t leftOut = 0;       // no voice when written
    std::size_t leftOutAhead = 0;  // started, then taken from before it was heard
    std::size_t struckAgain = 0;   // played: struck again on the voice sounding its key
    std::size_t keySounding = 0;   // not struck: its key already sounded on a voice
    std::size_t drumsPlayed = 0;
    std::size_t drumsLeftOut = 0;
    std::size_t arpeggiated = 0;  // left-out notes that sound in turn instead
    std::vector<NotePlace> firstLeftOut;
    std::vector<NotePlace> firstLeftOutAhead;
};

struct Allocation {
    std::array<std::vector<VoiceNote>, kVoiceCount> voices;  // in time order, never overlapping
    AllocationCounts counts;
    bool overflow = false;  // over kMostVoiceNotes: no song file could hold it
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

// Whether the note is the melody's highest or the bass's lowest at `tick` or
// within `soon` ticks after it.
bool isLineAt(const music::SongNotes& notes, const music::SongNote& note, std::uint32_t tick,
              std::uint32_t soon);

}  // namespace songprep
