// Draws a piano roll as an SVG picture.
#pragma once

#include <string>

#include "songdump/piano_roll.h"

namespace songdump {

// The whole SVG document; `title` is shown above the roll.
std::string renderPianoRoll(const PianoRoll& roll, const std::string& title);

// Text made safe for XML: markup characters become entities, and control
// characters and bytes outside ASCII (a file name need not be UTF-8) become "?".
std::string escapeXml(const std::string& text);

}  // namespace songdump
