#include "songprep/preparation.h"

#include <algorithm>
#include <numeric>

#include "music/song_notes.h"
#include "songformat/songformat.h"
#include "songmake/conversion.h"
#include "songprep/output_file.h"
#include "songprep/voice_messages.h"
#include "songprep/written_time.h"
#include "toolkit/command_line.h"

namespace songprep {
namespace {

// Each chosen channel's messages, in file order, by voice.
std::array<std::vector<midifile::InputMessage>, kVoiceCount> splitByVoice(
    const midifile::InputSong& song, const VoiceChannels& channels) {
    std::array<int, midifile::kChannels> voiceOf;
    voiceOf.fill(-1);
    for (int voice = 0; voice < kVoiceCount; ++voice)
        if (channels[voice] != kNoChannel) voiceOf[channels[voice]] = voice;
    std::array<std::vector<midifile::InputMessage>, kVoiceCount> split;
    for (const midifile::InputMessage& message : song.messages) {
        int voice = voiceOf[message.status & 0x0F];
        if (voice >= 0) split[voice].push_back(message);
    }
    return split;
}

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

WrittenTime writtenTime(const midifile::InputSong& song, double unitMs) {
    return WrittenTime(song, unitMs, divisionForUnit(unitMs));
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

// The notes the converter will play, voice by voice, in player units.
std::vector<music::TimedNote> playedNotes(const TimedSong& timed) {
    std::vector<music::TimedNote> played;
    for (const std::vector<PlacedEvent>& voice : timed.voices) {
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
            note.end = static_cast<double>(timed.endUnit);
            played.push_back(note);
        }
    }
    return played;
}

music::MusicKept measureKept(const midifile::InputSong& song, const music::SongNotes& notes,
                             const TimedSong& timed, const PrepOptions& options) {
    double unitMs = measuringUnitMs(options);
    WrittenTime written = writtenTime(song, unitMs);
    std::vector<music::TimedNote> reference;
    reference.reserve(notes.notes.size());
    for (const music::SongNote& note : notes.notes)
        if (!note.drum)
            reference.push_back({written.unitsAt(note.start), written.unitsAt(note.end), note.key});
    std::vector<music::TimedNote> played = playedNotes(timed);
    return music::measureMusicKept(reference, played, music::kKeptToleranceMs / unitMs);
}

// The last stage of either way of filling the voices: times, the file's bytes
// and the counts of what the voices' preparation changed.
void finish(const midifile::InputSong& song, const std::array<PreparedVoice, kVoiceCount>& voices,
            const PrepOptions& options, Preparation& out, TimedSong& timed) {
    timed = planTiming(song, voices, options.unitMs);
    out.file = encodeOutputFile(timed);
    out.chords = options.chords;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const PreparedVoice& prepared = voices[voice];
        out.voices[voice].notesRead = prepared.notesRead;
        out.voices[voice].notesPlayed = prepared.notesPlayed;
        addCounts(out.chordCounts, prepared.chords);
        addCounts(out.bends, prepared.bends);
        out.leftOut += prepared.leftOut;
    }
    out.scale = timed.scale;
    out.notesLengthened = timed.notesLengthened;
    out.restsClosed = timed.restsClosed;
    out.temposLeftOut = timed.temposLeftOut;
    out.notesLeftOutLate = timed.notesLeftOutLate;
    out.notesStartedLate = timed.notesStartedLate;
}

// Whole channels onto the voices; `excluded` notes taken out of the file first.
Preparation prepareChannels(const midifile::InputSong& song, const music::SongNotes& notes,
                            const std::vector<bool>& excluded, const PrepOptions& options,
                            TimedSong& timed) {
    Preparation out;
    out.mode = VoiceMode::channels;
    out.census = takeChannelCensus(song);
    VoiceChannels channels = options.autoVoices ? chooseVoices(out.census) : options.voices;
    const midifile::InputSong* source = &song;
    midifile::InputSong filtered;
    if (!excluded.empty()) {
        std::vector<bool> drop(song.messages.size(), false);
        for (std::size_t i = 0; i < notes.notes.size(); ++i) {
            if (!excluded[i]) continue;
            drop[notes.notes[i].onMessage] = true;
            if (notes.notes[i].offMessage >= 0)
                drop[static_cast<std::size_t>(notes.notes[i].offMessage)] = true;
        }
        filtered = song;
        filtered.messages.clear();
        for (std::size_t i = 0; i < song.messages.size(); ++i)
            if (!drop[i]) filtered.messages.push_back(song.messages[i]);
        source = &filtered;
    }
    std::array<PreparedVoice, kVoiceCount> voices;
    auto split = splitByVoice(*source, channels);
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        voices[voice] =
            prepareVoice(split[voice], song.endTime, {voice, options.chords, options.bend});
        out.voices[voice].channel = channels[voice];
        if (channels[voice] != kNoChannel)
            out.voices[voice].notesByChannel[channels[voice]] = voices[voice].notesPlayed;
    }
    finish(song, voices, options, out, timed);
    return out;
}

