#include "bench/play_bench.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "bench/process_timer.h"

namespace bench {
namespace {

constexpr double kTargetAudioPerCpuSecond = 500;
constexpr long kWavHeaderBytes = 44;
constexpr double kBytesPerFrame = 4;  // 16-bit stereo

struct PlayRow {
    std::string name;
    unsigned rate = 0;
    double audioSeconds = 0;
    Figures figures;
};

// Renders the song once to a file to learn how long it sounds: at 48000 Hz, or
// at 22050 Hz for a song too long for a WAV file at 48000 (the largest one).
bool measureAudioLength(const std::string& songplay, const PlaySong& song,
                        const std::string& folder, PlayRow& row) {
    std::string wav = folder + "/songplay-length.wav";
    for (unsigned rate : {48000u, 22050u}) {
        if (!runQuietly({songplay, "--rate", std::to_string(rate), "-o", wav, song.songFile}))
            continue;
        row.rate = rate;
        row.audioSeconds =
            static_cast<double>(fileSize(wav) - kWavHeaderBytes) / kBytesPerFrame / rate;
        std::filesystem::remove(wav);
        return true;
    }
    return false;
}

}  // namespace

std::string prepareDemo(const std::string& demoFolder, const std::string& folder,
                        const std::string& songmake) {
    std::filesystem::path demo = std::filesystem::path(folder) / "demo";
    std::error_code error;
    std::filesystem::create_directories(demo, error);
    for (const char* name : {"demo.mid", "demo-0.raw", "demo-1.raw", "demo.env"})
        std::filesystem::copy_file(std::filesystem::path(demoFolder) / name, demo / name,
                                   std::filesystem::copy_options::overwrite_existing, error);
    if (error || !runQuietly({songmake, (demo / "demo.mid").string()})) return "";
    return (demo / "demo.sng").string();
}

void printSongplay(const std::string& songplay, const std::vector<PlaySong>& songs,
                   const std::string& folder, int runs) {
    std::printf("\nsongplay, whole process, song file -> WAV on standard output (/dev/null)\n");
    if (!executable(songplay)) {
        std::printf("songplay not built\n");
        return;
    }
    std::printf("%-12s %7s %10s %12s %14s %9s\n", "song", "rate", "audio s", "median CPU s",
                "audio s/CPU s", "peak MB");
    bool met = true;
    for (const PlaySong& song : songs) {
        PlayRow row;
        row.name = song.name;
        if (measureAudioLength(songplay, song, folder, row))
            row.figures = measure(
                {songplay, "--rate", std::to_string(row.rate), "-o", "-", song.songFile}, runs);
        if (!row.figures.ran) {
            std::printf("%-12s failed\n", row.name.c_str());
            met = false;
            continue;
        }
        double perCpuSecond = row.audioSeconds / row.figures.cpuSeconds;
        met = met && perCpuSecond >= kTargetAudioPerCpuSecond;
        std::printf("%-12s %7u %10.1f %12.4f %14.0f %9.1f\n", row.name.c_str(), row.rate,
                    row.audioSeconds, row.figures.cpuSeconds, perCpuSecond,
                    row.figures.peakBytes / 1e6);
    }
    std::printf("target for songplay: at least %.0f s of audio per CPU second on every song: %s\n",
                kTargetAudioPerCpuSecond, met ? "met" : "MISSED");
}

}  // namespace bench
