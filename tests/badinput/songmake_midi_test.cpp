// songmake fed MIDI files that are missing, damaged or of the wrong kind: each run
// ends with the reader's reason and exit code 2 and leaves the folder as it was;
// the damage real files carry is read past and converts like the sound file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/support/song_file_bytes.h"
#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

constexpr int kReaderError = 2;

// Track data starts after the 14-byte header and the 8-byte "MTrk" chunk head.
constexpr int kFirstTrackData = 22;

struct Refusal {
    const char* damage;
    Bytes midi;
    std::string message;
};

Bytes oneNoteTrack() { return MidiTrack().note(0, 1, 60, 100, 480).encode(); }

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

std::vector<Refusal> refusals() {
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

TEST(SongmakeBadMidi, DamagedFilesAreRefusedWithTheReadersReasonAndNothingIsWritten) {
    for (const Refusal& refusal : refusals()) {
        SCOPED_TRACE(refusal.damage);
        SongFolder space;
        space.writeMidi(refusal.midi);
        space.write("song.sng", songFileBytes());
        FolderSnapshot before = space.snapshot();

        RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});

        EXPECT_EQ(result.exitCode, kReaderError);
        EXPECT_EQ(result.output, refusal.message + "\n");
        EXPECT_EQ(changesSince(before, space), "");
    }
}

TEST(SongmakeBadMidi, FilesThatCannotBeReadWholeAreReportedByName) {
    struct Case {
        const char* what;
        void (*arrange)(const SongFolder&);
        std::string message;
    };
    std::vector<Case> cases = {
        {"missing", [](const SongFolder&) {}, "Can't open song.mid"},
        {"a folder", [](const SongFolder& s) { s.makeFolder("song.mid"); }, "Can't read song.mid"},
        {"over 64 MiB",
         [](const SongFolder& s) {
             s.writeMidi(midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}));
             std::filesystem::resize_file(s.folder / "song.mid", (64 << 20) + 1);  // sparse
         },
         "song.mid is over 64 MiB, too big for a MIDI file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SongFolder space;
        space.writeWaves();
        space.write("song.sng", songFileBytes());
        c.arrange(space);
        FolderSnapshot before = space.snapshot();

        RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});

        EXPECT_EQ(result.exitCode, kReaderError);
        EXPECT_EQ(result.output, c.message + "\n");
        EXPECT_EQ(changesSince(before, space), "");
    }
}

// Read to its end, a file without one would take all memory.
TEST(SongmakeBadMidi, AnEndlessFileIsRefusedUnread) {
    SKIP_WITHOUT(endlessFile);
    SongFolder space;
    space.writeWaves();
    std::filesystem::create_symlink("/dev/zero", space.folder / "song.mid");
    FolderSnapshot before = space.snapshot();

    RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});

    EXPECT_EQ(result.exitCode, kReaderError);
    EXPECT_EQ(result.output, "song.mid is over 64 MiB, too big for a MIDI file\n");
    EXPECT_EQ(changesSince(before, space), "");
}

// Damage that sequencers are known to write is read past: the song comes out as
// it does from the sound file.
TEST(SongmakeBadMidi, ToleratedDamageConvertsLikeTheSoundFile) {
    SongFolder sound;
    sound.writeMidi(midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}));
    ASSERT_EQ(sound.run(SONGMAKE_PATH, {"song.mid"}).exitCode, 0);
    Bytes expected = sound.stream();

    Bytes header = midiHeader(0, 1);
    Bytes track = oneNoteTrack();
    Bytes whole = header + chunk("MTrk", track);
    std::vector<std::pair<const char*, Bytes>> damaged = {
        {"chunk length 0xFFFFFFFF on the last track",
         header + chunkWithLength("MTrk", 0xFFFFFFFF, track)},
        {"track cut before its end-of-track", Bytes(whole.begin(), whole.end() - 4)},
        {"no end-of-track",
         midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480).withoutEndOfTrack()})},
        {"trailing garbage", header + chunk("MTrk", track) + Bytes(40, 0xA5)},
        {"a few stray bytes at the end", header + chunk("MTrk", track) + Bytes{'x', 'y', 'z'}},
        {"RIFF wrapper", riffWrap(header + chunk("MTrk", track))},
    };
    for (const auto& [damage, midi] : damaged) {
        SCOPED_TRACE(damage);
        SongFolder space;
        space.writeMidi(midi);
        RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, "Can't open song\nsong.sng written.\n");
        EXPECT_EQ(space.stream(), expected);
    }
}

}  // namespace
}  // namespace testing_support
