// The three rewrites every voice's track goes through before it is merged.
#pragma once

#include <cstdint>
#include <vector>

#include "songmake/capture.h"

// A note-off that a note-on of the same voice follows within this many ticks is
// dropped: the note would end only to click before the next one starts.
inline constexpr std::uint32_t kNoteOffMergeTicks = 14;

// Turns legato notes into slides and drops note-offs that a new note follows at once.
void pruneNoteOffs(ChannelTrack& track);

// A pitch event that came before the first note of its track (or after a note
// 0), and so bends from note 0.
struct PitchBeforeNote {
    std::uint32_t tick;
    std::uint8_t voice;
};

// Replaces note numbers and pitch controller values with frequency words;
// appends every pitch event that comes before the track's first note to `early`.
void assignFrequencies(ChannelTrack& track, std::vector<PitchBeforeNote>& early);

// Leaves out repeated velocities and folds the pan controller into the velocity byte.
void foldVelocityAndPan(ChannelTrack& track);

// The frequency word (hertz × 1.024, rounded) of a MIDI note, and of a pitch
// controller value, which bends 0 to 2 semitones above `lastNote`.
std::uint16_t noteFrequencyWord(std::uint8_t note);
std::uint16_t pitchFrequencyWord(std::uint8_t lastNote, std::uint16_t controllerValue);
