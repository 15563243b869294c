#include "songcheck/music_figures.h"

#include <cmath>
#include <vector>

#include "music/open_notes.h"
#include "music/pitch.h"
#include "songcheck/timing.h"

namespace songcheck {
namespace {

constexpr int kDrumChannel = 9;  // channel 10 as sequencers number it
constexpr int kKeys = 128;

// Pairs note-ons and note-offs of one channel, a note-off ending the oldest
// open note of its key; notes never ended last to `end`.
class NotePairer {
public:
    NotePairer(const TempoMap& tempo, double msPerUnit, std::vector<music::TimedNote>& out)
        : tempo_(tempo), msPerUnit_(msPerUnit), out_(out) {}

    void on(int channel, std::uint8_t key, std::uint32_t tick) {
        if (key >= kKeys) return;
        open_.open(channel, key, static_cast<std::uint32_t>(starts_.size()));
        starts_.push_back(tick);
    }
    void off(int channel, std::uint8_t key, std::uint32_t tick) {
        if (key >= kKeys) return;
        std::uint32_t oldest = open_.close(channel, key);
        if (oldest != music::OpenNotes::kNone) add(starts_[oldest], tick, key);
    }
    void finish(std::uint32_t end) {
        open_.forEachOpen([&](int, std::uint8_t key, std::uint32_t note) {
            add(starts_[note], end, key);
        });
    }

private:
    void add(std::uint32_t start, std::uint32_t end, std::uint8_t key) {
        out_.push_back({tempo_.units(start) * msPerUnit_, tempo_.units(end) * msPerUnit_, key});
    }

    const TempoMap& tempo_;
    double msPerUnit_;
    std::vector<music::TimedNote>& out_;
    music::OpenNotes open_{16};
    std::vector<std::uint32_t> starts_;  // by note, in the order they start
};

std::vector<music::TimedNote> writtenNotes(const ConversionTrace& trace, double msPerUnit) {
    std::vector<music::TimedNote> notes;
    TempoMap tempo(trace.tempos());
    NotePairer pairer(tempo, msPerUnit, notes);
    for (int voice = 0; voice < kVoiceCount; ++voice)
        for (const TracedEvent& event : trace.groups()[voice]) {
            auto key = static_cast<std::uint8_t>(event.value);
            if (event.capturedType == kTypeNoteOn) pairer.on(voice, key, event.tick);
            if (event.capturedType == kTypeNoteOff) pairer.off(voice, key, event.tick);
        }
    for (const HeardMessage& message : trace.unvoicedNotes()) {
        int channel = message.status & 0x0F;
        if (channel == kDrumChannel) continue;
        bool on = (message.status >> 4) == 0x9 && message.data2 != 0;
        if (on)
            pairer.on(channel, message.data1, message.tick);
        else
            pairer.off(channel, message.data1, message.tick);
    }
    pairer.finish(trace.header().endTime);
    return notes;
}

std::vector<music::TimedNote> playedNotes(const NoteComparison& comparison, double unitMs) {
    std::vector<music::TimedNote> notes;
    notes.reserve(comparison.played.size());
    for (const PlayedBar& bar : comparison.played) {
        long key = std::lround(music::noteNumberOfWord(bar.word));
        if (key < 0 || key >= kKeys) continue;
        notes.push_back({static_cast<double>(bar.start) * unitMs,
                         static_cast<double>(bar.end) * unitMs, static_cast<std::uint8_t>(key)});
    }
    return notes;
}

}  // namespace

music::MusicKept musicKeptOf(const ConversionTrace& trace, const NoteComparison& comparison,
                             double writtenUnitMs, double unitMs) {
    std::vector<music::TimedNote> written =
        writtenNotes(trace, writtenUnitMs > 0 ? writtenUnitMs : unitMs);
    std::vector<music::TimedNote> played = playedNotes(comparison, unitMs);
    return music::measureMusicKept(std::move(written), std::move(played), music::kKeptToleranceMs);
}

}  // namespace songcheck
