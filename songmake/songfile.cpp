#include "songmake/songfile.h"

#include <cstdio>

#include "toolkit/platform.h"

namespace {

constexpr std::size_t kSampleBytes = 2;

}  // namespace

WaveRead readWaveTable(const std::string& name, WaveTable& table) {
    platform::FileKind kind = platform::FileKind::missing;
    // A FIFO that nobody writes to would otherwise keep the conversion waiting.
    std::FILE* file = platform::openForReading(name, kind);
    if (file == nullptr) return WaveRead::cantOpen;
    std::uint8_t samples[songformat::kTableSize * kSampleBytes] = {};
    std::size_t got = std::fread(samples, 1, sizeof samples, file);
    bool readFailed = std::ferror(file) != 0;
    bool closed = std::fclose(file) == 0;
    if (readFailed) return WaveRead::cantOpen;  // a folder opens on this system; reading fails
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = samples[i * kSampleBytes + 1];  // the high byte of a little-endian sample
    if (!closed) return WaveRead::cantClose;
    return got < sizeof samples ? WaveRead::shortFile : WaveRead::ok;
}

std::string waveFileName(const std::string& base, int table) {
    return base + "-" + std::to_string(table) + ".raw";
}

ByteStream encodeSong(const WaveTable& table1, const WaveTable& table2, const EventList& events) {
    ByteStream song(songformat::kHeaderSize);
    song.reserve(songformat::kHeaderSize + events.size() * 4 + 2);
    for (std::size_t i = 0; i < songformat::kMagicSize; ++i)
        song[i] = static_cast<std::uint8_t>(songformat::kMagic[i]);
    for (std::size_t k = 0; k < songformat::kTableSize; ++k) {
        song[songformat::kWaveTable1Offset + k] = table1[k];
        song[songformat::kWaveTable2Offset + k] = static_cast<std::uint8_t>(table2[k] - table1[k]);
    }
    for (const EventPointer& event : events) event->write(song);
    return song;
}
