#include "songprep/chord_reduction.h"

#include <algorithm>
#include <array>

#include "music/open_notes.h"
#include "music/sounding_keys.h"

namespace songprep {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Pairs note-ons with note-offs; returns the notes' numbers in the order they end.
std::vector<std::uint32_t> pairNotes(const std::vector<NoteMessage>& messages,
                                     std::uint32_t endTime, ReducedNotes& out) {
    std::vector<FileNote>& notes = out.notes;
    music::OpenNotes open(1);
    std::vector<std::uint32_t> endOrder;
    std::size_t noteOns = 0;
    for (const NoteMessage& message : messages) noteOns += message.velocity != 0;
    notes.reserve(noteOns);
    endOrder.reserve(noteOns);
    for (const NoteMessage& message : messages) {
        if (message.velocity != 0) {
            open.open(0, message.key, static_cast<std::uint32_t>(notes.size()));
            notes.push_back({message.tick, endTime, message.key, message.velocity});
        } else if (std::uint32_t oldest = open.close(0, message.key);
                   oldest != music::OpenNotes::kNone) {
            notes[oldest].end = message.tick;
            endOrder.push_back(oldest);
        } else {
            ++out.strayNoteOffs;
        }
    }
    std::vector<std::uint32_t> unended;
    open.forEachOpen([&](int, std::uint8_t, std::uint32_t note) { unended.push_back(note); });
    std::sort(unended.begin(), unended.end());
    endOrder.insert(endOrder.end(), unended.begin(), unended.end());
    return endOrder;
}

class Reducer {
public:
    explicit Reducer(ChordRule rule, ReducedNotes& out)
        : rule_(rule), out_(out), state_(out.notes.size(), State::waiting) {}

    void start(std::uint32_t note, Position at) {
        if (rule_ == ChordRule::keep) return step(note, at, true);
        active_.add(note, out_.notes[note].key);
    }

    void end(std::uint32_t note, Position at) {
        if (rule_ == ChordRule::keep) return step(note, at, false);
        if (state_[note] == State::cut) return;  // its note-off came when it was cut
        if (state_[note] == State::sounding) {
            step(note, at, false);
            playing_ = kNone;
        } else {
            ++out_.counts.removed;
        }
        state_[note] = State::cut;
        active_.remove(note, out_.notes[note].key);
    }

    // Once everything at `at` has started and ended: the note that plays now.
    void resolve(Position at) {
        if (rule_ == ChordRule::keep || active_.empty()) return;
        std::uint32_t best = rule_ == ChordRule::top ? active_.highest() : active_.lowest();
        if (best == playing_) return;
        if (playing_ != kNone) {
            step(playing_, at, false);
            state_[playing_] = State::cut;
            active_.remove(playing_, out_.notes[playing_].key);
            ++out_.counts.cutShort;
        }
        step(best, at, true);
        state_[best] = State::sounding;
        if (tickOf(at) > out_.notes[best].start) ++out_.counts.startedLate;
        playing_ = best;
    }

private:
    enum class State : std::uint8_t { waiting, sounding, cut };

    void step(std::uint32_t note, Position at, bool on) { out_.steps.push_back({at, note, on}); }

    ChordRule rule_;
    ReducedNotes& out_;
    std::vector<State> state_;
    music::SoundingKeys active_;
    std::uint32_t playing_ = kNone;
};

}  // namespace

ReducedNotes reduceChords(const std::vector<NoteMessage>& messages, std::uint32_t endTime,
                          ChordRule rule) {
    ReducedNotes out;
    std::vector<std::uint32_t> endOrder = pairNotes(messages, endTime, out);
    out.steps.reserve(2 * out.notes.size());
    Reducer reducer(rule, out);
    const std::vector<FileNote>& notes = out.notes;
    std::size_t nextStart = 0, nextEnd = 0;
    std::vector<std::uint32_t> instantNotes;  // end where they start
    while (nextStart < notes.size() || nextEnd < endOrder.size()) {
        std::uint32_t tick = nextStart < notes.size() ? notes[nextStart].start : 0xFFFFFFFF;
        if (nextEnd < endOrder.size()) tick = std::min(tick, notes[endOrder[nextEnd]].end);
        Position at = positionOf(tick);
        instantNotes.clear();
        for (; nextEnd < endOrder.size() && notes[endOrder[nextEnd]].end == tick; ++nextEnd) {
            std::uint32_t note = endOrder[nextEnd];
            if (notes[note].start == tick)
                instantNotes.push_back(note);
            else
                reducer.end(note, at);
        }
        for (; nextStart < notes.size() && notes[nextStart].start == tick; ++nextStart)
            reducer.start(static_cast<std::uint32_t>(nextStart), at);
        reducer.resolve(at);
        if (instantNotes.empty()) continue;
        for (std::uint32_t note : instantNotes) reducer.end(note, at + 1);
        reducer.resolve(at + 1);
    }
    return out;
}

}  // namespace songprep
