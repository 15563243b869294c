// bench_runner: times songmake, songasm, songcheck, songprep and songplay as whole
// processes on the benchmark songs and prints median wall time, throughput and peak
// resident memory.
//
//   bench_runner --folder DIR --songmake PATH [--songasm PATH] [--songcheck PATH]
//                [--songprep PATH] [--songplay PATH --demo DIR] [--runs N] [--sizes N,N,...]
//                [--hostile NOTES]
//
// Each figure is the median of N runs (9 unless given), after one warm-up run.
// The hostile songs (bench/hostile_songs.h) have NOTES notes each (400,000
// unless given; 0 leaves them out), the one-tick song two and a half times as
// many; songprep's and songcheck's time per event on each is set beside their
// time per event on the largest dense song.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_song.h"
#include "bench/hostile_songs.h"
#include "bench/play_bench.h"
#include "bench/process_timer.h"

namespace {

using bench::Command;
using bench::executable;
using bench::Figures;
using bench::measure;
using bench::measureTogether;

struct Options {
    std::string folder;
    std::string songmake;
    std::string songasm;
    std::string songcheck;
    std::string songprep;
    std::string songplay;
    std::string demoFolder;  // the bundled example's sources
    int runs = 9;
    std::vector<std::size_t> sizes = {10000, 100000, 1000000};
    std::size_t hostileNotes = 400000;
};

constexpr std::size_t kSongasmFileSize = 1 << 20;

std::string sizeName(std::size_t count) {
    if (count % 1000000 == 0) return std::to_string(count / 1000000) + "M";
    if (count % 1000 == 0) return std::to_string(count / 1000) + "k";
    return std::to_string(count);
}

// Gives the song just written back to the system: a child starts as a copy of
// the runner, and its peak memory counts the runner's size at that moment.
void releaseMemory() { malloc_trim(0); }

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

}  // namespace

namespace {

struct SizeResult {
    std::size_t requested = 0;
    std::size_t events = 0;
    std::size_t midiBytes = 0;
    long songBytes = -1;
    Figures songmake, midicsv, songasm, songcheck, songprep;
};

std::string formatSeconds(const Figures& figures) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", figures.seconds);
    if (figures.overCpuLimit) return "over limit";
    return figures.ran ? text : "failed";
}

SizeResult measureSize(const Options& options, std::size_t count, const std::string& midicsv) {
    SizeResult result;
    result.requested = count;
    std::string base = options.folder + "/song" + sizeName(count);
    bench::BenchSong song = bench::makeBenchSong(count);
    result.events = song.channelEvents;
    result.midiBytes = song.midi.size();
    if (!bench::writeBenchSong(song, base)) {
        std::fprintf(stderr, "Can't write %s.mid\n", base.c_str());
        std::exit(1);
    }
    song = {};
    releaseMemory();
    // The programs compared with songmake take turns with it.
    std::vector<Command> commands = {{options.songmake, base + ".mid"}};
    std::vector<Figures*> figures = {&result.songmake};
    if (!midicsv.empty()) {
        commands.push_back({midicsv, base + ".mid"});
        figures.push_back(&result.midicsv);
    }
    if (executable(options.songcheck)) {
        commands.push_back({options.songcheck, base + ".mid"});
        figures.push_back(&result.songcheck);
    }
    if (executable(options.songprep)) {
        // Songs this long are far over the firmware's 64 KiB: no limit, so that the
        // arrangement of the whole song is timed, not a refusal.
        commands.push_back(
            {options.songprep, "--max-bytes", "0", "--force", base + ".mid", base + "-prepared.mid"});
        figures.push_back(&result.songprep);
    }
    std::vector<Figures> measured = measureTogether(commands, options.runs);
    for (std::size_t i = 0; i < measured.size(); ++i) *figures[i] = measured[i];
    result.songBytes = bench::fileSize(base + ".sng");
    if (executable(options.songasm) && result.songBytes >= 0)
        result.songasm = measure(Command{options.songasm, base + ".sng"}, options.runs);
    return result;
}

