// How much of the file's music the converted song keeps: its pitched notes of
// every channel as written, against what the stream plays.
#pragma once

#include "music/music_kept.h"
#include "songcheck/conversion_trace.h"
#include "songcheck/note_comparison.h"

namespace songcheck {

// `writtenUnitMs` is the unit at which the file plays at its written tempo (0
// when it gives none: its ticks then count at `unitMs`).
music::MusicKept musicKeptOf(const ConversionTrace& trace, const NoteComparison& comparison,
                             double writtenUnitMs, double unitMs);

}  // namespace songcheck
