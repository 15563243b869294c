// Every note of the file, of every channel, with what it means to the music:
// how long it is the highest sounding note (the melody), how long the lowest
// (the bass). The arranger decides from these which notes the four voices play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "midifile/input_song.h"

namespace music {

inline constexpr int kAnyChannel = -1;

// Kept small (32 bytes): a song holds millions of them.
struct SongNote {
    std::uint32_t start = 0;
    std::uint32_t end = 0;  // after start: a note of no length lasts a tick
    std::uint8_t key = 0;
    std::uint8_t velocity = 0;
    std::uint8_t channel = 0;
    bool drum = false;
    std::uint32_t melodyTicks = 0;  // while it is the highest note of the melody's notes
    std::uint32_t bassTicks = 0;    // while it is the lowest note of the bass's notes
    // Its stretches in SongNotes::stretches: as the melody's top note, from
    // `melodyFrom` on, then as the bass's bottom note.
    std::uint32_t melodyFrom = 0;
    std::uint32_t melodyCount = 0;
    std::uint32_t bassCount = 0;
};

// A stretch of time during which one note is the melody's (or the bass's).
struct LineStretch {
    std::uint32_t start;
    std::uint32_t end;
    std::uint32_t before = 0;  // the lengths of the note's stretches before this one
};

struct SongNotes {
    std::vector<SongNote> notes;  // in the order they start
    std::vector<LineStretch> stretches;
    std::size_t strayNoteOffs = 0;
    std::size_t damaged = 0;  // note messages with a data byte over 127
};

// Which notes make the melody and the bass: the highest and the lowest of the
// pitched notes of all channels, or of the channel named.
struct LineChannels {
    int melody = kAnyChannel;
    int bass = kAnyChannel;
};

// A note-on ends at the first later note-off of its key and channel that is not
// an earlier note's (a note-off ends the oldest open note of its key), or at the
// song's end.
SongNotes collectSongNotes(const midifile::InputSong& song, const LineChannels& lines);

// Where each note of collectSongNotes is in midifile::InputSong::messages: its
// note-on, and its own note-off or -1 when the song's end ends it.
struct NoteMessages {
    std::vector<std::uint32_t> on;
    std::vector<std::int32_t> off;
};
NoteMessages collectNoteMessages(const midifile::InputSong& song);

// How long `note` is still the melody's (the bass's) from `tick` on.
double melodyTicksFrom(const SongNotes& notes, const SongNote& note, std::uint32_t tick);
double bassTicksFrom(const SongNotes& notes, const SongNote& note, std::uint32_t tick);

}  // namespace music
