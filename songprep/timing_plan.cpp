#include "songprep/timing_plan.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>

#include "midifile/midi_terms.h"
#include "songformat/records.h"
#include "songmake/passes.h"
#include "songprep/converter_clock.h"
#include "songprep/written_time.h"

namespace songprep {
namespace {

constexpr std::uint32_t kQuarterAt120 = 500000;
constexpr double kSecondsPerQuarterRatio = 1200.0;  // ms: a unit's worth of ticks per quarter
constexpr std::uint16_t kLargestDivision = 0x7FFF;
constexpr int kNoKey = -1;
constexpr std::uint8_t kCentrePan = 64;  // where the converter's pan starts
constexpr std::size_t kShortestPrunedVoice = 4;
// The most a note-on may come after its written time, in player units: the
// rounding to the nearest unit, and what the rules below move it by.
constexpr double kLateUnits = 1.0;

// The longest record an event can make (a note-on may drop its velocity byte).
std::size_t longestRecord(const VoiceEvent& event) {
    using namespace songformat;
    if (event.kind == kNoteOn) return fixedRecordLength(kCodeNoteOn);
    if (event.kind == kNoteOff) return fixedRecordLength(kCodeNoteOff);
    if (event.data1 == kPitchController) return fixedRecordLength(kCodePitch);
    return fixedRecordLength(kCodeRepeat);  // controllers 1, 3 and 4: one value
}

// The shortest record an event can make: a note-on without its velocity byte.
std::size_t shortestRecord(const VoiceEvent& event) {
    if (event.kind == kNoteOn)
        return songformat::fixedRecordLength(songformat::kCodeNoteOnSameVelocity);
    return longestRecord(event);
}

// How many fillers the converter puts before a record with this delay: each
// takes 256 units off it, until what is left fits the record's delay byte.
std::size_t fillersFor(Unit delay) {
    return delay > songformat::kFillerUnits ? (delay - 1) / songformat::kFillerUnits : 0;
}

TimeScale scaleFor(const midifile::InputSong& song, double unitMs) {
    TimeScale scale;
    scale.fileDivision = song.division;
    if (unitMs == 0) {
        scale.division = song.division;
        return scale;
    }
    scale.division = divisionForUnit(unitMs);
    if (midifile::isValidSmpteDivision(song.division))
        scale.kind = TimeScale::Kind::fromSmpte;
    else if (song.division == 0 || midifile::isSmpteDivision(song.division))
        scale.kind = TimeScale::Kind::noDivision;
    else
        scale.kind = TimeScale::Kind::rescaled;
    return scale;
}

// What the planner remembers of one voice.
struct VoiceState {
    std::vector<Unit> onUnit;   // by note: the unit its note-on plays at
    std::vector<bool> skipped;  // by note: left out, as it would start late
    bool lastOnSkipped = false;
    bool skippedSounding = false;  // a note left out has not ended yet
    Tick lastOnTick = 0;
    bool anyOn = false;
    bool offWaiting = false;  // a note-off goes with the next note-on, at its tick
    std::size_t waitingOff = 0;
    Tick waitingTick = 0;  // the tick the waiting note-off had when its turn came
    std::size_t waitingTempos = 0;  // how many tempo changes the clock had taken then
    bool lastWasOff = false;
    Tick lastOffTick = 0;
    int previousOnKey = kNoKey;  // the key of the event before, when a note-on the converter keeps
    std::uint8_t pan = kCentrePan;  // the voice's last pan controller value
    std::uint8_t lastOnKey = 0;     // of the last note-on placed (0: none yet)
};

// A voice's events as the planner reads them, each at its number in the
// voice; those read are given back as it goes, so that the voices and the
// plan made of them are never both whole in memory.
class EventQueue {
public:
    explicit EventQueue(std::deque<VoiceEvent>& events) : events_(events), total_(events.size()) {}
    const VoiceEvent& operator[](std::size_t index) const { return events_[index - released_]; }
    std::size_t size() const { return total_; }
    void releaseBefore(std::size_t index) {
        for (; released_ < index; ++released_) events_.pop_front();
    }

private:
    std::deque<VoiceEvent>& events_;
    std::size_t total_;
    std::size_t released_ = 0;
};

class Planner {
public:
    Planner(const midifile::InputSong& song, std::array<PreparedVoice, kVoiceCount>& voices,
            const PlanSettings& settings, TimedSong& out)
        : song_(song),
          events_{EventQueue(voices[0].events), EventQueue(voices[1].events),
                  EventQueue(voices[2].events), EventQueue(voices[3].events)},
          out_(out),
          streamLimit_(settings.streamLimit) {
        out_.scale = scaleFor(song, settings.unitMs);
        if (out_.scale.kind != TimeScale::Kind::kept) {
            if (settings.written == nullptr)
                ownWritten_.emplace(song, settings.unitMs, out_.scale.division);
            written_ = settings.written ? settings.written : &*ownWritten_;
        }
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            states_[voice].onUnit.reserve(voices[voice].notesRead);
            states_[voice].onUnit.resize(voices[voice].notesRead);
            states_[voice].skipped.resize(voices[voice].notesRead);
        }
    }

