// songmake (and songcheck, which reads with the same reader) fed MIDI files that
// are missing, damaged or of the wrong kind: each run ends with the reader's
// reason and exit code 2 and leaves the folder as it was;
// the damage real files carry is read past and converts like the sound file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/badinput/bad_midi_files.h"
#include "tests/support/song_file_bytes.h"
#include "tests/support/song_folder.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

constexpr int kReaderError = 2;

TEST(SongmakeBadMidi, DamagedFilesAreRefusedWithTheReadersReasonAndNothingIsWritten) {
    for (const Refusal& refusal : midiRefusals()) {
        SCOPED_TRACE(refusal.damage);
        SongFolder space;
        space.writeMidi(refusal.midi);
        space.write("song.sng", songFileBytes());
        FolderSnapshot before = space.snapshot();

        RunResult result = space.run(SONGMAKE_PATH, {"song.mid"});
        // songcheck reads with the same reader and says the same.
        RunResult check = space.run(SONGCHECK_PATH, {"--svg", "song.mid"});

        EXPECT_EQ(result.exitCode, kReaderError);
        EXPECT_EQ(result.output, refusal.message + "\n");
        EXPECT_EQ(check.exitCode, kReaderError);
        EXPECT_EQ(check.errors, "songcheck: " + result.output);
        EXPECT_EQ(changesSince(before, space), "");
    }
}

TEST(SongmakeBadMidi, FilesThatCannotBeReadWholeAreReportedByName) {
    struct Case {
        const char* what;
        void (*arrange)(const SongFolder&);
        std::string message;
        std::string checkMessage;  // songcheck's, with the system's reason
    };
    std::vector<Case> cases = {
        {"missing", [](const SongFolder&) {}, "Can't open song.mid",
         "can't open song.mid: No such file or directory"},
        {"a folder", [](const SongFolder& s) { s.makeFolder("song.mid"); }, "Can't read song.mid",
         "can't read song.mid: Is a directory"},
        {"over 64 MiB",
         [](const SongFolder& s) {
             s.writeMidi(midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}));
             std::filesystem::resize_file(s.folder / "song.mid", (64 << 20) + 1);  // sparse
         },
         "song.mid is over 64 MiB, too big for a MIDI file",
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
        RunResult check = space.run(SONGCHECK_PATH, {"--svg", "song.mid"});

        EXPECT_EQ(result.exitCode, kReaderError);
        EXPECT_EQ(result.output, c.message + "\n");
        EXPECT_EQ(check.exitCode, kReaderError);
        EXPECT_EQ(check.errors, "songcheck: " + c.checkMessage + "\n");
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
