// The three rewrites of a voice's track. Frequency words here are known anchors
// (note 69 is 451) or were worked out by hand with the single-precision
// constants (k12 = 0.0833333358168602, k127 = 0.015748031437397003,
// k1024 = 1.0240000486373901), in double arithmetic, round = +0.5 and truncate.
#include "songmake/passes.h"

#include <gtest/gtest.h>

#include "tests/songmake/event_helpers.h"
#include "tests/support/fingerprint.h"

namespace testing_support {
namespace {

Lines prune(ChannelTrack track) {
    pruneNoteOffs(track);
    return describe(track.events);
}

// --- pruneNoteOffs -------------------------------------------------------------

TEST(PruneNoteOffs, LegatoNoteBecomesASlideAndTheEarlierNoteOffGoes) {
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOn(90, 64, 100), noteOff(100, 60),
                                 noteOff(200, 64))),
              (Lines{"note-on 60 v100 @0", "slide 64 @90", "note-off 64 @200"}));
}

TEST(PruneNoteOffs, NoteOffFourteenTicksBeforeTheNextNoteGoes) {
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOff(100, 60), noteOn(114, 62, 100),
                                 noteOff(200, 62))),
              (Lines{"note-on 60 v100 @0", "note-on 62 v100 @114", "note-off 62 @200"}));
}

TEST(PruneNoteOffs, NoteOffFifteenTicksBeforeTheNextNoteStays) {
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOff(100, 60), noteOn(115, 62, 100),
                                 noteOff(200, 62))),
              (Lines{"note-on 60 v100 @0", "note-off 60 @100", "note-on 62 v100 @115",
                     "note-off 62 @200"}));
}

TEST(PruneNoteOffs, NoteOffAtTheTickOfTheNextNoteGoes) {
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOff(100, 60), noteOn(100, 62, 100),
                                 noteOff(200, 62))),
              (Lines{"note-on 60 v100 @0", "note-on 62 v100 @100", "note-off 62 @200"}));
}

TEST(PruneNoteOffs, GapIsMeasuredAsUnsignedSoALaterNoteOffStays) {
    // 90 - 100 wraps round to a huge gap.
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOff(100, 60), noteOn(90, 62, 100),
                                 noteOff(200, 62))),
              (Lines{"note-on 60 v100 @0", "note-off 60 @100", "note-on 62 v100 @90",
                     "note-off 62 @200"}));
}

TEST(PruneNoteOffs, NoteOffAfterItsOwnNoteStays) {
    EXPECT_EQ(
        prune(channelTrack(noteOn(0, 60, 100), noteOff(100, 60), pitch(200, 5), noteOff(300, 60))),
        (Lines{"note-on 60 v100 @0", "note-off 60 @100", "pitch 5 @200", "note-off 60 @300"}));
}

TEST(PruneNoteOffs, FirstAndLastEventsAreNeverDropped) {
    // The first note-off is followed at once by a note, and the last one follows a
    // note-on of another note, yet neither is examined: both stay, and the note
    // before the last stays a note-on.
    EXPECT_EQ(prune(channelTrack(noteOff(0, 50), noteOn(5, 60, 100), noteOff(50, 60),
                                 noteOn(100, 62, 100), noteOff(110, 60))),
              (Lines{"note-off 50 @0", "note-on 60 v100 @5", "note-off 60 @50",
                     "note-on 62 v100 @100", "note-off 60 @110"}));
}

TEST(PruneNoteOffs, TracksOfOneToThreeEventsAreLeftAsTheyAre) {
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOn(90, 64, 100), noteOff(100, 60))),
              (Lines{"note-on 60 v100 @0", "note-on 64 v100 @90", "note-off 60 @100"}));
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOff(100, 60), noteOn(101, 62, 100))),
              (Lines{"note-on 60 v100 @0", "note-off 60 @100", "note-on 62 v100 @101"}));
    EXPECT_EQ(prune(channelTrack(noteOff(100, 60))), (Lines{"note-off 60 @100"}));
    EXPECT_EQ(prune(channelTrack()), Lines{});
}

