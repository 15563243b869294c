// What the numbers of a MIDI file mean, in words a report can use: the header's
// time division and the controllers' names.
#pragma once

#include <cstdint>
#include <string>

namespace midifile {

// SMPTE time (the division's top bit set): frames per second, stored as a
// negative number, of so many ticks each; otherwise ticks per quarter note.
bool isSmpteDivision(std::uint16_t division);
int smpteFramesPerSecond(std::uint16_t division);
int smpteTicksPerFrame(std::uint16_t division);
// SMPTE time whose parts are both above 0, which gives time at all.
bool isValidSmpteDivision(std::uint16_t division);

// "480 ticks per quarter note", "SMPTE time, 25 frames per second of 40 ticks",
// "no time division".
std::string describeDivision(std::uint16_t division);

// A controller's number with its common name, where it has one: "7 (volume)".
std::string controllerName(int controller);

}  // namespace midifile
