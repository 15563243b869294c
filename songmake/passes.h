// The three rewrites every voice's track goes through before it is merged.
#pragma once

#include <cstdint>

#include "songmake/capture.h"

// Turns legato notes into slides and drops note-offs that a new note follows at once.
void pruneNoteOffs(ChannelTrack& track);

// Replaces note numbers and pitch controller values with frequency words; prints
// a warning for every pitch event that comes before the track's first note.
void assignFrequencies(ChannelTrack& track);

// Leaves out repeated velocities and folds the pan controller into the velocity byte.
void foldVelocityAndPan(ChannelTrack& track);

// The frequency word (hertz × 1.024, rounded) of a MIDI note, and of a pitch
// controller value, which bends 0 to 2 semitones above `lastNote`.
std::uint16_t noteFrequencyWord(std::uint8_t note);
std::uint16_t pitchFrequencyWord(std::uint8_t lastNote, std::uint16_t controllerValue);
