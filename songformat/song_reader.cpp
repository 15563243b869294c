#include "songformat/song_reader.h"

#include "songformat/whole_file.h"

namespace songformat {

SongFileStatus readSongFile(const std::string& name, SongFile& song) {
    switch (readWholeFile(name, kLargestSongFile, song.bytes)) {
        case ReadResult::ok:
            break;
        case ReadResult::cantOpen:
            return SongFileStatus::kCantOpen;
        case ReadResult::cantRead:
            return SongFileStatus::kCantRead;
        case ReadResult::tooLarge:
            return SongFileStatus::kTooLarge;
    }
    switch (splitSongFile(song.bytes, song.parts)) {
        case SongFileCheck::ok:
            return SongFileStatus::kOk;
        case SongFileCheck::tooShort:
            return SongFileStatus::kTooShort;
        case SongFileCheck::badMagic:
            return SongFileStatus::kBadMagic;
    }
    return SongFileStatus::kBadMagic;
}

std::string unreadableReason(const std::string& name, SongFileStatus status) {
    switch (status) {
        case SongFileStatus::kOk:
            return "";
        case SongFileStatus::kCantOpen:
            return "Can't open " + name;
        case SongFileStatus::kCantRead:
            return "Can't read " + name;
        case SongFileStatus::kTooLarge:
            return name + " is not a song file: it is over " + std::to_string(kLargestSongFile) +
                   " bytes long.";
        case SongFileStatus::kTooShort:
            return name + " is not a song file: it is shorter than the " +
                   std::to_string(kHeaderSize) + "-byte header.";
        case SongFileStatus::kBadMagic:
            return name + " is not a song file: it does not start with \"sng1\".";
    }
    return "";
}

}  // namespace songformat