    void run() {
        std::vector<PlacedTempo> tempos = temposToPlace();
        temposLeft_ = tempos.size();
        tempoCount_ = tempos.size();
        std::size_t nextTempo = 0;
        std::array<std::size_t, kVoiceCount> next{};
        for (int voice = 0; voice < kVoiceCount; ++voice) updateHead(voice, next[voice]);
        while (true) {
            int voice = firstVoiceDue();
            // A tempo change comes after the events at its tick: the gap those
            // end is written at the tempo before it.
            if (nextTempo < tempos.size() &&
                (voice < 0 || tempos[nextTempo].tick < tickOf(heads_[voice] >> kPhaseBits))) {
                tempo(tempos[nextTempo++]);
                continue;
            }
            if (voice < 0) break;
            event(voice, next[voice]++);
            updateHead(voice, next[voice]);
            if (out_.overLimit) return;  // the stream passes the limit: no need to go on
            const VoiceState& state = states_[voice];
            events_[voice].releaseBefore(state.offWaiting ? state.waitingOff : next[voice]);
        }
        if (!pendingTempos_.empty()) writeWaitingTempos();
        Tick end = std::max(minTick_, desiredTick(positionOf(song_.endTime)));
        out_.endTick = static_cast<std::uint32_t>(std::min(end, kLastTick));
        out_.endUnit = clock_.unitAt(out_.endTick);
        // Each gap of the stream needs a filler for every 256 units it holds:
        // all of them together no more than the song's units allow, plus the
        // end record.
        out_.streamBytesAtMost +=
            songformat::kRecordHeadLength * (out_.endUnit / songformat::kFillerUnits + 2);
        out_.streamBytesAtLeast = bytesAtLeast();
    }

private:
    std::vector<PlacedTempo> temposToPlace() {
        std::vector<PlacedTempo> tempos;
        if (out_.scale.kind == TimeScale::Kind::fromSmpte) {
            out_.temposLeftOut = song_.tempos.size();
            return {{0, kQuarterAt120}};
        }
        for (const midifile::TempoChange& change : song_.tempos) {
            if (change.tempo == 0)
                ++out_.temposLeftOut;
            else
                tempos.push_back({change.tick, change.tempo});
        }
        return tempos;
    }

    // Each voice's next event as one number that orders them: its position,
    // then its phase; kDone when the voice has no more.
    static constexpr int kPhaseBits = 3;
    static constexpr std::uint64_t kDone = ~std::uint64_t{0};

    void updateHead(int voice, std::size_t next) {
        const EventQueue& events = events_[voice];
        if (next == events.size()) {
            heads_[voice] = kDone;
            return;
        }
        const VoiceEvent& event = events[next];
        heads_[voice] = event.position << kPhaseBits | event.phase;
    }

    // The voice whose next event comes first (the lowest voice where they
    // tie); -1 when every voice is done.
    int firstVoiceDue() const {
        int best = -1;
        for (int voice = 0; voice < kVoiceCount; ++voice)
            if (heads_[voice] != kDone && (best < 0 || heads_[voice] < heads_[best])) best = voice;
        return best;
    }

