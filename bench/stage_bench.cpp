// bench_stages: the stages of songmake timed one by one on the benchmark songs,
// with a complexity fit over the three sizes.
//
// Every run happens in a fresh child process that converts the song as songmake
// does, through the shared conversion, and notes when each stage ends: a process
// that converted a song before would hand out recycled, scattered event storage
// and no new pages, and time a different program.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <map>

#include "bench/bench_song.h"
#include "toolkit/whole_file.h"
#include "songmake/conversion.h"

namespace {

// The song of each size, made once and written to the current folder, where
// the conversion finds its side files.
struct PreparedSong {
    bench::BenchSong song;
    std::string base;
};

const PreparedSong& preparedSong(std::size_t count) {
    static std::map<std::size_t, PreparedSong> songs;
    auto found = songs.find(count);
    if (found != songs.end()) return found->second;
    PreparedSong& prepared = songs[count];
    prepared.song = bench::makeBenchSong(count);
    prepared.base = "stages" + std::to_string(count);
    bench::writeBenchSong(prepared.song, prepared.base);
    return prepared;
}

// songmake's stages in the order the conversion runs them.
enum class Stage { read, passes, envelopesAndSort, timeline, write, count };

using Clock = std::chrono::steady_clock;

// Notes the moment each stage ends.
class StageClock : public ConversionObserver {
public:
    StageClock() { ends_[0] = Clock::now(); }
    void captured(const MidiReaderState&, const ChannelTrackTable&) override { mark(Stage::read); }
    void passed(int voice, const EventList&) override {
        if (voice == kVoiceCount - 1) mark(Stage::passes);
    }
    void sorted(const EventList&) override { mark(Stage::envelopesAndSort); }
    void timed(const EventList&) override { mark(Stage::timeline); }
    void mark(Stage stage) { ends_[static_cast<std::size_t>(stage) + 1] = Clock::now(); }

    double seconds(Stage stage) const {
        auto i = static_cast<std::size_t>(stage);
        return std::chrono::duration<double>(ends_[i + 1] - ends_[i]).count();
    }

private:
    std::array<Clock::time_point, static_cast<std::size_t>(Stage::count) + 1> ends_;
};

// Seconds the stage took in a child process that converted the whole song, or a
// negative number when the child failed.
double timeInChild(Stage timed, const PreparedSong& prepared) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        SongSources sources = sourcesForMidiFile(prepared.base + ".mid");
        StageClock clock;
        sources.observer = &clock;
        Conversion conversion = convertSong(sources);
        toolkit::replaceFile(
            prepared.base + ".sng",
            std::string_view(reinterpret_cast<const char*>(conversion.song.data()),
                             conversion.song.size()));
        clock.mark(Stage::write);  // the wave files, the encoding and the file
        double seconds = clock.seconds(timed);
        bool sent = conversion.outcome == ConversionOutcome::converted &&
                    write(channel[1], &seconds, sizeof seconds) == sizeof seconds;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    double seconds = -1;
    if (child < 0 || read(channel[0], &seconds, sizeof seconds) != sizeof seconds) seconds = -1;
    close(channel[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return seconds;
}

void timeStage(benchmark::State& state, Stage timed) {
    const PreparedSong& prepared = preparedSong(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        double seconds = timeInChild(timed, prepared);
        if (seconds < 0) {
            state.SkipWithError("the child process failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
    auto events = static_cast<std::int64_t>(prepared.song.channelEvents);
    state.SetItemsProcessed(state.iterations() * events);
    state.SetComplexityN(events);
}

void BM_Read(benchmark::State& state) { timeStage(state, Stage::read); }
void BM_Passes(benchmark::State& state) { timeStage(state, Stage::passes); }
void BM_EnvelopesAndSort(benchmark::State& state) { timeStage(state, Stage::envelopesAndSort); }
void BM_Timeline(benchmark::State& state) { timeStage(state, Stage::timeline); }
void BM_Write(benchmark::State& state) { timeStage(state, Stage::write); }

void sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(10);
    benchmark->UseManualTime()->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
}

BENCHMARK(BM_Read)->Apply(sizes);
BENCHMARK(BM_Passes)->Apply(sizes);
BENCHMARK(BM_EnvelopesAndSort)->Apply(sizes);
BENCHMARK(BM_Timeline)->Apply(sizes);
BENCHMARK(BM_Write)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
