#include "songprep/voice_allocation.h"

#include <algorithm>
#include <utility>

#include "songprep/drum_hits.h"
#include "songprep/voice_choice.h"

namespace songprep {
namespace {

constexpr double kMelodyWeight = 16;
constexpr double kBassWeight = 8;
constexpr double kVelocityWeight = 1e-3;  // breaks ties of length only
constexpr double kDrumWeight = 1e-6;      // below any pitched note

constexpr std::uint32_t kNoNote = 0xFFFFFFFF;

// A note to place: a pitched note as written, or a drum as its hit.
struct Candidate {
    std::uint32_t note;
    std::uint32_t end;
    std::uint8_t key;
    bool drum;
    std::uint32_t heard = 0;  // from here on it may be cut short; before, only left out
    std::uint32_t soon = 0;   // ticks within which a line that is about to start counts as now
};

// A moment of the song: a tick, and the ticks after it that count as the same
// moment to a listener (a bass note that ends a few milliseconds after the next
// one starts is not the bass against it).
struct Moment {
    std::uint32_t tick;
    std::uint32_t soon;
};

// What a note counts for at a moment: the melody and the bass of that moment
// before any other note, then worth.
struct Standing {
    bool line = false;
    double worth = 0;

    bool operator<(const Standing& other) const {
        return line != other.line ? other.line : worth < other.worth;
    }
};

// What a voice sounds: the note that struck it, and of the other notes of its
// key that it sounds for as well, the one that counted most when it came and
// the one that lasts longest.
struct Sound {
    std::uint32_t playing = kNoNote;
    std::uint32_t also = kNoNote;
    std::uint32_t longest = kNoNote;
    std::uint32_t end = 0;
    std::size_t segment = 0;  // its VoiceNote
    std::uint32_t heard = 0;
};

struct Voice {
    Sound sound;
    Sound before;  // what this sound cut short when it started, to play on if it is left out
    bool beforeCounted = false;
    int lastChannel = -1;
    std::uint32_t freeSince = 0;
};

class Allocator {
public:
    Allocator(const music::SongNotes& notes, const AllocationSettings& settings, Allocation& out)
        : notes_(notes), settings_(settings), out_(out) {}

    void run() {
        makeCandidates();
        // Candidates come in start order already: only notes of one tick change
        // places, the one that stands highest first.
        std::vector<std::pair<Standing, std::uint32_t>> together;
        for (std::uint32_t from = 0; from < candidates_.size();) {
            std::uint32_t to = from + 1;
            while (to < candidates_.size() && startOf(to) == startOf(from)) ++to;
            if (to - from == 1) {
                place(from);
            } else {
                together.clear();
                for (std::uint32_t i = from; i < to; ++i)
                    together.push_back({standingOf(i, momentOf(i)), i});
                std::stable_sort(together.begin(), together.end(),
                                 [](const auto& a, const auto& b) { return b.first < a.first; });
                for (const auto& [standing, candidate] : together) place(candidate);
            }
            from = to;
        }
    }

    // The pitched notes no voice was kept for, in the order they start.
    std::vector<std::uint32_t> leftOut() {
        std::sort(leftOut_.begin(), leftOut_.end());
        return leftOut_;
    }

private:
    void makeCandidates() {
        std::uint32_t heardTicks = 0, heardFrom = 0;
        candidates_.reserve(notes_.notes.size());
        for (std::uint32_t i = 0; i < notes_.notes.size(); ++i) {
            const music::SongNote& note = notes_.notes[i];
            if (!settings_.excluded.empty() && settings_.excluded[i]) continue;
            if (note.drum && settings_.drums == DrumRule::off) continue;
            std::uint32_t end = note.end;
            std::uint8_t key = note.key;
            if (note.drum) {
                DrumHit hit = drumHit(note.key);
                end = note.start +
                      std::max<std::uint32_t>(1, settings_.ticksForMs(hit.ms, note.start));
                key = hit.key;
            }
            // A note lasts long enough for the player to sound it before the
            // next one takes its voice: shorter, the next would come late.
            std::uint32_t shortest =
                std::max<std::uint32_t>(1, settings_.ticksForMs(settings_.shortestMs, note.start));
            end = std::max(end, note.start + shortest);
            // The song's tempo changes rarely: a tick's length is asked for
            // once per start tick.
            if (candidates_.empty() || note.start != heardFrom) {
                // Two player units more, as the converter rounds both ends to units
                // and may start a note up to a unit late.
                heardTicks =
                    settings_.ticksForMs(kShortestHeardMs + settings_.shortestMs, note.start);
                heardFrom = note.start;
            }
            std::uint32_t heard = std::max(shortest, std::min(heardTicks, end - note.start));
            candidates_.push_back({i, end, key, note.drum, note.start + heard, heardTicks});
        }
    }

