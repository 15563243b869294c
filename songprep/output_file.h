// The prepared song as a Standard MIDI File: format 1, a tempo track, then one
// track per voice in use, on the voice's own channel.
#pragma once

#include "midifile/midi_file_writer.h"
#include "songprep/timing_plan.h"

namespace songprep {

midifile::MidiBytes encodeOutputFile(const TimedSong& song);

}  // namespace songprep
