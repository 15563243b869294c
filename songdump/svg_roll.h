// songdump's picture of a song: its records as a piano roll in SVG.
#pragma once

#include <string>

#include "pianoroll/roll_picture.h"
#include "songdump/piano_roll.h"

namespace songdump {

// The whole SVG document for songdump: the song `songName`, its time axis in
// seconds at `unitMs` milliseconds a player unit, the first kMostBarsPerLayer
// of each layer drawn.
std::string renderPianoRoll(const PianoRoll& roll, const std::string& songName, double unitMs);

}  // namespace songdump
