// Fuzzes songmake's whole conversion in memory, stage by stage in the driver's
// order: MIDI bytes and envelope text in, song bytes out. Every song that comes
// out must start with the magic, and songdump's decoder must read its stream as
// whole records up to a single end record at the very end.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/pipeline_input.h"
#include "songdump/records.h"
#include "songmake/capture.h"
#include "songmake/envelopes.h"
#include "songmake/passes.h"
#include "songmake/songfile.h"
#include "songmake/timeline.h"

namespace {

// Damaged files can ask for millions of fillers, up to kMaxFillers (about a
// gigabyte). songmake builds them; here they would only slow the search down, so
// such inputs stop before the timeline.
constexpr std::uint64_t kFillerBudget = std::uint64_t{1} << 16;

// An upper bound of the fillers buildTimeline will make for the sorted list: no
// tempo gives more than 100 player units per tick, and one gap of 32 bits needs
// at most 2^24 fillers.
std::uint64_t fillerBound(const EventList& sorted) {
    std::uint64_t total = 0;
    std::uint32_t previous = 0;
    for (const EventPointer& event : sorted) {
        if (event->type == kTypeTempo) continue;
        std::uint64_t delta = event->time - previous;
        previous = event->time;
        total += std::min<std::uint64_t>(delta * 100 / 256 + 1, std::uint64_t{1} << 24);
    }
    return total;
}

// The pieces readEnvelopes gets from fgets: up to and with a newline, at most
// 254 characters, each handed to the parser as a C string.
void appendEnvelopes(std::string_view text, EventList& list) {
    constexpr std::size_t kPiece = 254;
    while (!text.empty()) {
        std::size_t newline = text.find('\n');
        std::size_t length = std::min(newline == text.npos ? text.size() : newline + 1, kPiece);
        std::string piece(text.substr(0, length));
        text.remove_prefix(length);
        if (auto envelope = parseEnvelopeLine(piece.c_str())) list.push_back(std::move(envelope));
    }
}

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
    songdump::StreamDecoder decoder(stream);
    songdump::Record record;
    std::size_t decoded = 0;
    while (decoder.next(record)) {
        decoded += record.length;
        bool last = decoded == stream.size();
        if ((record.kind == songdump::RecordKind::kEnd) != last) __builtin_trap();
    }
    if (decoder.failure().error != songdump::DecodeError::kNone || decoded != stream.size())
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // assignFrequencies warns on standard output; the fuzzer reports on standard error.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::PipelineInput input = fuzzing::splitPipelineInput(data, size);

    ChannelTrackTable tracks;
    MidiReaderState state;
    MidiHandlerTable handlers;
    prepareCapture(state, handlers, "fuzz.mid", tracks);
    if (MidiReadBuffer(&state, input.midi, input.midiSize) != 0) return 0;

    EventList merged;
    for (ChannelTrack& track : tracks) {
        pruneNoteOffs(track);
        assignFrequencies(track);
        foldVelocityAndPan(track);
        for (EventPointer& event : track.events) merged.push_back(std::move(event));
        track.events.clear();
    }
    appendEnvelopes(input.envelopes, merged);
    sortEvents(merged);
    if (fillerBound(merged) > kFillerBudget) return 0;
    if (!buildTimeline(merged)) __builtin_trap();  // the bound keeps far below kMaxFillers
    merged.push_back(std::make_unique<EvEnd>());
    checkSong(encodeSong(rampTable(1), rampTable(3), merged));
    return 0;
}
