// Layout of the song file that songmake writes and songasm reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace songformat {

// The four characters every song file starts with.
inline constexpr char kMagic[4] = {'s', 'n', 'g', '1'};
inline constexpr std::size_t kMagicSize = sizeof(kMagic);

// Each wave table holds 64 signed 8-bit samples.
inline constexpr std::size_t kTableSize = 64;

using WaveTable = std::array<std::uint8_t, kTableSize>;

// Offsets of the two tables; the second is stored as its difference from the first.
inline constexpr std::size_t kWaveTable1Offset = kMagicSize;
inline constexpr std::size_t kWaveTable2Offset = kWaveTable1Offset + kTableSize;

// Magic and both tables; the event stream runs from here to the end of the file.
inline constexpr std::size_t kHeaderSize = kWaveTable2Offset + kTableSize;
static_assert(kHeaderSize == 132);

// Far more than the 65536 bytes the player can reach; a bigger file is not a
// song, and reading it whole would only exhaust memory (think of /dev/zero).
inline constexpr std::size_t kLargestSongFile = std::size_t{16} << 20;

// The firmware addresses the stream through a 16-bit offset.
inline constexpr std::size_t kMaxAddressableStream = 65536;

enum class SongFileCheck { ok, tooShort, badMagic };

// A whole song file, split into its parts; the spans point into the file's bytes.
struct SongFileParts {
    std::span<const std::uint8_t> waveTable1;
    std::span<const std::uint8_t> storedWaveTable2;  // its difference from table 1
    std::span<const std::uint8_t> stream;
};

// Checks that `file` holds the magic and both tables, and splits it.
SongFileCheck splitSongFile(std::span<const std::uint8_t> file, SongFileParts& parts);

}  // namespace songformat
