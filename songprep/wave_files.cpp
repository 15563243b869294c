#include "songprep/wave_files.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string_view>

#include "songformat/songformat.h"
#include "songmake/conversion.h"
#include "songmake/songfile.h"
#include "songprep/bundled_waves.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/text_format.h"
#include "toolkit/whole_file.h"

namespace songprep {
namespace {

// songmake reads the first 64 16-bit samples of a wave file.
constexpr std::size_t kTableBytes = songformat::kTableSize * 2;
// Far beyond any wave table; a device or a pipe that never ends is refused.
constexpr std::size_t kLargestWaveFile = std::size_t{1} << 20;

bool exists(const std::string& name) {
    return platform::fileFacts(name).kind != platform::FileKind::missing;
}

// The wave files songmake looks for beside a MIDI file: named from the MIDI
// file's name less its last four bytes, as songmake names them.
std::string waveFileBeside(const std::string& midiName, int number) {
    return waveFileName(sourcesForMidiFile(midiName).base, number);
}

// Reads `name` whole into `file`; the problem in words when it cannot.
std::string readSource(const std::string& name, WaveFile& file, WaveFiles& waves) {
    file.source = name;
    switch (toolkit::readWholeFile(name, kLargestWaveFile, file.bytes)) {
        case toolkit::ReadResult::ok:
            break;
        case toolkit::ReadResult::cantOpen:
        case toolkit::ReadResult::cantRead:
            if (std::string reason = toolkit::unopenableReason(name); !reason.empty())
                return reason;
            return toolkit::fileProblem("read", name, 0);
        case toolkit::ReadResult::tooLarge:
            return toolkit::format("%s is over %zu bytes: not a wave file, which takes %zu",
                                   name.c_str(), kLargestWaveFile, kTableBytes);
    }
    if (file.bytes.size() < kTableBytes)
        waves.warnings.push_back(
            toolkit::format("warning: %s holds %zu of the %zu bytes of a wave table; songmake "
                            "takes the rest as 0",
                            name.c_str(), file.bytes.size(), kTableBytes));
    return "";
}

void putBack(const WaveFile& file) {
    if (file.origin == WaveOrigin::kept) return;
    if (!file.earlier) {
        std::remove(file.name.c_str());
        return;
    }
    std::string_view content(reinterpret_cast<const char*>(file.earlier->data()),
                             file.earlier->size());
    toolkit::replaceFile(file.name, content);
}

}  // namespace

std::span<const std::uint8_t> bundledWaveFile(int number) { return kBundledWaveFiles[number]; }

bool parseWaveList(std::string_view text, std::vector<std::string>& names) {
    std::size_t comma = text.find(',');
    if (comma == std::string_view::npos || comma == 0 || comma + 1 == text.size() ||
        text.find(',', comma + 1) != std::string_view::npos)
        return false;
    names = {std::string(text.substr(0, comma)), std::string(text.substr(comma + 1))};
    return true;
}

WaveFiles gatherWaveFiles(const std::string& inName, const std::string& outName,
                          const std::vector<std::string>& chosen, bool force) {
    WaveFiles waves;
    for (int number = 0; number < kWaveFileCount; ++number) {
        WaveFile& file = waves.files[number];
        file.name = waveFileBeside(outName, number);
        std::string inputWave = waveFileBeside(inName, number);
        std::vector<std::uint8_t> earlier;
        if (exists(file.name) && !force) {
            file.origin = WaveOrigin::kept;
            continue;
        }
        if (platform::fileFacts(file.name).kind == platform::FileKind::regular) {
            // Replaced only where it can be put back should a later write fail.
            if (toolkit::readWholeFile(file.name, kLargestWaveFile, earlier) !=
                toolkit::ReadResult::ok) {
                waves.problem = toolkit::fileProblem("read", file.name, 0) +
                                ", to put it back should writing fail";
                break;
            }
            file.earlier = std::move(earlier);
        }
        if (!chosen.empty()) {
            file.origin = WaveOrigin::chosen;
            waves.problem = readSource(chosen[number], file, waves);
        } else if (exists(inputWave)) {
            file.origin = WaveOrigin::input;
            waves.problem = readSource(inputWave, file, waves);
        } else {
            file.origin = WaveOrigin::bundled;
            file.bytes.assign(bundledWaveFile(number).begin(), bundledWaveFile(number).end());
        }
        if (!waves.problem.empty()) break;
    }
    return waves;
}

std::string writeWaveFiles(const WaveFiles& waves) {
    for (std::size_t i = 0; i < waves.files.size(); ++i) {
        const WaveFile& file = waves.files[i];
        if (file.origin == WaveOrigin::kept) continue;
        std::string_view content(reinterpret_cast<const char*>(file.bytes.data()),
                                 file.bytes.size());
        errno = 0;
        if (!toolkit::replaceFile(file.name, content)) {
            std::string problem = toolkit::fileProblem("write", file.name, errno);
            for (std::size_t written = 0; written < i; ++written) putBack(waves.files[written]);
            return problem;
        }
    }
    return "";
}

void undoWaveFiles(const WaveFiles& waves) {
    for (const WaveFile& file : waves.files) putBack(file);
}

std::string waveFilesLine(const WaveFiles& waves) {
    const WaveFile& first = waves.files[0];
    const WaveFile& second = waves.files[1];
    std::string line = "Wave files: ";
    if (first.origin == second.origin) {
        line += first.name + " and " + second.name;
        switch (first.origin) {
            case WaveOrigin::chosen:
            case WaveOrigin::input:
                return line + " copied from " + first.source + " and " + second.source + "\n";
            case WaveOrigin::bundled:
                return line + ", the example song's (the default; --waves picks others)\n";
            case WaveOrigin::kept:
                return line + " kept as they were (--force replaces them)\n";
        }
    }
    for (const WaveFile& file : waves.files) {
        line += (&file == &first ? "" : "; ") + file.name;
        switch (file.origin) {
            case WaveOrigin::chosen:
            case WaveOrigin::input:
                line += " copied from " + file.source;
                break;
            case WaveOrigin::bundled:
                line += ", the example song's (the default)";
                break;
            case WaveOrigin::kept:
                line += " kept as it was (--force replaces it)";
                break;
        }
    }
    return line + "\n";
}

}  // namespace songprep
