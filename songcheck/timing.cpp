#include "songcheck/timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "midifile/midi_terms.h"
#include "songmake/timeline.h"

namespace songcheck {
namespace {

// A player unit at which one tick lasts as long as its written time: a tick of
// a quarter note at 120 beats per minute takes 5/12 of a unit.
constexpr double kSecondsPerQuarterRatio = 1.2;
constexpr std::uint32_t kDefaultTempo = 500000;

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

TempoMap::TempoMap(const std::vector<TempoChange>& tempos) {
    segments_.push_back({0, 0.0, static_cast<double>(kStartingFactor)});
    for (const TempoChange& change : tempos) {
        float factor = 0;
        if (!factorForTempo(change.tempo, factor)) continue;
        std::uint32_t tick = std::max(change.tick, segments_.back().tick);
        segments_.push_back({tick, units(tick), static_cast<double>(factor)});
    }
}

double TempoMap::units(std::uint32_t tick) const {
    // Most calls ask for a tick in the segment of the call before.
    std::size_t at = lastSegment_;
    bool holds = segments_[at].tick <= tick &&
                 (at + 1 == segments_.size() || tick < segments_[at + 1].tick);
    if (!holds) {
        auto after = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                      [](std::uint32_t t, const Segment& s) { return t < s.tick; });
        at = static_cast<std::size_t>(after - segments_.begin()) - 1;
        lastSegment_ = at;
    }
    const Segment& segment = segments_[at];
    return segment.units + (tick - segment.tick) * segment.factor;
}

double writtenUnitMs(const MidiHeader& header, std::uint32_t firstTempo) {
    if (header.division == 0) return 0;
    if (!midifile::isSmpteDivision(header.division))
        return kSecondsPerQuarterRatio * 1000.0 / header.division;
    if (!midifile::isValidSmpteDivision(header.division)) return 0;
    float factor = kStartingFactor;
    factorForTempo(firstTempo == 0 ? kDefaultTempo : firstTempo, factor);
    double secondsPerTick = 1.0 / (midifile::smpteFramesPerSecond(header.division) *
                                   midifile::smpteTicksPerFrame(header.division));
    return secondsPerTick / factor * 1000.0;
}

std::string paceAt(double writtenMs, double unitMs) {
    if (writtenMs <= 0) return "has no written tempo";
    double ratio = writtenMs / unitMs;
    if (std::fabs(ratio - 1.0) < 0.005) return "plays at its written tempo";
    if (ratio > 1) return "plays " + fixed(ratio, 2) + " times faster than written";
    return "plays " + fixed(1 / ratio, 2) + " times slower than written";
}

void checkTiming(const ConversionTrace& trace, const TempoMap& tempo, double written, double unitMs,
                 Findings& findings) {
    std::string pace = paceAt(written, unitMs);
    if (pace.starts_with("plays ") && pace != "plays at its written tempo")
        findings.add(false, "at a player unit of " + fixed(unitMs, 3) + " ms the song " + pace +
                                " (its own unit is " + fixed(written, 3) + " ms)");

    // The last record's exact time against the time the rounded gaps add up to;
    // records are in time order, so the last tick has the last running time.
    std::uint32_t lastTick = 0;
    std::uint64_t lastUnit = 0;
    bool any = false;
    for (const auto& group : trace.groups())
        for (const TracedEvent& event : group)
            if (event.placed) {
                lastUnit = std::max(lastUnit, event.unit);
                lastTick = std::max(lastTick, event.tick);
                any = true;
            }
    if (!any) return;
    double drift = static_cast<double>(lastUnit) - tempo.units(lastTick);
    if (std::fabs(drift) < 1.0) return;
    findings.add(false,
                 "the converter's timing (each gap rounded to whole player units, each tempo "
                 "change applied from the event before it) ends the song " +
                     fixed(std::fabs(drift), 1) + " units (" +
                     fixed(std::fabs(drift) * unitMs / 1000.0, 3) + " s) " +
                     (drift < 0 ? "earlier" : "later") + " than its exact time");
}

}  // namespace songcheck
