// The WAV file songplay writes: 16-bit PCM, two channels, its sizes in the
// header up front, so that the samples can follow as they are rendered.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "toolkit/whole_file.h"

namespace songplay {

inline constexpr std::size_t kWavHeaderSize = 44;
inline constexpr unsigned kWavChannels = 2;
inline constexpr unsigned kBytesPerFrame = kWavChannels * 2;

// The RIFF size field counts the file less its first 8 bytes in 32 bits, so the
// samples can take up 4 GiB less the rest of the header.
inline constexpr std::uint64_t kLargestWavFrames =
    (std::uint64_t{0xFFFFFFFF} - (kWavHeaderSize - 8)) / kBytesPerFrame;

// The 44-byte header of a file of `frames` stereo frames at `rate` hertz.
std::array<std::uint8_t, kWavHeaderSize> wavHeader(std::uint64_t frames, unsigned rate);

// Writes the header, then the samples as they come, little-endian, counting the
// frames so that the caller can tell whether the header told the truth.
class WavWriter {
public:
    explicit WavWriter(toolkit::OutputStream& output) : output_(output) {}

    bool writeHeader(std::uint64_t frames, unsigned rate);
    // Interleaved left and right samples.
    bool writeFrames(std::span<const std::int16_t> samples);
    bool complete() const { return written_ == declared_; }

private:
    toolkit::OutputStream& output_;
    std::string bytes_;
    std::uint64_t declared_ = 0;
    std::uint64_t written_ = 0;
};

}  // namespace songplay