    std::uint32_t startOf(std::uint32_t candidate) const {
        return notes_.notes[candidates_[candidate].note].start;
    }

    Moment momentOf(std::uint32_t candidate) const {
        return {startOf(candidate), candidates_[candidate].soon};
    }

    Standing standingOf(std::uint32_t candidate, Moment moment) const {
        if (candidate == kNoNote) return {};
        const Candidate& c = candidates_[candidate];
        const music::SongNote& note = notes_.notes[c.note];
        if (c.drum) return {false, kDrumWeight * (1 + drumHit(note.key).weight)};
        return {isLineAt(notes_, note, moment.tick, moment.soon),
                noteWorth(notes_, note, moment.tick)};
    }

    Standing standingOf(const Sound& sound, Moment moment) const {
        return std::max({standingOf(sound.playing, moment), standingOf(sound.also, moment),
                         standingOf(sound.longest, moment)});
    }

    bool allowed(int voice, const Candidate& c) const {
        if (settings_.drums != DrumRule::ownVoice) return true;
        return (voice == settings_.drumVoice) == c.drum;
    }

    void freeEnded(std::uint32_t tick) {
        for (Voice& voice : voices_)
            if (voice.sound.playing != kNoNote && voice.sound.end <= tick) {
                voice.freeSince = voice.sound.end;
                voice.sound = {};
                voice.before = {};
            }
    }

    void place(std::uint32_t candidate) {
        const Candidate& c = candidates_[candidate];
        std::uint32_t tick = notes_.notes[c.note].start;
        freeEnded(tick);
        // One key sounds on one voice: a note or a hit of a key that sounds
        // plays there, but a hit never takes a note's voice, and a note takes
        // a hit's voice as it would a free one.
        if (int voice = sameKeyVoice(c); voice >= 0) {
            bool drumSounds = candidates_[voices_[voice].sound.playing].drum;
            if (drumSounds == c.drum) return soundAgain(voice, candidate, tick);
            if (c.drum) return leaveOut(candidate, false);
            if (allowed(voice, c)) {
                if (tick < voices_[voice].sound.heard) withdraw(voice, tick);
                if (voices_[voice].sound.playing != kNoNote) endSegment(voice, tick);
                return start(voice, candidate, {}, false);
            }
        }
        Moment now = momentOf(candidate);
        Standing standing = standingOf(candidate, now);
        for (;;) {
            if (int voice = freeVoice(c); voice >= 0) return start(voice, candidate, {}, false);
            int voice = weakestVoice(c, now, standing);
            if (voice < 0) return leaveOut(candidate, false);
            if (tick >= voices_[voice].sound.heard) {
                Sound taken = voices_[voice].sound;
                bool counted = cutShort(voice, tick);
                return start(voice, candidate, taken, counted);
            }
            // Not heard long enough to be cut: it never sounds, and what it cut
            // plays on; then look again.
            withdraw(voice, tick);
        }
    }

    // The voice sounding the candidate's key, drum hit or note.
    int sameKeyVoice(const Candidate& c) const {
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            const Sound& sound = voices_[voice].sound;
            if (sound.playing != kNoNote && candidates_[sound.playing].key == c.key) return voice;
        }
        return -1;
    }

