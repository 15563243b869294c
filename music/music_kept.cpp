#include "music/music_kept.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <vector>

namespace music {
namespace {

constexpr int kKeys = 128;

// Where each key sounds in the rendition, as sorted stretches that do not
// overlap, with the length of all stretches before each.
class KeyCoverage {
public:
    KeyCoverage(std::span<const TimedNote> played, double tolerance) {
        for (const TimedNote& note : played)
            if (note.key < kKeys && note.end > note.start) {
                // A slip of the times is forgiven, but a short note does not
                // stand for much more than it sounds.
                double slip = std::min(tolerance, (note.end - note.start) / 4);
                stretches_[note.key].push_back({note.start - slip, note.end + slip, 0});
            }
        for (auto& ofKey : stretches_) {
            std::sort(ofKey.begin(), ofKey.end(),
                      [](const Stretch& a, const Stretch& b) { return a.start < b.start; });
            std::vector<Stretch> merged;
            for (const Stretch& each : ofKey) {
                if (!merged.empty() && each.start <= merged.back().end)
                    merged.back().end = std::max(merged.back().end, each.end);
                else
                    merged.push_back(each);
            }
            double before = 0;
            for (Stretch& each : merged) {
                each.lengthBefore = before;
                before += each.end - each.start;
            }
            ofKey = std::move(merged);
        }
    }

    // How long `key` sounds between `from` and `to`.
    double covered(std::uint8_t key, double from, double to) const {
        if (key >= kKeys || to <= from) return 0;
        return coveredUpTo(key, to) - coveredUpTo(key, from);
    }

private:
    struct Stretch {
        double start;
        double end;
        double lengthBefore;
    };

    double coveredUpTo(std::uint8_t key, double time) const {
        const std::vector<Stretch>& ofKey = stretches_[key];
        // The sweep asks for later and later times: step on from the stretch
        // found last, and search only when asked for an earlier time.
        std::size_t& at = cursor_[key];
        if (at < ofKey.size() && ofKey[at].start <= time) {
            while (at + 1 < ofKey.size() && ofKey[at + 1].start <= time) ++at;
        } else {
            auto after = std::upper_bound(ofKey.begin(), ofKey.end(), time,
                                          [](double t, const Stretch& s) { return t < s.start; });
            if (after == ofKey.begin()) return 0;
            at = static_cast<std::size_t>(after - ofKey.begin()) - 1;
        }
        const Stretch& last = ofKey[at];
        return last.lengthBefore + std::min(time, last.end) - last.start;
    }

    std::array<std::vector<Stretch>, kKeys> stretches_;
    mutable std::array<std::size_t, kKeys> cursor_{};
};

// The keys that sound, with how many notes sound each.
class SoundingKeys {
public:
    void change(std::uint8_t key, int by) {
        counts_[key] += by;
        std::uint64_t bit = std::uint64_t{1} << (key % 64);
        if (counts_[key] > 0)
            words_[key / 64] |= bit;
        else
            words_[key / 64] &= ~bit;
    }
    int highest() const {
        return words_[1] != 0 ? 127 - std::countl_zero(words_[1])
                              : 63 - std::countl_zero(words_[0]);
    }
    int lowest() const {
        return words_[0] != 0 ? std::countr_zero(words_[0]) : 64 + std::countr_zero(words_[1]);
    }
    // How many of the sounding notes the four keys that most of them sound make.
    int notesOfBusiestKeys() const {
        std::array<int, kMeasuredVoices> best{};
        for (int word = 0; word < 2; ++word)
            for (std::uint64_t bits = words_[word]; bits != 0; bits &= bits - 1) {
                int count = counts_[word * 64 + std::countr_zero(bits)];
                for (int& slot : best)
                    if (count > slot) std::swap(count, slot);
            }
        int notes = 0;
        for (int count : best) notes += count;
        return notes;
    }

private:
    std::array<int, kKeys> counts_{};
    std::uint64_t words_[2] = {0, 0};
};

double percent(double part, double whole) { return whole > 0 ? 100.0 * part / whole : 100.0; }

}  // namespace

MusicKept measureMusicKept(std::span<const TimedNote> written, std::span<const TimedNote> played,
                           double tolerance) {
    KeyCoverage coverage(played, tolerance);
    MusicKept kept;
    double noteTime = 0, noteTimeKept = 0;
    // Starts and ends in time order, ends first at one time: the highest and the
    // lowest sounding key between two neighbouring times.
    struct Edge {
        double time;
        bool start;
        std::uint8_t key;
    };
    std::vector<Edge> edges;
    edges.reserve(2 * written.size());
    for (const TimedNote& note : written) {
        if (note.key >= kKeys || note.end <= note.start) continue;
        noteTime += note.end - note.start;
        noteTimeKept += coverage.covered(note.key, note.start, note.end);
        edges.push_back({note.start, true, note.key});
        edges.push_back({note.end, false, note.key});
    }
    auto earlier = [](const Edge& a, const Edge& b) {
        return a.time < b.time || (a.time == b.time && !a.start && b.start);
    };
    // Notes usually come in the order they start: then only their ends need
    // sorting, and the two runs merge.
    std::vector<Edge> ends;
    ends.reserve(edges.size() / 2);
    std::vector<Edge> starts;
    starts.reserve(edges.size() / 2);
    for (const Edge& edge : edges) (edge.start ? starts : ends).push_back(edge);
    if (!std::is_sorted(starts.begin(), starts.end(), earlier))
        std::sort(starts.begin(), starts.end(), earlier);
    std::sort(ends.begin(), ends.end(), earlier);
    std::merge(starts.begin(), starts.end(), ends.begin(), ends.end(), edges.begin(), earlier);
    SoundingKeys sounding;
    int soundingNotes = 0;
    double lineTime = 0, melodyKept = 0, bassKept = 0, ceiling = 0;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const Edge& edge = edges[i];
        sounding.change(edge.key, edge.start ? 1 : -1);
        soundingNotes += edge.start ? 1 : -1;
        if (soundingNotes == 0 || i + 1 == edges.size()) continue;
        double from = edge.time, to = edges[i + 1].time;
        if (to <= from) continue;
        lineTime += to - from;
        melodyKept += coverage.covered(static_cast<std::uint8_t>(sounding.highest()), from, to);
        bassKept += coverage.covered(static_cast<std::uint8_t>(sounding.lowest()), from, to);
        ceiling += (to - from) * sounding.notesOfBusiestKeys();
    }
    kept.anyNotes = noteTime > 0;
    kept.melody = percent(melodyKept, lineTime);
    kept.bass = percent(bassKept, lineTime);
    kept.noteTime = percent(noteTimeKept, noteTime);
    // The tolerance lets a played note that slips count a little longer than
    // its key sounds in the written song: the ceiling is never below it.
    kept.noteTimeCeiling = std::max(percent(ceiling, noteTime), kept.noteTime);
    return kept;
}

std::string describeMusicKept(const MusicKept& kept) {
    if (!kept.anyNotes) return "no notes";
    char text[128];
    std::snprintf(text, sizeof text,
                  "melody %.1f%%, bass %.1f%%, note time %.1f%% (four voices hold at most %.1f%%)",
                  kept.melody, kept.bass, kept.noteTime, kept.noteTimeCeiling);
    return text;
}

}  // namespace music
