// Writes the MIDI files the tests use into a folder, for runs outside GoogleTest
// (the WebAssembly programs under Node.js beside the native ones, say): the kinds
// of song users bring, random songs, and every damaged file with its damage in
// its name.
//   write_test_songs OUTPUT_FOLDER
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/badinput/bad_midi_files.h"
#include "tests/songprep/kinds_of_song.h"
#include "tests/songprep/random_song.h"

namespace {

using testing_support::Bytes;

// A file that cannot be written ends the run: a comparison over fewer files
// than meant would pass all the same.
void writeFile(const std::filesystem::path& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "write_test_songs: can't write %s\n", name.string().c_str());
        std::exit(1);
    }
}

// "header cut short" becomes header-cut-short.
std::string fileStem(std::string words) {
    for (char& c : words)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: write_test_songs OUTPUT_FOLDER\n", stderr);
        return 1;
    }
    std::filesystem::path out = argv[1];
    std::error_code error;
    std::filesystem::create_directories(out, error);
    if (error) {
        std::fprintf(stderr, "write_test_songs: can't make %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    for (std::uint32_t seed : {1u, 2u})
        for (const testing_support::KindOfSong& song : testing_support::kindsOfSong(seed))
            writeFile(out / (fileStem(song.name) + "-" + std::to_string(seed) + ".mid"), song.midi);
    for (std::uint32_t seed = 1; seed <= 8; ++seed)
        writeFile(out / ("random-" + std::to_string(seed) + ".mid"), testing_support::randomSong(seed));
    for (const testing_support::Refusal& refusal : testing_support::midiRefusals())
        writeFile(out / ("damaged-" + fileStem(refusal.damage) + ".mid"), refusal.midi);
    return 0;
}