TEST(PruneNoteOffs, ATempoEventBetweenKeepsBothRulesFromApplying) {
    // Tempo events share channel 0's track and count as ordinary neighbours.
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOn(90, 64, 100), tempo(95, 600000),
                                 noteOff(100, 60), noteOff(200, 64))),
              (Lines{"note-on 60 v100 @0", "note-on 64 v100 @90", "tempo 600000 @95",
                     "note-off 60 @100", "note-off 64 @200"}));
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOff(100, 60), tempo(105, 600000),
                                 noteOn(110, 62, 100), noteOff(200, 62))),
              (Lines{"note-on 60 v100 @0", "note-off 60 @100", "tempo 600000 @105",
                     "note-on 62 v100 @110", "note-off 62 @200"}));
}

TEST(PruneNoteOffs, OnlyATypeNineNoteOnCountsAsNeighbour) {
    EXPECT_EQ(
        prune(channelTrack(noteOn(0, 60, 100), withType(noteOn(90, 64, 100), kTypeSlide),
                           noteOff(100, 60), withType(noteOn(105, 67, 100), 10), noteOff(200, 67))),
        (Lines{"note-on 60 v100 @0", "slide 64 @90", "note-off 60 @100", "note-on-same 67 @105",
               "note-off 67 @200"}));
}

TEST(PruneNoteOffs, NeighboursAreTakenFromTheListAsItStoodBeforeThePass) {
    // The note-off of 60 goes (legato into 64); the note-off of 64 then has that
    // dropped note-off as its predecessor, and goes because 67 follows in 5 ticks.
    EXPECT_EQ(
        prune(channelTrack(noteOn(0, 60, 100), noteOn(90, 64, 100), noteOff(100, 60),
                           noteOff(105, 64), noteOn(110, 67, 100), noteOff(300, 67))),
        (Lines{"note-on 60 v100 @0", "slide 64 @90", "note-on 67 v100 @110", "note-off 67 @300"}));
}

TEST(PruneNoteOffs, ALegatoChainBecomesSlides) {
    EXPECT_EQ(prune(channelTrack(noteOn(0, 60, 100), noteOn(100, 62, 100), noteOff(110, 60),
                                 noteOn(200, 64, 100), noteOff(210, 62), noteOff(400, 64))),
              (Lines{"note-on 60 v100 @0", "slide 62 @100", "slide 64 @200", "note-off 64 @400"}));
}

// --- assignFrequencies ---------------------------------------------------------

// The pitch events reported as coming before the first note, one "@TICK" each.
std::string earlyPitches(const std::vector<PitchBeforeNote>& early) {
    std::string text;
    for (const PitchBeforeNote& pitch : early)
        text.append("@").append(std::to_string(pitch.tick)).append(" ");
    return text;
}

Lines frequencies(ChannelTrack track, std::string* early = nullptr) {
    std::vector<PitchBeforeNote> reported;
    assignFrequencies(track, reported);
    if (early) *early = earlyPitches(reported);
    return describe(track.events);
}

TEST(AssignFrequencies, AnchorNotes) {
    EXPECT_EQ(frequencies(channelTrack(noteOn(0, 69, 1), noteOn(1, 60, 1), noteOn(2, 0, 1),
                                       noteOn(3, 127, 1))),
              (Lines{"note-on 451 v1 @0", "note-on 268 v1 @1", "note-on 8 v1 @2",
                     "note-on 12845 v1 @3"}));
}

TEST(AssignFrequencies, NotesWhoseWordLiesNearestAHalf) {
    // 1515.497... and 5097.505...: a rounding that is not +0.5-and-truncate, or
    // a constant not single precision, shows here.
    EXPECT_EQ(frequencies(channelTrack(noteOn(0, 90, 1), noteOn(0, 111, 1), noteOn(0, 24, 1))),
              (Lines{"note-on 1515 v1 @0", "note-on 5098 v1 @0", "note-on 33 v1 @0"}));
}

