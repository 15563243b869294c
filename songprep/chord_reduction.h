// The notes of one voice's channel and what of them the voice plays: all of
// them, or one note at a time where they overlap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "songprep/options.h"

namespace songprep {

// A note-on (velocity above 0) or note-off of the channel, in file order.
struct NoteMessage {
    std::uint32_t tick;
    std::uint8_t key;
    std::uint8_t velocity;  // 0 for a note-off
};

// A note as the file holds it: from its note-on to its own note-off, the first
// note-off of its key that is not another note's (a note-off ends the oldest
// open note of its key), or to the song's end.
struct FileNote {
    std::uint32_t start;
    std::uint32_t end;
    std::uint8_t key;
    std::uint8_t velocity;
};

// Positions count half ticks: 2 × tick, plus one for what comes after the end
// of a note that starts and ends at that tick. At one position, note-offs come
// before note-ons.
using Position = std::uint64_t;

inline Position positionOf(std::uint32_t tick) { return Position{tick} * 2; }
inline std::uint32_t tickOf(Position position) { return static_cast<std::uint32_t>(position / 2); }

// A note-on or note-off the voice plays, in the order it plays them.
struct NoteStep {
    Position position;
    std::uint32_t note;  // in ReducedNotes::notes
    bool on;
};

struct ChordCounts {
    std::size_t removed = 0;      // never the highest (lowest) sounding note
    std::size_t cutShort = 0;     // ended early by a higher (lower) note
    std::size_t startedLate = 0;  // began once a higher (lower) note had ended
};

struct ReducedNotes {
    std::vector<FileNote> notes;  // in the order they start
    std::vector<NoteStep> steps;
    ChordCounts counts;
    std::size_t strayNoteOffs = 0;  // note-offs that end no open note
};

// With `top`, at every moment the highest sounding note plays (of two of the
// same key, the later one); a note cut short by a higher one does not come back,
// and a note that starts under a higher one begins when it is the highest.
// `bottom` is the same with the lowest note; `keep` plays every note as written.
ReducedNotes reduceChords(const std::vector<NoteMessage>& messages, std::uint32_t endTime,
                          ChordRule rule);

}  // namespace songprep
