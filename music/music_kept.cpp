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
        // Every key's stretches in one array, key by key: counted first, so
        // that nothing grows or is copied.
        std::array<std::size_t, kKeys + 1> from{};
        for (const TimedNote& note : played)
            if (note.key < kKeys && note.end > note.start) ++from[note.key + 1];
        for (int key = 0; key < kKeys; ++key) from[key + 1] += from[key];
        stretches_.reserve(from[kKeys]);
        stretches_.resize(from[kKeys]);
        std::array<std::size_t, kKeys> next;
        std::copy(from.begin(), from.end() - 1, next.begin());
        for (const TimedNote& note : played)
            if (note.key < kKeys && note.end > note.start) {
                // A slip of the times is forgiven, but a short note does not
                // stand for much more than it sounds.
                double slip = std::min(tolerance, (note.end - note.start) / 4);
                stretches_[next[note.key]++] = {note.start - slip, note.end + slip, 0};
            }
        auto earlier = [](const Stretch& a, const Stretch& b) { return a.start < b.start; };
        for (int key = 0; key < kKeys; ++key) {
            auto first = stretches_.begin() + static_cast<std::ptrdiff_t>(from[key]);
            auto last = stretches_.begin() + static_cast<std::ptrdiff_t>(from[key + 1]);
            if (!std::is_sorted(first, last, earlier)) std::sort(first, last, earlier);
            // Overlapping stretches merged, in place.
            auto merged = first;
            for (auto each = first; each != last; ++each) {
                if (each != first && each->start <= (merged - 1)->end)
                    (merged - 1)->end = std::max((merged - 1)->end, each->end);
                else
                    *merged++ = *each;
            }
            double before = 0;
            for (auto each = first; each != merged; ++each) {
                each->lengthBefore = before;
                before += each->end - each->start;
            }
            first_[key] = static_cast<std::size_t>(first - stretches_.begin());
            count_[key] = static_cast<std::size_t>(merged - first);
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
        std::span<const Stretch> ofKey(stretches_.data() + first_[key], count_[key]);
        // The sweep asks for later and later times: gallop on from the stretch
        // found last (a step, two, four, ...), then search the last leap; search
        // the whole key only when asked for an earlier time.
        auto later = [](double t, const Stretch& s) { return t < s.start; };
        std::size_t& at = cursor_[key];
        std::size_t count = ofKey.size();
        if (at < count && ofKey[at].start <= time) {
            // Most often the time is in the stretch found last, or the next.
            if (at + 1 < count && ofKey[at + 1].start <= time) {
                ++at;
                if (at + 1 < count && ofKey[at + 1].start <= time) {
                    std::size_t step = 1;
                    while (at + step < count && ofKey[at + step].start <= time) {
                        at += step;
                        step *= 2;
                    }
                    auto from = ofKey.begin() + static_cast<std::ptrdiff_t>(at + 1);
                    auto to = ofKey.begin() + static_cast<std::ptrdiff_t>(std::min(count, at + step));
                    at = static_cast<std::size_t>(std::upper_bound(from, to, time, later) -
                                                  ofKey.begin()) -
                         1;
                }
            }
        } else {
            auto after = std::upper_bound(ofKey.begin(), ofKey.end(), time, later);
            if (after == ofKey.begin()) return 0;
            at = static_cast<std::size_t>(after - ofKey.begin()) - 1;
        }
        const Stretch& last = ofKey[at];
        return last.lengthBefore + std::min(time, last.end) - last.start;
    }

    std::vector<Stretch> stretches_;        // key by key, each key's in time order
    std::array<std::size_t, kKeys> first_{};  // where each key's begin
    std::array<std::size_t, kKeys> count_{};
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

