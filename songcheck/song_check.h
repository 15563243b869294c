// The whole judgement of one song: every finding in the order the report gives
// them, and the facts its header and picture show.
#pragma once

#include <cstddef>
#include <string>

#include "songcheck/conversion_trace.h"
#include "songcheck/findings.h"
#include "songcheck/message_census.h"
#include "songcheck/note_comparison.h"
#include "songcheck/report.h"
#include "songcheck/timing.h"
#include "songmake/conversion.h"

namespace songcheck {

struct CheckSettings {
    double unitMs = 0;
    std::size_t maxBytes = 0;
    bool picture = false;  // keep what the picture needs
};

struct SongCheck {
    Findings findings;
    NoteComparison comparison;
    ReportFacts facts;
};

// Judges a conversion that `trace` followed and that read its wave tables after
// `waveFindings` were made of them. The conversion must have read the MIDI file.
SongCheck checkSong(const SongSources& sources, const Conversion& conversion,
                    const ConversionTrace& trace, Findings waveFindings,
                    const CheckSettings& settings);

}  // namespace songcheck
