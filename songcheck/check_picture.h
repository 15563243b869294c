// The picture of a check: the file's notes as the MIDI holds them, under the
// notes as the stream plays them, with every finding marked where it happens.
#pragma once

#include <string>

#include "songcheck/conversion_trace.h"
#include "songcheck/song_check.h"

namespace songcheck {

// The SVG document; times are drawn in seconds at `unitMs` per player unit.
std::string drawCheck(const ConversionTrace& trace, const SongCheck& check, double unitMs);

// BASE.check.svg for the base name BASE.
std::string pictureName(const std::string& base);

}  // namespace songcheck
