#include "songdump/song_file.h"

#include <algorithm>

#include "songformat/songformat.h"
#include "songformat/whole_file.h"

namespace songdump {

std::span<const std::uint8_t> SongFile::stream() const {
    if (bytes.size() < songformat::kHeaderSize) return {};
    return std::span<const std::uint8_t>(bytes).subspan(songformat::kHeaderSize);
}

SongFileStatus readSongFile(const std::string& name, SongFile& song) {
    switch (songformat::readWholeFile(name, kLargestSongFile, song.bytes)) {
        case songformat::ReadResult::ok:
            break;
        case songformat::ReadResult::cantOpen:
            return SongFileStatus::kCantOpen;
        case songformat::ReadResult::cantRead:
            return SongFileStatus::kCantRead;
        case songformat::ReadResult::tooLarge:
            return SongFileStatus::kTooLarge;
    }
    if (song.bytes.size() < songformat::kHeaderSize) return SongFileStatus::kTooShort;
    if (!std::equal(songformat::kMagic, songformat::kMagic + songformat::kMagicSize,
                    song.bytes.begin()))
        return SongFileStatus::kBadMagic;
    return SongFileStatus::kOk;
}

}  // namespace songdump
