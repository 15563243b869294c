// The whole preparation in memory, from the file as read to the bytes of the
// file to write and what changed on the way. It prints nothing and writes no
// file: that is the caller's part.
#pragma once

#include <array>
#include <cstddef>

#include "midifile/midi_file_writer.h"
#include "songprep/input_song.h"
#include "songprep/options.h"
#include "songprep/timing_plan.h"
#include "songprep/voice_choice.h"

namespace songprep {

// What the report says about one voice.
struct VoiceSummary {
    int channel = kNoChannel;
    std::size_t notesRead = 0;
    std::size_t notesPlayed = 0;
};

struct Preparation {
    ChannelCensus census;
    std::array<VoiceSummary, kVoiceCount> voices;
    ChordRule chords = ChordRule::top;
    ChordCounts chordCounts;
    BendCounts bends;
    LeftOutCounts leftOut;
    TimeScale scale;
    std::size_t notesLengthened = 0;
    std::size_t restsClosed = 0;
    std::size_t temposLeftOut = 0;
    midifile::MidiBytes file;
};

Preparation prepareSong(const InputSong& song, const PrepOptions& options);

}  // namespace songprep
