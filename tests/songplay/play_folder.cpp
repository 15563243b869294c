#include "tests/songplay/play_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "songformat/records.h"

namespace testing_support {
namespace {

using songformat::appendHead;
using songformat::appendWord;

std::uint32_t le(const Bytes& file, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | file[at + static_cast<std::size_t>(i)];
    return value;
}

}  // namespace

SongStream& SongStream::noteOn(std::uint8_t delay, int voice, std::uint8_t velocityByte,
                               std::uint16_t word) {
    appendHead(bytes, delay, songformat::kCodeNoteOn, static_cast<std::uint8_t>(voice));
    bytes.push_back(velocityByte);
    appendWord(bytes, word);
    return *this;
}

SongStream& SongStream::sameVelocity(std::uint8_t delay, int voice, std::uint16_t word) {
    appendHead(bytes, delay, songformat::kCodeNoteOnSameVelocity, static_cast<std::uint8_t>(voice));
    appendWord(bytes, word);
    return *this;
}

SongStream& SongStream::pitch(std::uint8_t delay, int voice, std::uint16_t word) {
    appendHead(bytes, delay, songformat::kCodePitch, static_cast<std::uint8_t>(voice));
    appendWord(bytes, word);
    return *this;
}

SongStream& SongStream::noteOff(std::uint8_t delay, int voice) {
    appendHead(bytes, delay, songformat::kCodeNoteOff, static_cast<std::uint8_t>(voice));
    return *this;
}

SongStream& SongStream::filler() {
    appendHead(bytes, songformat::kFillerDelayByte, songformat::kCodeFiller, 0);
    return *this;
}

SongStream& SongStream::end(std::uint8_t delay) {
    appendHead(bytes, delay, songformat::kCodeEnd, 0);
    return *this;
}

SongStream& SongStream::raw(const Bytes& more) {
    bytes = bytes + more;
    return *this;
}

songformat::WaveTable square(std::int8_t high, std::int8_t low) {
    songformat::WaveTable table;
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(i < table.size() / 2 ? high : low);
    return table;
}

Wav readWav(const Bytes& file) {
    Wav wav;
    if (file.size() < 44) {
        ADD_FAILURE() << "no WAV header";
        return wav;
    }
    std::string tags(file.begin(), file.begin() + 44);
    EXPECT_EQ(tags.substr(0, 4) + tags.substr(8, 8) + tags.substr(36, 4), "RIFFWAVEfmt data");
    EXPECT_EQ(le(file, 4, 4), file.size() - 8);
    EXPECT_EQ(le(file, 16, 4), 16u);  // the format chunk's size
    EXPECT_EQ(le(file, 20, 2), 1u);   // PCM
    EXPECT_EQ(le(file, 22, 2), 2u);   // channels
    wav.rate = le(file, 24, 4);
    EXPECT_EQ(le(file, 28, 4), wav.rate * 4);  // bytes per second
    EXPECT_EQ(le(file, 32, 2), 4u);            // bytes per frame
    EXPECT_EQ(le(file, 34, 2), 16u);           // bits per sample
    EXPECT_EQ(le(file, 40, 4), file.size() - 44);
    for (std::size_t at = 44; at + 4 <= file.size(); at += 4) {
        wav.left.push_back(static_cast<std::int16_t>(le(file, at, 2)));
        wav.right.push_back(static_cast<std::int16_t>(le(file, at + 2, 2)));
    }
    return wav;
}

RunResult play(const SongFolder& song, const Bytes& stream, std::vector<std::string> options,
               const songformat::WaveTable& table1, const songformat::WaveTable& storedTable2) {
    song.write("song.sng", songFileBytes(stream, table1, storedTable2));
    options.push_back("song.sng");
    return song.run(SONGPLAY_PATH, options);
}

Wav wavOf(const SongFolder& song, const std::string& name) {
    return readWav(readFile(song.folder / name));
}

double frequencyOf(const std::vector<int>& side, std::size_t from, std::size_t to, unsigned rate) {
    std::size_t first = 0, last = 0, cycles = 0;
    for (std::size_t i = from + 1; i < to && i < side.size(); ++i) {
        if (side[i - 1] >= 0 || side[i] < 0) continue;
        if (cycles++ == 0) first = i;
        last = i;
    }
    return cycles < 2 ? 0
                      : rate * static_cast<double>(cycles - 1) / static_cast<double>(last - first);
}

std::size_t firstSound(const std::vector<int>& side) {
    return static_cast<std::size_t>(
        std::find_if(side.begin(), side.end(), [](int sample) { return sample != 0; }) -
        side.begin());
}

std::size_t lastSound(const std::vector<int>& side) {
    auto silentTail =
        std::find_if(side.rbegin(), side.rend(), [](int sample) { return sample != 0; });
    return silentTail == side.rend() ? side.size()
                                     : static_cast<std::size_t>(side.rend() - silentTail) - 1;
}

int peakOf(const std::vector<int>& side, std::size_t from, std::size_t to) {
    int peak = 0;
    for (std::size_t i = from; i < to && i < side.size(); ++i)
        peak = std::max(peak, std::abs(side[i]));
    return peak;
}

}  // namespace testing_support
