#include "songprep/preparation.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "music/song_notes.h"
#include "songprep/output_file.h"
#include "songprep/stream_size.h"
#include "songprep/voice_messages.h"
#include "songprep/written_time.h"
#include "toolkit/command_line.h"
#include "toolkit/large_memory.h"

namespace songprep {
namespace {

void addCounts(ChordCounts& sum, const ChordCounts& counts) {
    sum.removed += counts.removed;
    sum.cutShort += counts.cutShort;
    sum.startedLate += counts.startedLate;
}

void addCounts(BendCounts& sum, const BendCounts& counts) {
    sum.wheelMessages += counts.wheelMessages;
    sum.clipped += counts.clipped;
    sum.written += counts.written;
}

// The player unit the song's times are measured in: the one asked for, or the
// converter's own where the file's times are kept.
double measuringUnitMs(const PrepOptions& options) {
    return options.unitMs > 0 ? options.unitMs : toolkit::kDefaultUnitMs;
}

// What the arranger's voices leave out of the file's other messages: every
// channel may lend a note to a voice, so every channel counts.
void countMessagesLeftOut(const midifile::InputSong& song, LeftOutCounts& counts) {
    for (const midifile::InputMessage& message : song.messages) {
        switch (message.status >> 4) {
            case 0xA:
                ++counts.keyPressure;
                break;
            case 0xB:
                if (message.data1 > 4 && message.data1 != kPanController && message.data1 < 128)
                    ++counts.controllers[message.data1];
                else if (message.data1 == 0)
                    ++counts.controllers[0];
                break;
            case 0xC:
                ++counts.programChanges;
                break;
            case 0xD:
                ++counts.channelPressure;
                break;
            default:
                break;
        }
    }
}

// The notes the converter will play on one voice, in player units.
void addPlayedNotes(const TimedSong::VoiceEvents& voice, std::uint64_t endUnit,
                    std::vector<music::TimedNote>& played) {
    bool open = false;
    music::TimedNote note;
    for (const PlacedEvent& event : voice) {
        int kind = event.status >> 4;
        bool on = kind == 0x9 && event.data2 != 0;
        bool off = kind == 0x8 || (kind == 0x9 && event.data2 == 0);
        if (!on && !off) continue;
        if (open) {
            note.end = static_cast<double>(event.unit);
            played.push_back(note);
            open = false;
        }
        if (on) {
            note = {static_cast<double>(event.unit), 0, event.data1};
            open = true;
        }
    }
    if (open) {
        note.end = static_cast<double>(endUnit);
        played.push_back(note);
    }
}

std::size_t noteOnsOf(const TimedSong& timed) {
    std::size_t count = 0;
    for (const TimedSong::VoiceEvents& voice : timed.voices)
        for (const PlacedEvent& event : voice) count += (event.status >> 4) == 0x9 && event.data2 != 0;
    return count;
}

// What every arrangement tried while the stream is made to fit shares, worked
// out once: the notes paired and their lines, the written time, each
// channel's settings and the census. A trial then costs what arranging the
// notes it keeps costs.
struct SongPlan {
    SongPlan(const midifile::InputSong& file, const PrepOptions& chosen)
        : song(file),
          options(chosen),
          notes(collectNotes()),
          census(takeChannelCensus(file)),
          measuring(file, measuringUnitMs(chosen), divisionForUnit(measuringUnitMs(chosen))),
          inMs(file, 1.0, divisionForUnit(1.0)) {
        limit = options.maxBytes == 0 ? kLargestStream : std::min(options.maxBytes, kLargestStream);
        if (options.mode == VoiceMode::arrange) settings = settingsByChannel(file);
        for (const music::SongNote& note : notes.notes) {
            ++notesByChannel[note.channel];
            if (!note.drum) ++pitchedByChannel[note.channel];
        }
        noteCount = notes.notes.size();
        strayNoteOffs = notes.strayNoteOffs;
        damaged = notes.damaged;
    }

