// Shared pieces of the songplay tests: song streams that read as music, a
// song folder to render them in, and measurements taken on the samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "songformat/songformat.h"
#include "tests/support/song_file_bytes.h"
#include "tests/support/song_folder.h"

namespace testing_support {

inline constexpr std::uint16_t kA4 = 451;  // 440.43 Hz
inline constexpr double kA4Hertz = 451 / 1.024;
inline constexpr std::uint8_t kLeft = 1, kRight = 2, kBoth = 3;  // pan bits
inline constexpr std::uint8_t kFullVelocity = 124;
inline constexpr std::size_t kRampFrames = 72;  // 1.5 ms at 48000 Hz

// Records, each with its delay in player units, encoded by songformat.
class SongStream {
public:
    SongStream& noteOn(std::uint8_t delay, int voice, std::uint8_t velocityByte,
                       std::uint16_t word);
    SongStream& sameVelocity(std::uint8_t delay, int voice, std::uint16_t word);
    SongStream& pitch(std::uint8_t delay, int voice, std::uint16_t word);
    SongStream& noteOff(std::uint8_t delay, int voice);
    SongStream& filler();
    SongStream& end(std::uint8_t delay = 0);
    SongStream& raw(const Bytes& bytes);

    Bytes bytes;
};

// A wave table of `high` for its first half and `low` for its second.
songformat::WaveTable square(std::int8_t high, std::int8_t low);

struct Wav {
    unsigned rate = 0;
    std::vector<int> left, right;
};

// A WAV as songplay writes it; a header field that is not what a 16-bit stereo
// PCM file of this size holds fails the test.
Wav readWav(const Bytes& file);

// Writes song.sng in `song` (table 1 a square of ±100 unless given) and runs
// songplay on it.
RunResult play(const SongFolder& song, const Bytes& stream, std::vector<std::string> options = {},
               const songformat::WaveTable& table1 = square(100, -100),
               const songformat::WaveTable& storedTable2 = {});
Wav wavOf(const SongFolder& song, const std::string& name = "song.wav");

// The frame at which a time in player units falls, at 48000 Hz and 2.5 ms.
inline std::size_t frameOf(std::size_t units) { return units * 120; }

// The frequency from the rising zero crossings between two frames.
double frequencyOf(const std::vector<int>& side, std::size_t from, std::size_t to, unsigned rate);
// The first and last frames that are not silent; side.size() when all are.
std::size_t firstSound(const std::vector<int>& side);
std::size_t lastSound(const std::vector<int>& side);
// The largest absolute sample between two frames.
int peakOf(const std::vector<int>& side, std::size_t from, std::size_t to);

}  // namespace testing_support
