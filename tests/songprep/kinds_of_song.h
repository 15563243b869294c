// Songs of the kinds users bring, made up from a seed: a piano piece with
// chords in both hands, a folk tune with accompaniment, a band of eight
// channels with drums and the bass on its quietest channel, a melody on a quiet
// channel above busy accompaniment, a format 2 file of two sections, a dense
// band (a fast lead over a loud pad, a strummed guitar, bass and busy drums), a
// tune whose bass notes each have a grace note before them, and a long band
// piece whose stream is far over 64 KiB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/midi_writer.h"

namespace testing_support {

struct KindOfSong {
    std::string name;
    Bytes midi;
};

Bytes pianoPiece(std::uint32_t seed);
Bytes folkTune(std::uint32_t seed);
Bytes bandArrangement(std::uint32_t seed, int bars = 16);
Bytes quietMelody(std::uint32_t seed);
Bytes twoSections(std::uint32_t seed);  // format 2
Bytes denseBand(std::uint32_t seed);
Bytes graceNotes(std::uint32_t seed);

// Each kind once, of the seed.
std::vector<KindOfSong> kindsOfSong(std::uint32_t seed);

}  // namespace testing_support
