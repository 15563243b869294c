#include "tests/songmake/song_builder.h"

#include "songformat/songformat.h"

namespace testing_support {

SongFolder::SongFolder() { writeWaves(); }

void SongFolder::writeMidi(const Bytes& midi, const std::string& name) {
    writeFile(folder / name, midi);
}

void SongFolder::writeEnvelopes(const std::string& text, const std::string& base) {
    writeFile(folder / (base + ".env"), text);
}

void SongFolder::writeWaves(const std::string& base) {
    for (int d = 0; d < 2; ++d) {
        Bytes samples;
        for (int i = 0; i < 64; ++i) {
            samples.push_back(0);
            samples.push_back(static_cast<std::uint8_t>(i + d));
        }
        writeFile(folder / (base + "-" + std::to_string(d) + ".raw"), samples);
    }
}

void SongFolder::writeWave(const std::string& name, const Bytes& bytes) {
    writeFile(folder / name, bytes);
}

RunResult SongFolder::run(const std::vector<std::string>& arguments,
                          const RunOptions& options) const {
    return runProgram(SONGMAKE_PATH, arguments, folder.path(), options);
}

Bytes SongFolder::stream(const std::string& name) const {
    Bytes song = readFile(folder / name);
    if (song.size() < songformat::kHeaderSize) return {};
    return Bytes(song.begin() + songformat::kHeaderSize, song.end());
}

Bytes SongFolder::header(const std::string& name) const {
    Bytes song = readFile(folder / name);
    if (song.size() < songformat::kHeaderSize) return song;
    return Bytes(song.begin(), song.begin() + songformat::kHeaderSize);
}

}  // namespace testing_support
