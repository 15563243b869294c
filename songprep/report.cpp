#include "songprep/report.h"

#include <vector>

#include "midifile/midi_terms.h"
#include "music/music_kept.h"
#include "songprep/written_time.h"
#include "toolkit/text_format.h"

namespace songprep {
namespace {

using midifile::describeDivision;
using toolkit::format;
using toolkit::plural;

std::string headerLine(const std::string& inName, const midifile::InputSong& song) {
    return format("%s: format %u, %s, %s, %s\n", inName.c_str(), song.format,
                  plural(song.trackCount, "track", "tracks").c_str(),
                  describeDivision(song.division).c_str(),
                  plural(song.tempos.size(), "tempo change", "tempo changes").c_str());
}

// "at tick 0 channel 3 key 60; tick 96 channel 3 key 64; and 9 more": where the
// first of `count` notes are, as songcheck lists places.
std::string placesText(const std::vector<NotePlace>& places, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < places.size(); ++i)
        text += format("%s tick %u channel %d key %u", i == 0 ? ", at" : ";", places[i].tick,
                       places[i].channel + 1, places[i].key);
    if (count > places.size()) text += format("; and %zu more", count - places.size());
    return text;
}

// "Voice 0: channel 1 (120 notes), channel 3 (4 notes)": what each voice plays,
// a line each.
std::string arrangedVoicesLines(const Preparation& preparation) {
    std::string text;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const VoiceSummary& summary = preparation.voices[voice];
        std::string channels;
        for (int channel = 0; channel < midifile::kChannels; ++channel) {
            std::size_t notes = summary.notesByChannel[channel];
            if (notes == 0) continue;
            channels += format("%s channel %d (%s%s)", channels.empty() ? "" : ",", channel + 1,
                               channel == midifile::kDrumChannel ? "drums, " : "",
                               plural(notes, "note", "notes").c_str());
        }
        text += format("Voice %d:%s\n", voice, channels.empty() ? " empty" : channels.c_str());
    }
    return text;
}

// A line for each way a note fares, so that a rule of the arranger adds a line.
std::string arrangementLines(const Preparation& preparation) {
    const AllocationCounts& counts = preparation.allocation;
    std::string text =
        format("Arranged: %s played, %zu of them cut short by a more important note\n",
               plural(counts.played, "note", "notes").c_str(), counts.cutShort);
    text += "Left out, no voice free when written: " + plural(counts.leftOut, "note", "notes") +
            placesText(counts.firstLeftOut, counts.leftOut) + "\n";
    text += format("Left out, as a more important note takes their voice within %.0f ms: ",
                   kShortestHeardMs) +
            plural(counts.leftOutAhead, "note", "notes") +
            placesText(counts.firstLeftOutAhead, counts.leftOutAhead) + "\n";
    if (counts.arpeggiated > 0)
        text += format("Played in arpeggios instead: %zu of the notes left out\n",
                       counts.arpeggiated);
    text += "Struck again on the voice already playing that key: " +
            plural(counts.struckAgain, "note", "notes") + "\n";
    text += "Heard on the voice already playing that key, not struck again: " +
            plural(counts.keySounding, "note", "notes") + "\n";
    return text;
}

std::string drumsLine(const Preparation& preparation, const PrepOptions& options) {
    const AllocationCounts& counts = preparation.allocation;
    if (options.drums == DrumRule::off) return "Drums: left out (--drums off)\n";
    std::string where = options.drums == DrumRule::ownVoice
                            ? format("on voice %d", options.drumVoice)
                            : std::string("on voices that are free");
    return format("Drums: %s played %s, %zu left out\n",
                  plural(counts.drumsPlayed, "hit", "hits").c_str(), where.c_str(),
                  counts.drumsLeftOut);
}

std::string streamLine(const Preparation& preparation) {
    const StreamFit& fit = preparation.fit;
    if (fit.maxBytes == 0) return "Stream: no limit (--max-bytes 0)\n";
    if (!fit.fits)
        return format("Stream: does not fit in %zu bytes, even with only the %s\n", fit.maxBytes,
                      plural(fit.melodyNotes, "note of the melody", "notes of the melody").c_str());
    std::string size =
        fit.measured ? format("%zu bytes", fit.bytes) : format("at most %zu bytes", fit.bytes);
    std::string text =
        format("Stream: %s of the %zu the firmware holds", size.c_str(), fit.maxBytes);
    if (fit.notesLeftOut > 0)
        text += format("; %s left out to fit, the least important first",
                       plural(fit.notesLeftOut, "note", "notes").c_str()) +
                placesText(fit.firstLeftOut, fit.notesLeftOut);
    return text + "\n";
}

// "Voice 0: channel 2 (120 notes)", a line each: the channel each voice plays whole.
std::string voicesLines(const Preparation& preparation) {
    std::string text;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const VoiceSummary& summary = preparation.voices[voice];
        if (summary.channel == kNoChannel)
            text += format("Voice %d: empty\n", voice);
        else
            text += format("Voice %d: channel %d (%s%s)\n", voice, summary.channel + 1,
                           summary.channel == midifile::kDrumChannel ? "drums, " : "",
                           plural(summary.notesPlayed, "note", "notes").c_str());
    }
    return text;
}

