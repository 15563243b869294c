// songprep where it once broke its promises (issue 29), each case at its
// boundary: a file with nothing to play, a line named on a channel without
// notes, voices on channels without notes, a stream past what a song file
// holds, and notes under hundreds of tempo changes, which must sound within a
// player unit of their written time.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "bench/hostile_songs.h"
#include "songformat/records.h"
#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

class SongprepBounds : public ::testing::Test {
protected:
    SongprepBounds() {
        song.writeWaves("out");
        song.writeEnvelopes("", "out");
    }

    RunResult prepare(const Bytes& midi, std::vector<std::string> options = {}) {
        song.write("in.mid", midi);
        before = song.snapshot();
        options.insert(options.end(), {"in.mid", "out.mid"});
        return song.run(SONGPREP_PATH, options);
    }

    // A refusal writes nothing.
    void expectNothingWritten() { EXPECT_EQ(changesSince(before, song), ""); }

    SongFolder song;
    FolderSnapshot before;
};

Bytes oneNote(int channel = 0) {
    return midiFile(0, {MidiTrack().note(0, channel, 60, 100, 480)});
}

TEST_F(SongprepBounds, AFileWithNothingToPlayIsRefusedAsSongcheckCallsItALoss) {
    Bytes noNotes = midiFile(0, {MidiTrack().programChange(0, 0, 5).control(0, 1, 7, 100)});
    RunResult refused = prepare(noNotes);
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_EQ(refused.errors, "songprep: in.mid has no notes to arrange; nothing written\n");
    expectNothingWritten();
    RunResult check = song.run(SONGCHECK_PATH, {"--strict", "in.mid"});
    EXPECT_EQ(check.exitCode, 4);
    EXPECT_NE(check.output.find("the song keeps no note at all"), std::string::npos);

    // Drums alone, left out: nothing to play either; one note is a song.
    Bytes drums = midiFile(0, {MidiTrack().note(0, 9, 36, 100, 10)});
    EXPECT_EQ(prepare(drums, {"--drums", "off"}).exitCode, 4);
    expectNothingWritten();
    EXPECT_EQ(prepare(oneNote()).exitCode, 0);
}

TEST_F(SongprepBounds, ALineNamedOnAChannelWithoutPitchedNotesIsAUsageError) {
    Bytes midi = midiFile(0, {MidiTrack().note(0, 0, 60, 100, 480).note(0, 9, 36, 100, 10)});
    RunResult melody = prepare(midi, {"--melody", "5"});
    EXPECT_EQ(melody.exitCode, 1);
    EXPECT_EQ(melody.errors,
              "songprep: --melody 5: in.mid has no notes on channel 5\n"
              "Try 'songprep --help' for more information.\n");
    expectNothingWritten();
    RunResult bass = prepare(midi, {"--bass", "10", "--max-bytes", "20"});
    EXPECT_EQ(bass.exitCode, 1);
    EXPECT_TRUE(bass.errors.starts_with(
        "songprep: --bass 10: in.mid has only drums on channel 10, no pitched notes\n"))
        << bass.errors;
    expectNothingWritten();
    EXPECT_EQ(prepare(midi, {"--melody", "1", "--bass", "1"}).exitCode, 0);
}

TEST_F(SongprepBounds, VoicesOnChannelsWithoutNotesAreSilentOrNothingIsWritten) {
    RunResult silent = prepare(oneNote(), {"--voices", "1,5"});
    EXPECT_EQ(silent.exitCode, 0);
    EXPECT_EQ(silent.errors,
              "songprep: warning: --voices: in.mid has no notes on channel 5; its voice stays "
              "silent\n");
    RunResult none = prepare(oneNote(), {"--voices", "5,6"});
    EXPECT_EQ(none.exitCode, 4);
    EXPECT_EQ(none.errors, "songprep: in.mid has no notes to arrange; nothing written\n");
    expectNothingWritten();
}

// A note-on at tick 0 and its note-off `gap` ticks later, at 50 beats per
// minute, where a tick is a player unit: the stream is the note-on (5 bytes),
// a filler for every 256 units of the pause but the last, the note-off and
// the end (2 bytes each). Deltas longer than a file holds are bridged.
Bytes onePause(std::uint32_t gap) {
    MidiTrack track = MidiTrack().tempo(0, 1200000).noteOn(0, 0, 60, 100);
    for (std::uint32_t tick = 0x0FFFFFFF; tick < gap; tick += 0x0FFFFFFF)
        track.meta(tick, 0x01, {});
    return midiFile(0, {track.noteOff(gap, 0, 60)});
}

