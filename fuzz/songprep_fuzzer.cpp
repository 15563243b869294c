// Fuzzes songprep's whole preparation in memory. The first byte chooses the
// options, the rest is the MIDI file. Every file our reader reads must be
// rewritten into one that it reads again, that holds only what the converter
// keeps on the four voices' channels, and, unless chords are kept, plays one
// note at a time on each voice, every note ended by its own note-off. A song
// that does not fit the stream is refused with no file at all.
#include <cstddef>
#include <cstdint>
#include <span>

#include "midifile/input_song.h"
#include "midifile/midifile.h"
#include "songprep/preparation.h"

namespace {

using namespace songprep;

PrepOptions optionsFrom(std::uint8_t choice) {
    static constexpr double kUnits[] = {2.5, 0, 0.7, 5};
    static constexpr ChordRule kRules[] = {ChordRule::top, ChordRule::bottom, ChordRule::keep,
                                           ChordRule::top};
    PrepOptions options;
    options.unitMs = kUnits[choice & 3];
    options.chords = kRules[(choice >> 2) & 3];
    options.bend = (choice & 0x10) == 0;
    if (choice & 0x20) {
        options.mode = VoiceMode::channels;
        options.autoVoices = false;
        options.voices = {9, 0, kNoChannel, 15};
    } else if (choice & 0x40) {
        options.mode = VoiceMode::channels;
    } else if (choice & 0x80) {
        // The arranger with everything it can do: the drums on a voice of their
        // own, arpeggios, a named melody and a stream small enough to leave
        // notes out.
        options.drums = DrumRule::ownVoice;
        options.drumVoice = 2;
        options.arpeggioMs = 20;
        options.melodyChannel = 1;
        options.maxBytes = 300;
    }
    return options;
}

// What each voice sounds while the rewritten file is read.
struct Listener {
    bool oneAtATime = true;
    int sounding[kVoiceCount] = {0, 0, 0, 0};
    int key[kVoiceCount] = {0, 0, 0, 0};
};

bool keptController(int number) {
    return number == 1 || number == 2 || number == 3 || number == 4 || number == 10;
}

int hear(MidiReaderState* state) {
    auto& listener = *static_cast<Listener*>(state->userData);
    int channel = state->status & 0x0F;
    int kind = state->status >> 4;
    if (channel >= kVoiceCount || state->data1 > 0x7F || state->data2 > 0x7F) __builtin_trap();
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
    return 0;
}
