// Reads a song file into memory and checks its header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "songformat/songformat.h"
#include "songformat/whole_file.h"

namespace songdump {

using songformat::kLargestSongFile;

enum class SongFileStatus { kOk, kCantOpen, kCantRead, kTooLarge, kTooShort, kBadMagic };

struct SongFile {
    std::vector<std::uint8_t> bytes;  // the whole file

    // The event stream: everything after the magic and the two wave tables.
    std::span<const std::uint8_t> stream() const {
        songformat::SongFileParts parts;
        songformat::splitSongFile(bytes, parts);
        return parts.stream;
    }
};

SongFileStatus readSongFile(const std::string& name, SongFile& song);

}  // namespace songdump
