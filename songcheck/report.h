// The report songcheck prints: what the file is, how it will play, what each
// voice holds, then every finding with its first places.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "music/music_kept.h"
#include "songcheck/conversion_trace.h"
#include "songcheck/findings.h"
#include "songcheck/message_census.h"
#include "songcheck/note_comparison.h"

namespace songcheck {

struct ReportFacts {
    std::string midiName;
    MidiHeader header;
    std::size_t tempoChanges = 0;
    double writtenUnitMs = 0;  // 0 when the file has no written tempo
    double unitMs = 0;
    std::uint64_t songUnits = 0;
    bool converted = false;  // false when the song has no stream (too many fillers)
    std::size_t streamBytes = 0;
    std::size_t maxBytes = 0;
    music::MusicKept kept;  // of a song that was converted
};

std::string headerText(const ReportFacts& facts);
std::string voiceTable(const NoteComparison& comparison);
std::string findingsText(const Findings& findings);
// "Nothing is lost." or how many kinds of loss in how many places.
std::string closingLine(const Findings& findings);

}  // namespace songcheck
