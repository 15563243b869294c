// The size of the stream songmake makes of a MIDI file, counted record by
// record as the converter lays them out, fillers included, without building
// one: a pause of hours needs millions of them.
#pragma once

#include <cstddef>
#include <optional>

#include "midifile/midi_file_writer.h"
#include "songformat/songformat.h"

namespace songprep {

// The most a stream may hold for songmake to write its song file (16 MiB with
// the header).
inline constexpr std::size_t kLargestStream =
    songformat::kLargestSongFile - songformat::kHeaderSize;

// The stream's bytes, end record included, with no envelope file; nothing
// when the converter cannot read the file.
std::optional<std::size_t> streamSizeOf(const midifile::MidiBytes& file);

}  // namespace songprep
