#include "tests/support/song_file.h"

namespace testing_support {

Bytes songFile(const Bytes& stream, const songformat::WaveTable& table1,
               const songformat::WaveTable& storedTable2) {
    Bytes song(songformat::kMagic, songformat::kMagic + songformat::kMagicSize);
    song.insert(song.end(), table1.begin(), table1.end());
    song.insert(song.end(), storedTable2.begin(), storedTable2.end());
    return song + stream;
}

}  // namespace testing_support
