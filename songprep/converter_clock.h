// The converter's running time, followed record by record: each gap between
// two records' ticks becomes whole player units on its own (songmake's
// scaleGap, at the factor of the tempo in force at the later record), so the
// unit of a tick depends on every record before it.
#pragma once

#include <cstdint>

namespace songprep {

using Tick = std::uint64_t;
using Unit = std::uint64_t;

// The last tick a MIDI file holds.
inline constexpr Tick kLastTick = 0xFFFFFFFF;

class ConverterClock {
public:
    ConverterClock();  // at the converter's starting tempo, 120 beats per minute

    // A tempo change that every later record's gap is scaled by; the converter
    // ignores a tempo of 0, and so does the clock. True when the scale changed.
    bool setTempo(std::uint32_t tempo);
    // A record of the stream at `tick`, which is not before the last one.
    void record(Tick tick);

    Tick lastTick() const { return lastTick_; }
    Unit lastUnit() const { return lastUnit_; }
    bool anyRecord() const { return anyRecord_; }

    // The unit a record at `tick` (not before the last record) would be at.
    Unit unitAt(Tick tick) const;
    // Whether, after a record at `tick`, one more can come a unit later before
    // the last tick a file holds (at the tempo now).
    bool unitFollows(Tick tick) const;
    // `tick`, or where the record must go instead: a delay of exactly 256
    // units has no filler record and a delay byte of 0, which the player reads
    // as no delay at all, so such a record goes one unit later.
    Tick playableTick(Tick tick) const;
    // The first tick, not before the last record, at which a record would be
    // at `unit` or later (the last tick a file holds, when none is).
    Tick tickForUnit(Unit unit) const;
    // The tick nearest `wanted` at which a record would be at `unit`, or at the
    // last record's unit when `unit` is earlier; the first tick at a later unit
    // when no tick is at `unit` (at slow tempos a tick spans several units).
    Tick tickNear(Unit unit, double wanted) const;

private:
    Tick lastTick_ = 0;
    Unit lastUnit_ = 0;
    float factor_;
    bool anyRecord_ = false;
};

}  // namespace songprep