TEST(AssignFrequencies, PitchBendsUpToTwoSemitonesAboveTheLastNote) {
    std::string printed;
    EXPECT_EQ(frequencies(channelTrack(noteOn(0, 60, 1), pitch(1, 0), pitch(2, 64), pitch(3, 127)),
                          &printed),
              (Lines{"note-on 268 v1 @0", "pitch 268 @1", "pitch 284 @2", "pitch 301 @3"}));
    EXPECT_EQ(printed, "");
}

TEST(AssignFrequencies, PitchUsesSinglePrecisionConstants) {
    // With exact 2/127 and 1/12 these would come out 7114 and 13814.
    EXPECT_EQ(
        frequencies(channelTrack(noteOn(0, 116, 1), pitch(1, 49), noteOn(2, 127, 1), pitch(3, 80))),
        (Lines{"note-on 6804 v1 @0", "pitch 7115 @1", "note-on 12845 v1 @2", "pitch 13815 @3"}));
}

TEST(AssignFrequencies, NoteNumbersAboveTheMidiRangeKeepTheLow16BitsOfTheirWord) {
    // Data bytes reach capture as they stand, so a damaged file can carry note 174:
    // 193983.68 rounds to 193984, stored as 62912. Its bends show the single-precision
    // 2/127 (exact 2/127 gives 20341) and the single-precision 1.024 after note 133
    // (exact 1.024 gives 18549).
    EXPECT_EQ(frequencies(channelTrack(noteOn(0, 174, 1), pitch(1, 123), noteOn(2, 133, 1),
                                       pitch(3, 23), noteOn(4, 255, 1))),
              (Lines{"note-on 62912 v1 @0", "pitch 20340 @1", "note-on 18165 v1 @2",
                     "pitch 18550 @3", "note-on 38938 v1 @4"}));
}

TEST(AssignFrequencies, SlideGetsAWordAndBecomesTheLastNote) {
    EXPECT_EQ(frequencies(channelTrack(noteOn(0, 60, 1), withType(noteOn(90, 64, 1), kTypeSlide),
                                       pitch(100, 64))),
              (Lines{"note-on 268 v1 @0", "slide 338 @90", "pitch 358 @100"}));
}

TEST(AssignFrequencies, NoteOffsAndOtherEventsKeepTheirValues) {
    EXPECT_EQ(frequencies(channelTrack(noteOn(0, 69, 1), noteOff(10, 69), repeat(11, 60),
                                       control(12, 4, 60), tempo(13, 500000))),
              (Lines{"note-on 451 v1 @0", "note-off 69 @10", "repeat 60 @11", "control 4=120 @12",
                     "tempo 500000 @13"}));
}

TEST(AssignFrequencies, PitchBeforeAnyNoteWarnsOncePerEventAndUsesNoteZero) {
    std::string printed;
    EXPECT_EQ(frequencies(channelTrack(pitch(0, 0), pitch(1, 127), noteOn(2, 60, 1), pitch(3, 0)),
                          &printed),
              (Lines{"pitch 8 @0", "pitch 9 @1", "note-on 268 v1 @2", "pitch 268 @3"}));
    EXPECT_EQ(printed, "@0 @1 ");
}

TEST(AssignFrequencies, PitchAfterNoteZeroAlsoWarns) {
    std::string printed;
    EXPECT_EQ(frequencies(channelTrack(noteOn(0, 0, 1), pitch(1, 127)), &printed),
              (Lines{"note-on 8 v1 @0", "pitch 9 @1"}));
    EXPECT_EQ(printed, "@1 ");
}

TEST(AssignFrequencies, EveryTrackStartsFromNoteZero) {
    ChannelTrack first = channelTrack(noteOn(0, 60, 1));
    ChannelTrack second = channelTrack(pitch(0, 64));
    std::vector<PitchBeforeNote> early;
    assignFrequencies(first, early);
    assignFrequencies(second, early);
    EXPECT_EQ(earlyPitches(early), "@0 ");
    EXPECT_EQ(describe(second.events), (Lines{"pitch 9 @0"}));
}

TEST(FrequencyWords, AgreeWithThePass) {
    EXPECT_EQ(noteFrequencyWord(69), 451);
    EXPECT_EQ(noteFrequencyWord(90), 1515);
    EXPECT_EQ(pitchFrequencyWord(60, 64), 284);
    EXPECT_EQ(pitchFrequencyWord(116, 49), 7115);
}

