#include "songdump/song_file.h"

#include "songformat/songformat.h"
#include "songformat/whole_file.h"

namespace songdump {

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
    songformat::SongFileParts parts;
    switch (songformat::splitSongFile(song.bytes, parts)) {
        case songformat::SongFileCheck::ok:
            return SongFileStatus::kOk;
        case songformat::SongFileCheck::tooShort:
            return SongFileStatus::kTooShort;
        case songformat::SongFileCheck::badMagic:
            return SongFileStatus::kBadMagic;
    }
    return SongFileStatus::kBadMagic;
}

}  // namespace songdump