// The CPU time a run of a hostile song may take: a path that grows with the
// square of the song would take hours.
constexpr long kHostileCpuLimit = 60;

struct HostileResult {
    std::string name;
    std::string options;
    std::size_t events = 0;
    Figures songmake, songcheck, songprep;
};

std::vector<HostileResult> measureHostile(const Options& options) {
    std::vector<HostileResult> results;
    if (options.hostileNotes == 0) return results;
    bench::setCpuLimit(kHostileCpuLimit);
    for (bench::HostileShape shape : bench::kHostileShapes) {
        std::size_t notes = shape == bench::HostileShape::oneTick ? options.hostileNotes * 5 / 2
                                                                   : options.hostileNotes;
        bench::HostileSong song = bench::makeHostileSong(shape, notes);
        HostileResult result;
        result.name = song.name;
        result.events = song.channelEvents;
        for (const std::string& word : song.prepOptions) result.options += word + " ";
        std::string base = options.folder + "/hostile-" + song.name;
        if (!bench::writeBytes(base + ".mid", song.midi) || !bench::writeWaveFiles(base)) {
            std::fprintf(stderr, "Can't write %s.mid\n", base.c_str());
            std::exit(1);
        }
        std::vector<std::string> prep = {options.songprep};
        prep.insert(prep.end(), song.prepOptions.begin(), song.prepOptions.end());
        prep.insert(prep.end(), {"--max-bytes", "0", "--force", base + ".mid", base + "-prepared.mid"});
        song = {};
        releaseMemory();
        std::vector<Command> commands = {{options.songmake, base + ".mid"}};
        std::vector<Figures*> figures = {&result.songmake};
        if (executable(options.songcheck)) {
            commands.push_back({options.songcheck, base + ".mid"});
            figures.push_back(&result.songcheck);
        }
        if (executable(options.songprep)) {
            commands.push_back(prep);
            figures.push_back(&result.songprep);
        }
        std::vector<Figures> measured = measureTogether(commands, options.runs);
        for (std::size_t i = 0; i < measured.size(); ++i) *figures[i] = measured[i];
        results.push_back(result);
    }
    bench::setCpuLimit(0);
    return results;
}

// The 60 bytes whose pauses would need a stream of gigabytes: songprep refuses
// them (exit 4), with or without a limit of its own; the target is at most
// 50 MB of memory.
void printLongGaps(const Options& options) {
    if (!executable(options.songprep) || options.hostileNotes == 0) return;
    std::string base = options.folder + "/long-gaps";
    bench::Bytes midi = bench::longGapsSong();
    if (!bench::writeBytes(base + ".mid", midi)) return;
    std::printf("\nsongprep refusing %zu bytes of pauses of 0x0FFFFFFF ticks at the slowest tempo "
                "(exit 4)\n",
                midi.size());
    bool met = true;
    for (const char* limit : {"65536", "0"}) {
        Figures f = bench::measure({options.songprep, "--max-bytes", limit, "--force", base + ".mid",
                                    base + "-prepared.mid"},
                                   options.runs, 4);
        met = met && f.ran && f.peakBytes <= 50e6;
        std::printf("--max-bytes %-6s %9s s, peak %.1f MB\n", limit, formatSeconds(f).c_str(),
                    f.peakBytes / 1e6);
    }
    std::printf("target: refused within 50 MB: %s\n", met ? "met" : "MISSED");
}

