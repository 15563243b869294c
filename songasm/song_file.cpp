#include "songasm/song_file.h"

#include <algorithm>

namespace {

// Hands out the file's bytes front to back and never past its end.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

    // The next `count` bytes, or nothing when fewer are left.
    std::optional<std::span<const std::uint8_t>> take(std::size_t count) {
        if (count > rest_.size()) return std::nullopt;
        std::span<const std::uint8_t> taken = rest_.first(count);
        rest_ = rest_.subspan(count);
        return taken;
    }

    std::span<const std::uint8_t> rest() const { return rest_; }

private:
    std::span<const std::uint8_t> rest_;
};

bool isMagic(std::span<const std::uint8_t> bytes) {
    return std::equal(bytes.begin(), bytes.end(), std::begin(songformat::kMagic),
                      std::end(songformat::kMagic));
}

void copyTable(std::span<const std::uint8_t> bytes, WaveTable& table) {
    std::copy(bytes.begin(), bytes.end(), table.begin());
}

}  // namespace

std::optional<SongContents> parseSongFile(std::span<const std::uint8_t> bytes) {
    ByteCursor cursor(bytes);
    std::optional<std::span<const std::uint8_t>> magic = cursor.take(songformat::kMagicSize);
    if (!magic || !isMagic(*magic)) return std::nullopt;
    std::optional<std::span<const std::uint8_t>> table1 = cursor.take(songformat::kTableSize);
    std::optional<std::span<const std::uint8_t>> table2 = cursor.take(songformat::kTableSize);
    // An empty stream would leave the exporter nothing to close its ".byte" line with.
    if (!table1 || !table2 || cursor.rest().empty()) return std::nullopt;

    SongContents song;
    copyTable(*table1, song.waveTable1);
    copyTable(*table2, song.storedWaveTable2);
    song.stream.assign(cursor.rest().begin(), cursor.rest().end());
    return song;
}
