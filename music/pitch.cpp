#include "music/pitch.h"

#include <algorithm>
#include <cmath>

namespace music {
namespace {

constexpr double kWordsPerHertz = 1.024;
constexpr double kConcertA = 440.0;
constexpr int kConcertANote = 69;
constexpr int kSemitonesPerOctave = 12;

}  // namespace

double hertzOfWord(std::uint16_t word) { return word / kWordsPerHertz; }

double noteNumberOfWord(std::uint16_t word) {
    double hertz = hertzOfWord(std::max<std::uint16_t>(word, 1));
    return kConcertANote + kSemitonesPerOctave * std::log2(hertz / kConcertA);
}

std::string noteName(int noteNumber) {
    static const char* const kNames[kSemitonesPerOctave] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                            "F#", "G",  "G#", "A",  "A#", "B"};
    // Floor division, so notes below 0 land in octave -2 and below, not -1.
    int octave = noteNumber >= 0 ? noteNumber / kSemitonesPerOctave
                                 : -((-noteNumber + kSemitonesPerOctave - 1) / kSemitonesPerOctave);
    int step = noteNumber - octave * kSemitonesPerOctave;
    return kNames[step] + std::to_string(octave - 1);
}

std::string noteNameOfWord(std::uint16_t word) {
    if (word == 0) return "-";
    double note = noteNumberOfWord(word);
    int nearest = static_cast<int>(std::lround(note));
    long cents = std::lround((note - nearest) * 100.0);
    return noteName(nearest) + (cents < 0 ? " " : " +") + std::to_string(cents);
}

}  // namespace music
