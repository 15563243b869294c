// Song files around an event stream, for the tests of the tools that read them.
#pragma once

#include "songformat/songformat.h"
#include "tests/support/midi_writer.h"

namespace testing_support {

// The magic, wave table 1, table 2 as stored (its difference from table 1),
// then the stream; both tables silent unless given.
Bytes songFile(const Bytes& stream, const songformat::WaveTable& table1 = {},
               const songformat::WaveTable& storedTable2 = {});

}  // namespace testing_support
