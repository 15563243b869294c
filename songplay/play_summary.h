// The lines songplay prints once the WAV is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "songplay/song_renderer.h"

namespace songplay {

// "song.wav written: 12.3 seconds, 45 notes.", from what was written: "song.wav
// written" or "WAV written to standard output".
std::string writtenLine(const std::string& written, std::uint64_t frames, unsigned rate,
                        std::size_t notes);

// "Not heard: 2 controller 1 records, 5 envelopes." or, when the preview
// played everything the song holds, nothing.
std::string notHeardLine(const UnheardCounts& unheard, std::size_t bytesAfterEnd);

// "can't write song.wav: the song lasts 6.2 hours, over the 4 GiB of samples a
// WAV file holds at 48000 Hz."
std::string tooLongLine(const std::string& wavName, double frames, unsigned rate);

}  // namespace songplay
