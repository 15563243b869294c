// Songs for the benchmark: large, dense and always the same for the same size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;

struct BenchSong {
    Bytes midi;                     // format 1: a tempo track and four voice tracks
    std::string envelopes;          // the song's .env text
    Bytes waves[2];                 // the two raw 16-bit sample files
    std::size_t channelEvents = 0;  // channel messages in the MIDI file
};

// A song of about `channelEvents` channel messages on channels 0 to 3: dense
// notes, legato, controllers, tempo changes, several tracks, running status.
// The same count always gives the same bytes.
BenchSong makeBenchSong(std::size_t channelEvents);

// Writes BASE.mid, BASE.env, BASE-0.raw and BASE-1.raw; false when a write failed.
bool writeBenchSong(const BenchSong& song, const std::string& base);

// Writes BASE-0.raw and BASE-1.raw, the wave files every benchmark song has.
bool writeWaveFiles(const std::string& base);

// A song file of `size` bytes whose stream is arbitrary but fixed bytes.
Bytes makeSongFile(std::size_t size);

bool writeBytes(const std::string& name, const Bytes& bytes);

}  // namespace bench
