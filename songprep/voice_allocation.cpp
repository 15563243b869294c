#include "songprep/voice_allocation.h"

#include <algorithm>
#include <numeric>

#include "songprep/drum_hits.h"

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
    std::uint32_t settles = 0;  // the earliest its voice may go to another note
};

struct Voice {
    std::uint32_t playing = kNoNote;  // the candidate it plays, while it sounds
    std::uint32_t end = 0;            // when that ends
    std::size_t segment = 0;          // its VoiceNote
    std::uint32_t settles = 0;        // when that has sounded its shortest length
    int lastChannel = -1;
    std::uint32_t freeSince = 0;
};

class Allocator {
public:
    Allocator(const SongNotes& notes, const AllocationSettings& settings, Allocation& out)
        : notes_(notes), settings_(settings), out_(out) {}

    void run() {
        makeCandidates();
        std::vector<std::uint32_t> order(candidates_.size());
        std::iota(order.begin(), order.end(), 0);
        // In start order; at one tick, the worthiest first.
        std::vector<double> worth(candidates_.size());
        for (std::uint32_t i = 0; i < candidates_.size(); ++i) worth[i] = worthOf(i, startOf(i));
        // Candidates come in start order already: only notes of one tick change places.
        auto worthier = [&](std::uint32_t a, std::uint32_t b) { return worth[a] > worth[b]; };
        for (std::size_t from = 0; from < order.size();) {
            std::size_t to = from + 1;
            while (to < order.size() && startOf(order[to]) == startOf(order[from])) ++to;
            if (to - from > 1)
                std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(from),
                                 order.begin() + static_cast<std::ptrdiff_t>(to), worthier);
            from = to;
        }
        for (std::uint32_t candidate : order) place(candidate);
    }

    const std::vector<Candidate>& candidates() const { return candidates_; }