void printSongmake(const std::vector<SizeResult>& results, bool haveMidicsv) {
    std::printf("\nsongmake, whole process, MIDI file -> song file\n");
    std::printf("%-6s %10s %10s %9s %9s %11s %9s %11s %9s %9s\n", "size", "events", "MIDI bytes",
                "median s", "ns/event", "events/s", "peak MB", "bytes/event", "midicsv s", "ratio");
    for (const SizeResult& r : results) {
        double events = static_cast<double>(r.events);
        const Figures& f = r.songmake;
        std::string ratio = !haveMidicsv ? "midicsv not installed"
                            : f.ran && r.midicsv.ran
                                ? std::to_string(f.seconds / r.midicsv.seconds).substr(0, 5)
                                : "-";
        std::printf("%-6s %10zu %10zu %9s %9.1f %11.0f %9.1f %11.1f %9s %9s\n",
                    sizeName(r.requested).c_str(), r.events, r.midiBytes, formatSeconds(f).c_str(),
                    f.seconds / events * 1e9, events / f.seconds, f.peakBytes / 1e6,
                    f.peakBytes / events, haveMidicsv ? formatSeconds(r.midicsv).c_str() : "-",
                    ratio.c_str());
    }
    std::printf(
        "ratio: songmake's time over midicsv's time to print the same file to "
        "/dev/null (below 1: songmake is faster)\n");
}

// One row of the songasm table; `events` are the MIDI file's channel events
// the song was made from, or 0 for a song file that was not.
void printSongasmLine(const std::string& name, long bytes, std::size_t events, const Figures& f) {
    double size = static_cast<double>(bytes);
    std::string perSecond = "-";
    if (events > 0)
        perSecond = std::to_string(std::lround(static_cast<double>(events) / f.seconds));
    std::printf("%-12s %10ld %9s %9.2f %9.1f %11s %9.1f\n", name.c_str(), bytes,
                formatSeconds(f).c_str(), f.seconds / size * 1e9, size / f.seconds / 1e6,
                perSecond.c_str(), f.peakBytes / 1e6);
}

// Returns the figures for the 1 MiB file, the size songasm's target is set for.
Figures printSongasm(const Options& options, const std::vector<SizeResult>& results) {
    std::printf("\nsongasm, whole process, song file -> assembler source\n");
    if (!executable(options.songasm)) {
        std::printf("songasm not built\n");
        return {};
    }
    std::printf("%-12s %10s %9s %9s %9s %11s %9s\n", "song file", "bytes", "median s", "ns/byte",
                "MB/s", "events/s", "peak MB");
    for (const SizeResult& r : results)
        printSongasmLine("song" + sizeName(r.requested), r.songBytes, r.events, r.songasm);
    std::string name = options.folder + "/stream1MiB.sng";
    if (!bench::writeBytes(name, bench::makeSongFile(kSongasmFileSize))) return {};
    Figures figures = measure(Command{options.songasm, name}, options.runs);
    printSongasmLine("1 MiB file", static_cast<long>(kSongasmFileSize), 0, figures);
    return figures;
}

// A program that reads the same MIDI files as songmake, timed against it:
// songcheck's report, or songprep's rewriting.
void printBesideSongmake(const std::string& program, const char* title,
                         const std::vector<SizeResult>& results, Figures SizeResult::*figures) {
    std::printf("\n%s (taking turns with songmake)\n", title);
    if (!executable(program)) {
        std::printf("not built\n");
        return;
    }
    std::printf("%-6s %10s %9s %9s %13s %9s %9s %11s\n", "size", "events", "median s", "ns/event",
                "x songmake", "x in CPU", "peak MB", "bytes/event");
    for (const SizeResult& r : results) {
        double events = static_cast<double>(r.events);
        const Figures& f = r.*figures;
        std::printf("%-6s %10zu %9s %9.1f %13.2f %9.2f %9.1f %11.1f\n", sizeName(r.requested).c_str(),
                    r.events, formatSeconds(f).c_str(), f.seconds / events * 1e9,
                    f.seconds / r.songmake.seconds, f.cpuSeconds / r.songmake.cpuSeconds,
                    f.peakBytes / 1e6, f.peakBytes / events);
    }
    std::printf("x in CPU: the same in CPU time (user and system), which load from elsewhere "
                "on the machine moves less\n");
}