namespace {

// `playedDone` and `writtenDone` are told when the notes are no longer read.
// `written` is put in the order the notes start; `played` is let go once it is
// read.
template <typename PlayedDone>
MusicKept measure(std::vector<TimedNote>& written, std::span<const TimedNote> played,
                  double tolerance, PlayedDone playedDone) {
    KeyCoverage coverage(played, tolerance);
    playedDone();
    std::erase_if(written, [](const TimedNote& note) {
        return note.key >= kKeys || note.end <= note.start;
    });
    // Notes usually come in the order they start; where they do not, they are
    // put in it (stably, so that every system adds their times alike), and
    // the coverage of each key is then read forwards.
    auto startsEarlier = [](const TimedNote& a, const TimedNote& b) { return a.start < b.start; };
    if (!std::is_sorted(written.begin(), written.end(), startsEarlier))
        std::stable_sort(written.begin(), written.end(), startsEarlier);
    MusicKept kept;
    double noteTime = 0, noteTimeKept = 0;
    for (const TimedNote& note : written) {
        noteTime += note.end - note.start;
        noteTimeKept += coverage.covered(note.key, note.start, note.end);
    }
    // Starts and ends in time order, ends first at one time: the highest and
    // the lowest sounding key between two neighbouring times. The starts are
    // the notes'; the ends are sorted, and the two runs are walked together.
    struct Edge {
        double time;
        std::uint8_t key;
    };
    // Of ends at one time, the order does not matter: what sounds between two
    // times is the same.
    std::vector<Edge> ends;
    ends.reserve(written.size());
    for (const TimedNote& note : written) ends.push_back({note.end, note.key});
    std::sort(ends.begin(), ends.end(), [](const Edge& a, const Edge& b) { return a.time < b.time; });
    struct StartEdges {
        const std::vector<TimedNote>& notes;
        std::size_t size() const { return notes.size(); }
        Edge operator[](std::size_t i) const { return {notes[i].start, notes[i].key}; }
    } starts{written};
    SoundingKeys sounding;
    int soundingNotes = 0;
    double lineTime = 0, melodyKept = 0, bassKept = 0, ceiling = 0;
    // The melody's key and since when (the bass's too): its time is measured
    // once it changes, in one piece however many edges it spans.
    int melodyKey = -1, bassKey = -1;
    double melodySince = 0, bassSince = 0;
    auto follow = [&](int& key, double& since, double& kept, int now, double at) {
        if (now == key) return;
        if (key >= 0) kept += coverage.covered(static_cast<std::uint8_t>(key), since, at);
        key = now;
        since = at;
    };
    std::size_t nextStart = 0, nextEnd = 0;
    while (nextStart < starts.size() || nextEnd < ends.size()) {
        // At one time an end comes before a start.
        bool end = nextStart == starts.size() ||
                   (nextEnd < ends.size() && ends[nextEnd].time <= starts[nextStart].time);
        Edge edge = end ? ends[nextEnd++] : starts[nextStart++];
        sounding.change(edge.key, end ? -1 : 1);
        soundingNotes += end ? -1 : 1;
        double from = edge.time;
        if (soundingNotes == 0 || (nextStart == starts.size() && nextEnd == ends.size())) {
            follow(melodyKey, melodySince, melodyKept, -1, from);
            follow(bassKey, bassSince, bassKept, -1, from);
            continue;
        }
        double to = nextStart == starts.size()   ? ends[nextEnd].time
                    : nextEnd == ends.size()     ? starts[nextStart].time
                                                 : std::min(starts[nextStart].time, ends[nextEnd].time);
        if (to <= from) continue;
        lineTime += to - from;
        follow(melodyKey, melodySince, melodyKept, sounding.highest(), from);
        follow(bassKey, bassSince, bassKept, sounding.lowest(), from);
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

}  // namespace

MusicKept measureMusicKept(std::span<const TimedNote> written, std::span<const TimedNote> played,
                           double tolerance) {
    std::vector<TimedNote> notes(written.begin(), written.end());
    return measure(notes, played, tolerance, [] {});
}

MusicKept measureMusicKept(std::vector<TimedNote>&& written, std::vector<TimedNote>&& played,
                           double tolerance) {
    return measure(written, played, tolerance, [&] { std::vector<TimedNote>().swap(played); });
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
