// The whole preparation in memory, from the file as read to the bytes of the
// file to write and what changed on the way. It prints nothing and writes no
// file: that is the caller's part.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "midifile/input_song.h"
#include "midifile/midi_file_writer.h"
#include "music/music_kept.h"
#include "songprep/options.h"
#include "songprep/timing_plan.h"
#include "songprep/voice_allocation.h"
#include "songprep/voice_choice.h"

namespace songprep {

// What the report says about one voice.
struct VoiceSummary {
    int channel = kNoChannel;  // with --voices
    std::array<std::size_t, midifile::kChannels>
        notesByChannel{};  // notes it plays of each channel
    std::size_t notesRead = 0;
    std::size_t notesPlayed = 0;
};

// How the song was made to fit the stream size the firmware holds.
struct StreamFit {
    std::size_t maxBytes = 0;  // 0: no limit but a song file's
    std::size_t bytes = 0;     // the stream's size, where it was measured
    bool measured = false;     // false: under a bound well within the limit
    bool fits = true;          // false: not even the melody alone fits
    std::size_t notesLeftOut = 0;
    std::size_t melodyNotes = 0;  // what the melody alone needs, where it did not fit
    std::vector<NotePlace> firstLeftOut;
};

// What becomes of the song: written, or why not.
enum class Verdict {
    written,
    // The stream does not fit --max-bytes even with the melody alone (with a
    // song of drums only: even with one note).
    doesNotFit,
    // With --max-bytes 0: the stream would pass what a song file holds.
    overSongFile,
    // The arrangement would keep no note at all: nothing to play.
    noNotes,
    // --melody or --bass names a channel without pitched notes (a usage error).
    emptyMelodyChannel,
    emptyBassChannel,
};

struct Preparation {
    Verdict verdict = Verdict::written;
    VoiceMode mode = VoiceMode::arrange;
    ChannelCensus census;
    std::array<VoiceSummary, kVoiceCount> voices;
    ChordRule chords = ChordRule::top;
    ChordCounts chordCounts;
    AllocationCounts allocation;
    BendCounts bends;
    LeftOutCounts leftOut;
    TimeScale scale;
    std::size_t notesLengthened = 0;
    std::size_t restsClosed = 0;
    std::size_t temposLeftOut = 0;
    std::size_t notesLeftOutLate = 0;
    std::size_t notesStartedLate = 0;
    music::MusicKept kept;
    StreamFit fit;
    std::vector<int> silentChannels;  // with --voices: channels named that have no notes
    midifile::MidiBytes file;         // empty unless written
};

Preparation prepareSong(const midifile::InputSong& song, const PrepOptions& options);

}  // namespace songprep
