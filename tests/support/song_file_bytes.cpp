#include "tests/support/song_file_bytes.h"

namespace testing_support {

Bytes songFileBytes(const Bytes& stream, const songformat::WaveTable& table1,
                    const songformat::WaveTable& storedTable2) {
    Bytes file = {'s', 'n', 'g', '1'};
    file.insert(file.end(), table1.begin(), table1.end());
    file.insert(file.end(), storedTable2.begin(), storedTable2.end());
    return file + stream;
}

}  // namespace testing_support