TEST_F(SongprepBounds, AStreamPastWhatASongFileHoldsIsRefusedBeforeItIsBuilt) {
    constexpr std::size_t kLargestStream = (std::size_t{16} << 20) - 132;
    // 9 + 2 × 8388537 = 16777083 bytes fit; one filler more does not.
    constexpr std::uint32_t kFillers = (kLargestStream - 9) / 2;
    constexpr std::uint32_t kLongest = 256 * kFillers + 256;
    for (const char* limit : {"0", "20000000"}) {
        SCOPED_TRACE(limit);
        RunResult fits = prepare(onePause(kLongest), {"--unit-ms", "0", "--max-bytes", limit});
        EXPECT_EQ(fits.exitCode, 0) << fits.errors;
        RunResult over = prepare(onePause(kLongest + 1), {"--unit-ms", "0", "--max-bytes", limit});
        EXPECT_EQ(over.exitCode, 4);
        expectNothingWritten();
    }
    RunResult over = prepare(onePause(kLongest + 1), {"--unit-ms", "0", "--max-bytes", "0"});
    EXPECT_EQ(over.errors,
              "songprep: in.mid: its song file would be over 16 MiB, too big for songmake to "
              "write; nothing written\n");

    // 60 bytes whose pauses would take a stream of gigabytes, at the slowest
    // tempo: refused at once (the benchmark shows the memory it takes).
    for (const char* limit : {"0", "65536"}) {
        EXPECT_EQ(prepare(bench::longGapsSong(), {"--max-bytes", limit}).exitCode, 4);
        expectNothingWritten();
    }
}

// A piano piece played in, its tempo changing every hundred ticks or so (at
// 384 ticks per quarter note): a chord of three every half beat, ending a few
// ticks before the next, and a melody note above it.
struct RubatoPiece {
    Bytes midi;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos;  // tick, tempo
    std::map<int, std::vector<std::uint32_t>> onsByKey;            // key: note-on ticks
    std::size_t notes = 0;
};

RubatoPiece rubatoPiece(int tempoChanges) {
    constexpr std::uint32_t kDivision = 384;
    constexpr std::uint32_t kEnd = kDivision * 4 * 60;
    std::uint32_t seed = 12345;
    auto random = [&seed](std::uint32_t below) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % below;
    };
    RubatoPiece piece;
    MidiTrack tempo, piano;
    for (int i = 0; i < tempoChanges; ++i) {
        std::uint32_t tick = static_cast<std::uint32_t>(std::uint64_t{kEnd} * i / tempoChanges) + random(7);
        piece.tempos.push_back({tick, 300000 + random(900000)});
        tempo.tempo(tick, piece.tempos.back().second);
    }
    for (std::uint32_t t = 0; t < kEnd; t += kDivision / 2) {
        int root = 48 + static_cast<int>(random(12));
        std::uint32_t length = kDivision / 2 - random(20);
        for (int third : {0, 4, 7}) {
            piano.note(t, 0, root + third, 80, length);
            piece.onsByKey[root + third].push_back(t);
        }
        int key = 72 + static_cast<int>(random(12));
        std::uint32_t start = t + random(3) * kDivision / 8;
        piano.note(start, 1, key, 90, kDivision / 8 + random(30));
        piece.onsByKey[key].push_back(start);
        piece.notes += 4;
    }
    piece.midi = midiFile(1, {tempo, piano}, kDivision);
    return piece;
}

// Player units (of 2.5 ms) from the start to `tick`, at 384 ticks per quarter
// note, as the file's tempo changes write it (the later of two at one tick).
double writtenUnits(const RubatoPiece& piece, std::uint32_t tick) {
    double units = 0, tempo = 500000;
    std::uint32_t from = 0;
    for (const auto& [changeTick, changeTempo] : piece.tempos) {
        if (changeTick > tick) break;
        units += (changeTick - from) * tempo / 384 / 2500;
        from = changeTick;
        tempo = changeTempo;
    }
    return units + (tick - from) * tempo / 384 / 2500;
}

TEST_F(SongprepBounds, NoNoteSoundsOverAUnitLateUnderHundredsOfTempoChanges) {
    RubatoPiece piece = rubatoPiece(923);
    RunResult prepared = prepare(piece.midi);
    ASSERT_EQ(prepared.exitCode, 0) << prepared.errors;
    EXPECT_NE(prepared.output.find("\nNotes that start over a player unit late: 0 (0 that would, "
                                   "left out)\n"),
              std::string::npos)
        << prepared.output;
    ASSERT_EQ(song.run(SONGMAKE_PATH, {"out.mid"}).exitCode, 0);

    // Each note-on of the song file against the written note-on of its key
    // nearest its time.
    Bytes stream = song.stream("out.sng");
    songformat::StreamDecoder decoder(stream);
    songformat::Record record;
    std::size_t noteOns = 0;
    while (decoder.next(record)) {
        if (record.kind != songformat::RecordKind::kNoteOn &&
            record.kind != songformat::RecordKind::kNoteOnSameVelocity)
            continue;
        ++noteOns;
        auto time = static_cast<double>(record.time);
        double nearest = -1e9;
        for (const auto& [key, ons] : piece.onsByKey) {
            if (std::abs(440.0 * std::pow(2.0, (key - 69) / 12.0) * 1.024 - record.word) > 2)
                continue;
            for (std::uint32_t tick : ons) {
                double written = writtenUnits(piece, tick);
                if (std::abs(written - time) < std::abs(nearest - time)) nearest = written;
                if (written > time + 1) break;
            }
        }
        EXPECT_LE(time, nearest + 1.0) << "a note-on at unit " << record.time;
    }
    EXPECT_EQ(noteOns, piece.notes);  // and none is left out
}

}  // namespace
}  // namespace testing_support
