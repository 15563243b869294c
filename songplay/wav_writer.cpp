#include "songplay/wav_writer.h"

#include <string_view>

namespace songplay {
namespace {

constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint32_t kFormatChunkSize = 16;

void put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void putTag(std::uint8_t* at, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(tag[i]);
}

}  // namespace

std::array<std::uint8_t, kWavHeaderSize> wavHeader(std::uint64_t frames, unsigned rate) {
    auto dataBytes = static_cast<std::uint32_t>(frames * kBytesPerFrame);
    std::array<std::uint8_t, kWavHeaderSize> header{};
    std::uint8_t* at = header.data();
    putTag(at, "RIFF");
    put32(at + 4, static_cast<std::uint32_t>(kWavHeaderSize - 8) + dataBytes);
    putTag(at + 8, "WAVE");
    putTag(at + 12, "fmt ");
    put32(at + 16, kFormatChunkSize);
    put16(at + 20, kPcmFormat);
    put16(at + 22, kWavChannels);
    put32(at + 24, rate);
    put32(at + 28, rate * kBytesPerFrame);
    put16(at + 32, kBytesPerFrame);
    put16(at + 34, kBitsPerSample);
    putTag(at + 36, "data");
    put32(at + 40, dataBytes);
    return header;
}

bool WavWriter::writeHeader(std::uint64_t frames, unsigned rate) {
    declared_ = frames;
    std::array<std::uint8_t, kWavHeaderSize> header = wavHeader(frames, rate);
    return output_.write(
        std::string_view(reinterpret_cast<const char*>(header.data()), header.size()));
}

bool WavWriter::writeFrames(std::span<const std::int16_t> samples) {
    bytes_.resize(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        auto value = static_cast<std::uint16_t>(samples[i]);
        bytes_[2 * i] = static_cast<char>(value & 0xFF);
        bytes_[2 * i + 1] = static_cast<char>(value >> 8);
    }
    written_ += samples.size() / kWavChannels;
    return output_.write(bytes_);
}

}  // namespace songplay