    music::SongNotes collectNotes() const {
        return music::collectSongNotes(song, {options.melodyChannel, options.bassChannel});
    }

    // The notes with their lines, paired again if they were let go.
    const music::SongNotes& songNotes() {
        if (notesLetGo) {
            notes = collectNotes();
            notesLetGo = false;
        }
        return notes;
    }

    // Once the whole song is arranged the notes are needed only where it does
    // not fit: they go, and come back for the trials that make it fit.
    void letNotesGo() {
        if (notesLetGo) return;
        if (written.empty()) {
            written.reserve(notes.notes.size());
            for (const music::SongNote& note : notes.notes)
                written.push_back({note.start, note.end, note.key, note.drum});
        }
        std::vector<music::SongNote>().swap(notes.notes);
        std::vector<music::LineStretch>().swap(notes.stretches);
        notesLetGo = true;
    }

    // A note as written, for the music-kept measure: a third of the room.
    struct WrittenNote {
        std::uint32_t start;
        std::uint32_t end;
        std::uint8_t key;
        bool drum;
    };

    const midifile::InputSong& song;
    const PrepOptions& options;
    music::SongNotes notes;
    bool notesLetGo = false;
    music::NoteMessages noteMessages;  // for whole channels, once notes are left out
    std::vector<WrittenNote> written;  // once the notes are let go
    std::size_t noteCount = 0;
    std::size_t strayNoteOffs = 0;
    std::size_t damaged = 0;
    ChannelCensus census;
    WrittenTime measuring;  // in units of measuringUnitMs: the planner's too, when it rescales
    WrittenTime inMs;       // in milliseconds, for the arranger
    ChannelSettings settings;
    std::size_t limit = 0;  // the stream's: --max-bytes, and never over a song file's
    std::array<std::size_t, midifile::kChannels> notesByChannel{};
    std::array<std::size_t, midifile::kChannels> pitchedByChannel{};
};

// One way of filling the voices, timed.
struct Attempt {
    Preparation out;
    TimedSong timed;
};

PlanSettings planSettings(const SongPlan& plan) {
    return {plan.options.unitMs, plan.options.unitMs > 0 ? &plan.measuring : nullptr, plan.limit};
}

// The counts of what the voices' preparation changed, and the times.
void countVoices(const std::array<PreparedVoice, kVoiceCount>& voices, Attempt& attempt) {
    Preparation& out = attempt.out;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const PreparedVoice& prepared = voices[voice];
        out.voices[voice].notesRead = prepared.notesRead;
        out.voices[voice].notesPlayed = prepared.notesPlayed;
        addCounts(out.chordCounts, prepared.chords);
        addCounts(out.bends, prepared.bends);
        out.leftOut += prepared.leftOut;
    }
    const TimedSong& timed = attempt.timed;
    out.scale = timed.scale;
    out.notesLengthened = timed.notesLengthened;
    out.restsClosed = timed.restsClosed;
    out.temposLeftOut = timed.temposLeftOut;
    out.notesLeftOutLate = timed.notesLeftOutLate;
    out.notesStartedLate = timed.notesStartedLate;
    out.leftOut.pitchWithoutNote += timed.pitchWithoutNote;
}

// Whole channels onto the voices; `excluded` notes taken out of the file first.
Attempt attemptChannels(SongPlan& plan, const std::vector<bool>& excluded) {
    const midifile::InputSong& song = plan.song;
    Attempt attempt;
    Preparation& out = attempt.out;
    out.mode = VoiceMode::channels;
    out.census = plan.census;
    out.chords = plan.options.chords;
    VoiceChannels channels =
        plan.options.autoVoices ? chooseVoices(plan.census) : plan.options.voices;
    std::vector<bool> drop;
    if (excluded.empty()) {
        plan.letNotesGo();  // whole channels: the notes are for the trials alone
    } else {
        if (plan.noteMessages.on.empty()) plan.noteMessages = music::collectNoteMessages(song);
        const music::NoteMessages& messages = plan.noteMessages;
        drop.assign(song.messages.size(), false);
        for (std::size_t i = 0; i < messages.on.size(); ++i) {
            if (!excluded[i]) continue;
            drop[messages.on[i]] = true;
            if (messages.off[i] >= 0) drop[static_cast<std::size_t>(messages.off[i])] = true;
        }
    }
    std::array<int, midifile::kChannels> voiceOf;
    voiceOf.fill(-1);
    for (int voice = 0; voice < kVoiceCount; ++voice)
        if (channels[voice] != kNoChannel) voiceOf[channels[voice]] = voice;
    std::array<std::vector<midifile::InputMessage>, kVoiceCount> split;
    for (std::size_t i = 0; i < song.messages.size(); ++i) {
        int voice = voiceOf[song.messages[i].status & 0x0F];
        if (voice >= 0 && (drop.empty() || !drop[i])) split[voice].push_back(song.messages[i]);
    }
    std::array<PreparedVoice, kVoiceCount> voices;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        voices[voice] =
            prepareVoice(split[voice], song.endTime, {voice, plan.options.chords, plan.options.bend});
        std::vector<midifile::InputMessage>().swap(split[voice]);
        out.voices[voice].channel = channels[voice];
        if (channels[voice] != kNoChannel)
            out.voices[voice].notesByChannel[channels[voice]] = voices[voice].notesPlayed;
    }
    attempt.timed = planTiming(song, voices, planSettings(plan));
    countVoices(voices, attempt);
    return attempt;
}

