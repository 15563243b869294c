#include "songprep/timing_plan.h"

#include <algorithm>
#include <cmath>
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
constexpr std::size_t kShortestPrunedVoice = 4;
// Beyond the rounding to the nearest unit, a note-on may come one unit late.
constexpr double kLateUnits = 1.5;  // songmake keeps a track under four events whole

// The longest record an event can make (a note-on may drop its velocity byte).
std::size_t longestRecord(const VoiceEvent& event) {
    using namespace songformat;
    if (event.kind == kNoteOn) return fixedRecordLength(kCodeNoteOn);
    if (event.kind == kNoteOff) return fixedRecordLength(kCodeNoteOff);
    if (event.data1 == kPitchController) return fixedRecordLength(kCodePitch);
    return fixedRecordLength(kCodeRepeat);  // controllers 1, 3 and 4: one value
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
    Tick waitingTick = 0;  // the earliest tick the waiting note-off may have
    bool lastWasOff = false;
    Tick lastOffTick = 0;
    int previousOnKey = kNoKey;  // the key of the event before, when a note-on the converter keeps
};

class Planner {
public:
    Planner(const midifile::InputSong& song, const std::array<PreparedVoice, kVoiceCount>& voices,
            double unitMs, TimedSong& out)
        : song_(song), voices_(voices), out_(out) {
        out_.scale = scaleFor(song, unitMs);
        if (out_.scale.kind != TimeScale::Kind::kept)
            written_.emplace(song, unitMs, out_.scale.division);
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            states_[voice].onUnit.resize(voices[voice].notesRead);
            states_[voice].skipped.resize(voices[voice].notesRead);
            out_.voices[voice].reserve(voices[voice].events.size());
        }
    }

    void run() {
        std::vector<PlacedTempo> tempos = temposToPlace();
        temposLeft_ = tempos.size();
        tempoCount_ = tempos.size();
        std::size_t nextTempo = 0;
        std::array<std::size_t, kVoiceCount> next{};
        while (true) {
            int voice = firstVoiceDue(next);
            // A tempo change comes after the events at its tick: the gap those
            // end is written at the tempo before it.
            if (nextTempo < tempos.size() &&
                (voice < 0 ||
                 tempos[nextTempo].tick < tickOf(voices_[voice].events[next[voice]].position))) {
                tempo(tempos[nextTempo++]);
                continue;
            }
            if (voice < 0) break;
            event(voice, next[voice]++);
        }
        Tick end = std::max(minTick_, desiredTick(positionOf(song_.endTime)));
        out_.endTick = static_cast<std::uint32_t>(std::min(end, kLastTick));
        out_.endUnit = clock_.unitAt(out_.endTick);
        // Each gap of the stream needs a filler for every 256 units it holds:
        // all of them together no more than the song's units allow, plus the
        // end record.
        out_.streamBytesAtMost +=
            songformat::kRecordHeadLength * (out_.endUnit / songformat::kFillerUnits + 2);
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

    // The voice whose next event comes first; -1 when every voice is done.
    int firstVoiceDue(const std::array<std::size_t, kVoiceCount>& next) const {
        int best = -1;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            const std::vector<VoiceEvent>& events = voices_[voice].events;
            if (next[voice] == events.size()) continue;
            const VoiceEvent& candidate = events[next[voice]];
            if (best >= 0) {
                const VoiceEvent& current = voices_[best].events[next[best]];
                if (current.position < candidate.position ||
                    (current.position == candidate.position && current.phase <= candidate.phase))
                    continue;
            }
            best = voice;
        }
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
        Tick tick = std::max(desiredTick(positionOf(change.tick)), minTick_);
        // At a record's tick the converter would scale the gap that record
        // ends by the new tempo: it goes a tick later, where the next gap
        // begins.
        if (clock_.setTempo(change.tempo) && clock_.anyRecord() && tick == clock_.lastTick())
            ++tick;
        tick = std::min(tick, kLastTick);
        out_.tempos.push_back({static_cast<std::uint32_t>(tick), change.tempo});
        minTick_ = tick;
        lastTempoTick_ = tick;
        --temposLeft_;
        // Tempo changes ride in voice 0's track, between its events.
        states_[0].previousOnKey = kNoKey;
    }

    // Whether the converter drops this note-off because the note-on just
    // before it in the voice is another key's: that note slides in (only
    // where notes overlap, with --chords keep). The first and the last event
    // of a voice, and every event of a voice of under four, always stay.
    bool dropsAsSlide(int voice, std::size_t index) const {
        const std::vector<VoiceEvent>& events = voices_[voice].events;
        std::size_t length = events.size() + (voice == 0 ? tempoCount_ : 0);
        bool last = index + 1 == events.size() && (voice != 0 || temposLeft_ == 0);
        int key = states_[voice].previousOnKey;
        return length >= kShortestPrunedVoice && !last && key != kNoKey &&
               key != events[index].data1;
    }

    void event(int voice, std::size_t index) {
        const VoiceEvent& event = voices_[voice].events[index];
        VoiceState& state = states_[voice];
        if (event.kind != kControl && state.skipped[event.note]) {
            if (event.kind == kNoteOff) state.skippedSounding = false;
            return;
        }
        // A bend of a note left out has no note to bend.
        if (event.kind == kControl && event.data1 == kPitchController && state.skippedSounding)
            return;
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

    void noteOff(int voice, std::size_t index) {
        const std::vector<VoiceEvent>& events = voices_[voice].events;
        const VoiceEvent& off = events[index];
        VoiceState& state = states_[voice];
        Tick wanted = std::max(desiredTick(off.position), minTick_);
        // Where notes overlap (--chords keep), times that round together must
        // not put a note-off after another note's note-on at one tick: the
        // converter would take that note for a slide from one that had ended.
        if (state.anyOn && wanted == state.lastOnTick) ++wanted;
        if (dropsAsSlide(voice, index)) {
            place(voice, off, wanted, false);  // no record: its tick is no gap of the stream
            return;
        }
        Tick tick = std::max(wanted, tickAbove(state.onUnit[off.note]));
        if (tick > wanted) ++out_.notesLengthened;
        // The converter drops a note-off that a note-on follows within 14 ticks;
        // at that note-on's tick, its own tick is no gap of the stream.
        if (index + 1 < events.size() && events[index + 1].kind == kNoteOn) {
            Tick following = std::max(plannedTick(tickOf(events[index + 1].position)), tick);
            if (following - tick <= kNoteOffMergeTicks) {
                state.offWaiting = true;
                state.waitingOff = index;
                state.waitingTick = tick;
                return;
            }
        }
        state.lastOffTick = place(voice, off, tick, true);
        state.lastWasOff = true;
    }

    // A note-on that everything before it would push over a unit past its
    // written time is left out, with its note-off and its bend: a note sounds
    // when it is written, or not at all.
    bool comesLate(int voice, const VoiceEvent& on) {
        if (!written_) return false;
        VoiceState& state = states_[voice];
        Tick tick = std::max(
            {desiredTick(on.position), minTick_, state.offWaiting ? state.waitingTick : Tick{0}});
        if (!state.offWaiting && waitsForRest(voice, tick))
            tick = state.lastOffTick + kNoteOffMergeTicks + 1;
        if (static_cast<double>(clock_.unitAt(tick)) <=
            written_->unitsAt(tickOf(on.position)) + kLateUnits)
            return false;
        if (state.offWaiting) {
            // No note-on follows the note-off that waited for one: it ends its
            // note where it stands.
            const VoiceEvent& off = voices_[voice].events[state.waitingOff];
            state.lastOffTick = place(voice, off, state.waitingTick, true);
            state.lastWasOff = true;
            state.offWaiting = false;
        }
        ++out_.notesLeftOutLate;
        states_[voice].skipped[on.note] = true;
        return true;
    }

    bool waitsForRest(int voice, Tick tick) const {
        const VoiceState& state = states_[voice];
        return state.lastWasOff && tick > state.lastOffTick &&
               tick - state.lastOffTick <= kNoteOffMergeTicks &&
               !(voice == 0 && lastTempoTick_ > state.lastOffTick);
    }

    void noteOn(int voice, const VoiceEvent& on) {
        VoiceState& state = states_[voice];
        if (comesLate(voice, on)) {
            state.lastOnSkipped = true;
            state.skippedSounding = true;
            return;
        }
        Tick tick = std::max(desiredTick(on.position), minTick_);
        if (state.offWaiting) {
            const VoiceEvent& off = voices_[voice].events[state.waitingOff];
            tick = std::max({tick, state.waitingTick, tickAbove(state.onUnit[off.note])});
            if (tick > state.waitingTick) ++out_.restsClosed;
            place(voice, off, tick, true);
            state.offWaiting = false;
        } else if (waitsForRest(voice, tick)) {
            // Rounding brought the note-on nearer than planned: it waits, so that
            // the converter keeps the note-off whose tick the plan counted on.
            // (Voice 0 carries the tempo changes: one between them keeps it too.)
            tick = state.lastOffTick + kNoteOffMergeTicks + 1;
        }
        place(voice, on, tick, true);
        if (written_ && static_cast<double>(clock_.lastUnit()) >
                            written_->unitsAt(tickOf(on.position)) + kLateUnits)
            ++out_.notesStartedLate;
        state.onUnit[on.note] = clock_.lastUnit();
        state.lastOnTick = clock_.lastTick();
        state.anyOn = true;
    }

    // Puts the event at `tick`, or where a record there must go instead;
    // returns the tick it has.
    Tick place(int voice, const VoiceEvent& event, Tick tick, bool record) {
        tick = std::max(std::min(tick, kLastTick), minTick_);
        if (record) {
            tick = clock_.playableTick(tick);
            clock_.record(tick);
            out_.streamBytesAtMost += longestRecord(event);
        }
        Unit unit = record ? clock_.lastUnit() : clock_.unitAt(tick);
        out_.voices[voice].push_back({static_cast<std::uint32_t>(tick),
                                      static_cast<std::uint8_t>(event.kind | voice), event.data1,
                                      event.data2, unit});
        minTick_ = tick;
        VoiceState& state = states_[voice];
        state.lastWasOff = false;
        state.previousOnKey = record && event.kind == kNoteOn ? event.data1 : kNoKey;
        return tick;
    }

    const midifile::InputSong& song_;
    const std::array<PreparedVoice, kVoiceCount>& voices_;
    TimedSong& out_;
    std::optional<WrittenTime> written_;
    ConverterClock clock_;
    std::array<VoiceState, kVoiceCount> states_;
    Tick minTick_ = 0;
    Tick lastTempoTick_ = 0;
    bool haveDesired_ = false;
    std::uint32_t desiredFor_ = 0;  // the file's tick desired_ was planned for
    Tick desired_ = 0;
    std::size_t temposLeft_ = 0;
    std::size_t tempoCount_ = 0;
};

}  // namespace

std::uint16_t divisionForUnit(double unitMs) {
    long ticks = std::lround(kSecondsPerQuarterRatio / unitMs);
    return static_cast<std::uint16_t>(std::clamp<long>(ticks, 1, kLargestDivision));
}

TimedSong planTiming(const midifile::InputSong& song,
                     const std::array<PreparedVoice, kVoiceCount>& voices, double unitMs) {
    TimedSong out;
    Planner(song, voices, unitMs, out).run();
    return out;
}

}  // namespace songprep