    // Where the event would go if nothing else moved it, or its own tick when
    // times are kept: the converter plays it at the unit nearest its written
    // time, and of the ticks that give that unit it has the one nearest its
    // written tick, so that neither the song nor the file drifts.
    Tick plannedTick(std::uint32_t tick) const {
        if (!written_) return tick;
        auto unit = static_cast<Unit>(std::llround(written_->unitsAt(tick)));
        return clock_.tickNear(unit, written_->outputTick(tick));
    }

    // The same for an event placed now; events the file writes at one tick
    // keep one tick, though each record moves the rounding on.
    Tick desiredTick(Position position) {
        std::uint32_t tick = tickOf(position);
        if (!haveDesired_ || tick != desiredFor_) {
            desired_ = plannedTick(tick);
            desiredFor_ = tick;
            haveDesired_ = true;
        }
        return desired_;
    }

    // The first tick at which a record plays later than `unit`.
    Tick tickAbove(Unit unit) const {
        if (clock_.lastUnit() > unit) return minTick_;
        return std::max(clock_.tickForUnit(unit + 1), minTick_);
    }

    void tempo(const PlacedTempo& change) {
        // The clock takes the new tempo at once: it scales every gap from the
        // last record on, wherever between two records the change is written.
        bool changed = clock_.setTempo(change.tempo);
        tempoChanges_ += changed;
        if (!written_) {
            // Times kept: the change keeps its tick, after the events there. At a
            // record's tick the converter would scale the gap that record ends
            // by the new tempo: it goes a tick later, where the next gap begins.
            Tick tick = std::max(desiredTick(positionOf(change.tick)), minTick_);
            if (changed && clock_.anyRecord() && tick == clock_.lastTick()) {
                if (tick == kLastTick) {
                    // No tick is left after the record: nothing it could change follows.
                    ++out_.temposLeftOut;
                    --temposLeft_;
                    return;
                }
                ++tick;
            }
            writeTempo(std::min(tick, kLastTick), change.tempo);
            return;
        }
        // Rescaled: the change goes where the last event is, so that it never
        // holds back what follows. Where a record is there, it waits for the
        // first record beyond (and goes a tick after the last): notes still to
        // come at that tick start with the record, at its unit.
        if (!pendingTempos_.empty() ||
            (changed && clock_.anyRecord() && minTick_ == clock_.lastTick())) {
            pendingTempos_.push_back(change.tempo);
            return;
        }
        writeTempo(minTick_, change.tempo);
    }

    void writeTempo(Tick tick, std::uint32_t tempo) {
        out_.tempos.push_back({static_cast<std::uint32_t>(tick), tempo});
        minTick_ = std::max(minTick_, tick);
        lastTempoTick_ = tick;
        --temposLeft_;
        // Tempo changes ride in voice 0's track, between its events.
        states_[0].previousOnKey = kNoKey;
    }

    // Writes the changes that waited, a tick after the last record; at the
    // last tick a file holds there is no tick after it, and no record to come
    // that they could change: they are left out.
    void writeWaitingTempos() {
        if (clock_.lastTick() == kLastTick) {
            out_.temposLeftOut += pendingTempos_.size();
            temposLeft_ -= pendingTempos_.size();
        } else {
            for (std::uint32_t tempo : pendingTempos_) writeTempo(clock_.lastTick() + 1, tempo);
        }
        pendingTempos_.clear();
    }

    // Whether a tempo change will stand between voice 0's events at or before
    // the last record and one of its events at `tick`.
    bool tempoWaitsBefore(Tick tick) const {
        return !pendingTempos_.empty() && tick > clock_.lastTick();
    }

