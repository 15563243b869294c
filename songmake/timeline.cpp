#include "songmake/timeline.h"

#include <algorithm>

namespace {

using songformat::kFillerUnits;

}  // namespace


bool factorForTempo(std::uint32_t tempo, float& factor) {
    if (tempo == 0) return false;
    std::uint32_t quarterNotesPerMinute = 60000000u / tempo;
    std::uint32_t beats = quarterNotesPerMinute * 120u / 60u;  // twice the beats per minute
    if (beats == 0) return false;
    factor = static_cast<float>(100.0 / beats);
    return true;
}

bool eventBefore(const Event& a, const Event& b) {
    if (a.time != b.time) return a.time < b.time;
    return a.type != kTypeNoteOn && b.type == kTypeNoteOn;
}

namespace {

using Position = EventList::iterator;

bool pointerBefore(const EventPointer& a, const EventPointer& b) { return eventBefore(*a, *b); }

// Shorter runs are lengthened by insertion first, so shuffled input is not
// merged one event at a time.
constexpr std::ptrdiff_t kShortestRun = 24;

// Sorts [first, last), of which [first, sorted) is in order already.
void insertionSort(Position first, Position sorted, Position last) {
    for (; sorted != last; ++sorted)
        std::rotate(std::upper_bound(first, sorted, *sorted, pointerBefore), sorted, sorted + 1);
}

// The end of the ordered run that starts at `first` (which is not `last`).
Position runEnd(Position first, Position last) {
    Position end = first + 1;
    while (end != last && !pointerBefore(*end, *(end - 1))) ++end;
    Position wanted = last - first > kShortestRun ? first + kShortestRun : last;
    if (end >= wanted) return end;
    insertionSort(first, end, wanted);
    return wanted;
}

// Merges [first, middle) and [middle, last), moving the left run aside.
void mergeForward(Position first, Position middle, Position last, EventList& buffer) {
    buffer.assign(std::make_move_iterator(first), std::make_move_iterator(middle));
    auto left = buffer.begin();
    Position right = middle;
    while (left != buffer.end() && right != last)
        *first++ = pointerBefore(*right, *left) ? std::move(*right++) : std::move(*left++);
    std::move(left, buffer.end(), first);
}

// The same from the back, moving the right run aside.
void mergeBackward(Position first, Position middle, Position last, EventList& buffer) {
    buffer.assign(std::make_move_iterator(middle), std::make_move_iterator(last));
    auto right = buffer.end();
    Position left = middle;
    while (right != buffer.begin() && left != first) {
        bool leftIsLater = pointerBefore(*(right - 1), *(left - 1));
        *--last = leftIsLater ? std::move(*--left) : std::move(*--right);
    }
    std::move_backward(buffer.begin(), right, last);
}

// Merges the neighbouring ordered runs [first, middle) and [middle, last). On a
// tie the left run's event goes first, which keeps the sort stable.
void mergeRuns(Position first, Position middle, Position last, EventList& buffer) {
    // Events at either end that are in their place already stay put.
    first = std::upper_bound(first, middle, *middle, pointerBefore);
    if (first == middle) return;
    last = std::lower_bound(middle, last, *(middle - 1), pointerBefore);
    // The shorter run is moved aside, which bounds the buffer by half the list.
    if (middle - first <= last - middle)
        mergeForward(first, middle, last, buffer);
    else
        mergeBackward(first, middle, last, buffer);
}

struct Run {
    Position first, last;
};

std::ptrdiff_t length(const Run& run) { return run.last - run.first; }

void mergeLastTwo(std::vector<Run>& runs, EventList& buffer) {
    Run top = runs.back();
    runs.pop_back();
    mergeRuns(runs.back().first, top.first, top.last, buffer);
    runs.back().last = top.last;
}

}  // namespace

// A merge sort over the ordered runs the list already holds: every voice's
// events arrive in time order, so a merged song is a few long runs, and joining
// them costs far less than sorting from scratch. Only neighbouring runs are
// merged and ties keep their order, so the result is that of any stable sort.
void sortEvents(EventList& list) {
    std::vector<Run> runs;  // each over twice as long as the next, so merges stay balanced
    EventList buffer;
    for (Position first = list.begin(); first != list.end();) {
        Position end = runEnd(first, list.end());
        runs.push_back({first, end});
        while (runs.size() > 1 && length(runs[runs.size() - 2]) <= 2 * length(runs.back()))
            mergeLastTwo(runs, buffer);
        first = end;
    }
    while (runs.size() > 1) mergeLastTwo(runs, buffer);
}

namespace {

// How many fillers go before an event with this delay: each takes 256 units
// off it, until what is left fits the event's own delay byte.
std::size_t fillersFor(std::uint32_t delay) {
    return delay > kFillerUnits ? (delay - 1) / kFillerUnits : 0;
}

// Puts before each event the fillers its delay asks for. Works from the back of
// the grown list, so that every event moves once and nothing is copied twice.
void insertFillers(EventList& list, std::size_t fillers) {
    std::size_t from = list.size();
    std::size_t to = from + fillers;
    list.reserve(to + 1);  // and the end record that follows, without growing again
    list.resize(to);
    while (from < to) {
        EventPointer& event = list[--from];
        std::size_t count = fillersFor(event->time);
        event->time -= static_cast<std::uint32_t>(count * kFillerUnits);
        list[--to] = std::move(event);
        for (; count > 0; --count) list[--to] = std::make_unique<EvContinue>();
    }
}

}  // namespace

bool buildTimeline(EventList& list, std::size_t maxFillers) {
    // The delays come first, and tempo events leave the list on the way, so that
    // the fillers are counted before any is made.
    float factor = kStartingFactor;
    std::uint32_t previous = 0;
    std::size_t kept = 0;
    std::size_t fillers = 0;
    for (EventPointer& event : list) {
        if (event->type == kTypeTempo) {
            factorForTempo(static_cast<const EvTempo&>(*event).tempo, factor);
            event.reset();
            continue;
        }
        std::uint32_t delta = event->time - previous;
        previous = event->time;
        event->time = scaleGap(delta, factor);
        fillers += fillersFor(event->time);
        list[kept++] = std::move(event);
    }
    list.resize(kept);
    if (fillers > maxFillers) return false;
    if (fillers > 0) insertFillers(list, fillers);
    return true;
}
