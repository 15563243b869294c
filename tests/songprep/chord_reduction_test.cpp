// What a voice plays of its channel's notes: one at a time where they
// overlap, the highest (top) or the lowest (bottom), or all as written (keep).
#include "songprep/chord_reduction.h"

#include <gtest/gtest.h>

#include <string>

namespace songprep {
namespace {

// The notes as "tick key" pairs: a note-on, and its note-off `length` later.
struct Played {
    std::uint32_t tick;
    std::uint8_t key;
    std::uint32_t length;
};

std::vector<NoteMessage> messagesOf(const std::vector<Played>& notes) {
    std::vector<NoteMessage> messages;
    for (const Played& note : notes) messages.push_back({note.tick, note.key, 100});
    for (const Played& note : notes) messages.push_back({note.tick + note.length, note.key, 0});
    std::stable_sort(messages.begin(), messages.end(),
                     [](const NoteMessage& a, const NoteMessage& b) { return a.tick < b.tick; });
    return messages;
}

// "on 60 @0 off 60 @480": each step with its key and position (half ticks
// shown as ".5").
std::string steps(const ReducedNotes& reduced) {
    std::string text;
    for (const NoteStep& step : reduced.steps) {
        text += text.empty() ? "" : " ";
        text += (step.on ? "on " : "off ") + std::to_string(reduced.notes[step.note].key) + " @" +
                std::to_string(tickOf(step.position)) + (step.position % 2 ? ".5" : "");
    }
    return text;
}

std::string played(const std::vector<Played>& notes, ChordRule rule, std::uint32_t end = 2000) {
    return steps(reduceChords(messagesOf(notes), end, rule));
}

TEST(ChordReduction, AChordKeepsItsHighestOrLowestNote) {
    std::vector<Played> chord = {{0, 60, 480}, {0, 64, 480}, {0, 67, 480}};
    ReducedNotes top = reduceChords(messagesOf(chord), 480, ChordRule::top);
    EXPECT_EQ(steps(top), "on 67 @0 off 67 @480");
    EXPECT_EQ(top.counts.removed, 2u);
    EXPECT_EQ(played(chord, ChordRule::bottom), "on 60 @0 off 60 @480");
    EXPECT_EQ(played(chord, ChordRule::keep),
              "on 60 @0 on 64 @0 on 67 @0 off 60 @480 off 64 @480 off 67 @480");
}

TEST(ChordReduction, OverlappingNotesHandOverWithoutAnyComingBack) {
    // Legato upwards: the higher note cuts the lower one short.
    std::vector<Played> up = {{0, 60, 500}, {480, 62, 480}};
    EXPECT_EQ(played(up, ChordRule::top), "on 60 @0 off 60 @480 on 62 @480 off 62 @960");
    // Downwards, the lower note waits for the higher one to end.
    ReducedNotes down =
        reduceChords(messagesOf({{0, 62, 500}, {480, 60, 480}}), 2000, ChordRule::top);
    EXPECT_EQ(steps(down), "on 62 @0 off 62 @500 on 60 @500 off 60 @960");
    EXPECT_EQ(down.counts.startedLate, 1u);
    // A melody note over a held one: the held note, once cut, stays silent.
    ReducedNotes held =
        reduceChords(messagesOf({{0, 60, 960}, {240, 64, 240}}), 2000, ChordRule::top);
    EXPECT_EQ(steps(held), "on 60 @0 off 60 @240 on 64 @240 off 64 @480");
    EXPECT_EQ(held.counts.cutShort, 1u);
}

TEST(ChordReduction, NotesAreEndedAsTheConverterPairsThem) {
    // A key struck again before its note-off: the first note-off ends the first
    // note, and the later of two notes of one key sounds.
    std::vector<NoteMessage> restruck = {
        {0, 60, 100}, {100, 60, 90}, {200, 60, 0}, {300, 60, 0}, {300, 61, 0}};
    ReducedNotes reduced = reduceChords(restruck, 400, ChordRule::top);
    EXPECT_EQ(steps(reduced), "on 60 @0 off 60 @100 on 60 @100 off 60 @300");
    EXPECT_EQ(reduced.strayNoteOffs, 1u);
    // A note without note-off lasts to the song's end.
    EXPECT_EQ(steps(reduceChords({{10, 70, 100}}, 400, ChordRule::top)), "on 70 @10 off 70 @400");
}

TEST(ChordReduction, ANoteOfNoLengthSoundsForAnInstant) {
    // It ends after everything at its tick, and the note it cut stays silent.
    std::vector<Played> notes = {{0, 60, 480}, {240, 67, 0}};
    EXPECT_EQ(played(notes, ChordRule::top), "on 60 @0 off 60 @240 on 67 @240 off 67 @240.5");
    EXPECT_EQ(played(notes, ChordRule::keep), "on 60 @0 on 67 @240 off 67 @240.5 off 60 @480");
    // Starting with a lower note, it plays first and the lower one after it.
    EXPECT_EQ(played({{0, 67, 0}, {0, 60, 100}}, ChordRule::top),
              "on 67 @0 off 67 @0.5 on 60 @0.5 off 60 @100");
}

}  // namespace
}  // namespace songprep