    // Whether the converter drops this note-off because the note-on just
    // before it in the voice is another key's: that note slides in (only
    // where notes overlap, with --chords keep). The first and the last event
    // of a voice, and every event of a voice of under four, always stay.
    bool dropsAsSlide(int voice, std::size_t index, Tick tick) const {
        if (voice == 0 && tempoWaitsBefore(tick)) return false;
        const EventQueue& events = events_[voice];
        std::size_t length = events.size() + (voice == 0 ? tempoCount_ : 0);
        bool last = index + 1 == events.size() && (voice != 0 || temposLeft_ == 0);
        int key = states_[voice].previousOnKey;
        return length >= kShortestPrunedVoice && !last && key != kNoKey &&
               key != events[index].data1;
    }

    void event(int voice, std::size_t index) {
        const VoiceEvent& event = events_[voice][index];
        VoiceState& state = states_[voice];
        if (event.kind != kControl && state.skipped[event.note]) {
            if (event.kind == kNoteOff) state.skippedSounding = false;
            return;
        }
        // A bend of a note left out has no note to bend; nor has one that
        // follows no note-on in the voice, or one of key 0: the converter
        // would bend from note 0.
        if (event.kind == kControl && event.data1 == kPitchController) {
            if (state.skippedSounding) return;
            if (state.lastOnKey == 0) {
                ++out_.pitchWithoutNote;
                return;
            }
        }
        if (event.phase == kPhaseAfterNoteOn && states_[voice].lastOnSkipped) return;
        if (event.kind == kNoteOn) states_[voice].lastOnSkipped = false;
        if (event.kind == kNoteOff) return noteOff(voice, index);
        if (event.kind == kNoteOn) return noteOn(voice, event);
        Tick tick = std::max(desiredTick(event.position), minTick_);
        if (event.phase == kPhaseAfterNoteOn) tick = std::max(tick, states_[voice].lastOnTick + 1);
        // A bend that rounds to its note's own tick would be played before the
        // note-on (the converter puts a note-on with its velocity last), and the
        // note would start unbent: it goes a tick later.
        if (event.data1 == kPitchController && states_[voice].anyOn &&
            tick == states_[voice].lastOnTick)
            ++tick;
        // Pan is folded into the next note-on's velocity: it is no record.
        place(voice, event, tick, event.data1 != kPanController);
    }

    // Where a note-off goes: at its own tick, but not at its note-on's (where
    // notes overlap, with --chords keep, times that round together must not
    // put a note-off after another note's note-on at one tick: the converter
    // would take that note for a slide from one that had ended), and not
    // before the note has lasted a player unit. Worked out again when a
    // note-off that waited is placed: a tempo change since then scales its gap.
    Tick offTick(int voice, const VoiceEvent& off, Tick planned, Tick& wanted) const {
        const VoiceState& state = states_[voice];
        wanted = std::max(planned, minTick_);
        if (state.anyOn && wanted == state.lastOnTick) ++wanted;
        return std::max(wanted, tickAbove(state.onUnit[off.note]));
    }

    Tick waitingOffTick(int voice) const {
        const VoiceState& state = states_[voice];
        const VoiceEvent& off = events_[voice][state.waitingOff];
        // Its planned tick holds while the tempo does; the unit it must
        // pass is worked out again, as each record moves the rounding on.
        Tick planned = state.waitingTempos == tempoChanges_ ? state.waitingTick
                                                            : plannedTick(tickOf(off.position));
        Tick wanted = 0;
        return offTick(voice, off, planned, wanted);
    }

    void noteOff(int voice, std::size_t index) {
        const EventQueue& events = events_[voice];
        const VoiceEvent& off = events[index];
        VoiceState& state = states_[voice];
        Tick wanted = 0;
        Tick tick = offTick(voice, off, desiredTick(off.position), wanted);
        if (dropsAsSlide(voice, index, wanted)) {
            place(voice, off, wanted, false);  // no record: its tick is no gap of the stream
            return;
        }
        if (tick > wanted) ++out_.notesLengthened;
        // The converter drops a note-off that a note-on follows within 14 ticks;
        // at that note-on's tick, its own tick is no gap of the stream.
        if (index + 1 < events.size() && events[index + 1].kind == kNoteOn) {
            Tick following = std::max(plannedTick(tickOf(events[index + 1].position)), tick);
            if (following - tick <= kNoteOffMergeTicks) {
                state.offWaiting = true;
                state.waitingOff = index;
                state.waitingTick = tick;
                state.waitingTempos = tempoChanges_;
                return;
            }
        }
        state.lastOffTick = place(voice, off, tick, true);
        state.lastWasOff = true;
    }

