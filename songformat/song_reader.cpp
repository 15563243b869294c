#include "songformat/song_reader.h"

#include <cstdio>

#include "toolkit/command_line.h"
#include "toolkit/whole_file.h"

namespace songformat {

SongFileStatus readSongFile(const std::string& name, SongFile& song) {
    using toolkit::ReadResult;
    switch (toolkit::readWholeFile(name, kLargestSongFile, song.bytes)) {
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
        case SongFileStatus::kCantRead:
            // Asked again, for the system's reason; a file that opens now failed while read.
            if (std::string reason = toolkit::unopenableReason(name); !reason.empty())
                return reason;
            return toolkit::fileProblem(status == SongFileStatus::kCantOpen ? "open" : "read", name,
                                        0);
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

std::string unplayableReason(const StreamDecoder& decoder) {
    const DecodeFailure& failure = decoder.failure();
    char line[200];
    switch (decoder.verdict()) {
        case StreamVerdict::kBadRecord:
            if (failure.error == DecodeError::kUnknownKind)
                std::snprintf(line, sizeof line,
                              "Unknown record kind %u (code byte 0x%02X) at offset %zu.",
                              failure.codeByte >> 4, failure.codeByte, failure.offset);
            else
                std::snprintf(
                    line, sizeof line,
                    "The %s at offset %zu is cut off: it needs %zu bytes and the stream ends "
                    "after %zu.",
                    failure.kind != nullptr ? failure.kind : "record", failure.offset,
                    failure.needed, failure.left);
            return line;
        case StreamVerdict::kNoEnd:
            return "The stream ends without an end record.";
        default:
            return "";
    }
}

std::string besideSong(const std::string& songName, std::string_view extension) {
    constexpr std::string_view kSongExtension = ".sng";
    std::string base = songName;
    if (base.ends_with(kSongExtension)) base.resize(base.size() - kSongExtension.size());
    return base.append(extension);
}

}  // namespace songformat
