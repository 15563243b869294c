#include "tests/badinput/workspace.h"

#include <filesystem>
#include <fstream>

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

Workspace::Workspace() {
    for (int d = 0; d < 2; ++d) {
        Bytes samples;
        for (int i = 0; i < 64; ++i) samples = samples + Bytes{0, static_cast<std::uint8_t>(i + d)};
        write("song-" + std::to_string(d) + ".raw", samples);
    }
}

void Workspace::write(const std::string& name, const Bytes& bytes) const {
    writeFile(folder / name, bytes);
}

void Workspace::write(const std::string& name, const std::string& text) const {
    writeFile(folder / name, text);
}

void Workspace::makeFolder(const std::string& name) const {
    std::filesystem::create_directory(folder / name);
}

FolderSnapshot Workspace::snapshot() const {
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

RunResult Workspace::run(const std::string& program, const std::vector<std::string>& arguments,
                         const RunOptions& options) const {
    return runProgram(program, arguments, folder.path(), options);
}

Bytes Workspace::stream(const std::string& name) const {
    Bytes song = readFile(folder / name);
    return song.size() < 132 ? Bytes{} : Bytes(song.begin() + 132, song.end());
}

std::string changesSince(const FolderSnapshot& before, const Workspace& space) {
    FolderSnapshot after = space.snapshot();
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

Bytes earlierSong() {
    Bytes song{'s', 'n', 'g', '1'};
    song.resize(132, 0x11);
    return song + Bytes{0x00, 0xD0};
}

Bytes scale(int count) {
    MidiTrack track;
    for (int i = 0; i < count; ++i)
        track.note(static_cast<std::uint32_t>(i) * 480, 0, 60 + i % 12, 100 - i % 2, 480);
    return midiFile(0, {track});
}

}  // namespace testing_support
