#include "songcheck/note_comparison.h"

#include <algorithm>
#include <deque>

#include "music/pitch.h"

namespace songcheck {
namespace {

using songformat::RecordKind;

constexpr std::int32_t kNone = -1;

// What the stream did with one file note.
struct Outcome {
    enum class Ending { none, ownNoteOff, otherNoteOff, laterNote, laterSlide, songEnd };
    std::uint64_t sounded = 0;  // player units
    bool started = false;
    Ending ending = Ending::none;
    std::uint32_t endingTick = 0;
};

// The notes of one voice, with which note each note-on starts and each
// note-off ends; a note-off ends the oldest open note of its key.
struct VoiceNotes {
    std::vector<std::int32_t> startedBy;  // by traced event: the note its note-on starts
    std::vector<std::int32_t> endedBy;    // the note its note-off ends
};

VoiceNotes collectNotes(int voice, const std::vector<TracedEvent>& events, std::uint32_t fileEnd,
                        std::vector<FileNote>& notes) {
    VoiceNotes found{std::vector<std::int32_t>(events.size(), kNone),
                     std::vector<std::int32_t>(events.size(), kNone)};
    std::vector<std::deque<std::int32_t>> open(256);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const TracedEvent& event = events[i];
        auto key = static_cast<std::uint8_t>(event.value);
        if (event.capturedType == kTypeNoteOn) {
            found.startedBy[i] = static_cast<std::int32_t>(notes.size());
            open[key].push_back(found.startedBy[i]);
            notes.push_back({static_cast<std::uint8_t>(voice), key, event.tick, fileEnd,
                             static_cast<std::uint32_t>(i), -1});
        } else if (event.capturedType == kTypeNoteOff && !open[key].empty()) {
            found.endedBy[i] = open[key].front();
            open[key].pop_front();
            notes[found.endedBy[i]].end = event.tick;
            notes[found.endedBy[i]].offIndex = static_cast<std::int64_t>(i);
        }
    }
    return found;
}

// Plays the stream's steps voice by voice, as the synthesizer would.
class StreamPlayer {
public:
    StreamPlayer(const ConversionTrace& trace, const VoiceNotes (&voices)[kVoiceCount],
                 std::vector<Outcome>& outcomes, std::vector<PlayedBar>* played, Finding& unbent)
        : trace_(trace), voices_(voices), outcomes_(outcomes), played_(played), unbent_(unbent) {}

    void play(const StreamStep& step) {
        if (step.voice < 0) {
            for (int voice = 0; voice < kVoiceCount; ++voice)
                stop(voice, step.unit, Outcome::Ending::songEnd, 0);
            return;
        }
        const TracedEvent& event = trace_.groups()[step.voice][step.index];
        Sounding& now = sounding_[step.voice];
        Bend bend = lastBend_[step.voice];
        lastBend_[step.voice] = {};
        switch (step.kind) {
            case RecordKind::kNoteOn:
            case RecordKind::kNoteOnSameVelocity:
                checkBend(bend, step, event);
                stop(step.voice, step.unit, Outcome::Ending::laterNote, event.tick);
                start(step, voices_[step.voice].startedBy[step.index], true);
                break;
            case RecordKind::kPitchOrSlide:
                if (event.finalType == kTypeSlide) {
                    checkBend(bend, step, event);
                    if (now.note == kNone) break;  // a slide on a silent voice only sets its pitch
                    stop(step.voice, step.unit, Outcome::Ending::laterSlide, event.tick);
                    start(step, voices_[step.voice].startedBy[step.index], false);
                    break;
                }
                if (now.note == kNone) lastBend_[step.voice] = {true, step.unit, event.tick};
                if (now.note != kNone) {
                    bar(step.voice, step.unit);  // a bend: the same note at a new pitch
                    now.word = step.word;
                    now.attack = false;
                }
                break;
            case RecordKind::kNoteOff: {
                bool own = voices_[step.voice].endedBy[step.index] == now.note;
                stop(step.voice, step.unit,
                     own ? Outcome::Ending::ownNoteOff : Outcome::Ending::otherNoteOff, event.tick);
                break;
            }
            default:
                break;
        }
    }

private:
    struct Bend {
        bool seen = false;
        std::uint64_t unit = 0;
        std::uint32_t tick = 0;
    };

    // A bend written at a note's own tick lands before the note in the stream
    // (the sort puts a note-on that carries its velocity last). On a silent voice
    // it bends nothing, and the note starts at its plain pitch.
    void checkBend(const Bend& bend, const StreamStep& step, const TracedEvent& event) {
        if (bend.seen && bend.unit == step.unit && bend.tick == event.tick)
            addPlace(unbent_, voicePlace(event.tick, step.voice,
                                         music::noteName(static_cast<std::uint8_t>(event.value))));
    }

    struct Sounding {
        std::int32_t note = kNone;
        std::uint64_t since = 0;
        std::uint16_t word = 0;
        bool attack = false;
    };

    void start(const StreamStep& step, std::int32_t note, bool attack) {
        if (note == kNone) return;
        sounding_[step.voice] = {note, step.unit, step.word, attack};
        outcomes_[note].started = true;
    }

    void bar(int voice, std::uint64_t unit) {
        Sounding& now = sounding_[voice];
        if (played_ != nullptr && unit > now.since)
            played_->push_back(
                {static_cast<std::uint8_t>(voice), now.since, unit, now.word, now.attack});
        outcomes_[now.note].sounded += unit - now.since;
        now.since = unit;
    }

    void stop(int voice, std::uint64_t unit, Outcome::Ending ending, std::uint32_t tick) {
        Sounding& now = sounding_[voice];
        if (now.note == kNone) return;
        bar(voice, unit);
        outcomes_[now.note].ending = ending;
        outcomes_[now.note].endingTick = tick;
        now.note = kNone;
    }

