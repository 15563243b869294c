#include "songasm/song_contents.h"

#include <algorithm>

std::optional<SongContents> parseSongFile(std::span<const std::uint8_t> bytes) {
    songformat::SongFileParts parts;
    // An empty stream would leave the exporter nothing to close its ".byte" line with.
    if (songformat::splitSongFile(bytes, parts) != songformat::SongFileCheck::ok ||
        parts.stream.empty())
        return std::nullopt;

    SongContents song;
    std::copy(parts.waveTable1.begin(), parts.waveTable1.end(), song.waveTable1.begin());
    std::copy(parts.storedWaveTable2.begin(), parts.storedWaveTable2.end(),
              song.storedWaveTable2.begin());
    song.stream.assign(parts.stream.begin(), parts.stream.end());
    return song;
}