    // The key sounds already: struck again for a note that lasts longer, once
    // the sounding note has been heard; otherwise it sounds on for this note too.
    void soundAgain(int voice, std::uint32_t candidate, std::uint32_t tick) {
        Voice& v = voices_[voice];
        const Candidate& c = candidates_[candidate];
        if (c.end > v.sound.end && tick >= v.sound.heard) {
            Sound taken = v.sound;
            endSegment(voice, tick);
            start(voice, candidate, taken, false);
            if (!c.drum) ++out_.counts.struckAgain;
            soundAlsoFor(voice, taken.playing, momentOf(candidate));
            return;
        }
        ++(c.drum ? out_.counts.drumsPlayed : out_.counts.keySounding);
        v.sound.end = std::max(v.sound.end, c.end);
        out_.voices[voice][v.sound.segment].end = v.sound.end;
        soundAlsoFor(voice, candidate, momentOf(candidate));
    }

    // The voice sounds for `candidate` too; an arpeggio leaves the voice alone
    // while any note it sounds for is the melody or the bass.
    void soundAlsoFor(int voice, std::uint32_t candidate, Moment now) {
        Sound& sound = voices_[voice].sound;
        if (sound.also == kNoNote || standingOf(sound.also, now) < standingOf(candidate, now))
            sound.also = candidate;
        if (sound.longest == kNoNote || candidates_[sound.longest].end < candidates_[candidate].end)
            sound.longest = candidate;
        VoiceNote& segment = out_.voices[voice][sound.segment];
        segment.also = candidates_[sound.also].note;
        segment.longest = candidates_[sound.longest].note;
    }

    int freeVoice(const Candidate& c) const {
        const music::SongNote& note = notes_.notes[c.note];
        int best = -1;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            const Voice& v = voices_[voice];
            if (v.sound.playing != kNoNote || !allowed(voice, c)) continue;
            if (best < 0) {
                best = voice;
                continue;
            }
            const Voice& b = voices_[best];
            bool sameChannel = v.lastChannel == note.channel;
            bool bestSameChannel = b.lastChannel == note.channel;
            if (sameChannel != bestSameChannel) {
                if (sameChannel) best = voice;
                continue;
            }
            // The same line: the voice it ended on last; another line: the
            // voice free the longest.
            if (sameChannel ? v.freeSince > b.freeSince : v.freeSince < b.freeSince) best = voice;
        }
        return best;
    }

