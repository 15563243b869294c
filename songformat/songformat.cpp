#include "songformat/songformat.h"

#include <algorithm>

namespace songformat {

SongFileCheck splitSongFile(std::span<const std::uint8_t> file, SongFileParts& parts) {
    if (file.size() < kHeaderSize) return SongFileCheck::tooShort;
    if (!std::equal(kMagic, kMagic + kMagicSize, file.begin())) return SongFileCheck::badMagic;
    parts.waveTable1 = file.subspan(kWaveTable1Offset, kTableSize);
    parts.storedWaveTable2 = file.subspan(kWaveTable2Offset, kTableSize);
    parts.stream = file.subspan(kHeaderSize);
    return SongFileCheck::ok;
}

}  // namespace songformat
