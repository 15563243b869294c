// Fuzzes songmake's whole conversion in memory: MIDI bytes and envelope text in,
// song bytes out. Every song that comes out must start with the magic, and the
// shared decoder must read its stream as whole records up to a single end
// record at the very end.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz/pipeline_input.h"
#include "songformat/records.h"
#include "songmake/conversion.h"

namespace {

// Damaged files can ask for millions of fillers, up to kMaxFillers (about a
// gigabyte). songmake builds them; here they would only slow the search down, so
// such inputs are refused before any filler is made.
constexpr std::size_t kFillerBudget = std::size_t{1} << 16;

WaveTable rampTable(int step) {
    WaveTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * step);
    return table;
}

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
    fuzzing::PipelineInput input = fuzzing::splitPipelineInput(data, size);
    SongSources sources;
    sources.midiName = "fuzz.mid";
    sources.midiBytes = std::span<const std::uint8_t>(input.midi, input.midiSize);
    sources.envelopeText = input.envelopes;
    sources.waveTables = std::array<WaveTable, 2>{rampTable(1), rampTable(3)};
    sources.maxFillers = kFillerBudget;
    Conversion conversion = convertSong(sources);
    if (conversion.outcome == ConversionOutcome::converted)
        checkSong(conversion.song);
    else if (conversion.outcome == ConversionOutcome::waveFileFailed)
        __builtin_trap();
    return 0;
}
