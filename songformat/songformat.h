// Layout of the song file that songmake writes and songasm reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace songformat {

// The four characters every song file starts with.
inline constexpr char kMagic[4] = {'s', 'n', 'g', '1'};
inline constexpr std::size_t kMagicSize = sizeof(kMagic);

// Each wave table holds 64 signed 8-bit samples.
inline constexpr std::size_t kTableSize = 64;

// Offsets of the two tables; the second is stored as its difference from the first.
inline constexpr std::size_t kWaveTable1Offset = kMagicSize;
inline constexpr std::size_t kWaveTable2Offset = kWaveTable1Offset + kTableSize;

// Magic and both tables; the event stream runs from here to the end of the file.
inline constexpr std::size_t kHeaderSize = kWaveTable2Offset + kTableSize;
static_assert(kHeaderSize == 132);

// The firmware addresses the stream through a 16-bit offset.
inline constexpr std::size_t kMaxAddressableStream = 65536;

}  // namespace songformat