// Note by note from every channel onto any voice.
Preparation prepareArranged(const midifile::InputSong& song, const music::SongNotes& notes,
                            const std::vector<bool>& excluded, const PrepOptions& options,
                            TimedSong& timed) {
    Preparation out;
    out.census = takeChannelCensus(song);
    WrittenTime msTime = writtenTime(song, 1.0);  // its units are milliseconds
    AllocationSettings settings;
    settings.drums = options.drums;
    settings.drumVoice = options.drumVoice;
    settings.arpeggioMs = options.arpeggioMs;
    settings.shortestMs = 2 * measuringUnitMs(options);
    settings.excluded = excluded;
    settings.ticksForMs = [&msTime](double ms, std::uint32_t tick) {
        double perTick = msTime.unitsAt(tick + 1) - msTime.unitsAt(tick);
        double ticks = perTick > 0 ? ms / perTick : 1;
        return static_cast<std::uint32_t>(std::clamp(ticks + 0.5, 1.0, 4294967295.0 - tick));
    };
    Allocation allocation = allocateVoices(notes, settings);
    out.allocation = allocation.counts;
    auto messages = voiceMessages(song, allocation);
    std::array<PreparedVoice, kVoiceCount> voices;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        // The voices' notes never overlap: there are no chords left to reduce.
        voices[voice] =
            prepareVoice(messages[voice], song.endTime, {voice, ChordRule::keep, options.bend});
        for (const VoiceNote& note : allocation.voices[voice])
            ++out.voices[voice].notesByChannel[note.channel];
    }
    finish(song, voices, options, out, timed);
    out.leftOut.strayNoteOffs = notes.strayNoteOffs;
    out.leftOut.damaged += notes.damaged;
    countMessagesLeftOut(song, out.leftOut);
    // The voices also restate a channel's wheel where its notes start: the
    // report counts the file's own messages.
    out.bends.wheelMessages = out.bends.clipped = 0;
    for (const midifile::InputMessage& message : song.messages)
        if ((message.status >> 4) == 0xE && (message.status & 0x0F) != midifile::kDrumChannel &&
            options.bend) {
            ++out.bends.wheelMessages;
            if ((message.data1 | message.data2 << 7) < 8192) ++out.bends.clipped;
        }
    return out;
}

Preparation prepareOnce(const midifile::InputSong& song, const music::SongNotes& notes,
                        const std::vector<bool>& excluded, const PrepOptions& options) {
    TimedSong timed;
    Preparation out = options.mode == VoiceMode::channels
                          ? prepareChannels(song, notes, excluded, options, timed)
                          : prepareArranged(song, notes, excluded, options, timed);
    out.kept = measureKept(song, notes, timed, options);
    out.fit.maxBytes = options.maxBytes;
    if (options.maxBytes == 0) return out;
    if (timed.streamBytesAtMost <= options.maxBytes) {
        out.fit.bytes = timed.streamBytesAtMost;
        return out;
    }
    SongSources sources;
    sources.midiName = "prepared";
    std::span<const std::uint8_t> bytes(out.file.data(), out.file.size());
    sources.midiBytes = bytes;
    sources.envelopeText = std::string_view();
    sources.waveTables = std::array<WaveTable, 2>{};
    Conversion conversion = convertSong(sources);
    out.fit.measured = true;
    out.fit.bytes = conversion.outcome == ConversionOutcome::converted
                        ? conversion.song.size() - songformat::kHeaderSize
                        : static_cast<std::size_t>(-1);
    out.fit.fits = out.fit.bytes <= options.maxBytes;
    return out;
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

}  // namespace

Preparation prepareSong(const midifile::InputSong& song, const PrepOptions& options) {
    music::SongNotes notes =
        music::collectSongNotes(song, {options.melodyChannel, options.bassChannel});
    Preparation whole = prepareOnce(song, notes, {}, options);
    if (whole.fit.fits) return whole;

    // Leave out the least important notes until the stream fits: as few as a
    // search over the leaving order finds.
    std::size_t melodyFrom = 0;
    std::vector<std::uint32_t> order = leavingOrder(notes, melodyFrom);
    Preparation best = prepareOnce(song, notes, excludedFirst(order, melodyFrom), options);
    if (!best.fit.fits) {
        best.fit.melodyNotes = order.size() - melodyFrom;
        best.file.clear();
        return best;
    }
    std::size_t fitting = melodyFrom, over = 0;
    while (fitting - over > 1) {
        std::size_t middle = over + (fitting - over) / 2;
        Preparation trial = prepareOnce(song, notes, excludedFirst(order, middle), options);
        if (trial.fit.fits) {
            fitting = middle;
            best = std::move(trial);
        } else {
            over = middle;
        }
    }
    describeLeftOut(notes, order, fitting, best.fit);
    return best;
}

}  // namespace songprep