    const ConversionTrace& trace_;
    const VoiceNotes (&voices_)[kVoiceCount];
    std::vector<Outcome>& outcomes_;
    std::vector<PlayedBar>* played_;  // none when no picture is drawn
    Finding& unbent_;
    Sounding sounding_[kVoiceCount];
    Bend lastBend_[kVoiceCount];
};

struct NoteFindings {
    Finding chords = finding(
        "chords: notes that start together with another note of their voice do not sound; a "
        "voice plays one note at a time");
    Finding cutByNoteOff = finding("notes cut short by another note's note-off");
    Finding slideWithoutAttack = finding(
        "notes that slide from the previous note without an attack, though it had ended: the "
        "note-on comes before that note's note-off at the same tick");
    Finding neverSound = finding("notes that never sound");
    Finding tooShort =
        finding("notes shorter than one player unit after rounding: they do not sound");
    Finding cutByLaterNote =
        finding("notes cut short by a later note of their voice, which plays one note at a time");
    Finding unbent = finding(
        "pitch events written at a note's own tick: the stream plays them on the silent voice "
        "before the note, which starts unbent");
};

std::string keyName(const FileNote& note) { return music::noteName(note.key); }

std::string endedEarly(const FileNote& note, std::uint32_t tick) {
    return keyName(note) + ", ends at tick " + std::to_string(tick) + " instead of " +
           std::to_string(note.end);
}

// The note-off right after a slide's note-on is what made it a slide; at the
// note's own tick it belonged to a note that had ended already.
bool slidesAfterAnEndedNote(const FileNote& note, const std::vector<TracedEvent>& events) {
    if (events[note.onIndex].finalType != kTypeSlide || note.onIndex + 1 >= events.size())
        return false;
    const TracedEvent& next = events[note.onIndex + 1];
    return next.capturedType == kTypeNoteOff && next.tick == note.start;
}

bool roundsToNothing(const FileNote& note, const std::vector<TracedEvent>& events) {
    if (note.offIndex < 0) return false;
    const TracedEvent& on = events[note.onIndex];
    const TracedEvent& off = events[static_cast<std::size_t>(note.offIndex)];
    return on.placed && off.placed && off.unit == on.unit;
}

void judge(const FileNote& note, const Outcome& outcome, bool inChord,
           const std::vector<TracedEvent>& events, NoteFindings& found) {
    auto place = [&] { return voicePlace(note.start, note.voice, keyName(note)); };
    if (outcome.sounded == 0) {
        if (inChord)
            addPlace(found.chords, place());
        else if (roundsToNothing(note, events))
            addPlace(found.tooShort, place());
        else
            addPlace(found.neverSound, place());
        return;
    }
    if (slidesAfterAnEndedNote(note, events)) addPlace(found.slideWithoutAttack, place());
    bool early = outcome.endingTick < note.end;
    if (outcome.ending == Outcome::Ending::otherNoteOff && early)
        addPlace(found.cutByNoteOff,
                 voicePlace(note.start, note.voice, endedEarly(note, outcome.endingTick)));
    if (outcome.ending == Outcome::Ending::laterNote && early && outcome.endingTick > note.start)
        addPlace(found.cutByLaterNote,
                 voicePlace(note.start, note.voice, endedEarly(note, outcome.endingTick)));
}

void summarise(const std::vector<TracedEvent>& events, VoiceSummary& summary) {
    for (const TracedEvent& event : events) {
        switch (event.capturedType) {
            case kTypeNoteOn:
                ++summary.notes;
                summary.slides += event.finalType == kTypeSlide;
                summary.lowestKey = summary.lowestKey < 0
                                        ? event.value
                                        : std::min<int>(summary.lowestKey, event.value);
                summary.highestKey = std::max<int>(summary.highestKey, event.value);
                break;
            case kTypeNoteOff:
                summary.noteOffsLeftOut += !event.kept;
                break;
            case kTypePitch:
                ++summary.pitchEvents;
                break;
            case kTypeRepeat:
            case kTypeControl:
                ++summary.controllers;
                break;
            default:
                break;
        }
    }
}

}  // namespace

NoteComparison compareNotes(const ConversionTrace& trace, bool keepPlayed, Findings& findings) {
    NoteComparison comparison;
    VoiceNotes voices[kVoiceCount];
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        voices[voice] =
            collectNotes(voice, trace.groups()[voice], trace.header().endTime, comparison.notes);
        summarise(trace.groups()[voice], comparison.voices[voice]);
    }
    if (!trace.placedAll()) return comparison;  // nothing to compare the notes with
    std::vector<Outcome> outcomes(comparison.notes.size());
    NoteFindings found;
    StreamPlayer player(trace, voices, outcomes, keepPlayed ? &comparison.played : nullptr,
                        found.unbent);
    for (const StreamStep& step : trace.steps()) player.play(step);

    const std::vector<FileNote>& notes = comparison.notes;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        auto startsWith = [&](std::size_t j) {
            return j < notes.size() && notes[j].voice == notes[i].voice &&
                   notes[j].start == notes[i].start;
        };
        bool inChord = startsWith(i + 1) || (i > 0 && startsWith(i - 1));
        judge(notes[i], outcomes[i], inChord, trace.groups()[notes[i].voice], found);
    }
    for (Finding* finding :
         {&found.chords, &found.cutByNoteOff, &found.slideWithoutAttack, &found.neverSound,
          &found.tooShort, &found.cutByLaterNote, &found.unbent})
        findings.keep(std::move(*finding));
    return comparison;
}

}  // namespace songcheck