// Note by note from every channel onto any voice.
Attempt attemptArranged(SongPlan& plan, const std::vector<bool>& excluded) {
    const midifile::InputSong& song = plan.song;
    const PrepOptions& options = plan.options;
    Attempt attempt;
    Preparation& out = attempt.out;
    out.census = plan.census;
    out.chords = options.chords;
    AllocationSettings settings;
    settings.drums = options.drums;
    settings.drumVoice = options.drumVoice;
    settings.arpeggioMs = options.arpeggioMs;
    settings.shortestMs = 2 * measuringUnitMs(options);
    settings.excluded = excluded;
    const WrittenTime& inMs = plan.inMs;
    settings.ticksForMs = [&inMs](double ms, std::uint32_t tick) {
        double perTick = inMs.unitsAt(tick + 1) - inMs.unitsAt(tick);
        double ticks = perTick > 0 ? ms / perTick : 1;
        return static_cast<std::uint32_t>(std::clamp(ticks + 0.5, 1.0, 4294967295.0 - tick));
    };
    Allocation allocation = allocateVoices(plan.songNotes(), settings);
    out.allocation = allocation.counts;
    if (allocation.overflow) {
        // More turns than any song file could hold: the stream cannot fit.
        attempt.timed.overLimit = true;
        if (excluded.empty()) plan.letNotesGo();
        return attempt;
    }
    if (excluded.empty()) plan.letNotesGo();
    auto messages = voiceMessages(plan.settings, allocation);
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        for (const VoiceNote& note : allocation.voices[voice])
            ++out.voices[voice].notesByChannel[note.channel];
        std::vector<VoiceNote>().swap(allocation.voices[voice]);
    }
    toolkit::giveMemoryBack();
    std::array<PreparedVoice, kVoiceCount> voices;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        // The voices' notes never overlap: there are no chords left to reduce.
        voices[voice] =
            prepareVoice(messages[voice], song.endTime, {voice, ChordRule::keep, options.bend});
        std::vector<midifile::InputMessage>().swap(messages[voice]);
    }
    attempt.timed = planTiming(song, voices, planSettings(plan));
    toolkit::giveMemoryBack();
    countVoices(voices, attempt);
    return attempt;
}

