#include "music/song_notes.h"

#include <algorithm>
#include <array>

#include "music/open_notes.h"
#include "music/sounding_keys.h"

namespace music {
namespace {

static_assert(sizeof(SongNote) <= 32, "a song holds millions of notes");

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Pairs the song's note-ons and note-offs: `on(index, message)` for each
// note-on, `off(note, index)` for the note-off that ends note number `note`
// (numbered as they start), `stray()` and `damaged()` for the rest.
template <typename On, typename Off, typename Stray, typename Damaged>
void pairNotes(const midifile::InputSong& song, On on, Off off, Stray stray, Damaged damaged) {
    OpenNotes open(midifile::kChannels);
    std::uint32_t notes = 0;
    for (std::uint32_t index = 0; index < song.messages.size(); ++index) {
        const midifile::InputMessage& message = song.messages[index];
        int kind = message.status >> 4;
        if (kind != 0x8 && kind != 0x9) continue;
        bool isOn = kind == 0x9 && message.data2 != 0;
        if (message.data1 > 0x7F || (isOn && message.data2 > 0x7F)) {
            damaged();
            continue;
        }
        int channel = message.status & 0x0F;
        if (isOn) {
            open.open(channel, message.data1, notes++);
            on(index, message);
        } else if (std::uint32_t oldest = open.close(channel, message.data1);
                   oldest != OpenNotes::kNone) {
            off(oldest, index);
        } else {
            stray();
        }
    }
}

std::size_t noteOnsOf(const midifile::InputSong& song) {
    std::size_t noteOns = 0;
    for (const midifile::InputMessage& message : song.messages)
        noteOns += (message.status >> 4) == 0x9 && message.data2 != 0;
    return noteOns;
}

void pairNotes(const midifile::InputSong& song, SongNotes& out) {
    // Counted first, so that the notes take no more room than they need.
    out.notes.reserve(noteOnsOf(song));
    pairNotes(
        song,
        [&](std::uint32_t, const midifile::InputMessage& message) {
            SongNote note;
            note.start = message.tick;
            note.end = song.endTime;
            note.key = message.data1;
            note.velocity = message.data2;
            note.channel = static_cast<std::uint8_t>(message.status & 0x0F);
            note.drum = note.channel == midifile::kDrumChannel;
            out.notes.push_back(note);
        },
        [&](std::uint32_t note, std::uint32_t index) { out.notes[note].end = song.messages[index].tick; },
        [&] { ++out.strayNoteOffs; }, [&] { ++out.damaged; });
    for (SongNote& note : out.notes)
        if (note.end <= note.start) note.end = note.start + 1;
}

struct Credit {
    std::uint32_t note;
    LineStretch stretch;
};

// Walks the notes that belong to a line through time and credits each stretch
// to the note on top: the highest into `highest`, the lowest into `lowest`
// (either may be left out). The melody and the bass of one set of notes take
// one walk.
void lineCredits(const SongNotes& songNotes, const std::vector<std::uint32_t>& endOrder,
                 int channel, std::vector<Credit>* highest, std::vector<Credit>* lowest) {
    const std::vector<SongNote>& notes = songNotes.notes;
    auto member = [&](std::uint32_t i) {
        return !notes[i].drum && (channel == kAnyChannel || notes[i].channel == channel);
    };
    SoundingKeys sounding;
    struct Top {
        std::uint32_t note = kNone;
        std::uint32_t since = 0;
    };
    Top high, low;
    auto follow = [](Top& top, std::uint32_t now, std::uint32_t tick, std::vector<Credit>* credits) {
        if (credits == nullptr || now == top.note) return;
        if (top.note != kNone && tick > top.since) credits->push_back({top.note, {top.since, tick}});
        top.note = now;
        top.since = tick;
    };
    std::uint32_t nextStart = 0;
    std::size_t nextEnd = 0;
    auto skipStarts = [&] {
        while (nextStart < notes.size() && !member(nextStart)) ++nextStart;
    };
    auto skipEnds = [&] {
        while (nextEnd < endOrder.size() && !member(endOrder[nextEnd])) ++nextEnd;
    };
    skipStarts();
    skipEnds();
    while (nextEnd < endOrder.size()) {
        std::uint32_t tick = notes[endOrder[nextEnd]].end;
        if (nextStart < notes.size()) tick = std::min(tick, notes[nextStart].start);
        while (nextEnd < endOrder.size() && notes[endOrder[nextEnd]].end == tick) {
            sounding.remove(endOrder[nextEnd], notes[endOrder[nextEnd]].key);
            ++nextEnd;
            skipEnds();
        }
        while (nextStart < notes.size() && notes[nextStart].start == tick) {
            sounding.add(nextStart, notes[nextStart].key);
            ++nextStart;
            skipStarts();
        }
        bool none = sounding.empty();
        follow(high, none ? kNone : sounding.highest(), tick, highest);
        follow(low, none ? kNone : sounding.lowest(), tick, lowest);
    }
}

// Gathers each note's stretches in one array, note by note: its melody's,
// then its bass's.
void storeCredits(SongNotes& out, const std::vector<Credit>& melody,
                  const std::vector<Credit>& bass) {
    std::vector<SongNote>& notes = out.notes;
    for (const Credit& credit : melody) ++notes[credit.note].melodyCount;
    for (const Credit& credit : bass) ++notes[credit.note].bassCount;
    std::uint32_t from = 0;
    for (SongNote& note : notes) {
        note.melodyFrom = from;
        from += note.melodyCount + note.bassCount;
        note.melodyCount = note.bassCount = 0;
    }
    out.stretches.reserve(from);
    out.stretches.resize(from);
    // Every melody stretch first: the bass's then follow each note's.
    for (const Credit& credit : melody) {
        SongNote& note = notes[credit.note];
        LineStretch stretch = credit.stretch;
        stretch.before = note.melodyTicks;
        out.stretches[note.melodyFrom + note.melodyCount++] = stretch;
        note.melodyTicks += stretch.end - stretch.start;
    }
    for (const Credit& credit : bass) {
        SongNote& note = notes[credit.note];
        LineStretch stretch = credit.stretch;
        stretch.before = note.bassTicks;
        out.stretches[note.melodyFrom + note.melodyCount + note.bassCount++] = stretch;
        note.bassTicks += stretch.end - stretch.start;
    }
}

// The notes' numbers by end, the earlier started first where ends tie: a
// radix sort of their ends, eleven bits at a time, each pass stable (a
// comparison sort took a sixth of the pairing's time).
std::vector<std::uint32_t> orderOfEnds(const std::vector<SongNote>& notes) {
    constexpr int kDigitBits = 11;
    constexpr std::uint32_t kDigits = 1u << kDigitBits;
    std::vector<std::uint32_t> order(notes.size()), other(notes.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    for (int shift = 0; shift < 32; shift += kDigitBits) {
        std::vector<std::uint32_t> from(kDigits + 1, 0);
        for (std::uint32_t note : order) ++from[((notes[note].end >> shift) & (kDigits - 1)) + 1];
        if (from[1] == notes.size() && shift > 0) continue;  // every end has this digit 0
        for (std::uint32_t digit = 0; digit < kDigits; ++digit) from[digit + 1] += from[digit];
        for (std::uint32_t note : order) other[from[(notes[note].end >> shift) & (kDigits - 1)]++] = note;
        order.swap(other);
    }
    return order;
}

double ticksFrom(const SongNotes& notes, std::uint32_t from, std::uint32_t count,
                 std::uint32_t total, std::uint32_t tick) {
    // The stretches are in time order: find the first that ends after `tick`.
    auto first = notes.stretches.begin() + from, last = first + count;
    auto after = std::upper_bound(first, last, tick,
                                  [](std::uint32_t t, const LineStretch& s) { return t < s.end; });
    if (after == last) return 0;
    return static_cast<double>(total - after->before - (tick > after->start ? tick - after->start : 0));
}

}  // namespace

SongNotes collectSongNotes(const midifile::InputSong& song, const LineChannels& lines) {
    SongNotes out;
    pairNotes(song, out);
    std::vector<std::uint32_t> endOrder = orderOfEnds(out.notes);
    std::vector<Credit> melody, bass;
    for (std::vector<Credit>* credits : {&melody, &bass}) {
        credits->reserve(out.notes.size());
    }
    if (lines.melody == lines.bass) {
        lineCredits(out, endOrder, lines.melody, &melody, &bass);
    } else {
        lineCredits(out, endOrder, lines.melody, &melody, nullptr);
        lineCredits(out, endOrder, lines.bass, nullptr, &bass);
    }
    std::vector<std::uint32_t>().swap(endOrder);
    storeCredits(out, melody, bass);
    return out;
}

NoteMessages collectNoteMessages(const midifile::InputSong& song) {
    NoteMessages out;
    out.on.reserve(noteOnsOf(song));
    out.off.reserve(out.on.capacity());
    pairNotes(
        song,
        [&](std::uint32_t index, const midifile::InputMessage&) {
            out.on.push_back(index);
            out.off.push_back(-1);
        },
        [&](std::uint32_t note, std::uint32_t index) { out.off[note] = static_cast<std::int32_t>(index); },
        [] {}, [] {});
    return out;
}

double melodyTicksFrom(const SongNotes& notes, const SongNote& note, std::uint32_t tick) {
    return ticksFrom(notes, note.melodyFrom, note.melodyCount, note.melodyTicks, tick);
}

double bassTicksFrom(const SongNotes& notes, const SongNote& note, std::uint32_t tick) {
    return ticksFrom(notes, note.melodyFrom + note.melodyCount, note.bassCount, note.bassTicks,
                     tick);
}

}  // namespace music
