// The song file: magic, two wave tables, and the event stream.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "songformat/songformat.h"
#include "songmake/events.h"

using songformat::WaveTable;

enum class WaveRead { ok, shortFile, cantOpen, cantClose };

// Fills `table` with the high bytes of the first 64 little-endian 16-bit samples of
// the raw file `name`. A short file's missing samples count as 0.
WaveRead readWaveTable(const std::string& name, WaveTable& table);

// The raw wave file of a table, named from the base name: BASE-0.raw for the
// first table, BASE-1.raw for the second.
std::string waveFileName(const std::string& base, int table);

// The whole song file in memory: magic, table 1, table 2 as its difference from
// table 1, then every event's record in list order.
ByteStream encodeSong(const WaveTable& table1, const WaveTable& table2, const EventList& events);