    // Of the sounding voices that count for less than `standing` now, the one
    // that costs least to take: a line that is about to end gives way before a
    // note that has long to sound, and a note not yet heard loses what it has
    // played too.
    int weakestVoice(const Candidate& c, Moment now, Standing standing) const {
        int best = -1;
        double bestCost = 0;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            const Sound& sound = voices_[voice].sound;
            if (!allowed(voice, c) || sound.playing == kNoNote) continue;
            Standing sounding = standingOf(sound, now);
            if (!(sounding < standing)) continue;
            double cost = sounding.worth;
            if (now.tick < sound.heard) {
                const Candidate& playing = candidates_[sound.playing];
                if (!playing.drum) {
                    const music::SongNote& note = notes_.notes[playing.note];
                    cost += noteWorth(notes_, note, note.start) - noteWorth(notes_, note, now.tick);
                }
            }
            if (best < 0 || cost < bestCost) {
                best = voice;
                bestCost = cost;
            }
        }
        return best;
    }

    void start(int voice, std::uint32_t candidate, const Sound& taken, bool takenCounted) {
        const Candidate& c = candidates_[candidate];
        const music::SongNote& note = notes_.notes[c.note];
        Voice& v = voices_[voice];
        v.before = taken;
        v.beforeCounted = takenCounted;
        v.sound = {candidate, kNoNote, kNoNote, c.end, out_.voices[voice].size(), c.heard};
        v.lastChannel = note.channel;
        out_.voices[voice].push_back(
            {note.start, c.end, c.key, note.velocity, note.channel, c.note});
        ++(c.drum ? out_.counts.drumsPlayed : out_.counts.played);
    }

    void endSegment(int voice, std::uint32_t tick) {
        Voice& v = voices_[voice];
        out_.voices[voice][v.sound.segment].end = tick;
        v.sound = {};
        v.before = {};
        v.freeSince = tick;
    }

    // Ends the voice's note at `tick`; true when that counts as cut short.
    bool cutShort(int voice, std::uint32_t tick) {
        bool counted = !candidates_[voices_[voice].sound.playing].drum;
        if (counted) ++out_.counts.cutShort;
        endSegment(voice, tick);
        return counted;
    }

    // Takes back the voice's note, which has not been heard long enough to
    // count; the note it cut short when it started plays on where it can.
    void withdraw(int voice, std::uint32_t tick) {
        Voice& v = voices_[voice];
        std::vector<VoiceNote>& segments = out_.voices[voice];
        const Candidate& c = candidates_[v.sound.playing];
        segments.pop_back();
        --(c.drum ? out_.counts.drumsPlayed : out_.counts.played);
        leaveOut(v.sound.playing, true);
        Sound before = v.before;
        bool counted = v.beforeCounted;
        v.sound = {};
        v.before = {};
        v.freeSince = tick;
        if (before.playing == kNoNote) return;
        const Candidate& previous = candidates_[before.playing];
        // Its key may sound on another voice by now: one voice is enough.
        if (sameKeyVoice(previous) >= 0) return;
        if (counted) --out_.counts.cutShort;
        segments[before.segment].end = before.end;
        if (before.end <= tick) {
            v.freeSince = before.end;
            return;
        }
        v.sound = before;
    }

    void leaveOut(std::uint32_t candidate, bool ahead) {
        const Candidate& c = candidates_[candidate];
        const music::SongNote& note = notes_.notes[c.note];
        if (c.drum) {
            ++out_.counts.drumsLeftOut;
            return;
        }
        ++(ahead ? out_.counts.leftOutAhead : out_.counts.leftOut);
        leftOut_.push_back(c.note);
        std::vector<NotePlace>& places =
            ahead ? out_.counts.firstLeftOutAhead : out_.counts.firstLeftOut;
        if (places.size() < kPlacesKept) places.push_back({note.start, note.channel, note.key});
    }

    const music::SongNotes& notes_;
    const AllocationSettings& settings_;
    Allocation& out_;
    std::vector<Candidate> candidates_;
    std::array<Voice, kVoiceCount> voices_;
    std::vector<std::uint32_t> leftOut_;
};

// The first of a note's stretches that ends after `tick`, or the end.
const music::LineStretch* stretchAfter(const music::SongNotes& notes, std::uint32_t from,
                                       std::uint32_t count, std::uint32_t tick) {
    const music::LineStretch* first = notes.stretches.data() + from;
    const music::LineStretch* last = first + count;
    return std::upper_bound(first, last, tick,
                            [](std::uint32_t t, const music::LineStretch& s) { return t < s.end; });
}

bool inStretch(const music::SongNotes& notes, std::uint32_t from, std::uint32_t count,
               std::uint32_t tick, std::uint32_t soon) {
    const music::LineStretch* after = stretchAfter(notes, from, count, tick);
    return after != notes.stretches.data() + from + count &&
           (after->start <= tick || after->start - tick <= soon);
}

}  // namespace

double noteWorth(const music::SongNotes& notes, const music::SongNote& note, std::uint32_t tick) {
    double rest = note.end > tick ? note.end - std::max(note.start, tick) : 0;
    return kMelodyWeight * music::melodyTicksFrom(notes, note, tick) +
           kBassWeight * music::bassTicksFrom(notes, note, tick) + rest +
           kVelocityWeight * note.velocity;
}

bool isLineAt(const music::SongNotes& notes, const music::SongNote& note, std::uint32_t tick,
              std::uint32_t soon) {
    return inStretch(notes, note.melodyFrom, note.melodyCount, tick, soon) ||
           inStretch(notes, note.melodyFrom + note.melodyCount, note.bassCount, tick, soon);
}

