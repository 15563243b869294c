// Fuzzes songmake's whole conversion in memory: MIDI bytes and envelope text in,
// song bytes out. Every song that comes out must start with the magic, and the
// shared decoder must read its stream as whole records up to a single end
// record at the very end.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz/pipeline_sources.h"
#include "songformat/records.h"
#include "songmake/conversion.h"

namespace {

void checkSong(const ByteStream& song) {
    if (song.size() < songformat::kHeaderSize + 2 ||
        std::memcmp(song.data(), songformat::kMagic, songformat::kMagicSize) != 0)
        __builtin_trap();
    std::span<const std::uint8_t> stream(song.begin() + songformat::kHeaderSize, song.end());
    songformat::StreamDecoder decoder(stream);
    for (songformat::Record record; decoder.next(record);) {
    }
    if (decoder.verdict() != songformat::StreamVerdict::kComplete) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Conversion conversion =
        convertSong(fuzzing::songSources(fuzzing::splitPipelineInput(data, size)));
    if (conversion.outcome == ConversionOutcome::converted)
        checkSong(conversion.song);
    else if (conversion.outcome == ConversionOutcome::waveFileFailed)
        __builtin_trap();
    return 0;
}
