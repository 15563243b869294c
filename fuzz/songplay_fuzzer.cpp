// Fuzzes songplay over song file bytes, doing what the program does with a file
// it has read: refuse it in words, or render it into a WAV whose header tells
// the truth about the samples that follow. The player unit is shortened for
// long songs so that every input renders in a moment; the model is the same.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "songformat/records.h"
#include "songformat/song_reader.h"
#include "songformat/songformat.h"
#include "toolkit/whole_file.h"
#include "songplay/play_clock.h"
#include "songplay/play_summary.h"
#include "songplay/song_renderer.h"
#include "songplay/wav_writer.h"

using namespace songplay;

namespace {

constexpr unsigned kRate = 8000;
constexpr double kMostFrames = 1 << 16;

class MemoryOutput : public toolkit::OutputStream {
public:
    bool write(std::string_view chunk) override {
        bytes.append(chunk);
        return true;
    }
    bool finish() override { return true; }

    std::string bytes;
};

std::uint32_t le32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// The options come from the first table's first samples, which the fuzzer varies anyway.
RenderSettings settingsOf(const songformat::SongFileParts& parts) {
    RenderSettings settings;
    for (std::size_t voice = 0; voice < kVoiceCount; ++voice) {
        settings.tableOfVoice[voice] = 1 + ((parts.waveTable1[0] >> voice) & 1);
        settings.muted[voice] = ((parts.waveTable1[1] >> voice) & 1) != 0;
    }
    return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    songformat::SongFile song;
    song.bytes.assign(data, data + size);
    if (songformat::splitSongFile(song.bytes, song.parts) != songformat::SongFileCheck::ok)
        return 0;
    songformat::StreamDecoder checked(song.stream());
    for (songformat::Record record; checked.next(record);) {
    }
    if (!songformat::unplayableReason(checked).empty()) return 0;
    std::uint64_t end = checked.endTime();
    double framesPerUnit = std::min(kRate * 2.5 / 1000, kMostFrames / static_cast<double>(end + 1));
    PlayClock clock(kRate, framesPerUnit * 1000 / kRate);
    std::uint64_t frames = clock.songFrames(end);
    MemoryOutput output;
    WavWriter wav(output);
    wav.writeHeader(frames, kRate);
    PlayResult result =
        renderSong(song, clock, settingsOf(song.parts),
                   [&](std::span<const std::int16_t> block) { return wav.writeFrames(block); });
    if (!result.written || !wav.complete()) __builtin_trap();
    if (output.bytes.size() != kWavHeaderSize + frames * kBytesPerFrame ||
        le32(output.bytes, 4) != output.bytes.size() - 8 ||
        le32(output.bytes, 40) != output.bytes.size() - kWavHeaderSize)
        __builtin_trap();
    writtenLine("song.wav written", frames, kRate, result.counts.notes);
    notHeardLine(result.counts.unheard, checked.bytesAfterEnd());
    return 0;
}
