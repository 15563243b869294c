// Plays a song's records through the four voices and mixes them, a block of
// frames at a time, so that memory stays the same however long the song is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "songformat/records.h"
#include "songformat/song_reader.h"
#include "songplay/play_clock.h"
#include "songplay/play_options.h"
#include "songplay/voice.h"

namespace songplay {

// What the song held that the preview does not play, or plays silent.
struct UnheardCounts {
    std::size_t controller1 = 0;
    std::size_t controller4 = 0;
    std::size_t repeats = 0;
    std::size_t envelopes = 0;
    std::size_t notesWithoutVelocity = 0;  // a same-velocity note-on before any velocity
    std::size_t otherVoices = 0;           // records for voices 4 to 15, which do not exist
};

struct PlayCounts {
    std::size_t notes = 0;  // note-ons on voices 0 to 3 that sound, muted or not
    UnheardCounts unheard;
};

struct RenderSettings {
    std::array<int, kVoiceCount> tableOfVoice{1, 1, 1, 1};
    std::array<bool, kVoiceCount> muted{};
};

// Receives the mix: interleaved left and right 16-bit samples; false to stop.
using BlockSink = std::function<bool(std::span<const std::int16_t>)>;

// Table 1 as stored, and table 2 rebuilt from its stored difference.
std::array<VoiceTable, 2> waveTables(const songformat::SongFileParts& parts);

class SongRenderer {
public:
    SongRenderer(const std::array<VoiceTable, 2>& tables, const PlayClock& clock,
                 const RenderSettings& settings, BlockSink sink);
    // The voices point into the renderer's own tables.
    SongRenderer(const SongRenderer&) = delete;
    SongRenderer& operator=(const SongRenderer&) = delete;

    // Renders up to the moment of `record`, then applies it. False once the
    // sink refused a block.
    bool play(const songformat::Record& record);
    // Renders up to the end record at `endUnits`, then the release of every
    // voice, and hands over the last block.
    bool finish(std::uint64_t endUnits);

    const PlayCounts& counts() const { return counts_; }

private:
    void apply(const songformat::Record& record);
    void startNote(Voice& voice, std::uint16_t word, std::uint8_t velocityByte);
    bool renderUntil(std::uint64_t frame);
    bool flush();

    const PlayClock& clock_;
    RenderSettings settings_;
    std::array<VoiceTable, 2> tables_;  // the voices read these
    BlockSink sink_;
    std::array<Voice, kVoiceCount> voices_;
    std::array<std::uint8_t, kVoiceCount> velocity_{};  // each voice's last velocity byte
    std::array<bool, kVoiceCount> hasVelocity_{};
    PlayCounts counts_;
    std::uint64_t frame_ = 0;  // frames rendered so far
    std::size_t filled_ = 0;   // of the block under way
    std::vector<float> left_, right_;
    std::vector<std::int16_t> samples_;
};

struct PlayResult {
    bool written = false;  // false when the sink refused a block
    PlayCounts counts;
};

// Plays the song's records up to its first end record, which the caller has
// checked is there.
PlayResult renderSong(const songformat::SongFile& song, const PlayClock& clock,
                      const RenderSettings& settings, const BlockSink& sink);

}  // namespace songplay