// Time per event of a program on a song, in nanoseconds.
double nsPerEvent(const Figures& f, std::size_t events) {
    return f.seconds / static_cast<double>(events) * 1e9;
}

// One program's columns in the hostile table; the ratio is to its time per
// event on the dense song.
std::string hostileColumns(const Figures& f, std::size_t events, double denseNs, bool& met) {
    char text[96];
    if (!f.ran) {
        met = false;
        std::snprintf(text, sizeof text, "%9s %9s %8s %8s %7s", formatSeconds(f).c_str(), "-", "-",
                      "-", "-");
        return text;
    }
    double ns = nsPerEvent(f, events);
    double ratio = denseNs > 0 ? ns / denseNs : 0;
    met = met && ratio <= 3;
    std::snprintf(text, sizeof text, "%9.3f %9.1f %8.2f %8.1f %7.1f", f.seconds, ns, ratio,
                  f.peakBytes / 1e6, f.peakBytes / static_cast<double>(events));
    return text;
}

void printHostile(const std::vector<HostileResult>& hostile,
                  const std::vector<SizeResult>& results) {
    if (hostile.empty()) return;
    // The dense song set beside them: the largest that ran.
    const SizeResult* dense = nullptr;
    for (const SizeResult& r : results)
        if (r.songprep.ran && r.songcheck.ran && (dense == nullptr || r.events > dense->events))
            dense = &r;
    double prepNs = dense ? nsPerEvent(dense->songprep, dense->events) : 0;
    double checkNs = dense ? nsPerEvent(dense->songcheck, dense->events) : 0;
    std::printf("\nhostile songs, whole process (songprep with --max-bytes 0 and the options "
                "shown; a run stopped after %ld s of CPU)\n",
                kHostileCpuLimit);
    if (dense)
        std::printf("x dense: time per event over that on the dense %s song (songprep %.1f ns, "
                    "songcheck %.1f ns); target at most 3\n",
                    sizeName(dense->requested).c_str(), prepNs, checkNs);
    std::printf("%-17s %9s %9s | %9s %9s %8s %8s %7s | %9s %9s %8s %8s %7s\n", "song", "events",
                "songmake", "songcheck", "ns/event", "x dense", "peak MB", "B/event", "songprep",
                "ns/event", "x dense", "peak MB", "B/event");
    bool met = dense != nullptr;
    for (const HostileResult& h : hostile) {
        std::string check = hostileColumns(h.songcheck, h.events, checkNs, met);
        std::string prep = hostileColumns(h.songprep, h.events, prepNs, met);
        std::printf("%-17s %9zu %9s | %s | %s %s\n", h.name.c_str(), h.events,
                    formatSeconds(h.songmake).c_str(), check.c_str(), prep.c_str(),
                    h.options.c_str());
    }
    std::printf("target for the hostile songs: none over 3 times the dense song's time per event: "
                "%s\n",
                met ? "met" : "MISSED");
}

