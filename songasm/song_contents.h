// The song file as songasm sees it: two wave tables and an uninterpreted stream.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "songformat/songformat.h"

using songformat::WaveTable;

struct SongContents {
    WaveTable waveTable1;
    WaveTable storedWaveTable2;  // the difference from table 1, as the file stores it
    std::vector<std::uint8_t> stream;
};

// Splits a whole song file into its parts. Returns nothing when the file does not
// start with the magic or holds no event byte after the tables.
std::optional<SongContents> parseSongFile(std::span<const std::uint8_t> bytes);
