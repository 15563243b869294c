#include "tests/support/song_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "songformat/songformat.h"

namespace testing_support {
namespace {

// The whole file at once: snapshots hold files of many megabytes.
Bytes readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::filesystem::file_size(path));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

Bytes readSymlinkTarget(const std::filesystem::path& link) {
    std::string target = std::filesystem::read_symlink(link).string();
    return Bytes(target.begin(), target.end());
}

}  // namespace

void SongFolder::write(const std::string& name, const Bytes& bytes) const {
    writeFile(folder / name, bytes);
}

void SongFolder::write(const std::string& name, const std::string& text) const {
    writeFile(folder / name, text);
}

void SongFolder::makeFolder(const std::string& name) const {
    std::filesystem::create_directory(folder / name);
}

void SongFolder::writeMidi(const Bytes& midi, const std::string& name) const {
    write(name, midi);
    writeWaves(name.substr(0, name.size() - std::min<std::size_t>(name.size(), 4)));
}

void SongFolder::writeWaves(const std::string& base) const {
    for (int d = 0; d < 2; ++d) {
        Bytes samples;
        for (int i = 0; i < 64; ++i) samples = samples + Bytes{0, static_cast<std::uint8_t>(i + d)};
        write(base + "-" + std::to_string(d) + ".raw", samples);
    }
}

void SongFolder::writeEnvelopes(const std::string& text, const std::string& base) const {
    write(base + ".env", text);
}

RunResult SongFolder::run(const std::string& program, const std::vector<std::string>& arguments,
                          const RunOptions& options) const {
    return runProgram(program, arguments, folder.path(), options);
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

FolderSnapshot SongFolder::snapshot() const {
    FolderSnapshot entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        std::string name = entry.path().filename().string();
        if (entry.is_symlink())
            entries[name] = Bytes{'-', '>'} + readSymlinkTarget(entry.path());
        else if (entry.is_directory())
            entries[name] = Bytes{'<', 'd', 'i', 'r', '>'};
        else
            entries[name] = readWhole(entry.path());
    }
    return entries;
}

std::string changesSince(const FolderSnapshot& before, const SongFolder& song) {
    FolderSnapshot after = song.snapshot();
    std::string changes;
    for (const auto& [name, bytes] : before) {
        auto now = after.find(name);
        if (now == after.end())
            changes += name + " removed\n";
        else if (now->second != bytes)
            changes += name + " changed\n";
    }
    for (const auto& [name, bytes] : after)
        if (before.count(name) == 0) changes += name + " added\n";
    return changes;
}

}  // namespace testing_support
