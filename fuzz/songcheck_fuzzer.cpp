// Fuzzes songcheck over MIDI bytes and envelope text, doing all the program
// does with a file it has read: the conversion followed record by record, every
// finding, the report and the picture. The report must end in its closing line,
// every finding must hold no more places than its count, and the picture must be
// a whole SVG document.
#include <cstdint>
#include <string>

#include "fuzz/pipeline_input.h"
#include "songcheck/check_picture.h"
#include "songcheck/report.h"
#include "songcheck/song_check.h"

using namespace songcheck;

namespace {

// As in the songmake target: inputs asking for more fillers only slow the search.
constexpr std::size_t kFillerBudget = std::size_t{1} << 16;
constexpr double kUnitMs = 2.5;

songformat::WaveTable rampTable(int step) {
    songformat::WaveTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * step);
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::PipelineInput input = fuzzing::splitPipelineInput(data, size);
    SongSources sources;
    sources.midiName = "fuzz.mid";
    sources.base = "fuzz";
    sources.midiBytes = std::span<const std::uint8_t>(input.midi, input.midiSize);
    sources.envelopeText = input.envelopes;
    sources.waveTables = std::array<songformat::WaveTable, 2>{rampTable(1), rampTable(3)};
    sources.maxFillers = kFillerBudget;
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
