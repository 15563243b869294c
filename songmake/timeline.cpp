#include "songmake/timeline.h"

#include <algorithm>

namespace {

// Player units per MIDI tick at 120 beats per minute: 5/12 in single precision.
constexpr float kStartingFactor = 0.41666666f;
// Delays are rounded with this bias, not 0.5.
constexpr float kRoundingBias = 0.4f;
// A filler's delay byte is 255, but it stands for a gap of 256 units.
constexpr std::uint32_t kFillerUnits = 256;

// The factor a tempo gives, or none for tempos that would divide by zero.
bool factorForTempo(std::uint32_t tempo, float& factor) {
    if (tempo == 0) return false;
    std::uint32_t quarterNotesPerMinute = 60000000u / tempo;
    std::uint32_t beats = quarterNotesPerMinute * 120u / 60u;  // twice the beats per minute
    if (beats == 0) return false;
    factor = static_cast<float>(100.0 / beats);
    return true;
}

std::uint32_t scaleGap(std::uint32_t ticks, float factor) {
    double product = static_cast<double>(ticks) * static_cast<double>(factor);
    double scaled = product + static_cast<double>(kRoundingBias);
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(scaled));
}

}  // namespace

bool eventBefore(const Event& a, const Event& b) {
    if (a.time != b.time) return a.time < b.time;
    return a.type != kTypeNoteOn && b.type == kTypeNoteOn;
}

void sortEvents(EventList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const EventPointer& a, const EventPointer& b) { return eventBefore(*a, *b); });
}

bool buildTimeline(EventList& list) {
    float factor = kStartingFactor;
    std::uint32_t previous = 0;
    EventList timed;
    timed.reserve(list.size() + list.size() / 8);
    std::size_t fillers = 0;
    for (EventPointer& event : list) {
        if (event->type == kTypeTempo) {
            factorForTempo(static_cast<const EvTempo&>(*event).tempo, factor);
            event.reset();
            continue;
        }
        std::uint32_t delta = event->time - previous;
        previous = event->time;
        std::uint32_t scaled = scaleGap(delta, factor);
        std::size_t needed = scaled > kFillerUnits ? (scaled - 1) / kFillerUnits : 0;
        fillers += needed;
        if (fillers > kMaxFillers) return false;
        for (; scaled > kFillerUnits; scaled -= kFillerUnits)
            timed.push_back(std::make_unique<EvContinue>());
        event->time = scaled;
        timed.push_back(std::move(event));
    }
    list = std::move(timed);
    return true;
}
