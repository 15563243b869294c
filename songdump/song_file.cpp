#include "songdump/song_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "songformat/songformat.h"

namespace songdump {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads at most `limit` + 1 bytes, so that a larger file shows without being read whole.
SongFileStatus readAtMost(std::FILE* file, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    constexpr std::size_t kChunk = 64 * 1024;
    while (bytes.size() <= limit) {
        std::size_t had = bytes.size();
        bytes.resize(had + kChunk);
        std::size_t got = std::fread(bytes.data() + had, 1, kChunk, file);
        bytes.resize(had + got);
        if (got < kChunk) break;
    }
    // A folder opens like a file on this system; reading it is what fails.
    if (std::ferror(file)) return SongFileStatus::kCantRead;
    return bytes.size() > limit ? SongFileStatus::kTooLarge : SongFileStatus::kOk;
}

}  // namespace

std::span<const std::uint8_t> SongFile::stream() const {
    if (bytes.size() < songformat::kHeaderSize) return {};
    return std::span<const std::uint8_t>(bytes).subspan(songformat::kHeaderSize);
}

SongFileStatus readSongFile(const std::string& name, SongFile& song) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    if (!file) return SongFileStatus::kCantOpen;
    song.bytes.clear();
    if (SongFileStatus status = readAtMost(file.get(), kLargestSongFile, song.bytes);
        status != SongFileStatus::kOk)
        return status;
    if (song.bytes.size() < songformat::kHeaderSize) return SongFileStatus::kTooShort;
    if (!std::equal(songformat::kMagic, songformat::kMagic + songformat::kMagicSize,
                    song.bytes.begin()))
        return SongFileStatus::kBadMagic;
    return SongFileStatus::kOk;
}

}  // namespace songdump
