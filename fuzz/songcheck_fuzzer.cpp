// Fuzzes songcheck over MIDI bytes and envelope text, doing all the program
// does with a file it has read: the conversion followed record by record, every
// finding, the report and the picture. The report must end in its closing line,
// every finding must hold no more places than its count, and the picture must be
// a whole SVG document.
#include <cstdint>
#include <string>

#include "fuzz/pipeline_sources.h"
#include "songcheck/check_picture.h"
#include "songcheck/report.h"
#include "songcheck/song_check.h"

using namespace songcheck;

namespace {

constexpr double kUnitMs = 2.5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SongSources sources = fuzzing::songSources(fuzzing::splitPipelineInput(data, size));
    ConversionTrace trace;
    sources.observer = &trace;
    Conversion conversion = convertSong(sources);
    if (conversion.outcome == ConversionOutcome::readerError) return 0;
    trace.placeRecords(conversion.song);
    SongCheck check = checkSong(sources, conversion, trace, Findings(), {kUnitMs, 65536, true});

    for (const Finding& finding : check.findings.all())
        if (finding.places.size() > finding.count || finding.title.empty()) __builtin_trap();
    std::string report = headerText(check.facts) + voiceTable(check.comparison) +
                         findingsText(check.findings) + closingLine(check.findings);
    if (!report.ends_with(".")) __builtin_trap();
    std::string svg = drawCheck(trace, check, kUnitMs);
    if (!svg.starts_with("<?xml") || !svg.ends_with("</svg>\n")) __builtin_trap();
    return 0;
}