Attempt attemptWith(SongPlan& plan, const std::vector<bool>& excluded) {
    Attempt attempt = plan.options.mode == VoiceMode::channels ? attemptChannels(plan, excluded)
                                                               : attemptArranged(plan, excluded);
    // Whether the stream fits: from the plan's bounds where they tell, else
    // counted on the file's bytes as the converter lays them out.
    StreamFit& fit = attempt.out.fit;
    const TimedSong& timed = attempt.timed;
    fit.maxBytes = plan.options.maxBytes;
    if (timed.overLimit || timed.streamBytesAtLeast > plan.limit) {
        fit.fits = false;
        fit.bytes = timed.streamBytesAtLeast;
    } else if (timed.streamBytesAtMost <= plan.limit) {
        fit.bytes = timed.streamBytesAtMost;
    } else {
        attempt.out.file = encodeOutputFile(timed);
        std::optional<std::size_t> bytes = streamSizeOf(attempt.out.file);
        fit.measured = true;
        fit.bytes = bytes ? *bytes : static_cast<std::size_t>(-1);
        fit.fits = fit.bytes <= plan.limit;
    }
    return attempt;
}

// The arrangement chosen: its file, the music it keeps, and what the report
// says of the file's messages.
// What is no longer needed goes as soon as it is not: the peak of memory is
// the measure's, at the end.
Preparation finish(SongPlan& plan, Attempt& attempt) {
    Preparation& out = attempt.out;
    const midifile::InputSong& song = plan.song;
    std::size_t noteOns = noteOnsOf(attempt.timed);
    if (noteOns == 0) {
        out.verdict = Verdict::noNotes;
        out.file.clear();
        return std::move(out);
    }
    ChannelSettings().swap(plan.settings);
    plan.letNotesGo();
    std::vector<music::TimedNote> played;
    played.reserve(noteOns);
    std::uint64_t endUnit = attempt.timed.endUnit;
    auto notesOf = [&](const TimedSong::VoiceEvents& voice) {
        addPlayedNotes(voice, endUnit, played);
    };
    if (out.file.empty())
        out.file = encodeOutputFile(attempt.timed, notesOf);
    else
        for (const TimedSong::VoiceEvents& voice : attempt.timed.voices) notesOf(voice);
    attempt.timed = TimedSong();
    toolkit::giveMemoryBack();
    // The written notes the measure holds the output against.
    std::vector<music::TimedNote> reference;
    reference.reserve(plan.written.size());
    for (const SongPlan::WrittenNote& note : plan.written)
        if (!note.drum)
            reference.push_back(
                {plan.measuring.unitsAt(note.start), plan.measuring.unitsAt(note.end), note.key});
    std::vector<SongPlan::WrittenNote>().swap(plan.written);
    double unitMs = measuringUnitMs(plan.options);
    out.kept = music::measureMusicKept(std::move(reference), std::move(played),
                                       music::kKeptToleranceMs / unitMs);
    if (plan.options.mode == VoiceMode::channels) {
        if (!plan.options.autoVoices)
            for (int channel : plan.options.voices)
                if (channel != kNoChannel && plan.notesByChannel[channel] == 0)
                    out.silentChannels.push_back(channel);
        return std::move(out);
    }
    out.leftOut.strayNoteOffs = plan.strayNoteOffs;
    out.leftOut.damaged += plan.damaged;
    countMessagesLeftOut(song, out.leftOut);
    // The voices also restate a channel's wheel where its notes start: the
    // report counts the file's own messages.
    out.bends.wheelMessages = out.bends.clipped = 0;
    for (const midifile::InputMessage& message : song.messages)
        if ((message.status >> 4) == 0xE && (message.status & 0x0F) != midifile::kDrumChannel &&
            plan.options.bend) {
            ++out.bends.wheelMessages;
            if ((message.data1 | message.data2 << 7) < 8192) ++out.bends.clipped;
        }
    return std::move(out);
}

