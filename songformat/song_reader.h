// Reads a song file for the tools that look inside it: the whole file at once,
// with its header checked, and the reason in words when it is not a song.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songformat/records.h"
#include "songformat/songformat.h"

namespace songformat {

enum class SongFileStatus { kOk, kCantOpen, kCantRead, kTooLarge, kTooShort, kBadMagic };

struct SongFile {
    std::vector<std::uint8_t> bytes;  // the whole file
    SongFileParts parts;              // spans into bytes

    std::span<const std::uint8_t> stream() const { return parts.stream; }
};

// Reads `name` whole, refusing anything over kLargestSongFile, and splits it.
SongFileStatus readSongFile(const std::string& name, SongFile& song);

// Why `name` is not a song, as one line without its newline: "can't open NAME:
// No such file or directory", "NAME is not a song file: it does not start
// with "sng1"."...
std::string unreadableReason(const std::string& name, SongFileStatus status);

// Why a decoded stream cannot be played, as one line without its newline: its
// bad record with the offset, or its missing end record. Empty for a stream
// that reaches an end record, whatever follows it.
std::string unplayableReason(const StreamDecoder& decoder);

// The file beside the song that a tool writes: `extension` in place of a final
// ".sng" ("song.sng" and ".wav" give "song.wav"), or after the whole name.
std::string besideSong(const std::string& songName, std::string_view extension);

}  // namespace songformat
