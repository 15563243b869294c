// The whole conversion, from a MIDI file and its side files to the bytes of a
// song file, with everything that happened on the way. It prints nothing and
// writes no file: that is the caller's part.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songmake/capture.h"
#include "songmake/songfile.h"
#include "songmake/timeline.h"

// Sees the conversion's stages as they happen, for a tool that explains what a
// file loses. Every hook has an empty default; the lists it is shown stay the
// conversion's own.
class ConversionObserver {
public:
    virtual ~ConversionObserver() = default;
    // Every channel message and tempo change the reader delivers, before capture
    // keeps or skips it.
    virtual void heard(const MidiReaderState&) {}
    // The file was read: its header, and every voice's events as captured.
    virtual void captured(const MidiReaderState&, const ChannelTrackTable&) {}
    // One voice's events after the three channel passes, before merging.
    virtual void passed(int /*voice*/, const EventList&) {}
    // The merged list before it is sorted: every voice's events in turn, then
    // the envelope events in the order of their lines.
    virtual void merged(const EventList&) {}
    // The merged list, envelope events included, sorted, times still in ticks.
    virtual void sorted(const EventList&) {}
    // The finished list, one event per record of the stream and in its order,
    // each time now the delay before it in player units.
    virtual void timed(const EventList&) {}
};

// Where a conversion takes its inputs from. By default everything is read from
// the files songmake reads; a caller may hand any of them over in memory.
struct SongSources {
    std::string midiName;  // the MIDI file, also the name in the reader's messages
    std::string base;      // names the side files: BASE.env, BASE-0.raw, BASE-1.raw
    std::optional<std::span<const std::uint8_t>> midiBytes;  // in place of the file
    std::optional<std::string_view> envelopeText;            // in place of BASE.env
    std::optional<std::array<WaveTable, 2>> waveTables;      // in place of the raw files
    std::size_t maxFillers = kMaxFillers;
    ConversionObserver* observer = nullptr;
};

// The sources songmake uses for its argument: the base name is the argument less
// its last four bytes, whatever they are (song.mid gives song).
SongSources sourcesForMidiFile(const std::string& midiName);
inline constexpr std::size_t kMidiExtensionLength = 4;

// Something said on the way, in the order it happened; the conversion goes on.
struct ConversionNote {
    enum class Kind {
        pitchBeforeFirstNote,  // a pitch event bends from note 0 (voice, tick)
        noEnvelopeFile,        // BASE.env cannot be read (name: the base)
        shortWaveFile,         // its missing samples count as 0 (name)
        cantOpenWaveFile,      // the conversion stops (name)
    };
    Kind kind;
    std::string name;
    std::uint8_t voice = 0;
    std::uint32_t tick = 0;
};

enum class ConversionOutcome {
    converted,       // song holds the whole song file
    readerError,     // the MIDI file could not be read: readerError says why
    tooManyFillers,  // the pauses would need over maxFillers filler records
    waveFileFailed,  // a wave file could not be read (a note names it, where it opened)
};

struct Conversion {
    ConversionOutcome outcome = ConversionOutcome::converted;
    std::string readerError;
    std::vector<ConversionNote> notes;
    ByteStream song;
};

Conversion convertSong(const SongSources& sources);