private:
    void makeCandidates() {
        for (std::uint32_t i = 0; i < notes_.notes.size(); ++i) {
            const SongNote& note = notes_.notes[i];
            if (!settings_.excluded.empty() && settings_.excluded[i]) continue;
            if (!note.drum) {
                candidates_.push_back({i, note.end, note.key, false});
                continue;
            }
            if (settings_.drums == DrumRule::off) continue;
            DrumHit hit = drumHit(note.key);
            std::uint32_t length = std::max<std::uint32_t>(1, settings_.ticksForMs(hit.ms, note.start));
            candidates_.push_back({i, note.start + length, hit.key, true});
        }
        // A note lasts long enough for the player to sound it before the
        // next one takes its voice: shorter, the next would come late.
        for (Candidate& c : candidates_) {
            std::uint32_t start = notes_.notes[c.note].start;
            std::uint32_t shortest = settings_.ticksForMs(settings_.shortestMs, start);
            c.settles = start + std::max<std::uint32_t>(1, shortest);
            c.end = std::max(c.end, c.settles);
        }
    }

    std::uint32_t startOf(std::uint32_t candidate) const {
        return notes_.notes[candidates_[candidate].note].start;
    }

    double worthOf(std::uint32_t candidate, std::uint32_t tick) const {
        const Candidate& c = candidates_[candidate];
        const SongNote& note = notes_.notes[c.note];
        if (c.drum) return kDrumWeight * (1 + drumHit(note.key).weight);
        return noteWorth(notes_, note, tick);
    }

    bool allowed(int voice, const Candidate& c) const {
        if (settings_.drums != DrumRule::ownVoice) return true;
        return (voice == settings_.drumVoice) == c.drum;
    }

    void freeEnded(std::uint32_t tick) {
        for (Voice& voice : voices_)
            if (voice.playing != kNoNote && voice.end <= tick) {
                voice.playing = kNoNote;
                voice.freeSince = voice.end;
            }
    }

    void place(std::uint32_t candidate) {
        const Candidate& c = candidates_[candidate];
        const SongNote& note = notes_.notes[c.note];
        std::uint32_t tick = note.start;
        freeEnded(tick);
        int voice = sameKeyVoice(c, tick);
        if (voice >= 0) {
            if (voices_[voice].end >= c.end) {
                ++out_.counts.doubled;
                return;
            }
            ++out_.counts.doubled;
            cut(voice, tick, false);
            return start(voice, candidate);
        }
        voice = freeVoice(c);
        if (voice >= 0) return start(voice, candidate);
        voice = cheapestVoice(c, tick);
        if (voice >= 0 && worthOf(candidate, tick) > worthOf(voices_[voice].playing, tick)) {
            cut(voice, tick, true);
            return start(voice, candidate);
        }
        leaveOut(candidate);
    }

    // A note that has not sounded its shortest length yet keeps its voice.
    bool settled(int voice, std::uint32_t tick) const { return tick >= voices_[voice].settles; }

    int sameKeyVoice(const Candidate& c, std::uint32_t tick) const {
        if (c.drum) return -1;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            const Voice& v = voices_[voice];
            if (v.playing != kNoNote && !candidates_[v.playing].drum && settled(voice, tick) &&
                candidates_[v.playing].key == c.key && allowed(voice, c))
                return voice;
        }
        return -1;
    }

    int freeVoice(const Candidate& c) const {
        const SongNote& note = notes_.notes[c.note];
        int best = -1;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            const Voice& v = voices_[voice];
            if (v.playing != kNoNote || !allowed(voice, c)) continue;
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

    int cheapestVoice(const Candidate& c, std::uint32_t tick) const {
        int best = -1;
        double bestWorth = 0;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            if (!allowed(voice, c) || !settled(voice, tick)) continue;
            double worth = worthOf(voices_[voice].playing, tick);
            if (best < 0 || worth < bestWorth) {
                best = voice;
                bestWorth = worth;
            }
        }
        return best;
    }

    void start(int voice, std::uint32_t candidate) {
        const Candidate& c = candidates_[candidate];
        const SongNote& note = notes_.notes[c.note];
        Voice& v = voices_[voice];
        v.playing = candidate;
        v.end = c.end;
        v.settles = c.settles;
        v.lastChannel = note.channel;
        v.segment = out_.voices[voice].size();
        out_.voices[voice].push_back({note.start, c.end, c.key, note.velocity, note.channel, c.note});
        ++(c.drum ? out_.counts.drumsPlayed : out_.counts.played);
    }

    // Ends the voice's note at `tick`; a note that has not sounded at all is
    // no longer played.
    void cut(int voice, std::uint32_t tick, bool countCut) {
        Voice& v = voices_[voice];
        std::vector<VoiceNote>& segments = out_.voices[voice];
        VoiceNote& segment = segments[v.segment];
        bool drum = candidates_[v.playing].drum;
        if (segment.start >= tick) {
            segments.erase(segments.begin() + static_cast<std::ptrdiff_t>(v.segment));
            --(drum ? out_.counts.drumsPlayed : out_.counts.played);
            if (countCut) leaveOut(v.playing);
        } else {
            segment.end = tick;
            if (countCut && !drum) ++out_.counts.cutShort;
        }
        v.playing = kNoNote;
        v.freeSince = tick;
    }

    void leaveOut(std::uint32_t candidate) {
        const Candidate& c = candidates_[candidate];
        const SongNote& note = notes_.notes[c.note];
        if (c.drum) {
            ++out_.counts.drumsLeftOut;
            return;
        }
        ++out_.counts.leftOut;
        leftOut_.push_back(c.note);
        if (out_.counts.firstLeftOut.size() < kPlacesKept)
            out_.counts.firstLeftOut.push_back({note.start, note.channel, note.key});
    }

    const SongNotes& notes_;
    const AllocationSettings& settings_;
    Allocation& out_;
    std::vector<Candidate> candidates_;
    std::array<Voice, kVoiceCount> voices_;

public:
    std::vector<std::uint32_t> leftOut_;  // pitched notes, for an arpeggio
};

}  // namespace

double noteWorth(const SongNotes& notes, const SongNote& note, std::uint32_t tick) {
    double rest = note.end > tick ? note.end - std::max(note.start, tick) : 0;
    return kMelodyWeight * melodyTicksFrom(notes, note, tick) +
           kBassWeight * bassTicksFrom(notes, note, tick) + rest + kVelocityWeight * note.velocity;
}

Allocation allocateVoices(const SongNotes& notes, const AllocationSettings& settings) {
    Allocation out;
    Allocator allocator(notes, settings, out);
    allocator.run();
    return out;
}

}  // namespace songprep
