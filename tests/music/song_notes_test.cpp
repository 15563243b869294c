// The file's notes as the arranger pairs them: which note-off ends which
// note-on, and which messages are too damaged to be notes.
#include "music/song_notes.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "tests/support/midi_writer.h"

namespace music {
namespace {

using testing_support::MidiTrack;

SongNotes notesOf(const MidiTrack& track, const LineChannels& lines = {}) {
    testing_support::Bytes midi = testing_support::midiFile(0, {track});
    midifile::InputSong song;
    std::string error;
    std::span<const std::uint8_t> bytes(midi);
    EXPECT_TRUE(midifile::readInputSong("in.mid", song, error, &bytes)) << error;
    return collectSongNotes(song, lines);
}

// "KEY@START-END" for each note, in the order they start.
std::vector<std::string> spans(const SongNotes& notes) {
    std::vector<std::string> text;
    for (const SongNote& note : notes.notes)
        text.push_back(std::to_string(note.key) + "@" + std::to_string(note.start) + "-" +
                       std::to_string(note.end));
    return text;
}

using Spans = std::vector<std::string>;

// A key struck again before its note-off: the first note-off ends the first
// note, so that the second strikes while the first sounds and outlasts it.
TEST(SongNotes, ANoteOffEndsTheOldestOpenNoteOfItsKey) {
    SongNotes notes = notesOf(MidiTrack()
                                  .noteOn(0, 0, 60, 100)
                                  .noteOn(100, 0, 60, 90)
                                  .noteOff(200, 0, 60)
                                  .noteOff(300, 0, 60));
    EXPECT_EQ(spans(notes), (Spans{"60@0-200", "60@100-300"}));
    EXPECT_EQ(notes.strayNoteOffs, 0u);
}

// The melody is the highest sounding note, the bass the lowest, of every
// channel but the drums, or of the channel named; each note knows how long it
// is either from any tick on.
TEST(SongNotes, TheMelodyIsTheHighestPitchedNoteAndTheBassTheLowest) {
    MidiTrack track = MidiTrack()
                          .note(0, 0, 60, 100, 400)
                          .note(100, 1, 72, 100, 100)
                          .note(300, 2, 48, 100, 50)
                          .note(0, 9, 84, 100, 400)  // drums: neither line
                          .note(0, 9, 35, 100, 400);
    SongNotes notes = notesOf(track);
    ASSERT_EQ(spans(notes),
              (Spans{"60@0-400", "84@0-400", "35@0-400", "72@100-200", "48@300-350"}));
    const SongNote &held = notes.notes[0], &high = notes.notes[3], &low = notes.notes[4];
    EXPECT_EQ(held.melodyTicks, 300);
    EXPECT_EQ(held.bassTicks, 350);
    EXPECT_EQ(high.melodyTicks, 100);
    EXPECT_EQ(low.bassTicks, 50);
    EXPECT_EQ(notes.notes[1].melodyTicks + notes.notes[2].bassTicks, 0);
    EXPECT_EQ(melodyTicksFrom(notes, held, 50), 250);
    EXPECT_EQ(melodyTicksFrom(notes, held, 250), 150);
    EXPECT_EQ(bassTicksFrom(notes, held, 320), 50);
    EXPECT_EQ(bassTicksFrom(notes, held, 400), 0);
    // Channel 1 named the melody: its note is the melody, and only while it sounds.
    SongNotes named = notesOf(track, {1, kAnyChannel});
    EXPECT_EQ(named.notes[0].melodyTicks, 0);
    EXPECT_EQ(named.notes[3].melodyTicks, 100);
}

// A note-off's velocity means nothing: over 127 it still ends its note. A key
// over 127, or a note-on's velocity, leaves the message out.
TEST(SongNotes, OnlyAKeyOrANoteOnsVelocityOver127IsDamaged) {
    SongNotes notes = notesOf(MidiTrack()
                                  .noteOn(0, 0, 60, 100)
                                  .noteOff(100, 0, 60, 128)
                                  .note(0, 1, 127, 127, 100)
                                  .noteOn(200, 2, 128, 100)
                                  .noteOn(200, 3, 62, 128)
                                  .endOfTrack(400));
    EXPECT_EQ(spans(notes), (Spans{"60@0-100", "127@0-100"}));
    EXPECT_EQ(notes.damaged, 2u);
}

}  // namespace
}  // namespace music