    // Where a note-on goes, with the note-off that waits for it: at its
    // planned tick, not before what is placed already. Where a delay of
    // exactly 256 units would take it a unit later (the song file cannot
    // hold that delay), and that is over a unit after its written time, it
    // goes to the unit before, when it may.
    Tick onTick(int voice, const VoiceEvent& on) {
        const VoiceState& state = states_[voice];
        Tick tick = std::max(
            {desiredTick(on.position), minTick_, state.offWaiting ? waitingOffTick(voice) : Tick{0}});
        Tick playable = clock_.playableTick(tick);
        if (playable == tick || !written_ ||
            static_cast<double>(clock_.unitAt(playable)) <=
                written_->unitsAt(tickOf(on.position)) + kLateUnits)
            return tick;
        // The note-off that waits may come earlier too, once its note has lasted a unit.
        Tick earliest = minTick_;
        if (state.offWaiting) {
            const VoiceEvent& off = events_[voice][state.waitingOff];
            earliest = std::max(earliest, tickAbove(state.onUnit[off.note]));
            if (state.anyOn && earliest == state.lastOnTick) ++earliest;
        }
        Tick before = clock_.tickForUnit(clock_.lastUnit() + songformat::kFillerUnits) - 1;
        if (before >= earliest && before >= clock_.lastTick() &&
            clock_.unitAt(before) == clock_.lastUnit() + songformat::kFillerUnits - 1)
            return before;
        return tick;
    }

    // A note-on that everything before it would push over a unit past its
    // written time is left out, with its note-off and its bend: a note sounds
    // when it is written, or not at all. So is one too near the last tick a
    // file holds to last a unit. `tick` is where onTick() puts it.
    bool comesLate(int voice, const VoiceEvent& on, Tick tick) {
        VoiceState& state = states_[voice];
        Tick playable = clock_.playableTick(std::min(tick, kLastTick));
        bool lasts = clock_.unitFollows(playable);
        if (lasts && (!written_ || static_cast<double>(clock_.unitAt(playable)) <=
                                       written_->unitsAt(tickOf(on.position)) + kLateUnits))
            return false;
        if (state.offWaiting) {
            // No note-on follows the note-off that waited for one: it ends its
            // note where it stands.
            const VoiceEvent& off = events_[voice][state.waitingOff];
            state.lastOffTick = place(voice, off, waitingOffTick(voice), true);
            state.lastWasOff = true;
            state.offWaiting = false;
        }
        ++out_.notesLeftOutLate;
        states_[voice].skipped[on.note] = true;
        return true;
    }

    // Whether the converter would drop the voice's last note-off, a record the
    // plan counts on, were a note-on to follow it at `tick`.
    bool dropsLastNoteOff(int voice, Tick tick) const {
        const VoiceState& state = states_[voice];
        return state.lastWasOff && tick > state.lastOffTick &&
               tick - state.lastOffTick <= kNoteOffMergeTicks &&
               !(voice == 0 && (lastTempoTick_ > state.lastOffTick || tempoWaitsBefore(tick)));
    }

    void noteOn(int voice, const VoiceEvent& on) {
        VoiceState& state = states_[voice];
        Tick tick = onTick(voice, on);
        if (comesLate(voice, on, tick)) {
            state.lastOnSkipped = true;
            state.skippedSounding = true;
            return;
        }
        if (state.offWaiting) {
            const VoiceEvent& off = events_[voice][state.waitingOff];
            if (tick > state.waitingTick) ++out_.restsClosed;
            place(voice, off, tick, true, true);
            state.offWaiting = false;
        } else if (dropsLastNoteOff(voice, tick)) {
            // Rounding brought the note-on nearer than planned: the voice's pan,
            // restated between them, keeps the note-off (a pan that changes
            // nothing is no record of the stream).
            VoiceEvent pan{on.position, kPhaseControl, kControl, kPanController, state.pan, 0};
            place(voice, pan, tick, false);
        }
        place(voice, on, tick, true);
        if (written_ && static_cast<double>(clock_.lastUnit()) >
                            written_->unitsAt(tickOf(on.position)) + kLateUnits)
            ++out_.notesStartedLate;
        state.onUnit[on.note] = clock_.lastUnit();
        state.lastOnTick = clock_.lastTick();
        state.anyOn = true;
    }

