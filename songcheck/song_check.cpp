#include "songcheck/song_check.h"

#include <algorithm>

#include "songcheck/music_figures.h"
#include "songcheck/side_file_check.h"

namespace songcheck {
namespace {

std::uint32_t lastNoteTick(const ConversionTrace& trace) {
    std::uint32_t last = 0;
    for (int voice = 0; voice < kVoiceCount; ++voice)
        for (const TracedEvent& event : trace.groups()[voice])
            if (event.capturedType == kTypeNoteOn || event.capturedType == kTypeNoteOff)
                last = std::max(last, event.tick);
    return last;
}

void checkPitchBeforeNotes(const Conversion& conversion, Findings& findings) {
    Finding early = finding("pitch events before the first note of their voice bend from note 0");
    for (const ConversionNote& note : conversion.notes)
        if (note.kind == ConversionNote::Kind::pitchBeforeFirstNote)
            addPlace(early, voicePlace(note.tick, note.voice));
    findings.keep(std::move(early));
}

void checkVanishedGaps(const ConversionTrace& trace, Findings& findings) {
    Finding vanished = finding(
        "gaps of exactly 256 player units, stored as a delay byte of 0, which the player reads "
        "as no gap: everything after comes 256 units early");
    for (const ConversionTrace::EventRef& ref : trace.vanishedGaps()) {
        std::uint32_t tick = trace.groups()[ref.group][ref.index].tick;
        addPlace(vanished, ref.group == kEnvelopeGroup
                               ? Place{Place::Kind::none, tick, true, 0,
                                       "tick " + std::to_string(tick) + ", an envelope line"}
                               : voicePlace(tick, ref.group));
    }
    findings.keep(std::move(vanished));
}

void checkStreamSize(const Conversion& conversion, const CheckSettings& settings,
                     Findings& findings) {
    if (conversion.outcome == ConversionOutcome::tooManyFillers) {
        findings.add(true, "the song's pauses need over " + std::to_string(kMaxFillers) +
                               " filler records: songmake refuses to write it");
        return;
    }
    std::size_t stream = conversion.song.size() - songformat::kHeaderSize;
    if (stream > settings.maxBytes)
        findings.add(true, "the stream is " + std::to_string(stream) + " bytes, over the " +
                               std::to_string(settings.maxBytes) + " the firmware holds");
    if (stream > songformat::kMaxAddressableStream &&
        settings.maxBytes != songformat::kMaxAddressableStream)
        findings.add(true, "the stream is " + std::to_string(stream) +
                               " bytes, over the 65536 a 16-bit offset reaches");
}

std::uint32_t firstTempo(const ConversionTrace& trace) {
    return trace.tempos().empty() ? 0 : trace.tempos().front().tempo;
}

}  // namespace

SongCheck checkSong(const SongSources& sources, const Conversion& conversion,
                    const ConversionTrace& trace, Findings waveFindings,
                    const CheckSettings& settings) {
    SongCheck check;
    Findings census, notes, side;
    trace.census().addFindings(census);
    check.comparison = compareNotes(trace, true, notes);
    std::size_t kept = 0;
    for (const VoiceSummary& voice : check.comparison.voices) kept += voice.notes;
    if (kept == 0) check.findings.add(true, "the song keeps no note at all");
    check.findings.append(std::move(census));
    check.findings.append(std::move(notes));
    checkPitchBeforeNotes(conversion, check.findings);
    checkVanishedGaps(trace, check.findings);
    checkEnvelopeFile(sources, trace, lastNoteTick(trace), side);
    check.findings.append(std::move(side));
    check.findings.append(std::move(waveFindings));
    checkStreamSize(conversion, settings, check.findings);
    ReportFacts& facts = check.facts;
    facts.writtenUnitMs = writtenUnitMs(trace.header(), firstTempo(trace));
    if (conversion.outcome == ConversionOutcome::converted)
        checkTiming(trace, TempoMap(trace.tempos()), facts.writtenUnitMs, settings.unitMs,
                    check.findings);

    facts.midiName = sources.midiName;
    facts.header = trace.header();
    facts.tempoChanges = trace.tempos().size();
    facts.unitMs = settings.unitMs;
    facts.songUnits = trace.songUnits();
    facts.converted = conversion.outcome == ConversionOutcome::converted;
    facts.streamBytes = facts.converted ? conversion.song.size() - songformat::kHeaderSize : 0;
    facts.maxBytes = settings.maxBytes;
    if (facts.converted)
        facts.kept = musicKeptOf(trace, check.comparison, facts.writtenUnitMs, settings.unitMs);
    return check;
}

}  // namespace songcheck
