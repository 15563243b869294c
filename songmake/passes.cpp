#include "songmake/passes.h"

#include <array>
#include <cmath>

namespace {

// The player's constants are single-precision values; the arithmetic is done in
// double precision from them, each step rounded on its own.
constexpr float kTwelfth = 1.0f / 12.0f;
constexpr float kPitchStep = 2.0f / 127.0f;  // two semitones over the controller's range
constexpr float kWordsPerHertz = 1.024f;

// x + 0.5 truncated to 32 bits, of which the word keeps the low 16.
std::uint16_t roundToWord(double x) {
    return static_cast<std::uint16_t>(static_cast<std::int32_t>(x + 0.5) & 0xFFFF);
}

std::uint16_t frequencyWord(double semitonesFromA4) {
    double ratio = std::pow(2.0, semitonesFromA4 * static_cast<double>(kTwelfth));
    return roundToWord(ratio * 440.0 * static_cast<double>(kWordsPerHertz));
}

// Moves list[from] to list[to] (to <= from), destroying what list[to] held.
void moveDown(EventList& list, std::size_t from, std::size_t to) {
    if (from != to) list[to] = std::move(list[from]);
}

bool isNoteOn(const Event& event) { return event.type == kTypeNoteOn; }
bool isNoteOff(const Event& event) { return event.type == kTypeNoteOff; }

std::uint16_t noteOf(const Event& event) {
    return event.type == kTypeNoteOff ? static_cast<const EvNoteOff&>(event).value
                                      : static_cast<const EvNoteOn&>(event).value;
}

}  // namespace

std::uint16_t noteFrequencyWord(std::uint8_t note) {
    // pow costs more than everything else the passes do for a note, and there
    // are only 256 note numbers: each word is worked out once.
    static const std::array<std::uint16_t, 256> words = [] {
        std::array<std::uint16_t, 256> table{};
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = frequencyWord(static_cast<double>(static_cast<int>(i) - 69));
        return table;
    }();
    return words[note];
}

std::uint16_t pitchFrequencyWord(std::uint8_t lastNote, std::uint16_t controllerValue) {
    double bend = static_cast<double>(controllerValue) * static_cast<double>(kPitchStep);
    return frequencyWord(bend + lastNote - 69);
}

namespace {

// Whether the note-off `event` can go, given its neighbours as the list stood
// before the pass; turns `previous` into a slide where that is the reason.
// `previous` is null when it was dropped itself: a note-off, so not a note-on.
bool canDropNoteOff(Event* previous, const Event& event, const Event& following) {
    if (previous != nullptr && isNoteOn(*previous) && noteOf(*previous) != noteOf(event)) {
        previous->type = kTypeSlide;  // the next note started before this one ended
        return true;
    }
    // A new note follows at once; the note-off would only click.
    return isNoteOn(following) && following.time - event.time <= kNoteOffMergeTicks;
}

}  // namespace

void pruneNoteOffs(ChannelTrack& track) {
    EventList& list = track.events;
    std::size_t n = list.size();
    // The rules judge a note-off by the events on both sides of it, and the first
    // and last events always stay: a track under four events is kept as written.
    if (n < 4) return;
    // One walk that keeps events by moving them down and drops them while they
    // are still in the cache: a song's tracks are far larger than the cache.
    std::size_t kept = 1;  // the first and the last event always stay
    bool previousDropped = false;
    for (std::size_t i = 1; i < n; ++i) {
        Event& event = *list[i];
        Event* previous = previousDropped ? nullptr : list[kept - 1].get();
        bool drop = i + 1 < n && isNoteOff(event) && canDropNoteOff(previous, event, *list[i + 1]);
        if (drop)
            list[i].reset();
        else
            moveDown(list, i, kept++);
        previousDropped = drop;
    }
    list.resize(kept);
}

void assignFrequencies(ChannelTrack& track, std::vector<PitchBeforeNote>& early) {
    std::uint8_t lastNote = 0;
    for (EventPointer& pointer : track.events) {
        Event& event = *pointer;
        if (event.type == kTypeNoteOn || event.type == kTypeSlide) {
            auto& note = static_cast<EvNoteOn&>(event);
            lastNote = static_cast<std::uint8_t>(note.value);
            note.value = noteFrequencyWord(lastNote);
        } else if (event.type == kTypePitch) {
            auto& pitch = static_cast<EvPitch&>(event);
            if (lastNote == 0) early.push_back({pitch.time, pitch.channel});
            pitch.value = pitchFrequencyWord(lastNote, pitch.value);
        }
    }
}

namespace {

constexpr std::uint8_t kPanController = 10;
constexpr std::uint8_t kStartingPan = 3;

// Two pan bits from a controller event's value (twice the MIDI value).
std::uint8_t panBits(std::uint8_t value) {
    return static_cast<std::uint8_t>((value > 64 ? 2 : 0) + (value < 192 ? 1 : 0));
}

bool isPanControl(const Event& event) {
    return event.type == kTypeControl &&
           static_cast<const EvMidiControl&>(event).controller == kPanController;
}

}  // namespace

void foldVelocityAndPan(ChannelTrack& track) {
    std::uint8_t pan = kStartingPan;
    bool panChanged = false;
    std::size_t kept = 0;
    EventList& list = track.events;
    for (std::size_t i = 0; i < list.size(); ++i) {
        Event& event = *list[i];
        if (isPanControl(event)) {
            std::uint8_t bits = panBits(static_cast<EvMidiControl&>(event).value);
            if (bits != pan) {
                pan = bits;
                panChanged = true;
            }
            continue;  // pan never reaches the stream on its own
        }
        if (event.type == kTypeNoteOff) {
            track.lastVelocity = 0;
        } else if (event.type == kTypeNoteOn) {
            auto& note = static_cast<EvNoteOn&>(event);
            if (note.velocity == track.lastVelocity && !panChanged) {
                note.type = kTypeNoteOnSameVelocity;
            } else {
                track.lastVelocity = note.velocity;
                note.velocity = static_cast<std::uint8_t>((note.velocity & 0xFC) | pan);
                panChanged = false;
            }
        }
        moveDown(list, i, kept++);
    }
    list.resize(kept);
}
