// Fuzzes songasm over song file bytes: the file is split into its parts and
// written out as assembler source. Every byte of the stream and both tables must
// come out as exactly one ".byte" value, after the fixed preamble.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "songasm/assembly_source.h"
#include "songasm/song_contents.h"

namespace {

std::size_t countValues(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("0x"); at != text.npos; at = text.find("0x", at + 2)) ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The same bytes as a file name: the output name never keeps a ".sng".
    std::string_view name(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 64));
    if (auto output = assemblyFileName(name); output && output->find(".sng") != output->npos)
        __builtin_trap();

    std::optional<SongContents> song = parseSongFile(std::span<const std::uint8_t>(data, size));
    if (!song) return 0;
    std::string source = assemblySource(*song);
    if (!source.starts_with(kAssemblyPreamble) || !source.ends_with("\n\n") ||
        countValues(std::string_view(source).substr(kAssemblyPreamble.size())) !=
            song->stream.size() + 2 * songformat::kTableSize)
        __builtin_trap();
    return 0;
}
