#include "songprep/report.h"

#include <vector>

#include "midifile/midi_terms.h"
#include "toolkit/text_format.h"
#include "songprep/written_time.h"

namespace songprep {
namespace {

using midifile::describeDivision;
using toolkit::format;
using toolkit::plural;

std::string headerLine(const std::string& inName, const InputSong& song) {
    return format("%s: format %u, %s, %s, %s\n", inName.c_str(), song.format,
                  plural(song.trackCount, "track", "tracks").c_str(),
                  describeDivision(song.division).c_str(),
                  plural(song.tempos.size(), "tempo change", "tempo changes").c_str());
}

std::string voicesLine(const Preparation& preparation) {
    std::string text = "Voices:";
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const VoiceSummary& summary = preparation.voices[voice];
        text += format("%s %d ", voice == 0 ? "" : ",", voice);
        if (summary.channel == kNoChannel)
            text += "empty";
        else
            text += format("channel %d (%s%s)", summary.channel + 1,
                           summary.channel == kDrumChannel ? "drums, " : "",
                           plural(summary.notesPlayed, "note", "notes").c_str());
    }
    return text + "\n";
}

std::string channelsLeftOutLine(const Preparation& preparation) {
    std::vector<std::string> channels;
    for (int channel = 0; channel < kChannels; ++channel) {
        bool chosen = false;
        for (const VoiceSummary& voice : preparation.voices) chosen |= voice.channel == channel;
        std::size_t notes = preparation.census.notes[channel];
        std::size_t others = preparation.census.others[channel];
        if (chosen || notes + others == 0) continue;
        channels.push_back(format("%d (%s%s, %s)", channel + 1,
                                  channel == kDrumChannel ? "drums, " : "",
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

std::string reportText(const std::string& inName, const InputSong& song,
                       const Preparation& preparation, double unitMs) {
    return headerLine(inName, song) + voicesLine(preparation) + channelsLeftOutLine(preparation) +
           chordsLine(preparation) + bendsLine(preparation) +
           format("Notes lengthened to one player unit: %zu\n", preparation.notesLengthened) +
           format("Rests of up to 14 ticks closed (the converter drops their note-offs): %zu\n",
                  preparation.restsClosed) +
           timeLine(preparation, unitMs) + leftOutLine(preparation);
}

}  // namespace songprep