std::string channelsLeftOutLine(const Preparation& preparation) {
    std::vector<std::string> channels;
    for (int channel = 0; channel < midifile::kChannels; ++channel) {
        bool chosen = false;
        for (const VoiceSummary& voice : preparation.voices) chosen |= voice.channel == channel;
        std::size_t notes = preparation.census.notes[channel];
        std::size_t others = preparation.census.others[channel];
        if (chosen || notes + others == 0) continue;
        channels.push_back(format("%d (%s%s, %s)", channel + 1,
                                  channel == midifile::kDrumChannel ? "drums, " : "",
                                  plural(notes, "note", "notes").c_str(),
                                  plural(others, "other message", "other messages").c_str()));
    }
    std::string text = "Channels left out:";
    if (channels.empty()) return text + " none\n";
    for (std::size_t i = 0; i < channels.size(); ++i) text += (i ? ", " : " ") + channels[i];
    return text + "\n";
}

std::string chordsLine(const Preparation& preparation) {
    const ChordCounts& counts = preparation.chordCounts;
    std::string text = format("Chords (%s): ", chordRuleName(preparation.chords));
    if (preparation.chords == ChordRule::keep) return text + "left as written\n";
    return text + format("%s removed, %zu cut short, %zu started late\n",
                         plural(counts.removed, "note", "notes").c_str(), counts.cutShort,
                         counts.startedLate);
}

std::string bendsLine(const Preparation& preparation) {
    const BendCounts& bends = preparation.bends;
    if (preparation.leftOut.pitchWheel > 0) return "Bends: the pitch wheel left out (--no-bend)\n";
    if (bends.wheelMessages == 0) return "Bends: no pitch wheel\n";
    return format(
        "Bends: %s as controller 2 (%s written), %zu clipped below the centre\n",
        plural(bends.wheelMessages, "pitch wheel message", "pitch wheel messages").c_str(),
        plural(bends.written, "event", "events").c_str(), bends.clipped);
}

std::string timeLine(const Preparation& preparation, double unitMs) {
    const TimeScale& scale = preparation.scale;
    std::string unit = format("for a player unit of %.3f ms", unitMs);
    switch (scale.kind) {
        case TimeScale::Kind::kept:
            return "Time: kept as written (" + describeDivision(scale.division) + ")\n";
        case TimeScale::Kind::rescaled:
            return format("Time: %u ticks per quarter note become %u (times %.3f) %s\n",
                          scale.fileDivision, scale.division,
                          static_cast<double>(scale.division) / scale.fileDivision, unit.c_str());
        case TimeScale::Kind::fromSmpte:
            return "Time: " + describeDivision(scale.fileDivision) +
                   format(" becomes %u ticks per quarter note at 120 beats per minute %s\n",
                          scale.division, unit.c_str());
        case TimeScale::Kind::noDivision:
            return format(
                "Time: the header gives none; its ticks taken as %u per quarter note %s\n",
                scale.division, unit.c_str());
    }
    return "";
}

std::string leftOutLine(const Preparation& preparation) {
    const LeftOutCounts& counts = preparation.leftOut;
    std::vector<std::string> items;
    auto item = [&](std::size_t count, const char* one, const char* many) {
        if (count > 0) items.push_back(plural(count, one, many));
    };
    item(counts.programChanges, "program change", "program changes");
    item(counts.channelPressure, "channel pressure message", "channel pressure messages");
    item(counts.keyPressure, "polyphonic pressure message", "polyphonic pressure messages");
    item(counts.pitchWheel, "pitch wheel message", "pitch wheel messages");
    item(counts.controller1, "controller 1 (kept on voice 0 only)",
         "controller 1 (kept on voice 0 only)");
    for (std::size_t number = 0; number < counts.controllers.size(); ++number)
        if (counts.controllers[number] > 0)
            items.push_back(format("%zu controller ", counts.controllers[number]) +
                            midifile::controllerName(static_cast<int>(number)));
    item(counts.pitchWithoutNote, "pitch controller where no note sounds",
         "pitch controllers where no note sounds");
    item(counts.strayNoteOffs, "note-off of no note", "note-offs of no note");
    item(counts.damaged, "message with a data byte over 127", "messages with a data byte over 127");
    item(preparation.temposLeftOut, "tempo change", "tempo changes");
    std::string text = "Left out:";
    if (items.empty()) return text + " nothing else\n";
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? ", " : " ") + items[i];
    return text + "\n";
}

}  // namespace

std::string reportText(const std::string& inName, const midifile::InputSong& song,
                       const Preparation& preparation, const PrepOptions& options) {
    double unitMs = options.unitMs;
    std::string lines = headerLine(inName, song);
    if (preparation.mode == VoiceMode::channels)
        lines +=
            voicesLines(preparation) + channelsLeftOutLine(preparation) + chordsLine(preparation);
    else
        lines += arrangedVoicesLines(preparation) + arrangementLines(preparation) +
                 drumsLine(preparation, options);
    lines += "Music kept: " + music::describeMusicKept(preparation.kept) + "\n";
    lines += streamLine(preparation);
    return lines + bendsLine(preparation) +
           format("Notes lengthened to one player unit: %zu\n", preparation.notesLengthened) +
           format("Notes that start over a player unit late: %zu (%zu that would, left out)\n",
                  preparation.notesStartedLate, preparation.notesLeftOutLate) +
           format("Rests of up to 14 ticks closed (the converter drops their note-offs): %zu\n",
                  preparation.restsClosed) +
           timeLine(preparation, unitMs) + leftOutLine(preparation);
}

}  // namespace songprep
