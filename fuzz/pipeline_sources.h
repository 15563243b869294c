// The song sources a pipeline input stands for: the MIDI bytes and envelope
// text in memory, two fixed wave tables, and a filler budget. Shared by the
// songmake and songcheck targets, which convert the same inputs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "fuzz/pipeline_input.h"
#include "songmake/conversion.h"

namespace fuzzing {

// Damaged files can ask for millions of fillers, up to kMaxFillers (about a
// gigabyte). songmake builds them; here they would only slow the search down, so
// such inputs are refused before any filler is made.
inline constexpr std::size_t kFillerBudget = std::size_t{1} << 16;

inline songformat::WaveTable rampTable(int step) {
    songformat::WaveTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * step);
    return table;
}

inline SongSources songSources(const PipelineInput& input) {
    SongSources sources;
    sources.midiName = "fuzz.mid";
    sources.base = "fuzz";
    sources.midiBytes = std::span<const std::uint8_t>(input.midi, input.midiSize);
    sources.envelopeText = input.envelopes;
    sources.waveTables = std::array<songformat::WaveTable, 2>{rampTable(1), rampTable(3)};
    sources.maxFillers = kFillerBudget;
    return sources;
}

}  // namespace fuzzing
