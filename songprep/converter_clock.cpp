#include "songprep/converter_clock.h"

#include <algorithm>
#include <cmath>

#include "songmake/timeline.h"

namespace songprep {

ConverterClock::ConverterClock() : factor_(kStartingFactor) {}

bool ConverterClock::setTempo(std::uint32_t tempo) {
    float before = factor_;
    factorForTempo(tempo, factor_);
    return factor_ != before;
}

void ConverterClock::record(Tick tick) {
    lastUnit_ = unitAt(tick);
    lastTick_ = tick;
    anyRecord_ = true;
}

Unit ConverterClock::unitAt(Tick tick) const {
    Tick gap = std::min(tick, kLastTick) - lastTick_;
    return lastUnit_ + scaleGap(static_cast<std::uint32_t>(gap), factor_);
}

bool ConverterClock::unitFollows(Tick tick) const {
    return tick < kLastTick && scaleGap(static_cast<std::uint32_t>(kLastTick - tick), factor_) > 0;
}

Tick ConverterClock::playableTick(Tick tick) const {
    constexpr Unit kLostDelay = 256;
    if (unitAt(tick) - lastUnit_ != kLostDelay) return tick;
    return tickForUnit(lastUnit_ + kLostDelay + 1);
}

Tick ConverterClock::tickForUnit(Unit unit) const {
    if (unit <= lastUnit_) return lastTick_;
    Unit wanted = unit - lastUnit_;
    Tick room = kLastTick - lastTick_;
    auto units = [&](Tick gap) { return scaleGap(static_cast<std::uint32_t>(gap), factor_); };
    if (units(room) < wanted) return kLastTick;
    // The estimate lands within a tick or two; the steps make it the first gap.
    double estimate = std::ceil((static_cast<double>(wanted) - 0.4) / factor_);
    Tick gap = static_cast<Tick>(std::clamp(estimate, 1.0, static_cast<double>(room)));
    while (gap < room && units(gap) < wanted) ++gap;
    while (gap > 1 && units(gap - 1) >= wanted) --gap;
    return lastTick_ + gap;
}

}  // namespace songprep

namespace songprep {

Tick ConverterClock::tickNear(Unit unit, double wanted) const {
    unit = std::max(unit, lastUnit_);
    Tick first = tickForUnit(unit);
    if (first == kLastTick) return kLastTick;
    double nearest = std::floor(wanted + 0.5);
    if (nearest <= static_cast<double>(first)) return first;
    // Within the unit's ticks (the usual case) the nearest is the one; the
    // unit's last tick is looked for only when it is past them.
    if (nearest < static_cast<double>(kLastTick) && unitAt(static_cast<Tick>(nearest)) <= unit)
        return static_cast<Tick>(nearest);
    return std::max(first, tickForUnit(unit + 1) - 1);
}

}  // namespace songprep
