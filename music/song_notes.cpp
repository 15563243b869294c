#include "music/song_notes.h"

#include <algorithm>
#include <array>

#include "music/sounding_keys.h"

namespace music {
namespace {

constexpr std::size_t kKeys = 128;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

void pairNotes(const midifile::InputSong& song, SongNotes& out) {
    std::array<std::array<std::vector<std::uint32_t>, kKeys>, midifile::kChannels>
        open;  // oldest first
    for (std::uint32_t index = 0; index < song.messages.size(); ++index) {
        const midifile::InputMessage& message = song.messages[index];
        int kind = message.status >> 4;
        if (kind != 0x8 && kind != 0x9) continue;
        bool on = kind == 0x9 && message.data2 != 0;
        if (message.data1 > 0x7F || (on && message.data2 > 0x7F)) {
            ++out.damaged;
            continue;
        }
        int channel = message.status & 0x0F;
        std::vector<std::uint32_t>& ofKey = open[channel][message.data1];
        if (on) {
            ofKey.push_back(static_cast<std::uint32_t>(out.notes.size()));
            SongNote note;
            note.start = message.tick;
            note.end = song.endTime;
            note.key = message.data1;
            note.velocity = message.data2;
            note.channel = static_cast<std::uint8_t>(channel);
            note.drum = channel == midifile::kDrumChannel;
            note.onMessage = index;
            out.notes.push_back(note);
        } else if (!ofKey.empty()) {
            SongNote& note = out.notes[ofKey.front()];
            note.end = message.tick;
            note.offMessage = index;
            ofKey.erase(ofKey.begin());
        } else {
            ++out.strayNoteOffs;
        }
    }
    for (SongNote& note : out.notes)
        if (note.end <= note.start) note.end = note.start + 1;
}

struct Credit {
    std::uint32_t note;
    LineStretch stretch;
};

// Walks the notes that belong to a line through time and credits each stretch
// to the note on top (highest, or lowest for the bass).
std::vector<Credit> lineCredits(const SongNotes& songNotes,
                                const std::vector<std::uint32_t>& endOrder, int channel,
                                bool highest) {
    const std::vector<SongNote>& notes = songNotes.notes;
    auto member = [&](std::uint32_t i) {
        return !notes[i].drum && (channel == kAnyChannel || notes[i].channel == channel);
    };
    std::vector<std::uint32_t> members, byEnd;
    for (std::uint32_t i = 0; i < notes.size(); ++i)
        if (member(i)) members.push_back(i);
    for (std::uint32_t i : endOrder)
        if (member(i)) byEnd.push_back(i);
    std::vector<Credit> credits;
    SoundingKeys sounding;
    std::uint32_t top = kNone, since = 0;
    std::size_t nextStart = 0, nextEnd = 0;
    while (nextEnd < byEnd.size()) {
        std::uint32_t tick = notes[byEnd[nextEnd]].end;
        if (nextStart < members.size()) tick = std::min(tick, notes[members[nextStart]].start);
        for (; nextEnd < byEnd.size() && notes[byEnd[nextEnd]].end == tick; ++nextEnd)
            sounding.remove(byEnd[nextEnd], notes[byEnd[nextEnd]].key);
        for (; nextStart < members.size() && notes[members[nextStart]].start == tick; ++nextStart)
            sounding.add(members[nextStart], notes[members[nextStart]].key);
        std::uint32_t now = sounding.empty() ? kNone
                            : highest        ? sounding.highest()
                                             : sounding.lowest();
        if (now == top) continue;
        if (top != kNone && tick > since) credits.push_back({top, {since, tick}});
        top = now;
        since = tick;
    }
    return credits;
}

// Gathers each note's stretches in one array, note by note.
void storeCredits(SongNotes& out, const std::vector<Credit>& credits, bool melody) {
    std::vector<SongNote>& notes = out.notes;
    std::vector<std::uint32_t> counts(notes.size() + 1, 0);
    for (const Credit& credit : credits) ++counts[credit.note];
    std::uint32_t from = static_cast<std::uint32_t>(out.stretches.size());
    for (std::uint32_t i = 0; i < notes.size(); ++i) {
        (melody ? notes[i].melodyFrom : notes[i].bassFrom) = from;
        (melody ? notes[i].melodyCount : notes[i].bassCount) = 0;
        from += counts[i];
    }
    out.stretches.resize(from);
    for (const Credit& credit : credits) {
        SongNote& note = notes[credit.note];
        std::uint32_t& count = melody ? note.melodyCount : note.bassCount;
        double& ticks = melody ? note.melodyTicks : note.bassTicks;
        LineStretch stretch = credit.stretch;
        stretch.before = ticks;
        out.stretches[(melody ? note.melodyFrom : note.bassFrom) + count++] = stretch;
        ticks += stretch.end - stretch.start;
    }
}

double ticksFrom(const SongNotes& notes, std::uint32_t from, std::uint32_t count, double total,
                 std::uint32_t tick) {
    // The stretches are in time order: find the first that ends after `tick`.
    auto first = notes.stretches.begin() + from, last = first + count;
    auto after = std::upper_bound(first, last, tick,
                                  [](std::uint32_t t, const LineStretch& s) { return t < s.end; });
    if (after == last) return 0;
    return total - after->before - (tick > after->start ? tick - after->start : 0);
}

}  // namespace

SongNotes collectSongNotes(const midifile::InputSong& song, const LineChannels& lines) {
    SongNotes out;
    pairNotes(song, out);
    // By end, the earlier started first where ends tie: sorted once, as packed keys.
    std::vector<std::uint64_t> keys(out.notes.size());
    for (std::uint32_t i = 0; i < out.notes.size(); ++i)
        keys[i] = std::uint64_t{out.notes[i].end} << 32 | i;
    std::sort(keys.begin(), keys.end());
    std::vector<std::uint32_t> endOrder(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) endOrder[i] = static_cast<std::uint32_t>(keys[i]);
    storeCredits(out, lineCredits(out, endOrder, lines.melody, true), true);
    storeCredits(out, lineCredits(out, endOrder, lines.bass, false), false);
    return out;
}

double melodyTicksFrom(const SongNotes& notes, const SongNote& note, std::uint32_t tick) {
    return ticksFrom(notes, note.melodyFrom, note.melodyCount, note.melodyTicks, tick);
}

double bassTicksFrom(const SongNotes& notes, const SongNote& note, std::uint32_t tick) {
    return ticksFrom(notes, note.bassFrom, note.bassCount, note.bassTicks, tick);
}

}  // namespace music
