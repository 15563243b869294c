// Pieces of a song for the songasm tests.
#pragma once

#include <cstddef>
#include <string>

#include "songasm/song_contents.h"
#include "tests/support/midi_writer.h"

namespace testing_support {

// Table 1 counts up from 0x80, the stored table 2 down from 0x3f, so the two
// never share a value at the same index.
WaveTable countingTable1();
WaveTable countingTable2();

// A stream of `length` bytes 0x00, 0x01, 0x02, ... (wrapping at 0x100).
Bytes countingStream(std::size_t length);

SongContents songWith(const Bytes& stream);

// The 64 values of a table as one ".byte" line's values: "0x80, 0x81, ..., 0xbf".
std::string tableValues(const WaveTable& table);

}  // namespace testing_support
