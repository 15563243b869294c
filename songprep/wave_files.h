// The two wave files songmake reads beside a song, BASE-0.raw and BASE-1.raw:
// songprep writes them beside its output, so that the prepared song converts
// under its new name.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace songprep {

inline constexpr int kWaveFileCount = 2;

// Where one of the output's wave files comes from.
enum class WaveOrigin {
    chosen,   // a file named with --waves
    input,    // the input's own wave file of that number
    bundled,  // the example song's table, the default
    kept,     // a file of that name was there already, and stays
};

struct WaveFile {
    std::string name;  // OUT-0.raw or OUT-1.raw
    WaveOrigin origin = WaveOrigin::bundled;
    std::string source;  // the file copied, for chosen and input
    std::vector<std::uint8_t> bytes;
    // What the name held before, to put back after a failure; none: no file.
    std::optional<std::vector<std::uint8_t>> earlier;
};

struct WaveFiles {
    std::array<WaveFile, kWaveFileCount> files;
    std::string problem;                // why they cannot be made; empty when they can
    std::vector<std::string> warnings;  // said on the way, without the program's name
};

// Decides where OUT-0.raw and OUT-1.raw beside `outName` come from and reads
// their sources: the two files of `chosen` (from --waves) when given, else the
// input's own wave file of each number where there is one, else the example
// song's table. A file already there is kept unless `force`.
WaveFiles gatherWaveFiles(const std::string& inName, const std::string& outName,
                          const std::vector<std::string>& chosen, bool force);

// Writes the files that are not kept, all or none: after a failure the names
// hold what they held before. Returns the problem, empty when all were written.
std::string writeWaveFiles(const WaveFiles& waves);

// Puts back what the names held before writeWaveFiles, for a song that could
// not be written after them.
void undoWaveFiles(const WaveFiles& waves);

// The report's line on them: "Wave files: song-0.raw copied from in-0.raw, ...".
std::string waveFilesLine(const WaveFiles& waves);

// "a.raw,b.raw": two names. False for anything else.
bool parseWaveList(std::string_view text, std::vector<std::string>& names);

// The example song's table of that number, as its raw file holds it.
std::span<const std::uint8_t> bundledWaveFile(int number);

}  // namespace songprep
