// What the side files lose: lines of the envelope file the converter skips or
// changes, and wave files that are missing, short, long, silent or not raw.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "songcheck/conversion_trace.h"
#include "songcheck/findings.h"
#include "songformat/songformat.h"

namespace songcheck {

// Reads both wave tables as songmake does and judges the files; a table that
// cannot be read is left silent, so that the rest of the song can be checked.
std::array<songformat::WaveTable, 2> checkWaveFiles(const std::string& base, Findings& findings);

// Judges every line of the song's envelope file (or the text the sources hand
// over in its place) against the envelope events the conversion made of it, in
// `trace`; `lastNoteTick` is when the song's last note starts or ends. Says so
// in a note when there is no envelope file.
void checkEnvelopeFile(const SongSources& sources, const ConversionTrace& trace,
                       std::uint32_t lastNoteTick, Findings& findings);

}  // namespace songcheck
