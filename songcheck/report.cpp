#include "songcheck/report.h"

#include "midifile/midi_terms.h"
#include "music/pitch.h"
#include "songcheck/timing.h"
#include "toolkit/text_format.h"

namespace songcheck {
namespace {

using toolkit::format;
using toolkit::plural;

std::string keyText(int key) { return key < 0 ? "-" : music::noteName(key); }

}  // namespace

std::string headerText(const ReportFacts& facts) {
    const MidiHeader& header = facts.header;
    std::string text = format("%s: format %u, %s, %s, %s, %s long\n", facts.midiName.c_str(),
                              header.format, plural(header.trackCount, "track", "tracks").c_str(),
                              midifile::describeDivision(header.division).c_str(),
                              plural(facts.tempoChanges, "tempo change", "tempo changes").c_str(),
                              plural(header.endTime, "tick", "ticks").c_str());
    if (facts.writtenUnitMs > 0)
        text += format("Written tempo at a player unit of %.3f ms; at %.3f ms the song %s.\n",
                       facts.writtenUnitMs, facts.unitMs,
                       paceAt(facts.writtenUnitMs, facts.unitMs).c_str());
    else
        text += "The file's header gives no time per tick.\n";
    if (facts.converted)
        text +=
            format("Song: %llu %s, %.2f s at %.3f ms; stream %s of the %zu the firmware holds.\n",
                   static_cast<unsigned long long>(facts.songUnits),
                   facts.songUnits == 1 ? "player unit" : "player units",
                   static_cast<double>(facts.songUnits) * facts.unitMs / 1000.0, facts.unitMs,
                   plural(facts.streamBytes, "byte", "bytes").c_str(), facts.maxBytes);
    if (facts.converted) text += "Music kept: " + music::describeMusicKept(facts.kept) + "\n";
    text +=
        "MIDI channels are numbered 1 to 16 as sequencers show them: voices 0 to 3 play "
        "channels 1 to 4.\n";
    return text;
}

std::string voiceTable(const NoteComparison& comparison) {
    std::string text =
        "voice  channel  notes  slides  note-offs left out  pitch events  controllers  "
        "lowest  highest\n";
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const VoiceSummary& summary = comparison.voices[voice];
        text += format("%5d  %7d  %5zu  %6zu  %18zu  %12zu  %11zu  %-6s  %s\n", voice, voice + 1,
                       summary.notes, summary.slides, summary.noteOffsLeftOut, summary.pitchEvents,
                       summary.controllers, keyText(summary.lowestKey).c_str(),
                       keyText(summary.highestKey).c_str());
    }
    return text;
}

std::string findingsText(const Findings& findings) {
    std::string text;
    for (const Finding& finding : findings.all()) {
        text += format("%-4s %6zu  %s\n", finding.loss ? "loss" : "info", finding.count,
                       finding.title.c_str());
        if (finding.places.empty()) continue;
        std::string places;
        std::size_t shown = std::min(finding.places.size(), Findings::kPrintedPlaces);
        for (std::size_t i = 0; i < shown; ++i)
            places += (i > 0 ? "; " : "") + describePlace(finding.places[i]);
        if (finding.count > shown) places += format("; and %zu more", finding.count - shown);
        text += "             at " + places + "\n";
    }
    return text;
}

std::string closingLine(const Findings& findings) {
    std::size_t losses = 0, places = 0, remarks = findings.remarks();
    for (const Finding& finding : findings.all())
        if (finding.loss) {
            ++losses;
            places += finding.count;
        }
    // "info" findings lose nothing; the count points the reader back to them.
    std::string remarked =
        remarks == 0 ? "" : "; " + plural(remarks, "remark", "remarks") + " marked info above";
    if (losses == 0) return "Nothing is lost" + remarked + ".";
    return plural(losses, "kind of loss", "kinds of loss") + " in " +
           plural(places, "place", "places") + remarked + ".";
}

}  // namespace songcheck