    // The stream so far at its shortest: every record but a note-off the
    // converter drops, a note-on without its velocity byte, the fillers
    // between the records, and the end record.
    std::size_t bytesAtLeast() const {
        return shortestRecords_ + songformat::kRecordHeadLength * (fillers_ + 1);
    }

    // Puts the event at `tick`, or where a record there must go instead;
    // returns the tick it has. `dropped`: a note-off that the note-on at its
    // tick makes the converter drop.
    Tick place(int voice, const VoiceEvent& event, Tick tick, bool record, bool dropped = false) {
        tick = std::max(std::min(tick, kLastTick), minTick_);
        if ((record || voice == 0) && tempoWaitsBefore(tick)) writeWaitingTempos();
        if (record) {
            tick = clock_.playableTick(tick);
            Unit before = clock_.lastUnit();
            clock_.record(tick);
            out_.streamBytesAtMost += longestRecord(event);
            fillers_ += fillersFor(clock_.lastUnit() - before);
            if (!dropped) shortestRecords_ += shortestRecord(event);
            if (streamLimit_ > 0 && bytesAtLeast() > streamLimit_) {
                out_.overLimit = true;
                out_.streamBytesAtLeast = bytesAtLeast();
            }
        }
        Unit unit = record ? clock_.lastUnit() : clock_.unitAt(tick);
        out_.voices[voice].push_back({static_cast<std::uint32_t>(tick),
                                      static_cast<std::uint8_t>(event.kind | voice), event.data1,
                                      event.data2, unit});
        minTick_ = tick;
        VoiceState& state = states_[voice];
        if (event.kind == kControl && event.data1 == kPanController) state.pan = event.data2;
        state.lastWasOff = false;
        state.previousOnKey = record && event.kind == kNoteOn ? event.data1 : kNoKey;
        if (record && event.kind == kNoteOn) state.lastOnKey = event.data1;
        return tick;
    }

    const midifile::InputSong& song_;
    std::array<EventQueue, kVoiceCount> events_;
    std::array<std::uint64_t, kVoiceCount> heads_{};
    TimedSong& out_;
    std::size_t streamLimit_;
    std::optional<WrittenTime> ownWritten_;
    const WrittenTime* written_ = nullptr;  // none when the file's times are kept
    ConverterClock clock_;
    std::size_t shortestRecords_ = 0;  // the records' bytes at their shortest
    std::size_t fillers_ = 0;          // the fillers the records' delays need
    std::array<VoiceState, kVoiceCount> states_;
    Tick minTick_ = 0;
    Tick lastTempoTick_ = 0;
    bool haveDesired_ = false;
    std::uint32_t desiredFor_ = 0;  // the file's tick desired_ was planned for
    Tick desired_ = 0;
    std::size_t temposLeft_ = 0;
    std::size_t tempoCount_ = 0;
    std::vector<std::uint32_t> pendingTempos_;  // changes waiting to be written
    std::size_t tempoChanges_ = 0;              // that changed the clock's scale
};

}  // namespace

std::uint16_t divisionForUnit(double unitMs) {
    long ticks = std::lround(kSecondsPerQuarterRatio / unitMs);
    return static_cast<std::uint16_t>(std::clamp<long>(ticks, 1, kLargestDivision));
}

TimedSong planTiming(const midifile::InputSong& song,
                     std::array<PreparedVoice, kVoiceCount>& voices, const PlanSettings& settings) {
    TimedSong out;
    Planner(song, voices, settings, out).run();
    return out;
}

}  // namespace songprep
