#include "songmake/songfile.h"

#include <cstdio>

#include "songformat/whole_file.h"

namespace {

constexpr std::size_t kSampleBytes = 2;

}  // namespace

bool readWaveTable(const std::string& name, WaveTable& table) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        std::printf("Can't open %s\n", name.c_str());
        return false;
    }
    std::uint8_t samples[songformat::kTableSize * kSampleBytes] = {};
    std::size_t got = std::fread(samples, 1, sizeof samples, file);
    bool readFailed = std::ferror(file) != 0;
    bool closed = std::fclose(file) == 0;
    if (readFailed) {  // a folder opens on this system; reading it is what fails
        std::printf("Can't open %s\n", name.c_str());
        return false;
    }
    if (got < sizeof samples) std::printf("Warn: short wave file %s.\n", name.c_str());
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = samples[i * kSampleBytes + 1];  // the high byte of a little-endian sample
    return closed;
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

bool writeSongFile(const std::string& base, const EventList& events) {
    WaveTable tables[2];
    for (int i = 0; i < 2; ++i)
        if (!readWaveTable(base + "-" + std::to_string(i) + ".raw", tables[i])) return false;

    std::string name = base + ".sng";
    ByteStream song = encodeSong(tables[0], tables[1], events);
    std::string_view content(reinterpret_cast<const char*>(song.data()), song.size());
    if (!songformat::replaceFile(name, content)) {
        std::printf("Can't write %s\n", name.c_str());
        return false;
    }
    std::size_t streamBytes = song.size() - songformat::kHeaderSize;
    if (streamBytes > songformat::kMaxAddressableStream)
        std::printf("Warn: song data is %zu bytes, over the 65536 a 16-bit offset reaches.\n",
                    streamBytes);
    std::printf("%s written.\n", name.c_str());
    return true;
}
