// Ordering the merged list and turning tick times into one-byte delays.
// The factor starts at 0.41666666 (single-precision 5/12) and the bias is the
// single-precision 0.4: delay = trunc(gap × factor + 0.4).
#include "songmake/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/songmake/event_helpers.h"

namespace testing_support {
namespace {

// --- eventBefore and sortEvents --------------------------------------------------

TEST(EventBefore, EarlierTimeFirstComparedUnsigned) {
    EXPECT_TRUE(eventBefore(*noteOff(1, 60), *noteOff(2, 60)));
    EXPECT_FALSE(eventBefore(*noteOff(2, 60), *noteOff(1, 60)));
    EXPECT_TRUE(eventBefore(*noteOn(0, 60, 1), *noteOff(0xFFFFFFFF, 60)));
    EXPECT_FALSE(eventBefore(*noteOff(0xFFFFFFFF, 60), *noteOn(0, 60, 1)));
}

TEST(EventBefore, AtEqualTimesOtherEventsComeBeforeANoteOnWithVelocity) {
    EXPECT_TRUE(eventBefore(*noteOff(5, 60), *noteOn(5, 62, 1)));
    EXPECT_FALSE(eventBefore(*noteOn(5, 62, 1), *noteOff(5, 60)));
    EXPECT_TRUE(eventBefore(*tempo(5, 500000), *noteOn(5, 62, 1)));
    EXPECT_TRUE(eventBefore(*envelope(14, 5, 0, 0), *noteOn(5, 62, 1)));
}

TEST(EventBefore, SameVelocityNoteOnsAndSlidesCountAsOtherEvents) {
    EXPECT_TRUE(eventBefore(*withType(noteOn(5, 1, 1), 10), *noteOn(5, 2, 1)));
    EXPECT_TRUE(eventBefore(*withType(noteOn(5, 1, 1), kTypeSlide), *noteOn(5, 2, 1)));
    EXPECT_FALSE(eventBefore(*noteOn(5, 2, 1), *withType(noteOn(5, 1, 1), kTypeSlide)));
}

TEST(EventBefore, EqualEventsAreNotBeforeEachOther) {
    EXPECT_FALSE(eventBefore(*noteOn(5, 1, 1), *noteOn(5, 2, 1)));
    EXPECT_FALSE(eventBefore(*noteOff(5, 1), *tempo(5, 1)));
    EXPECT_FALSE(eventBefore(*tempo(5, 1), *noteOff(5, 1)));
}

TEST(SortEvents, TwoNoteOffsAtTheTickOfANoteOnBothEndBeforeIt) {
    EventList list = eventList(noteOn(100, 62, 1, 0), noteOff(100, 60, 1), noteOff(100, 64, 2));
    sortEvents(list);
    EXPECT_EQ(describe(list),
              (Lines{"note-off 60 @100", "note-off 64 @100", "note-on 62 v1 @100"}));
}

TEST(SortEvents, EqualEventsKeepTheirMergedOrder) {
    // Stable: channel 0's events, then 1, 2, 3, then envelopes.
    EventList list = eventList(noteOn(10, 1, 1, 0), tempo(10, 400000), noteOff(0, 9, 0),
                               noteOn(10, 2, 1, 1), noteOff(10, 3, 1), noteOn(10, 3, 1, 2),
                               noteOff(10, 4, 3), envelope(15, 10, 3, 'X'), tempo(10, 600000));
    sortEvents(list);
    EXPECT_EQ(describe(list),
              (Lines{"note-off 9 @0", "tempo 400000 @10", "note-off 3 @10", "note-off 4 @10",
                     "envelope 15 mode 88 0,0,0,0 @10", "tempo 600000 @10", "note-on 1 v1 @10",
                     "note-on 2 v1 @10", "note-on 3 v1 @10"}));
}

TEST(SortEvents, StableOverALongList) {
    EventList list;
    for (int i = 0; i < 200; ++i) list.push_back(noteOn(static_cast<std::uint32_t>(i % 3), i, 1));
    sortEvents(list);
    for (std::size_t i = 1; i < list.size(); ++i) {
        const auto& a = static_cast<const EvNoteOn&>(*list[i - 1]);
        const auto& b = static_cast<const EvNoteOn&>(*list[i]);
        ASSERT_TRUE(a.time < b.time || (a.time == b.time && a.value < b.value)) << i;
    }
}

// Lists shaped like merged songs (runs in time order, one per voice, then envelope
// lines in any order) and shaped like nothing in particular: sortEvents must give
// exactly what a stable sort under eventBefore gives, event for event.
TEST(SortEvents, AgreesWithAStableSortOnManyShapesOfList) {
    std::mt19937 random(20261208);
    auto check = [](EventList list, const std::string& shape) {
        std::vector<const Event*> expected;
        for (const EventPointer& event : list) expected.push_back(event.get());
        std::stable_sort(expected.begin(), expected.end(),
                         [](const Event* a, const Event* b) { return eventBefore(*a, *b); });
        sortEvents(list);
        ASSERT_EQ(list.size(), expected.size()) << shape;
        for (std::size_t i = 0; i < list.size(); ++i)
            ASSERT_EQ(list[i].get(), expected[i]) << shape << ", position " << i;
    };
    auto anyEvent = [&random](std::uint32_t time) {
        switch (random() % 4) {
            case 0:
                return noteOn(time, 1, 1);
            case 1:
                return noteOff(time, 1);
            case 2:
                return tempo(time, 500000);
            default:
                return withType(noteOn(time, 1, 1), 10);
        }
    };
    for (std::size_t size : {0, 1, 2, 3, 23, 24, 25, 47, 48, 49, 100, 257, 1000, 5000}) {
        for (std::uint32_t spread : {1u, 3u, 50u, 100000u}) {
            EventList shuffled, voices, descending;
            for (std::size_t i = 0; i < size; ++i) shuffled.push_back(anyEvent(random() % spread));
            for (int voice = 0; voice < 4; ++voice) {
                std::uint32_t time = 0;
                for (std::size_t i = 0; i < size / 5; ++i) {
                    time += random() % spread;
                    voices.push_back(anyEvent(time));
                }
            }
            for (std::size_t i = 0; i < size - size / 5 * 4; ++i)
                voices.push_back(envelope(14, random() % (spread * size + 1), 0, 0));
            for (std::size_t i = 0; i < size; ++i)
                descending.push_back(anyEvent(static_cast<std::uint32_t>((size - i) / 2)));
            std::string shape =
                "size " + std::to_string(size) + ", spread " + std::to_string(spread);
            check(std::move(shuffled), "shuffled " + shape);
            check(std::move(voices), "voices " + shape);
            check(std::move(descending), "descending " + shape);
        }
    }
}

TEST(SortEvents, ANegativeEnvelopeTimeSortsAfterEverything) {
    EventList list = eventList(envelope(14, 0xFFFFFFFF, 0, 0), noteOn(1000000, 1, 1));
    sortEvents(list);
    EXPECT_EQ(describe(list),
              (Lines{"note-on 1 v1 @1000000", "envelope 14 mode 0 0,0,0,0 @4294967295"}));
}

// --- buildTimeline ---------------------------------------------------------------

Lines timeline(EventList list) {
    EXPECT_TRUE(buildTimeline(list));
    return describe(list);
}

TEST(BuildTimeline, AnEmptyListStaysEmpty) { EXPECT_EQ(timeline(EventList{}), Lines{}); }

TEST(BuildTimeline, TheFirstGapIsTheFirstEventsAbsoluteTime) {
    EXPECT_EQ(timeline(eventList(noteOff(480, 60))), (Lines{"note-off 60 @200"}));
    EXPECT_EQ(timeline(eventList(noteOff(1, 60))), (Lines{"note-off 60 @0"}));
}

TEST(BuildTimeline, GapsAreMeasuredFromTheEventBefore) {
    EXPECT_EQ(
        timeline(eventList(noteOn(0, 1, 1), noteOff(480, 1), noteOn(480, 2, 1), noteOff(960, 2))),
        (Lines{"note-on 1 v1 @0", "note-off 1 @200", "note-on 2 v1 @0", "note-off 2 @200"}));
}

TEST(BuildTimeline, RoundingBiasIsPointFourNotAHalf) {
    // 6 ticks: 2.4999999 + 0.4 gives 2; 11 ticks: 4.5833 + 0.4 gives 4 (a half would give 5).
    // 3 ticks: 1.25 + 0.4 gives 1; 12 ticks: 4.9999999 + 0.4 gives 5.
    EXPECT_EQ(timeline(eventList(noteOff(6, 1), noteOff(17, 1), noteOff(20, 1), noteOff(32, 1))),
              (Lines{"note-off 1 @2", "note-off 1 @4", "note-off 1 @1", "note-off 1 @5"}));
}

TEST(BuildTimeline, TempoChangesTheFactorForLaterGaps) {
    // 600000 µs: q 100, beats 200, factor 0.5; 400000: q 150, beats 300, factor 0.33333334;
    // 500000: beats 240, back to 0.41666666.
    EXPECT_EQ(timeline(eventList(tempo(0, 600000), noteOff(480, 1), tempo(480, 400000),
                                 noteOff(960, 1), tempo(960, 500000), noteOff(1440, 1))),
              (Lines{"note-off 1 @240", "note-off 1 @160", "note-off 1 @200"}));
}

TEST(BuildTimeline, TheGapAcrossATempoEventIsMeasuredFromTheLastOtherEvent) {
    // The tempo event at 240 neither ends a gap nor starts one: the note-off's gap
    // is 480 ticks, all of it at the new factor 0.5.
    EXPECT_EQ(timeline(eventList(noteOn(0, 1, 1), tempo(240, 600000), noteOff(480, 1))),
              (Lines{"note-on 1 v1 @0", "note-off 1 @240"}));
}

TEST(BuildTimeline, TempoAtTheTickOfANoteOnIsAppliedBeforeItsGap) {
    EventList list = eventList(noteOn(480, 1, 1), tempo(480, 600000));
    sortEvents(list);
    EXPECT_EQ(timeline(std::move(list)), (Lines{"note-on 1 v1 @240"}));
}

TEST(BuildTimeline, TempoSharingATickWithOtherEventsActsInMergedOrder) {
    // The stable sort keeps the merged order: a note-off merged before the tempo
    // event keeps the old factor (480 ticks -> 200), one merged after it gets the new (240).
    EventList before = eventList(noteOff(480, 1, 0), tempo(480, 600000), noteOff(960, 2, 1));
    sortEvents(before);
    EXPECT_EQ(timeline(std::move(before)), (Lines{"note-off 1 @200", "note-off 2 @240"}));
    EventList after = eventList(tempo(480, 600000), noteOff(480, 1, 0), noteOff(960, 2, 1));
    sortEvents(after);
    EXPECT_EQ(timeline(std::move(after)), (Lines{"note-off 1 @240", "note-off 2 @240"}));
}

TEST(BuildTimeline, BeatsComeFromATruncatedQuotient) {
    // 700000 µs: q = 85 (not 85.7), beats 170, factor 0.58823532; 480 ticks give
    // 282.75, so one filler and 26 (an untruncated tempo would give 280).
    EXPECT_EQ(timeline(eventList(tempo(0, 700000), noteOff(480, 1))),
              (Lines{"continue @255", "note-off 1 @26"}));
}

TEST(BuildTimeline, BeatsAreComputedInUnsigned32BitArithmetic) {
    // Tempo 1: q = 60000000 and q × 120 wraps to 2905032704, so beats 48417211 and the
    // factor 2.0653813e-06; a million ticks give 2.465, so 2 (unwrapped it would be 1).
    EXPECT_EQ(timeline(eventList(tempo(0, 1), noteOff(1000000, 1))), (Lines{"note-off 1 @2"}));
}

TEST(BuildTimeline, TheScaledGapKeepsTheLow32BitsOfA64BitTruncation) {
    // Tempo 60000000: q 1, beats 2, factor 50. 85899346 ticks scale to 4294967300.4,
    // whose low 32 bits are 4: no fillers at all.
    EXPECT_EQ(timeline(eventList(tempo(0, 60000000), noteOff(85899346, 1))),
              (Lines{"note-off 1 @4"}));
}

TEST(BuildTimeline, TempoZeroOrBeatsZeroAreDroppedAndChangeNothing) {
    // 60000001 µs gives q 0, so beats 0.
    EXPECT_EQ(timeline(eventList(tempo(0, 600000), tempo(0, 0), noteOff(480, 1),
                                 tempo(480, 60000001), noteOff(960, 1))),
              (Lines{"note-off 1 @240", "note-off 1 @240"}));
}

TEST(BuildTimeline, TempoEventsLeaveTheList) {
    EXPECT_EQ(timeline(eventList(tempo(0, 500000), tempo(10, 600000))), Lines{});
}

TEST(BuildTimeline, FillersBridgeGapsOver256) {
    // At factor 0.5 a gap of 2n ticks scales to n (n + 0.4 truncated).
    EXPECT_EQ(timeline(eventList(tempo(0, 600000), noteOff(512, 1))), (Lines{"note-off 1 @256"}));
    EXPECT_EQ(timeline(eventList(tempo(0, 600000), noteOff(514, 1))),
              (Lines{"continue @255", "note-off 1 @1"}));
    EXPECT_EQ(timeline(eventList(tempo(0, 600000), noteOff(1024, 1))),
              (Lines{"continue @255", "note-off 1 @256"}));
    EXPECT_EQ(timeline(eventList(tempo(0, 600000), noteOff(1200, 1))),
              (Lines{"continue @255", "continue @255", "note-off 1 @88"}));
}

TEST(BuildTimeline, FillersAreChannelZeroTypeZero) {
    EventList list = eventList(noteOff(1500, 1, 3));
    ASSERT_TRUE(buildTimeline(list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->type, 0);
    EXPECT_EQ(list[0]->channel, 0);
    EXPECT_EQ(list[2]->channel, 3);
    EXPECT_EQ(records(list), (ByteStream{0xFF, 0x00, 0xFF, 0x00, 0x71, 0x83}));
}

TEST(BuildTimeline, ALongNoteNeedsTwoFillers) {
    // 1500 ticks scale to 625.39998: two fillers and 113.
    EventList list = eventList(noteOn(0, 60, 1, 1), noteOff(1500, 60, 1), noteOn(1500, 62, 1, 1));
    sortEvents(list);
    EXPECT_EQ(timeline(std::move(list)),
              (Lines{"note-on 60 v1 @0", "continue @255", "continue @255", "note-off 60 @113",
                     "note-on 62 v1 @0"}));
}

}  // namespace
}  // namespace testing_support