// Every word a song can carry, pinned: each system's pow and floating-point
// rules must give the words the firmware's pitch tables were made with.
TEST(FrequencyWords, EveryWordIsTheSameOnEverySystem) {
    std::string words;
    auto append = [&](std::uint16_t word) {
        words += static_cast<char>(word & 0xFF);
        words += static_cast<char>(word >> 8);
    };
    for (int note = 0; note < 256; ++note) {
        append(noteFrequencyWord(static_cast<std::uint8_t>(note)));
        for (std::uint16_t value = 0; value < 128; ++value)
            append(pitchFrequencyWord(static_cast<std::uint8_t>(note), value));
    }
    EXPECT_EQ(fingerprint(words), "66048 bytes, 0010b6ff03e65047");
}

// --- foldVelocityAndPan --------------------------------------------------------

Lines fold(ChannelTrack& track) {
    foldVelocityAndPan(track);
    return describe(track.events);
}

TEST(FoldVelocityAndPan, FirstNoteCarriesItsVelocityWithThePanBitsThree) {
    ChannelTrack track = channelTrack(noteOn(0, 268, 100, 1), noteOff(480, 60, 1));
    EXPECT_EQ(fold(track), (Lines{"note-on 268 v103 @0", "note-off 60 @480"}));
}

TEST(FoldVelocityAndPan, RepeatedVelocityIsLeftOut) {
    ChannelTrack track = channelTrack(noteOn(0, 268, 100), noteOn(10, 338, 100));
    EXPECT_EQ(fold(track), (Lines{"note-on 268 v103 @0", "note-on-same 338 @10"}));
    EXPECT_EQ(track.lastVelocity, 100);
}

TEST(FoldVelocityAndPan, ANoteOffInBetweenForcesTheVelocityByte) {
    ChannelTrack track = channelTrack(noteOn(0, 268, 100), noteOff(100, 60), noteOn(200, 338, 100));
    EXPECT_EQ(fold(track),
              (Lines{"note-on 268 v103 @0", "note-off 60 @100", "note-on 338 v103 @200"}));
}

TEST(FoldVelocityAndPan, ANoteOffThatPruneDroppedDoesNotResetTheVelocity) {
    ChannelTrack track =
        channelTrack(noteOn(0, 60, 100), noteOff(100, 60), noteOn(110, 62, 100), noteOff(200, 62));
    pruneNoteOffs(track);
    EXPECT_EQ(fold(track),
              (Lines{"note-on 60 v103 @0", "note-on-same 62 @110", "note-off 62 @200"}));
}

TEST(FoldVelocityAndPan, TheComparisonUsesTheRawVelocity) {
    // 103 is what the first note stores, but it differs from the raw 100.
    ChannelTrack track = channelTrack(noteOn(0, 1, 100), noteOn(1, 2, 103), noteOn(2, 3, 103));
    EXPECT_EQ(fold(track), (Lines{"note-on 1 v103 @0", "note-on 2 v103 @1", "note-on-same 3 @2"}));
}

TEST(FoldVelocityAndPan, PanBitsByControllerValue) {
    // Each pan change forces the next note's velocity byte; 100 is 0x64, its low
    // two bits free for the pan.
    ChannelTrack track = channelTrack(pan(0, 0), noteOn(0, 1, 100), pan(1, 32), noteOn(1, 2, 100),
                                      pan(2, 33), noteOn(2, 3, 100), pan(3, 95), noteOn(3, 4, 100),
                                      pan(4, 96), noteOn(4, 5, 100), pan(5, 127), noteOn(5, 6, 100),
                                      pan(6, 32), noteOn(6, 7, 100));
    EXPECT_EQ(fold(track), (Lines{"note-on 1 v101 @0", "note-on-same 2 @1", "note-on 3 v103 @2",
                                  "note-on-same 4 @3", "note-on 5 v102 @4", "note-on-same 6 @5",
                                  "note-on 7 v101 @6"}));
}

