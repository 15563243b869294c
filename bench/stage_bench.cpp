// bench_stages: the stages of songmake timed one by one on the benchmark songs,
// in memory, with a complexity fit over the three sizes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

#include "bench/bench_song.h"
#include "midifile/midifile.h"
#include "songmake/capture.h"
#include "songmake/envelopes.h"
#include "songmake/file_io.h"
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

// The driver's stages up to and including `last`, on a fresh copy of the song.
enum class Stage { read, passes, envelopes, sort, timeline, encode };

struct Pipeline {
    ChannelTrackTable tracks;
    EventList merged;
};

void runStage(Stage stage, const PreparedSong& prepared, Pipeline& pipeline) {
    switch (stage) {
        case Stage::read: {
            MidiReaderState state;
            MidiHandlerTable handlers;
            prepareCapture(state, handlers, "bench.mid", pipeline.tracks);
            const bench::Bytes& midi = prepared.song.midi;
            MidiReadBuffer(&state, midi.data(), midi.size());
            break;
        }
        case Stage::passes:
            for (ChannelTrack& track : pipeline.tracks) {
                pruneNoteOffs(track);
                assignFrequencies(track);
                foldVelocityAndPan(track);
                for (EventPointer& event : track.events)
                    pipeline.merged.push_back(std::move(event));
                track.events.clear();
            }
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
        case Stage::encode: {
            WaveTable tables[2] = {};
            ByteStream song = encodeSong(tables[0], tables[1], pipeline.merged);
            replaceFile(prepared.base + ".sng", song.data(), song.size());
            break;
        }
    }
}

void timeStage(benchmark::State& state, Stage timed) {
    auto count = static_cast<std::size_t>(state.range(0));
    const PreparedSong& prepared = preparedSong(count);
    for (auto _ : state) {
        Pipeline pipeline;
        for (int stage = 0; stage < static_cast<int>(timed); ++stage)
            runStage(static_cast<Stage>(stage), prepared, pipeline);
        auto start = std::chrono::steady_clock::now();
        runStage(timed, prepared, pipeline);
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.SetItemsProcessed(
        static_cast<std::int64_t>(state.iterations() * prepared.song.channelEvents));
    state.SetComplexityN(static_cast<std::int64_t>(prepared.song.channelEvents));
}

void BM_Read(benchmark::State& state) {
    timeStage(state, Stage::read);
}
void BM_Passes(benchmark::State& state) {
    timeStage(state, Stage::passes);
}
void BM_Envelopes(benchmark::State& state) {
    timeStage(state, Stage::envelopes);
}
void BM_Sort(benchmark::State& state) {
    timeStage(state, Stage::sort);
}
void BM_Timeline(benchmark::State& state) {
    timeStage(state, Stage::timeline);
}
void BM_Encode(benchmark::State& state) {
    timeStage(state, Stage::encode);
}

void sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Arg(1000000);
    benchmark->UseManualTime()->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
}

BENCHMARK(BM_Read)->Apply(sizes);
BENCHMARK(BM_Passes)->Apply(sizes);
BENCHMARK(BM_Envelopes)->Apply(sizes);
BENCHMARK(BM_Sort)->Apply(sizes);
BENCHMARK(BM_Timeline)->Apply(sizes);
BENCHMARK(BM_Encode)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
