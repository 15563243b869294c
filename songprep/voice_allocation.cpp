#include "songprep/voice_allocation.h"

#include <algorithm>
#include <numeric>

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
    Allocator(const music::SongNotes& notes, const AllocationSettings& settings, Allocation& out)
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

    // The pitched notes no voice was free for, in the order they start.
    const std::vector<std::uint32_t>& leftOut() const { return leftOut_; }

private:
    void makeCandidates() {
        for (std::uint32_t i = 0; i < notes_.notes.size(); ++i) {
            const music::SongNote& note = notes_.notes[i];
            if (!settings_.excluded.empty() && settings_.excluded[i]) continue;
            if (!note.drum) {
                candidates_.push_back({i, note.end, note.key, false});
                continue;
            }
            if (settings_.drums == DrumRule::off) continue;
            DrumHit hit = drumHit(note.key);
            std::uint32_t length =
                std::max<std::uint32_t>(1, settings_.ticksForMs(hit.ms, note.start));
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
        const music::SongNote& note = notes_.notes[c.note];
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
        const music::SongNote& note = notes_.notes[c.note];
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
        const music::SongNote& note = notes_.notes[c.note];
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
        const music::SongNote& note = notes_.notes[c.note];
        Voice& v = voices_[voice];
        v.playing = candidate;
        v.end = c.end;
        v.settles = c.settles;
        v.lastChannel = note.channel;
        v.segment = out_.voices[voice].size();
        out_.voices[voice].push_back(
            {note.start, c.end, c.key, note.velocity, note.channel, c.note});
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
        const music::SongNote& note = notes_.notes[c.note];
        if (c.drum) {
            ++out_.counts.drumsLeftOut;
            return;
        }
        ++out_.counts.leftOut;
        leftOut_.push_back(c.note);
        if (out_.counts.firstLeftOut.size() < kPlacesKept)
            out_.counts.firstLeftOut.push_back({note.start, note.channel, note.key});
    }

    const music::SongNotes& notes_;
    const AllocationSettings& settings_;
    Allocation& out_;
    std::vector<Candidate> candidates_;
    std::array<Voice, kVoiceCount> voices_;
    std::vector<std::uint32_t> leftOut_;
};

}  // namespace

double noteWorth(const music::SongNotes& notes, const music::SongNote& note, std::uint32_t tick) {
    double rest = note.end > tick ? note.end - std::max(note.start, tick) : 0;
    return kMelodyWeight * music::melodyTicksFrom(notes, note, tick) +
           kBassWeight * music::bassTicksFrom(notes, note, tick) + rest +
           kVelocityWeight * note.velocity;
}

namespace {

// A note left out that an arpeggio plays in turn with the note sounding on its
// host's voice when it starts.
struct Guest {
    std::uint32_t note;
};

// The voice note sounding at `tick` on `voice` that is worth least, or -1.
int hostAt(const std::vector<VoiceNote>& segments, std::uint32_t tick) {
    auto after = std::upper_bound(segments.begin(), segments.end(), tick,
                                  [](std::uint32_t t, const VoiceNote& n) { return t < n.start; });
    if (after == segments.begin()) return -1;
    const VoiceNote& candidate = *(after - 1);
    if (candidate.end <= tick || candidate.channel == midifile::kDrumChannel) return -1;
    return static_cast<int>(after - segments.begin()) - 1;
}

// The host's stretch from its first guest on, cut into steps that take the
// sounding notes in turn, each guest's first step at its own start.
void playInTurn(const music::SongNotes& notes, const VoiceNote& host, std::vector<Guest>& guests,
                const AllocationSettings& settings, std::vector<VoiceNote>& out) {
    std::uint32_t tick = notes.notes[guests.front().note].start;
    if (tick > host.start)
        out.push_back({host.start, tick, host.key, host.velocity, host.channel, host.note});
    std::size_t turn = 0;
    std::vector<bool> started(guests.size(), false);
    while (tick < host.end) {
        std::uint32_t step =
            std::max<std::uint32_t>(1, settings.ticksForMs(settings.arpeggioMs, tick));
        std::uint32_t end = std::min<std::uint32_t>(host.end, tick + step);
        // A guest that starts now goes first; otherwise the next in turn.
        int chosen = -1;
        for (std::size_t g = 0; g < guests.size() && chosen < 0; ++g)
            if (!started[g] && notes.notes[guests[g].note].start <= tick)
                chosen = static_cast<int>(g);
        std::size_t members = guests.size() + 1;
        for (std::size_t tried = 0; chosen < 0 && tried < members; ++tried) {
            std::size_t candidate = turn++ % members;
            if (candidate == guests.size()) {
                chosen = static_cast<int>(guests.size());
            } else {
                const music::SongNote& guest = notes.notes[guests[candidate].note];
                if (guest.start <= tick && guest.end > tick) chosen = static_cast<int>(candidate);
            }
        }
        VoiceNote slice = host;
        if (chosen < static_cast<int>(guests.size())) {
            const music::SongNote& guest =
                notes.notes[guests[static_cast<std::size_t>(chosen)].note];
            started[static_cast<std::size_t>(chosen)] = true;
            slice = {tick,           end,           guest.key,
                     guest.velocity, guest.channel, guests[static_cast<std::size_t>(chosen)].note};
        }
        slice.start = tick;
        slice.end = end;
        if (!out.empty() && out.back().note == slice.note && out.back().end == tick)
            out.back().end = end;
        else
            out.push_back(slice);
        tick = end;
    }
}

std::size_t arpeggiate(const music::SongNotes& notes, const std::vector<std::uint32_t>& leftOut,
                       const AllocationSettings& settings, Allocation& allocation) {
    std::array<std::vector<std::vector<Guest>>, kVoiceCount> guests;
    for (int voice = 0; voice < kVoiceCount; ++voice)
        guests[voice].resize(allocation.voices[voice].size());
    std::size_t placed = 0;
    for (std::uint32_t note : leftOut) {
        std::uint32_t tick = notes.notes[note].start;
        int bestVoice = -1, bestHost = -1;
        double bestWorth = 0;
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            if (settings.drums == DrumRule::ownVoice && voice == settings.drumVoice) continue;
            int host = hostAt(allocation.voices[voice], tick);
            if (host < 0) continue;
            double worth = noteWorth(notes, notes.notes[allocation.voices[voice][host].note], tick);
            if (bestVoice < 0 || worth < bestWorth) {
                bestVoice = voice;
                bestHost = host;
                bestWorth = worth;
            }
        }
        if (bestVoice < 0) continue;
        guests[bestVoice][static_cast<std::size_t>(bestHost)].push_back({note});
        ++placed;
    }
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        std::vector<VoiceNote> rebuilt;
        const std::vector<VoiceNote>& segments = allocation.voices[voice];
        for (std::size_t i = 0; i < segments.size(); ++i) {
            if (guests[voice][i].empty())
                rebuilt.push_back(segments[i]);
            else
                playInTurn(notes, segments[i], guests[voice][i], settings, rebuilt);
        }
        allocation.voices[voice] = std::move(rebuilt);
    }
    return placed;
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