// Which notes go first when the song does not fit: drums, then notes of
// neither line, then the bass, the melody last; within each, the least worth.
std::vector<std::uint32_t> leavingOrder(const music::SongNotes& notes, std::size_t& melodyFrom) {
    auto tier = [](const music::SongNote& note) {
        if (note.drum) return 0;
        if (note.melodyTicks > 0) return 3;
        return note.bassTicks > 0 ? 2 : 1;
    };
    std::vector<double> worth(notes.notes.size());
    for (std::size_t i = 0; i < notes.notes.size(); ++i)
        worth[i] = noteWorth(notes, notes.notes[i], notes.notes[i].start);
    std::vector<std::uint32_t> order(notes.notes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        int ta = tier(notes.notes[a]), tb = tier(notes.notes[b]);
        return ta < tb || (ta == tb && worth[a] < worth[b]);
    });
    melodyFrom = 0;
    while (melodyFrom < order.size() && tier(notes.notes[order[melodyFrom]]) < 3) ++melodyFrom;
    return order;
}

std::vector<bool> excludedFirst(const std::vector<std::uint32_t>& order, std::size_t count) {
    std::vector<bool> excluded(order.size(), false);
    for (std::size_t i = 0; i < count; ++i) excluded[order[i]] = true;
    return excluded;
}

void describeLeftOut(const music::SongNotes& notes, const std::vector<std::uint32_t>& order,
                     std::size_t count, StreamFit& fit) {
    fit.notesLeftOut = count;
    std::vector<std::uint32_t> left(order.begin(),
                                    order.begin() + static_cast<std::ptrdiff_t>(count));
    std::sort(left.begin(), left.end());
    for (std::size_t i = 0; i < left.size() && i < kPlacesKept; ++i) {
        const music::SongNote& note = notes.notes[left[i]];
        fit.firstLeftOut.push_back({note.start, note.channel, note.key});
    }
}

Preparation refused(Verdict verdict, Preparation out = {}) {
    out.verdict = verdict;
    out.file.clear();
    return out;
}

}  // namespace

Preparation prepareSong(const midifile::InputSong& song, const PrepOptions& options) {
    SongPlan plan(song, options);
    // A line named on a channel without pitched notes has nothing to follow.
    bool arranging = options.mode == VoiceMode::arrange;
    if (arranging && options.melodyChannel != kNoChannel &&
        plan.pitchedByChannel[options.melodyChannel] == 0)
        return refused(Verdict::emptyMelodyChannel);
    if (arranging && options.bassChannel != kNoChannel &&
        plan.pitchedByChannel[options.bassChannel] == 0)
        return refused(Verdict::emptyBassChannel);

    Attempt whole = attemptWith(plan, {});
    if (whole.out.fit.fits) return finish(plan, whole);
    // With no limit of the firmware's, nothing is left out: the song file
    // would be over what songmake writes.
    if (options.maxBytes == 0) return refused(Verdict::overSongFile, std::move(whole.out));
    if (plan.noteCount == 0) return refused(Verdict::noNotes, std::move(whole.out));

    // Leave out the least important notes until the stream fits: as few as a
    // search over the leaving order finds, never all of them. Each trial stops
    // as soon as its stream is sure not to fit.
    std::size_t melodyFrom = 0;
    std::vector<std::uint32_t> order = leavingOrder(plan.songNotes(), melodyFrom);
    std::size_t most = std::min(melodyFrom, order.size() - 1);
    Attempt best = attemptWith(plan, excludedFirst(order, most));
    if (!best.out.fit.fits) {
        best.out.fit.melodyNotes = order.size() - melodyFrom;
        return refused(Verdict::doesNotFit, std::move(best.out));
    }
    std::size_t fitting = most, over = 0;
    while (fitting - over > 1) {
        std::size_t middle = over + (fitting - over) / 2;
        Attempt trial = attemptWith(plan, excludedFirst(order, middle));
        if (trial.out.fit.fits) {
            fitting = middle;
            best = std::move(trial);
        } else {
            over = middle;
        }
    }
    describeLeftOut(plan.songNotes(), order, fitting, best.out.fit);
    return finish(plan, best);
}

}  // namespace songprep
