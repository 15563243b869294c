// Song files built from their parts, for the tests of every program that reads one.
#pragma once

#include "songformat/songformat.h"
#include "tests/support/midi_writer.h"

namespace testing_support {

// The magic, wave table 1, wave table 2 as the file stores it (its difference
// from table 1) and the event stream. Unless given: the end record alone and
// two silent tables.
Bytes songFileBytes(const Bytes& stream = {0x00, 0xD0}, const songformat::WaveTable& table1 = {},
                    const songformat::WaveTable& storedTable2 = {});

}  // namespace testing_support
