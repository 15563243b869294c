// Every event appends its own record: a time byte, a code byte
// (encoded type << 4 | channel & 0x0F), then what its class carries.
#include <gtest/gtest.h>

#include "tests/songmake/event_helpers.h"

namespace testing_support {
namespace {

TEST(EventRecords, OneNoteOnNoteOffAndEnd) {
    EXPECT_EQ(record(EvNoteOn(0, 1, 268, 103)), (ByteStream{0x00, 0x91, 0x67, 0x0C, 0x01}));
    EXPECT_EQ(record(EvNoteOff(200, 1, 60)), (ByteStream{0xC8, 0x81}));
    EXPECT_EQ(record(EvEnd()), (ByteStream{0x00, 0xD0}));
}

TEST(EventRecords, FixedFieldsOfFillerAndEnd) {
    EvContinue filler;
    EXPECT_EQ(filler.type, 0);
    EXPECT_EQ(filler.time, 255u);
    EXPECT_EQ(filler.channel, 0);
    EXPECT_EQ(record(filler), (ByteStream{0xFF, 0x00}));

    EvEnd end;
    EXPECT_EQ(end.type, 13);
    EXPECT_EQ(end.time, 0u);
    EXPECT_EQ(end.channel, 0);
}

TEST(EventRecords, OnlyTheLowEightBitsOfTheTimeAreStored) {
    EXPECT_EQ(record(EvNoteOff(256, 0, 60)), (ByteStream{0x00, 0x80}));
    EXPECT_EQ(record(EvNoteOff(0x1234, 3, 60)), (ByteStream{0x34, 0x83}));
}

TEST(EventRecords, NoteOffDoesNotEncodeItsNoteNumber) {
    EXPECT_EQ(record(EvNoteOff(7, 2, 127)), (ByteStream{0x07, 0x82}));
}

TEST(EventRecords, NoteOnWithVelocityIsFiveBytesVelocityThenValueLittleEndian) {
    EXPECT_EQ(record(EvNoteOn(5, 3, 0xABCD, 0x42)), (ByteStream{0x05, 0x93, 0x42, 0xCD, 0xAB}));
}

TEST(EventRecords, NoteOnWithoutVelocityHasNoVelocityByte) {
    EXPECT_EQ(record(*withType(noteOn(9, 451, 103, 1), kTypeNoteOnSameVelocity)),
              (ByteStream{0x09, 0xA1, 0xC3, 0x01}));
}

TEST(EventRecords, SlideIsWrittenWithThePitchCodeAndNoVelocity) {
    EXPECT_EQ(record(*withType(noteOn(58, 338, 90, 0), kTypeSlide)),
              (ByteStream{0x3A, 0x20, 0x52, 0x01}));
}

TEST(EventRecords, PitchCarriesItsWord) {
    EXPECT_EQ(record(EvPitch(50, 2, 358)), (ByteStream{0x32, 0x22, 0x66, 0x01}));
}

TEST(EventRecords, RepeatCarriesOneByte) {
    EXPECT_EQ(record(EvRepeat(42, 1, 5)), (ByteStream{0x2A, 0x31, 0x05}));
}

TEST(EventRecords, ControllerIsEncodedWithItsControllerNumber) {
    // Controller 4, channel 2, MIDI value 100 stored as 200.
    EXPECT_EQ(record(EvMidiControl(0, 2, 4, 200)), (ByteStream{0x00, 0x42, 0xC8}));
    EXPECT_EQ(record(EvMidiControl(3, 0, 1, 20)), (ByteStream{0x03, 0x10, 0x14}));
}

TEST(EventRecords, EnvelopeModeADecidesAllFourParameters) {
    // The line "0 1 Vol A 10 20 30 40".
    EXPECT_EQ(record(*envelope(14, 0, 1, 0, {10, 20, 30, 40})),
              (ByteStream{0x00, 0xE1, 0x00, 0x0A, 0x14, 0x1E, 0x28}));
}

TEST(EventRecords, EnvelopeModeDCarriesTheLastTwoParameters) {
    EXPECT_EQ(record(*envelope(15, 100, 2, 1, {1, 2, 3, 4})),
              (ByteStream{0x64, 0xF2, 0x01, 0x03, 0x04}));
}

TEST(EventRecords, EnvelopeModeHCarriesTheLastParameter) {
    EXPECT_EQ(record(*envelope(15, 96, 0, 2, {0, 0, 0, 5})), (ByteStream{0x60, 0xF0, 0x02, 0x05}));
}

TEST(EventRecords, EnvelopeOfAnyOtherModeCarriesOnlyItsMode) {
    EXPECT_EQ(record(*envelope(14, 1, 3, 'a', {1, 2, 3, 4})), (ByteStream{0x01, 0xE3, 'a'}));
    EXPECT_EQ(record(*envelope(15, 1, 3, 3, {1, 2, 3, 4})), (ByteStream{0x01, 0xF3, 0x03}));
}

TEST(EventRecords, OnlyTheLowFourBitsOfTheChannelAreEncoded) {
    EXPECT_EQ(record(*envelope(14, 0, 17, 'X')), (ByteStream{0x00, 0xE1, 'X'}));
    EXPECT_EQ(record(*envelope(15, 0, 0xFF, 'X')), (ByteStream{0x00, 0xFF, 'X'}));
}

TEST(EventRecords, TempoWritesNothingAtAll) {
    EXPECT_EQ(record(EvTempo(0, 0, 500000)), ByteStream{});
}

TEST(EventRecords, WriteAppendsToWhatIsAlreadyThere) {
    ByteStream out{0xAA};
    EvNoteOff(1, 1, 60).write(out);
    EvRepeat(2, 2, 9).write(out);
    EXPECT_EQ(out, (ByteStream{0xAA, 0x01, 0x81, 0x02, 0x32, 0x09}));
}

}  // namespace
}  // namespace testing_support