TEST(FoldVelocityAndPan, PanChangeBeforeARepeatedVelocityKeepsTheByte) {
    ChannelTrack track = channelTrack(noteOn(0, 1, 100), pan(5, 0), noteOn(10, 2, 100));
    EXPECT_EQ(fold(track), (Lines{"note-on 1 v103 @0", "note-on 2 v101 @10"}));
}

TEST(FoldVelocityAndPan, APanThatSetsThePanItHadForcesNothing) {
    ChannelTrack track = channelTrack(noteOn(0, 1, 100), pan(5, 64), noteOn(10, 2, 100));
    EXPECT_EQ(fold(track), (Lines{"note-on 1 v103 @0", "note-on-same 2 @10"}));
}

TEST(FoldVelocityAndPan, PanThereAndBackStillCountsAsAChange) {
    ChannelTrack track = channelTrack(noteOn(0, 1, 100), pan(5, 0), pan(6, 64), noteOn(10, 2, 100));
    EXPECT_EQ(fold(track), (Lines{"note-on 1 v103 @0", "note-on 2 v103 @10"}));
}

TEST(FoldVelocityAndPan, OneVelocityByteUsesUpThePanChange) {
    ChannelTrack track = channelTrack(pan(0, 127), noteOn(0, 1, 100), noteOn(10, 2, 100));
    EXPECT_EQ(fold(track), (Lines{"note-on 1 v102 @0", "note-on-same 2 @10"}));
}

TEST(FoldVelocityAndPan, PanReplacesTheLowTwoBitsOfTheVelocity) {
    ChannelTrack track =
        channelTrack(pan(0, 0), noteOn(0, 1, 127), noteOff(1, 1), pan(2, 127), noteOn(2, 2, 127));
    EXPECT_EQ(fold(track), (Lines{"note-on 1 v125 @0", "note-off 1 @1", "note-on 2 v126 @2"}));
}

TEST(FoldVelocityAndPan, PanControllersAreLeftOutAndOtherEventsStay) {
    ChannelTrack track =
        channelTrack(control(0, 1, 10), pan(0, 0), control(1, 4, 100), pitch(2, 284), repeat(3, 5),
                     tempo(4, 500000), withType(noteOn(5, 338, 90), kTypeSlide));
    EXPECT_EQ(fold(track), (Lines{"control 1=20 @0", "control 4=200 @1", "pitch 284 @2",
                                  "repeat 5 @3", "tempo 500000 @4", "slide 338 @5"}));
    EXPECT_EQ(track.lastVelocity, 0);
}

TEST(FoldVelocityAndPan, ASlideNeitherCarriesNorSetsTheVelocity) {
    // A legato passage: 60 (v100) slides to 64 (v80), then 67 comes with v100 again.
    ChannelTrack track = channelTrack(noteOn(0, 60, 100), noteOn(90, 64, 80), noteOff(100, 60),
                                      noteOn(150, 67, 100), noteOff(300, 67));
    pruneNoteOffs(track);
    EXPECT_EQ(fold(track), (Lines{"note-on 60 v103 @0", "slide 64 @90", "note-on-same 67 @150",
                                  "note-off 67 @300"}));
}

TEST(FoldVelocityAndPan, LastVelocityBelongsToTheTrackAcrossTheRun) {
    ChannelTrack track = channelTrack(noteOn(0, 1, 100));
    track.lastVelocity = 100;
    EXPECT_EQ(fold(track), (Lines{"note-on-same 1 @0"}));

    ChannelTrack other = channelTrack(noteOn(0, 1, 100), noteOff(5, 1));
    fold(other);
    EXPECT_EQ(other.lastVelocity, 0);
}

TEST(FoldVelocityAndPan, PanStartsAtThreeForEveryTrack) {
    ChannelTrack first = channelTrack(pan(0, 0), noteOn(0, 1, 100));
    ChannelTrack second = channelTrack(noteOn(0, 1, 100));
    fold(first);
    EXPECT_EQ(fold(second), (Lines{"note-on 1 v103 @0"}));
}

}  // namespace
}  // namespace testing_support