namespace {

// A note inside the texture: neither the melody nor the bass from `tick` on.
bool isInner(const music::SongNotes& notes, const music::SongNote& note, std::uint32_t tick) {
    return !note.drum && music::melodyTicksFrom(notes, note, tick) == 0 &&
           music::bassTicksFrom(notes, note, tick) == 0 && !isLineAt(notes, note, tick, 0);
}

// A left-out inner note that takes turns with the inner note sounding on a
// voice when it starts.
struct Guest {
    int voice;
    std::uint32_t host;  // its VoiceNote
    std::uint32_t note;
};

// The voice note sounding at `tick` on `segments`, or -1.
int soundingAt(const std::vector<VoiceNote>& segments, std::uint32_t tick) {
    auto after = std::upper_bound(segments.begin(), segments.end(), tick,
                                  [](std::uint32_t t, const VoiceNote& n) { return t < n.start; });
    if (after == segments.begin()) return -1;
    const VoiceNote& candidate = *(after - 1);
    if (candidate.end <= tick) return -1;
    return static_cast<int>(after - segments.begin()) - 1;
}

// How long a turn lasts at the least to be heard as a note, as the converter
// may round either end by a unit.
std::uint32_t heardTicks(const AllocationSettings& settings, std::uint32_t tick) {
    return settings.ticksForMs(kShortestHeardMs + settings.shortestMs, tick);
}

// The host's stretch from its first guest on, cut into steps that take the
// sounding notes in turn: a guest that starts goes first, then each in turn
// with the host; where no guest sounds, the host plays on alone.
class TurnTaking {
public:
    TurnTaking(const music::SongNotes& notes, const AllocationSettings& settings,
               std::vector<VoiceNote>& out, std::size_t& budget)
        : notes_(notes), settings_(settings), out_(out), budget_(budget) {}

    // `guests` in start order; false when the budget of voice notes ran out.
    bool play(const VoiceNote& host, const std::vector<std::uint32_t>& guests) {
        std::uint32_t tick = notes_.notes[guests.front()].start;
        // The host is heard before the first guest takes a turn.
        if (tick > host.start)
            tick = std::min(host.end, std::max(tick, host.start + shortest(host.start)));
        if (tick > host.start && !emit(host, host.start, tick)) return false;
        std::vector<std::uint32_t> turns{kHost};  // a ring of those sounding
        std::size_t front = 0, next = 0;
        while (tick < host.end) {
            std::uint32_t member;
            if (next < guests.size() && notes_.notes[guests[next]].start <= tick) {
                member = next++;
            } else {
                member = turns[front++];
                if (member != kHost && notes_.notes[guests[member]].end <= tick) continue;
                if (member == kHost && front == turns.size()) {
                    // Alone: the host plays on to the next guest.
                    std::uint32_t until =
                        next < guests.size() ? notes_.notes[guests[next]].start : host.end;
                    until = std::min(until, host.end);
                    // A moment alone is no note: the last turn holds on to it.
                    if (until - tick < shortest(tick)) {
                        out_.back().end = until;
                    } else if (!emit(host, tick, until)) {
                        return false;
                    }
                    tick = until;
                    turns.push_back(kHost);
                    continue;
                }
            }
            std::uint32_t step =
                std::max<std::uint32_t>(1, settings_.ticksForMs(settings_.arpeggioMs, tick));
            std::uint32_t end = std::min<std::uint32_t>(host.end, tick + step);
            // A rest of a turn too short to be heard goes to this one.
            if (host.end - end < shortest(end)) end = host.end;
            VoiceNote slice = host;
            if (member != kHost) {
                const music::SongNote& guest = notes_.notes[guests[member]];
                slice = {tick,           end,          guest.key,   guest.velocity, guest.channel,
                         guests[member], kNoVoiceNote, kNoVoiceNote};
            }
            if (!emit(slice, tick, end)) return false;
            turns.push_back(member);
            tick = end;
            // The ring's played part is dropped now and then, so it never
            // holds more than twice those still in turn.
            if (front > turns.size() / 2) {
                turns.erase(turns.begin(), turns.begin() + static_cast<std::ptrdiff_t>(front));
                front = 0;
            }
        }
        return true;
    }

private:
    static constexpr std::uint32_t kHost = 0xFFFFFFFF;

