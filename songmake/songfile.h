// The song file: magic, two wave tables, and the event stream.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "songformat/songformat.h"
#include "songmake/events.h"

using WaveTable = std::array<std::uint8_t, songformat::kTableSize>;

// Fills `table` with the high bytes of the first 64 little-endian 16-bit samples of
// the raw file `name`. Prints "Can't open NAME" and returns false when the file
// cannot be read; a short file warns and its missing samples count as 0.
bool readWaveTable(const std::string& name, WaveTable& table);

// The whole song file in memory: magic, table 1, table 2 as its difference from
// table 1, then every event's record in list order.
ByteStream encodeSong(const WaveTable& table1, const WaveTable& table2, const EventList& events);

// Reads BASE-0.raw and BASE-1.raw and writes BASE.sng; prints what happened and
// returns false when no song file was written.
bool writeSongFile(const std::string& base, const EventList& events);
