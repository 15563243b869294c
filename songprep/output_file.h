// The prepared song as a Standard MIDI File: format 1, a tempo track, then one
// track per voice in use, on the voice's own channel.
#pragma once

#include <functional>
#include <vector>

#include "midifile/midi_file_writer.h"
#include "songprep/timing_plan.h"

namespace songprep {

midifile::MidiBytes encodeOutputFile(const TimedSong& song);

// The same, giving each voice's events back once they are written (and
// showing them to `seen` first), so that the song and its file are never both
// whole in memory.
midifile::MidiBytes encodeOutputFile(
    TimedSong& song, const std::function<void(const TimedSong::VoiceEvents&)>& seen);

}  // namespace songprep
