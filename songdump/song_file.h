// Reads a song file into memory and checks its header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace songdump {

// Far more than the 65536 bytes the player can reach; a bigger file is not a
// song, and reading it whole would only exhaust memory (think of /dev/zero).
inline constexpr std::size_t kLargestSongFile = 16 * 1024 * 1024;

enum class SongFileStatus { kOk, kCantOpen, kCantRead, kTooLarge, kTooShort, kBadMagic };

struct SongFile {
    std::vector<std::uint8_t> bytes;  // the whole file

    // The event stream: everything after the magic and the two wave tables.
    std::span<const std::uint8_t> stream() const;
};

SongFileStatus readSongFile(const std::string& name, SongFile& song);

}  // namespace songdump
