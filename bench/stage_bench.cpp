// bench_stages: the stages of songmake timed one by one on the benchmark songs,
// with a complexity fit over the three sizes.
//
// Every run of a stage happens in a fresh child process that first runs the
// stages before it, so that it finds the event pool and the memory in the state
// songmake leaves them in: a process that converted a song before would hand
// out recycled, scattered event storage and no new pages, and time a
// different program.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>

#include "bench/bench_song.h"
#include "midifile/midifile.h"
#include "songformat/whole_file.h"
#include "songmake/capture.h"
#include "songmake/envelopes.h"
#include "songmake/passes.h"
#include "songmake/songfile.h"
#include "songmake/timeline.h"

namespace {

// The song of each size, made once and written to the current folder, where
// readEnvelopes finds it.
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

// songmake's stages in the order its driver runs them.
enum class Stage { read, passes, envelopes, sort, timeline, write };

struct Pipeline {
    ChannelTrackTable tracks;
    EventList merged;
};

void readStage(const PreparedSong& prepared, Pipeline& pipeline) {
    MidiReaderState state;
    MidiHandlerTable handlers;
    prepareCapture(state, handlers, "bench.mid", pipeline.tracks);
    MidiReadBuffer(&state, prepared.song.midi.data(), prepared.song.midi.size());
}

// The three passes over every track and the merge, as the driver does them.
void passesStage(Pipeline& pipeline) {
    std::size_t room = 8192;
    for (const ChannelTrack& track : pipeline.tracks) room += track.events.size();
    pipeline.merged.reserve(room);
    for (ChannelTrack& track : pipeline.tracks) {
        pruneNoteOffs(track);
        assignFrequencies(track);
        foldVelocityAndPan(track);
        for (EventPointer& event : track.events) pipeline.merged.push_back(std::move(event));
        track.events = EventList();
    }
}

// Encoding and writing the song file; the wave tables are left out.
void writeStage(const PreparedSong& prepared, Pipeline& pipeline) {
    WaveTable tables[2] = {};
    ByteStream song = encodeSong(tables[0], tables[1], pipeline.merged);
    songformat::replaceFile(
        prepared.base + ".sng",
        std::string_view(reinterpret_cast<const char*>(song.data()), song.size()));
}

void runStage(Stage stage, const PreparedSong& prepared, Pipeline& pipeline) {
    switch (stage) {
        case Stage::read:
            readStage(prepared, pipeline);
            break;
        case Stage::passes:
            passesStage(pipeline);
            break;
        case Stage::envelopes:
            readEnvelopes(prepared.base, pipeline.merged);
            break;
        case Stage::sort:
            sortEvents(pipeline.merged);
            break;
        case Stage::timeline:
            buildTimeline(pipeline.merged);
            pipeline.merged.push_back(std::make_unique<EvEnd>());
            break;
        case Stage::write:
            writeStage(prepared, pipeline);
            break;
    }
}

// Seconds the stage took in a child process that ran the stages before it
// first, or a negative number when the child failed.
double timeInChild(Stage timed, const PreparedSong& prepared) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        auto* pipeline = new Pipeline;  // left to the end of the process, as songmake does
        for (int stage = 0; stage < static_cast<int>(timed); ++stage)
            runStage(static_cast<Stage>(stage), prepared, *pipeline);
        auto start = std::chrono::steady_clock::now();
        runStage(timed, prepared, *pipeline);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        bool sent = write(channel[1], &seconds, sizeof seconds) == sizeof seconds;
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
void BM_Envelopes(benchmark::State& state) { timeStage(state, Stage::envelopes); }
void BM_Sort(benchmark::State& state) { timeStage(state, Stage::sort); }
void BM_Timeline(benchmark::State& state) { timeStage(state, Stage::timeline); }
void BM_Write(benchmark::State& state) { timeStage(state, Stage::write); }

void sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(10);
    benchmark->UseManualTime()->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
}

BENCHMARK(BM_Read)->Apply(sizes);
BENCHMARK(BM_Passes)->Apply(sizes);
BENCHMARK(BM_Envelopes)->Apply(sizes);
BENCHMARK(BM_Sort)->Apply(sizes);
BENCHMARK(BM_Timeline)->Apply(sizes);
BENCHMARK(BM_Write)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
