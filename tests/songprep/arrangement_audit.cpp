#include "tests/songprep/arrangement_audit.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "midifile/input_song.h"

namespace testing_support {
namespace {

constexpr double kBlipMs = 30;
constexpr double kSameStartMs = 4;  // a written time as the player rounds it
constexpr int kDrumChannel = 9;

struct TimedNote {
    double start;
    double end;
    int key;
    int channel;
};

// Every note of the file in milliseconds, a note-off ending the oldest open
// note of its key; notes never ended last to the song's end.
std::vector<TimedNote> notesInMs(const Bytes& midi) {
    midifile::InputSong song;
    std::string error;
    std::span<const std::uint8_t> bytes(midi);
    if (!midifile::readInputSong("song.mid", song, error, &bytes)) return {};
    std::map<std::uint32_t, std::uint32_t> tempos{{0, 500000}};
    for (const midifile::TempoChange& change : song.tempos) tempos[change.tick] = change.tempo;
    auto ms = [&](std::uint32_t tick) {
        double total = 0;
        std::uint32_t from = 0, tempo = 500000;
        for (const auto& [at, value] : tempos) {
            if (at >= tick) break;
            total += double(at - from) * tempo / 1000.0 / song.division;
            from = at;
            tempo = value;
        }
        return total + double(tick - from) * tempo / 1000.0 / song.division;
    };
    std::vector<TimedNote> notes;
    std::array<std::array<std::deque<std::size_t>, 128>, 16> open;
    for (const midifile::InputMessage& message : song.messages) {
        int kind = message.status >> 4, channel = message.status & 0x0F;
        if ((kind != 0x8 && kind != 0x9) || message.data1 > 127) continue;
        std::deque<std::size_t>& ofKey = open[channel][message.data1];
        if (kind == 0x9 && message.data2 != 0) {
            ofKey.push_back(notes.size());
            notes.push_back({ms(message.tick), -1, message.data1, channel});
        } else if (!ofKey.empty()) {
            notes[ofKey.front()].end = ms(message.tick);
            ofKey.pop_front();
        }
    }
    for (TimedNote& note : notes)
        if (note.end < 0) note.end = ms(song.endTime);
    return notes;
}

}  // namespace

ArrangementAudit auditArrangement(const Bytes& written, const Bytes& arranged) {
    std::vector<TimedNote> heard = notesInMs(arranged);
    std::array<std::vector<TimedNote>, 128> byKey;
    for (const TimedNote& note : notesInMs(written))
        if (note.channel != kDrumChannel) byKey[note.key].push_back(note);
    ArrangementAudit audit;
    for (const TimedNote& note : heard) {
        double length = note.end - note.start;
        if (length >= kBlipMs) continue;
        for (const TimedNote& source : byKey[note.key]) {
            double writtenLength = source.end - source.start;
            if (std::abs(source.start - note.start) > kSameStartMs || writtenLength < kBlipMs ||
                writtenLength <= length + 1)
                continue;
            bool forced = std::any_of(
                byKey[note.key].begin(), byKey[note.key].end(), [&](const TimedNote& other) {
                    return other.start > source.start && other.start < source.start + kBlipMs;
                });
            if (!forced) ++audit.blips;
            break;
        }
    }
    // Keys on more than one voice: a sweep over the heard notes' edges.
    std::vector<std::pair<double, int>> edges;  // time, +key+1 or -(key+1)
    for (const TimedNote& note : heard) {
        edges.push_back({note.start, note.key + 1});
        edges.push_back({note.end, -(note.key + 1)});
    }
    std::sort(edges.begin(), edges.end());  // ends first at one time
    std::array<int, 128> sounding{};
    double last = 0;
    for (const auto& [time, edge] : edges) {
        for (int count : sounding)
            if (count > 1) audit.doubledMs += (time - last) * (count - 1);
        last = time;
        sounding[static_cast<std::size_t>(std::abs(edge) - 1)] += edge > 0 ? 1 : -1;
    }
    return audit;
}

}  // namespace testing_support
