// Time as the MIDI file writes it and as the player keeps it: the exact
// player-unit time of any tick, and what the rounding and the unit change.
#pragma once

#include <cstdint>
#include <vector>

#include "songcheck/conversion_trace.h"
#include "songcheck/findings.h"

namespace songcheck {

// Player units at any tick, at the converter's scale factors but without the
// rounding of each gap to whole units.
class TempoMap {
public:
    explicit TempoMap(const std::vector<TempoChange>& tempos);
    double units(std::uint32_t tick) const;

private:
    struct Segment {
        std::uint32_t tick;
        double units;   // at the segment's first tick
        double factor;  // units per tick from there on
    };
    std::vector<Segment> segments_;
    mutable std::size_t lastSegment_ = 0;  // where the last call found its tick
};

// The player unit, in milliseconds, at which the file plays at its written
// tempo: 1.2 s over its ticks per quarter note. SMPTE time has no quarter
// notes: its unit depends on the tempo, and `firstTempo` is used. 0 when the
// header gives no time at all.
double writtenUnitMs(const MidiHeader& header, std::uint32_t firstTempo);

// How the song's pace compares with the file's: "plays at its written tempo",
// "plays 4.00 times faster than written".
std::string paceAt(double writtenMs, double unitMs);

// Notes (not losses) on timing: the song does not play at its written tempo
// at this unit, and how far the rounding of every gap to whole units moves the
// song's end from its exact time.
void checkTiming(const ConversionTrace& trace, const TempoMap& tempo, double writtenMs,
                 double unitMs, Findings& findings);

}  // namespace songcheck
