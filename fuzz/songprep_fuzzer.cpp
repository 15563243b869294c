// Fuzzes songprep's whole preparation in memory. The first byte chooses the
// options, the rest is the MIDI file. Every file our reader reads must either
// be refused with no file at all, or be rewritten into one that it reads
// again, that holds only what the converter keeps on the four voices'
// channels, and, unless chords are kept, plays one note at a time on each
// voice, every note ended by its own note-off. And songprep's promise: what it
// writes, songmake converts, and songcheck --strict (with the same
// --max-bytes and --unit-ms) finds nothing lost in it but what the manual page
// lets an option set lose (with --chords keep, the notes kept overlapping;
// with --max-bytes 0 or over 65536, a stream past what a 16-bit offset reaches).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "midifile/input_song.h"
#include "midifile/midifile.h"
#include "songcheck/song_check.h"
#include "songformat/songformat.h"
#include "songprep/preparation.h"
#include "songprep/stream_size.h"

namespace {

using namespace songprep;

// The options of each choice: its low bits pick the unit, the chord rule and
// the bends; its high three bits one of eight sets of the rest.
PrepOptions optionsFrom(std::uint8_t choice) {
    static constexpr double kUnits[] = {2.5, 0, 0.7, 5};
    static constexpr ChordRule kRules[] = {ChordRule::top, ChordRule::bottom, ChordRule::keep,
                                           ChordRule::top};
    PrepOptions options;
    options.unitMs = kUnits[choice & 3];
    options.chords = kRules[(choice >> 2) & 3];
    options.bend = (choice & 0x10) == 0;
    switch (choice >> 5) {
        case 0:  // the defaults
            break;
        case 1:
            options.mode = VoiceMode::channels;
            options.autoVoices = false;
            options.voices = {9, 0, kNoChannel, 15};
            break;
        case 2:
            options.mode = VoiceMode::channels;
            break;
        case 3:
            // The arranger with everything it can do: the drums on a voice of
            // their own, arpeggios, a named melody and a stream small enough to
            // leave notes out.
            options.drums = DrumRule::ownVoice;
            options.drumVoice = 2;
            options.arpeggioMs = 20;
            options.melodyChannel = 1;
            options.maxBytes = 300;
            break;
        case 4:
            options.drums = DrumRule::off;
            options.bassChannel = 0;
            options.maxBytes = 0;
            break;
        case 5:
            options.arpeggioMs = 5;
            options.maxBytes = 2000;
            break;
        case 6:
            options.melodyChannel = 0;
            options.bassChannel = 1;
            options.drums = DrumRule::ownVoice;
            options.drumVoice = 3;
            options.maxBytes = 100000;
            break;
        default:
            options.mode = VoiceMode::channels;
            options.autoVoices = false;
            options.voices = {0, 1, 2, 3};
            options.maxBytes = 500;
            break;
    }
    return options;
}

// What each voice sounds while the rewritten file is read.
struct Listener {
    bool oneAtATime = true;
    int sounding[songprep::kVoiceCount] = {0, 0, 0, 0};
    int key[songprep::kVoiceCount] = {0, 0, 0, 0};
};

bool keptController(int number) {
    return number == 1 || number == 2 || number == 3 || number == 4 || number == 10;
}

int hear(MidiReaderState* state) {
    auto& listener = *static_cast<Listener*>(state->userData);
    int channel = state->status & 0x0F;
    int kind = state->status >> 4;
    if (channel >= songprep::kVoiceCount || state->data1 > 0x7F || state->data2 > 0x7F) __builtin_trap();
    if (kind == 0xB) {
        if (!keptController(state->data1) || (state->data1 == 1 && channel != 0)) __builtin_trap();
        return 0;
    }
    if (kind != 0x8 && kind != 0x9) __builtin_trap();
    bool on = kind == 0x9 && state->data2 != 0;
    if (!listener.oneAtATime) return 0;
    if (on) {
        if (listener.sounding[channel] != 0) __builtin_trap();
        listener.sounding[channel] = 1;
        listener.key[channel] = state->data1;
    } else {
        if (listener.sounding[channel] != 1 || listener.key[channel] != state->data1)
            __builtin_trap();
        listener.sounding[channel] = 0;
    }
    return 0;
}

// The losses the manual page lets an option set keep (their titles' starts).
bool lossAllowed(const std::string& title, const PrepOptions& options) {
    static const char* const kOverlaps[] = {
        "chords: notes that start together",
        "notes cut short by another note's note-off",
        "notes cut short by a later note of their voice",
        "notes that never sound",
        "pitch events written at a note's own tick",
    };
    if (options.mode == VoiceMode::channels && options.chords == ChordRule::keep)
        for (const char* overlap : kOverlaps)
            if (title.starts_with(overlap)) return true;
    bool beyondOffsets =
        options.maxBytes == 0 || options.maxBytes > songformat::kMaxAddressableStream;
    return beyondOffsets && title.ends_with("bytes, over the 65536 a 16-bit offset reaches");
}

// Streams longer than this are only counted (a conversion would build every
// filler record of their pauses): the target stays quick.
constexpr std::size_t kLongestCheckedStream = 1 << 16;

// songmake converts the file, and songcheck --strict finds nothing lost in it.
void expectPromiseKept(const Preparation& preparation, const PrepOptions& options) {
    const midifile::MidiBytes& file = preparation.file;
    if (preparation.fit.bytes > kLongestCheckedStream) {
        std::optional<std::size_t> stream = streamSizeOf(file);
        if (!stream || *stream > kLargestStream) __builtin_trap();
        return;
    }
    SongSources sources;
    sources.midiName = "out.mid";
    std::span<const std::uint8_t> bytes(file.data(), file.size());
    sources.midiBytes = bytes;
    sources.envelopeText = std::string_view();
    sources.waveTables = std::array<WaveTable, 2>{};
    songcheck::ConversionTrace trace;
    sources.observer = &trace;
    Conversion conversion = convertSong(sources);
    if (conversion.outcome != ConversionOutcome::converted ||
        conversion.song.size() > songformat::kLargestSongFile)
        __builtin_trap();
    trace.placeRecords(conversion.song);
    std::size_t maxBytes = options.maxBytes == 0 ? kLargestStream : options.maxBytes;
    double unitMs = options.unitMs > 0 ? options.unitMs : 2.5;
    songcheck::SongCheck check =
        songcheck::checkSong(sources, conversion, trace, songcheck::Findings(),
                             {unitMs, maxBytes, false});
    for (const songcheck::Finding& finding : check.findings.all())
        if (finding.loss && !lossAllowed(finding.title, options)) {
            std::fprintf(stderr, "songcheck --strict: %s\n", finding.title.c_str());
            __builtin_trap();
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    PrepOptions options = optionsFrom(data[0]);
    std::span<const std::uint8_t> midi(data + 1, size - 1);
    midifile::InputSong song;
    std::string error;
    if (!midifile::readInputSong("fuzz.mid", song, error, &midi)) return 0;
    Preparation preparation = prepareSong(song, options);
    if (preparation.verdict != Verdict::written) {
        if (!preparation.file.empty()) __builtin_trap();
        return 0;
    }
    if (preparation.file.empty()) __builtin_trap();

    MidiHandler handlers[kMidiHandlerSlots] = {};
    handlers[kMidiSlotChannelEvent] = hear;
    Listener listener;
    listener.oneAtATime = options.mode == VoiceMode::arrange || options.chords != ChordRule::keep;
    MidiReaderState state;
    state.handlers = handlers;
    state.userData = &listener;
    const midifile::MidiBytes& file = preparation.file;
    if (MidiReadBuffer(&state, file.data(), file.size()) != kMidiOk) __builtin_trap();
    if (state.format != 1 || state.trackCount < 1) __builtin_trap();
    for (int sounding : listener.sounding)
        if (sounding != 0) __builtin_trap();
    expectPromiseKept(preparation, options);
    return 0;
}
