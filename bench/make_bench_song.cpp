// make_bench_song COUNT BASE: writes the benchmark's song of about COUNT channel
// events as BASE.mid with its side files, for timing or profiling by hand.
#include <cstdio>
#include <cstdlib>

#include "bench/bench_song.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: make_bench_song channel_event_count base_name\n", stderr);
        return 1;
    }
    char* end = nullptr;
    unsigned long long count = std::strtoull(argv[1], &end, 10);
    if (*end != '\0' || count == 0) {
        std::fprintf(stderr, "Not a count: %s\n", argv[1]);
        return 1;
    }
    bench::BenchSong song = bench::makeBenchSong(count);
    if (!bench::writeBenchSong(song, argv[2])) {
        std::fprintf(stderr, "Can't write %s.mid or its side files\n", argv[2]);
        return 1;
    }
    std::printf("%s.mid: %zu channel events, %zu bytes\n", argv[2], song.channelEvents,
                song.midi.size());
    return 0;
}