void printTargets(const std::vector<SizeResult>& results, const Figures& songasm) {
    for (const SizeResult& r : results) {
        if (r.requested != 1000000 || !r.songmake.ran) continue;
        double perEvent = r.songmake.peakBytes / static_cast<double>(r.events);
        std::printf(
            "\ntargets for 1M events: songmake %.3f s (< 0.25: %s), %.1f bytes/event "
            "(< 100: %s)",
            r.songmake.seconds, r.songmake.seconds < 0.25 ? "met" : "MISSED", perEvent,
            perEvent < 100 ? "met" : "MISSED");
        if (r.midicsv.ran)
            std::printf(", faster than midicsv: %s",
                        r.songmake.seconds < r.midicsv.seconds ? "met" : "MISSED");
        std::printf("\n");
        // songcheck and songprep: time against songmake's, memory per event.
        auto sibling = [&](const char* name, const auto& figures, double mostBytes) {
            if (!figures.ran) return;
            double ratio = figures.seconds / r.songmake.seconds;
            double perEvent = figures.peakBytes / static_cast<double>(r.events);
            std::printf(
                "targets for 1M events: %s %.2f times songmake's time (<= 3: %s), %.1f "
                "bytes/event (<= %.0f: %s)\n",
                name, ratio, ratio <= 3 ? "met" : "MISSED", perEvent, mostBytes,
                perEvent <= mostBytes ? "met" : "MISSED");
        };
        sibling("songcheck", r.songcheck, 200);
        sibling("songprep", r.songprep, 64);
    }
    if (songasm.ran)
        std::printf("target for songasm: 1 MiB song file in %.3f s (< 0.1: %s)\n", songasm.seconds,
                    songasm.seconds < 0.1 ? "met" : "MISSED");
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--folder")
            options.folder = value;
        else if (name == "--songmake")
            options.songmake = value;
        else if (name == "--songasm")
            options.songasm = value;
        else if (name == "--songcheck")
            options.songcheck = value;
        else if (name == "--songprep")
            options.songprep = value;
        else if (name == "--songplay")
            options.songplay = value;
        else if (name == "--demo")
            options.demoFolder = value;
        else if (name == "--hostile")
            options.hostileNotes = std::strtoull(value.c_str(), nullptr, 10);
        else if (name == "--runs")
            options.runs = std::max(1, std::atoi(value.c_str()));
        else if (name == "--sizes") {
            options.sizes.clear();
            for (std::size_t at = 0; at < value.size(); at = value.find(',', at) + 1) {
                options.sizes.push_back(std::strtoull(value.c_str() + at, nullptr, 10));
                if (value.find(',', at) == std::string::npos) break;
            }
        }
    }
    if (options.folder.empty() || !executable(options.songmake)) {
        std::fputs(
            "Usage: bench_runner --folder DIR --songmake PATH [--songasm PATH] "
            "[--songcheck PATH] [--songprep PATH] [--songplay PATH --demo DIR] [--runs N] "
            "[--sizes N,N,...] [--hostile NOTES]\n",
            stderr);
        std::exit(1);
    }
    return options;
}

void printSongplayFigures(const Options& options, const std::vector<SizeResult>& results) {
    std::vector<bench::PlaySong> songs;
    std::string demo =
        options.demoFolder.empty()
            ? ""
            : bench::prepareDemo(options.demoFolder, options.folder, options.songmake);
    if (!demo.empty()) songs.push_back({"demo", demo});
    for (const SizeResult& r : results)
        if (r.songBytes >= 0)
            songs.push_back({"song" + sizeName(r.requested),
                             options.folder + "/song" + sizeName(r.requested) + ".sng"});
    bench::printSongplay(options.songplay, songs, options.folder, options.runs);
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    std::string midicsv = bench::findOnPath("midicsv");
    std::printf("load average at start: %s; %ld cores; median of %d runs after one warm-up run\n",
                loadAverage().c_str(), sysconf(_SC_NPROCESSORS_ONLN), options.runs);
    std::vector<SizeResult> results;
    for (std::size_t count : options.sizes) {
        if (count == 0) continue;
        results.push_back(measureSize(options, count, midicsv));
    }
    std::vector<HostileResult> hostile = measureHostile(options);
    printSongmake(results, !midicsv.empty());
    Figures songasm = printSongasm(options, results);
    printBesideSongmake(options.songcheck, "songcheck, whole process, report on the MIDI file",
                        results, &SizeResult::songcheck);
    printBesideSongmake(options.songprep,
                        "songprep, whole process, MIDI file -> MIDI file songmake loses nothing of",
                        results, &SizeResult::songprep);
    printHostile(hostile, results);
    printLongGaps(options);
    printTargets(results, songasm);
    if (!options.songplay.empty()) printSongplayFigures(options, results);
    std::printf("load average at end: %s\n", loadAverage().c_str());
    return 0;
}
