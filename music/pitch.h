// Frequency words as hertz and note names, for people reading a song.
#pragma once

#include <cstdint>
#include <string>

namespace music {

// A frequency word is the frequency in hertz times 1.024.
double hertzOfWord(std::uint16_t word);

// The pitch as a fractional MIDI note number (69 is A4 at 440 Hz); a word of
// 0, which has no pitch, counts as the lowest word, 1.
double noteNumberOfWord(std::uint16_t word);

// The nearest equal-tempered note and how far the word lies from it, in
// cents: "C4 +1", "F#2 -12". MIDI note 60 is C4.
std::string noteNameOfWord(std::uint16_t word);

// The name of a whole note number: 60 gives "C4", 61 "C#4", -1 "B-2".
std::string noteName(int noteNumber);

}  // namespace music
