// How much of a song's music a rendition keeps, in three figures:
// - melody: of the time any note sounds, how much of it the highest sounding
//   note of the written song also sounds in the rendition, at its pitch;
// - bass: the same for the lowest sounding note;
// - note time: of all the written notes' time added up, how much sounds in the
//   rendition at the note's pitch.
// A played note counts within a tolerance of its times (the player's rounding
// and a short slip are not a loss), at most a quarter of its own length. Drums are no part of
// either list: they have no pitch to keep.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace music {

// A note with its times in any one unit (seconds, player units).
struct TimedNote {
    double start = 0;
    double end = 0;
    std::uint8_t key = 0;
};

struct MusicKept {
    double melody = 100;  // percent
    double bass = 100;
    double noteTime = 100;
    // The most note time any four one-note voices could keep: at each moment
    // the four keys that the most notes sound.
    double noteTimeCeiling = 100;
    bool anyNotes = false;  // false when the written song has no note with a length
};

// How much a played note's times may be off: 30 ms.
inline constexpr double kKeptToleranceMs = 30;

// `tolerance` in the notes' own unit.
MusicKept measureMusicKept(std::span<const TimedNote> written, std::span<const TimedNote> played,
                           double tolerance);
// The same, giving each list's memory back as soon as it is read.
MusicKept measureMusicKept(std::vector<TimedNote>&& written, std::vector<TimedNote>&& played,
                           double tolerance);

inline constexpr int kMeasuredVoices = 4;

// "melody 98.5%, bass 91.0%, note time 80.2% (four voices hold at most 85.0%)";
// "no notes" when there are none.
std::string describeMusicKept(const MusicKept& kept);

}  // namespace music
