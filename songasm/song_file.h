// The song file as songasm sees it: two wave tables and an uninterpreted stream.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "songformat/songformat.h"

using WaveTable = std::array<std::uint8_t, songformat::kTableSize>;

// Far more than the 65536 stream bytes the firmware reaches. A larger file is no
// song, and one that never ends (a device, a pipe) would only exhaust memory.
inline constexpr std::size_t kLargestSongFile = std::size_t{16} << 20;

struct SongContents {
    WaveTable waveTable1;
    WaveTable storedWaveTable2;  // the difference from table 1, as the file stores it
    std::vector<std::uint8_t> stream;
};

// Splits a whole song file into its parts. Returns nothing when the file does not
// start with the magic or holds no event byte after the tables.
std::optional<SongContents> parseSongFile(std::span<const std::uint8_t> bytes);