    std::uint32_t shortest(std::uint32_t tick) const { return heardTicks(settings_, tick); }

    bool emit(VoiceNote slice, std::uint32_t from, std::uint32_t to) {
        slice.start = from;
        slice.end = to;
        if (!out_.empty() && out_.back().note == slice.note && out_.back().end == from) {
            out_.back().end = to;
            return true;
        }
        if (budget_ == 0) return false;
        --budget_;
        out_.push_back(slice);
        return true;
    }

    const music::SongNotes& notes_;
    const AllocationSettings& settings_;
    std::vector<VoiceNote>& out_;
    std::size_t& budget_;
};

// Left-out inner notes share the voice of the inner note that is worth least
// when they start; the melody and the bass are left alone.
std::size_t arpeggiate(const music::SongNotes& notes, const std::vector<std::uint32_t>& leftOut,
                       const AllocationSettings& settings, Allocation& allocation) {
    std::vector<Guest> guests;
    for (std::uint32_t note : leftOut) {
        std::uint32_t tick = notes.notes[note].start;
        if (!isInner(notes, notes.notes[note], tick)) continue;
        int bestVoice = -1, bestHost = -1;
        double bestWorth = 0;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            if (settings.drums == DrumRule::ownVoice && voice == settings.drumVoice) continue;
            int host = soundingAt(allocation.voices[voice], tick);
            if (host < 0) continue;
            const VoiceNote& hostSegment = allocation.voices[voice][host];
            // Too near the host's end for a turn to be heard, after the host's own.
            std::uint32_t firstTurn =
                std::max(tick, hostSegment.start + heardTicks(settings, hostSegment.start));
            if (firstTurn >= hostSegment.end ||
                hostSegment.end - firstTurn < heardTicks(settings, firstTurn))
                continue;
            auto inner = [&](std::uint32_t note) {
                return note == kNoVoiceNote || isInner(notes, notes.notes[note], tick);
            };
            if (!inner(hostSegment.note) || !inner(hostSegment.also) || !inner(hostSegment.longest))
                continue;
            double worth = noteWorth(notes, notes.notes[hostSegment.note], tick);
            if (bestVoice < 0 || worth < bestWorth) {
                bestVoice = voice;
                bestHost = host;
                bestWorth = worth;
            }
        }
        if (bestVoice >= 0)
            guests.push_back({bestVoice, static_cast<std::uint32_t>(bestHost), note});
    }
    // By voice and host, each host's guests in the order they start.
    std::stable_sort(guests.begin(), guests.end(), [](const Guest& a, const Guest& b) {
        return a.voice != b.voice ? a.voice < b.voice : a.host < b.host;
    });
    std::size_t budget = kMostVoiceNotes;
    for (const auto& voice : allocation.voices) budget -= std::min(budget, voice.size());
    std::size_t at = 0;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        std::vector<VoiceNote> rebuilt;
        TurnTaking turns(notes, settings, rebuilt, budget);
        const std::vector<VoiceNote>& segments = allocation.voices[voice];
        std::vector<std::uint32_t> ofHost;
        for (std::uint32_t i = 0; i < segments.size(); ++i) {
            ofHost.clear();
            for (; at < guests.size() && guests[at].voice == voice && guests[at].host == i; ++at)
                ofHost.push_back(guests[at].note);
            if (ofHost.empty()) {
                rebuilt.push_back(segments[i]);
            } else if (!turns.play(segments[i], ofHost)) {
                allocation.overflow = true;
                return 0;
            }
        }
        allocation.voices[voice] = std::move(rebuilt);
    }
    return guests.size();
}

}  // namespace

Allocation allocateVoices(const music::SongNotes& notes, const AllocationSettings& settings) {
    Allocation out;
    Allocator allocator(notes, settings, out);
    allocator.run();
    if (settings.arpeggioMs > 0)
        out.counts.arpeggiated = arpeggiate(notes, allocator.leftOut(), settings, out);
    return out;
}

}  // namespace songprep
