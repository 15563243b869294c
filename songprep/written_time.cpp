#include "songprep/written_time.h"

#include <algorithm>

#include "midifile/midi_terms.h"

namespace songprep {
namespace {

constexpr std::uint32_t kDefaultTempo = 500000;  // 120 beats per minute
constexpr double kMicrosecondsPerMs = 1000.0;
constexpr double kQuartersPerSecondAt120 = 2.0;

}  // namespace

WrittenTime::WrittenTime(const midifile::InputSong& song, double unitMs, std::uint16_t division) {
    if (midifile::isValidSmpteDivision(song.division)) {
        // Frames count real time: tempo changes do not touch it.
        double ticksPerSecond = midifile::smpteFramesPerSecond(song.division) *
                                midifile::smpteTicksPerFrame(song.division);
        segments_.push_back({0, 0.0, kMicrosecondsPerMs / ticksPerSecond / unitMs});
        ticksPerTick_ = division * kQuartersPerSecondAt120 / ticksPerSecond;
        return;
    }
    std::uint16_t fileDivision =
        song.division == 0 || midifile::isSmpteDivision(song.division) ? division : song.division;
    ticksPerTick_ = static_cast<double>(division) / fileDivision;
    double perMicrosecond = 1.0 / (fileDivision * kMicrosecondsPerMs * unitMs);
    segments_.push_back({0, 0.0, kDefaultTempo * perMicrosecond});
    for (const midifile::TempoChange& change : song.tempos) {
        if (change.tempo == 0) continue;  // as the converter, which cannot divide by it
        double units = unitsAt(change.tick);
        if (segments_.back().tick == change.tick) segments_.pop_back();
        segments_.push_back({change.tick, units, change.tempo * perMicrosecond});
    }
}

double WrittenTime::outputTick(std::uint32_t tick) const { return tick * ticksPerTick_; }

double WrittenTime::unitsAt(std::uint32_t tick) const {
    // Most calls ask for a tick at or just after the one before.
    std::size_t at = lastSegment_;
    bool inLast = at < segments_.size() && segments_[at].tick <= tick &&
                  (at + 1 == segments_.size() || tick < segments_[at + 1].tick);
    if (!inLast) {
        auto after = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                      [](std::uint32_t t, const Segment& s) { return t < s.tick; });
        at = static_cast<std::size_t>(after - segments_.begin()) - 1;
        lastSegment_ = at;
    }
    const Segment& segment = segments_[at];
    return segment.units + (tick - segment.tick) * segment.unitsPerTick;
}

}  // namespace songprep
