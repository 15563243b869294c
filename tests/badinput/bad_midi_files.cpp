#include "tests/badinput/bad_midi_files.h"

#include <random>

namespace testing_support {

Bytes oneNoteTrack() { return MidiTrack().note(0, 1, 60, 100, 480).encode(); }

namespace {

// Track data starts after the 14-byte header and the 8-byte "MTrk" chunk head.
constexpr int kFirstTrackData = 22;

Bytes randomBytes(std::size_t count) {
    std::mt19937 generator(20240611);
    Bytes bytes(count);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    bytes[0] = 0x00;  // neither "MThd" nor "RIFF"
    return bytes;
}

Bytes riffChunk(const char (&id)[5], const Bytes& payload) {
    auto size = static_cast<std::uint32_t>(payload.size());
    return Bytes(id, id + 4) +
           Bytes{static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                 static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)} +
           payload;
}

}  // namespace

std::vector<Refusal> midiRefusals() {
    Bytes header = midiHeader(0, 1);
    Bytes song = midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)});
    return {
        {"empty file", {}, "Not a Standard MIDI File: no MThd header"},
        {"random bytes", randomBytes(1000), "Not a Standard MIDI File: no MThd header"},
        {"header cut short", Bytes(header.begin(), header.begin() + 10),
         "MThd header runs past the end of the file"},
        {"header length below 6", chunk("MThd", {0, 0, 0, 1}) + chunk("MTrk", oneNoteTrack()),
         "MThd header length 4 is below 6"},
        {"format 3", midiHeader(3, 1) + chunk("MTrk", oneNoteTrack()),
         "Unsupported MIDI file format 3"},
        // The cut falls inside the note-off, before its velocity byte.
        {"track cut inside an event", Bytes(song.begin(), song.end() - 5),
         "Truncated track chunk at byte " + std::to_string(song.size() - 5)},
        {"five-byte delta time",
         header + chunk("MTrk", {0x81, 0x81, 0x81, 0x81, 0x01, 0x91, 60, 100}),
         "Variable-length quantity longer than 4 bytes at byte " + std::to_string(kFirstTrackData)},
        {"running status at the start of a track", header + chunk("MTrk", {0x00, 60, 100}),
         "Data byte 0x3C without running status at byte " + std::to_string(kFirstTrackData + 1)},
        {"running status carried into the next track",
         midiHeader(1, 2) + chunk("MTrk", oneNoteTrack()) + chunk("MTrk", {0x00, 62, 100}),
         "Data byte 0x3E without running status at byte " +
             std::to_string(kFirstTrackData + oneNoteTrack().size() + 8 + 1)},
        // The sysex claims 64 bytes; the next track's bytes are not its to take.
        {"sysex longer than its chunk",
         midiHeader(1, 2) + chunk("MTrk", {0x00, 0xF0, 0x40, 0x01}) + chunk("MTrk", oneNoteTrack()),
         "Truncated track chunk at byte " + std::to_string(kFirstTrackData + 3)},
        {"meta event longer than its chunk", header + chunk("MTrk", {0x00, 0xFF, 0x01, 0x7F, 'a'}),
         "Truncated track chunk at byte " + std::to_string(kFirstTrackData + 4)},
        {"undefined status byte", header + chunk("MTrk", {0x00, 0xF4, 0x00}),
         "Unexpected status byte 0xF4 at byte " + std::to_string(kFirstTrackData + 1)},
        {"RIFF MIDI without a data chunk",
         riffChunk("RIFF", Bytes{'R', 'M', 'I', 'D'} + riffChunk("LIST", {1, 2, 3, 4})),
         "RIFF MIDI file without a data chunk"},
        {"RIFF data chunk cut inside an event",
         riffChunk("RIFF", Bytes{'R', 'M', 'I', 'D'} +
                               riffChunk("data", Bytes(song.begin(), song.end() - 5))),
         "Truncated track chunk at byte " + std::to_string(20 + song.size() - 5)},
        {"RIFF of another kind",
         riffChunk("RIFF", Bytes{'W', 'A', 'V', 'E'} + riffChunk("data", song)),
         "Not a Standard MIDI File: no MThd header"},
    };
}

}  // namespace testing_support
