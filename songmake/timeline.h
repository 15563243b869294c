// The timeline: orders the merged events and turns absolute tick times into the
// one-byte delays the player waits before each record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "songmake/events.h"

// Player units per MIDI tick at 120 beats per minute: 5/12 in single precision.
inline constexpr float kStartingFactor = 0.41666666f;

// The scale factor (player units per tick) a tempo in microseconds per quarter
// note gives; false, leaving `factor` alone, for a tempo of 0 or one so slow
// that it would divide by zero: such tempo events are ignored.
bool factorForTempo(std::uint32_t tempo, float& factor);

// Delays are rounded with this bias, not 0.5.
inline constexpr float kRoundingBias = 0.4f;

// The delay in player units of a gap of `ticks` at `factor`: each gap is
// rounded on its own, with a bias of 0.4 rather than 0.5. Inline: the
// arranger's clock asks for it millions of times.
inline std::uint32_t scaleGap(std::uint32_t ticks, float factor) {
    double product = static_cast<double>(ticks) * static_cast<double>(factor);
    double scaled = product + static_cast<double>(kRoundingBias);
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(scaled));
}

// The merged list's order: by time, and at equal times every other event before a
// note-on that carries its velocity.
bool eventBefore(const Event& a, const Event& b);

// Sorts with eventBefore, keeping the merged order of events it holds equal.
void sortEvents(EventList& list);

// Most fillers a song may need. A single gap of a full 32-bit delay takes under
// 2^24 of them; only damaged files ask for more, and they would need gigabytes.
inline constexpr std::size_t kMaxFillers = std::size_t{1} << 25;

// Folds tempo events into the scale factor, replaces every time with the delay
// since the event before, in player units, and bridges long gaps with fillers.
// Returns false, leaving the list unusable, when the gaps need over maxFillers.
bool buildTimeline(EventList& list, std::size_t maxFillers = kMaxFillers);
