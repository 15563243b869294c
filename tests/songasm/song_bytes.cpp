#include "tests/songasm/song_bytes.h"

#include <cstdio>

namespace testing_support {

WaveTable countingTable1() {
    WaveTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(0x80 + i);
    return table;
}

WaveTable countingTable2() {
    WaveTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(0x3f - i);
    return table;
}

Bytes countingStream(std::size_t length) {
    Bytes stream(length);
    for (std::size_t i = 0; i < length; ++i) stream[i] = static_cast<std::uint8_t>(i);
    return stream;
}

SongContents songWith(const Bytes& stream) { return {countingTable1(), countingTable2(), stream}; }

std::string tableValues(const WaveTable& table) {
    std::string text;
    for (std::uint8_t value : table) {
        char item[8];
        std::snprintf(item, sizeof item, "0x%02x", value);
        if (!text.empty()) text += ", ";
        text += item;
    }
    return text;
}

}  // namespace testing_support
