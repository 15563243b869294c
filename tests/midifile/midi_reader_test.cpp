// Our MIDI reader: what it delivers, in which order, what it forgives
// and how it names what it cannot read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "midifile/midifile.h"
#include "tests/support/midi_writer.h"
#include "tests/support/program_runner.h"

namespace testing_support {
namespace {

using Lines = std::vector<std::string>;

std::string hex(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// Everything the reader delivers, one line per handler call:
// "t=TIME STATUS DATA1 DATA2" or "t=TIME tempo TEMPO (status FF)".
int recordChannelEvent(MidiReaderState* state) {
    auto* lines = static_cast<Lines*>(state->userData);
    lines->push_back("t=" + std::to_string(state->time) + " " + hex(state->status) + " " +
                     hex(state->data1) + " " + hex(state->data2));
    return 0;
}

int recordTempo(MidiReaderState* state) {
    auto* lines = static_cast<Lines*>(state->userData);
    lines->push_back("t=" + std::to_string(state->time) + " tempo " + std::to_string(state->tempo) +
                     " (status " + hex(state->status) + ")");
    return 0;
}

struct Reading {
    int code = -1;
    Lines delivered;
    std::string message;  // MidiGetErr's text for the code
    MidiReaderState state;
};

std::string describeError(const MidiReaderState& state, int code) {
    char text[80];
    std::memset(text, 'z', sizeof text);
    int length = MidiGetErr(&state, text, sizeof text, code);
    EXPECT_NE(std::memchr(text, 0, sizeof text), nullptr);
    EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
    return text;
}

// Reads `bytes` from a heap block of exactly their size, so a sanitizer build
// catches any read past the end.
Reading read(const Bytes& bytes, bool withTempoHandler = true) {
    Reading reading;
    static MidiHandler handlers[kMidiHandlerSlots];
    std::fill(std::begin(handlers), std::end(handlers), nullptr);
    handlers[kMidiSlotChannelEvent] = &recordChannelEvent;
    if (withTempoHandler) handlers[kMidiSlotTempo] = &recordTempo;
    reading.state.handlers = handlers;
    reading.state.userData = &reading.delivered;
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    reading.code = MidiReadBuffer(&reading.state, copy.get(), bytes.size());
    reading.message = describeError(reading.state, reading.code);
    return reading;
}

// One track with the given raw event bytes as its chunk payload.
Bytes oneTrack(const Bytes& payload, int format = 0) {
    return midiHeader(format, 1) + chunk("MTrk", payload);
}

// The first track's payload starts after the 14-byte header and the 8-byte chunk head.
constexpr int kFirstEvent = 22;

// --- what is delivered ------------------------------------------------------------------

TEST(MidiReader, ChannelMessagesWithTheirDataBytesAndTimes) {
    Reading r = read(midiFile(0, {MidiTrack()
                                      .noteOn(0, 1, 60, 100)
                                      .noteOff(480, 1, 60, 64)
                                      .control(500, 2, 10, 127)
                                      .programChange(510, 3, 5)
                                      .raw(520, {0xD4, 0x33})
                                      .raw(530, {0xA5, 0x3C, 0x22})
                                      .pitchWheel(1000, 15, 0x2000)}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered,
              (Lines{"t=0 91 3C 64", "t=480 81 3C 40", "t=500 B2 0A 7F", "t=510 C3 05 00",
                     "t=520 D4 33 00", "t=530 A5 3C 22", "t=1000 EF 00 40"}));
}

TEST(MidiReader, TempoIsItsFirstThreeDataBytesWithTheStatusLeftAtFF) {
    Reading r = read(oneTrack(Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20} +
                              Bytes{0x10, 0xFF, 0x51, 0x04, 0x01, 0x02, 0x03, 0x04} +
                              Bytes{0x10, 0xFF, 0x51, 0x02, 0x0F, 0x0F} +
                              Bytes{0x10, 0xFF, 0x51, 0x00} + Bytes{0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 tempo 500000 (status FF)", "t=16 tempo 66051 (status FF)"}));
}

TEST(MidiReader, EmptySlotsAreNotCalled) {
    Reading r = read(midiFile(0, {MidiTrack().tempo(0, 500000).noteOn(10, 0, 60, 1)}),
                     /*withTempoHandler=*/false);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=10 90 3C 01"}));
}

TEST(MidiReader, DataBytesAreTakenAsTheyStand) {
    Reading r = read(oneTrack({0x00, 0x90, 0x3C, 0xC8, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 3C C8"}));
}

TEST(MidiReader, SysexEscapesAndOtherMetasAreSkipped) {
    Bytes text(200, 'a');
    Reading r = read(midiFile(0, {MidiTrack()
                                      .sysex(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
                                      .raw(1, {0xF7, 0x02, 0xF3, 0x01})
                                      .meta(2, 0x03, text)
                                      .meta(3, 0x58, {4, 2, 24, 8})
                                      .noteOn(4, 0, 60, 1)}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=4 90 3C 01"}));
}

TEST(MidiReader, DeltaTimesAddUpAndUseAllFourVarLenBytes) {
    Reading r = read(oneTrack(Bytes{0x81, 0x00, 0x90, 0x3C, 0x01} +
                              Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x3C, 0x00}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=128 90 3C 01", "t=268435583 80 3C 00"}));
}

TEST(MidiReader, AbsoluteTimeWrapsAroundIn32Bits) {
    Bytes payload;
    for (int i = 0; i < 17; ++i) payload = payload + Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0xF0, 0x00};
    payload = payload + Bytes{0x00, 0x90, 0x3C, 0x01};
    Reading r = read(oneTrack(payload));
    EXPECT_EQ(r.code, 0);
    // 17 × 0x0FFFFFFF = 0x10FFFFFEF, of which 32 bits are 0x0FFFFFEF.
    EXPECT_EQ(r.delivered, (Lines{"t=268435439 90 3C 01"}));
}

// --- running status -------------------------------------------------------------------------

TEST(MidiReader, RunningStatusRepeatsTheLastChannelStatus) {
    Reading r = read(midiFile(0, {MidiTrack()
                                      .useRunningStatus()
                                      .noteOn(0, 0, 60, 100)
                                      .noteOn(10, 0, 62, 100)
                                      .noteOff(20, 0, 60)
                                      .noteOff(30, 0, 62)
                                      .programChange(40, 1, 3)
                                      .programChange(50, 1, 4)}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 3C 64", "t=10 90 3E 64", "t=20 80 3C 00", "t=30 80 3E 00",
                                  "t=40 C1 03 00", "t=50 C1 04 00"}));
}

TEST(MidiReader, MetaAndSysexEventsDoNotCancelRunningStatus) {
    Reading r = read(
        oneTrack(Bytes{0x00, 0x90, 0x3C, 0x64} + Bytes{0x00, 0xFF, 0x01, 0x01, 'x'} +
                 Bytes{0x00, 0x3E, 0x64} + Bytes{0x00, 0xF0, 0x01, 0xF7} + Bytes{0x00, 0x40, 0x64} +
                 Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20} + Bytes{0x00, 0x41, 0x00}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 3C 64", "t=0 90 3E 64", "t=0 90 40 64",
                                  "t=0 tempo 500000 (status FF)", "t=0 90 41 00"}));
}

TEST(MidiReader, RunningStatusStartsEmptyInEveryTrack) {
    // The second track opens with a data byte although the first left 0x90 in effect.
    Bytes second{0x00, 0x3C, 0x64};
    Bytes file =
        midiHeader(1, 2) + chunk("MTrk", Bytes{0x00, 0x90, 0x3C, 0x64}) + chunk("MTrk", second);
    Reading r = read(file);
    EXPECT_EQ(r.code, kMidiErrNoRunningStatus);
    // Header 14, first chunk 8 + 4, second chunk head 8, delta 1: the data byte is byte 35.
    EXPECT_EQ(r.message, "Data byte 0x3C without running status at byte 35");
}

TEST(MidiReader, DataByteAtTheStartOfATrackIsAnError) {
    Reading r = read(oneTrack({0x00, 0x3C, 0x64}));
    EXPECT_EQ(r.code, kMidiErrNoRunningStatus);
    EXPECT_EQ(r.message,
              "Data byte 0x3C without running status at byte " + std::to_string(kFirstEvent + 1));
}

// --- tracks, their order and their ends ---------------------------------------------------------

TEST(MidiReader, Format1MergesTracksByTimeWithTiesInTrackThenFileOrder) {
    Reading r =
        read(midiFile(1, {MidiTrack().noteOn(10, 0, 1, 1).noteOn(10, 0, 2, 1),
                          MidiTrack().noteOn(0, 1, 7, 1).noteOn(10, 1, 3, 1),
                          MidiTrack().tempo(10, 500000).noteOn(9, 2, 4, 1).noteOn(11, 2, 5, 1)}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered,
              (Lines{"t=0 91 07 01", "t=9 92 04 01", "t=10 90 01 01", "t=10 90 02 01",
                     "t=10 91 03 01", "t=10 tempo 500000 (status FF)", "t=11 92 05 01"}));
}

TEST(MidiReader, Format0WithSeveralTracksAlsoMerges) {
    Reading r =
        read(midiFile(0, {MidiTrack().noteOn(20, 0, 1, 1), MidiTrack().noteOn(10, 1, 2, 1)}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=10 91 02 01", "t=20 90 01 01"}));
}

TEST(MidiReader, Format2PlaysTracksOneAfterAnother) {
    Bytes file =
        midiHeader(2, 5) +
        // Ends at its end-of-track, 100.
        chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).endOfTrack(100).encode()) +
        // Starts at 100, ends at 150.
        chunk("MTrk", MidiTrack().noteOn(10, 0, 2, 1).noteOff(40, 0, 2).endOfTrack(50).encode()) +
        // No end-of-track: ends with its last event of any kind, the sysex at 20.
        chunk("MTrk",
              MidiTrack().noteOn(5, 0, 3, 1).sysex(20, {0x01}).withoutEndOfTrack().encode()) +
        // Empty: adds nothing.
        chunk("MTrk", {}) + chunk("MTrk", MidiTrack().tempo(1, 400000).encode());
    Reading r = read(file);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 01 01", "t=110 90 02 01", "t=140 80 02 00",
                                  "t=155 90 03 01", "t=171 tempo 400000 (status FF)"}));
}

TEST(MidiReader, EndOfTrackIgnoresTheRestOfTheChunk) {
    Reading r = read(oneTrack(Bytes{0x00, 0x90, 0x3C, 0x01, 0x00, 0xFF, 0x2F, 0x00} +
                              Bytes{0x00, 0x90, 0x3E, 0x01, 0x00, 0xF4, 0x3C}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 3C 01"}));
}

TEST(MidiReader, ATrackWithoutEndOfTrackEndsWithItsChunk) {
    Reading r = read(midiFile(
        1, {MidiTrack().noteOn(5, 0, 1, 1).withoutEndOfTrack(), MidiTrack().noteOn(3, 1, 2, 1)}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=3 91 02 01", "t=5 90 01 01"}));
}

TEST(MidiReader, NoTracksAtAll) {
    Reading r = read(midiHeader(1, 0));
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.delivered.empty());
}

TEST(MidiReader, FewerTracksThanDeclaredIsFine) {
    Reading r = read(midiHeader(1, 3) + chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode()));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 01 01"}));
}

TEST(MidiReader, TracksBeyondTheDeclaredCountAreIgnored) {
    // Some files carry a second copy of their track; even a broken one is not read.
    Bytes file = midiHeader(0, 1) + chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode()) +
                 chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode()) +
                 chunk("MTrk", Bytes{0x00, 0xF4, 0x00});
    Reading r = read(file);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 01 01"}));
}

TEST(MidiReader, OtherChunksAreSkippedAndDoNotCount) {
    Bytes file = midiHeader(1, 2) + chunk("XFIH", Bytes{0x00, 0x90, 0x3C}) +
                 chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode()) +
                 chunk("junk", Bytes(5, 0xF4)) +
                 chunk("MTrk", MidiTrack().noteOn(1, 1, 2, 1).encode());
    Reading r = read(file);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 01 01", "t=1 91 02 01"}));
}

TEST(MidiReader, FewerThanEightBytesAtTheEndAreIgnored) {
    Bytes file = midiFile(0, {MidiTrack().noteOn(0, 0, 1, 1)});
    EXPECT_EQ(read(file + Bytes{'M', 'T', 'r', 'k', 0, 0, 0}).code, 0);
    EXPECT_EQ(read(file + Bytes{0xF4}).code, 0);
}

TEST(MidiReader, LongerHeaderChunkIsSkippedToItsEnd) {
    Bytes header = chunk("MThd", {0, 1, 0, 1, 1, 0xE0, 0x90, 0x3C});
    Reading r = read(header + chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode()));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 01 01"}));
}

TEST(MidiReader, SmpteDivisionDoesNotMatter) {
    Reading r = read(midiFile(0, {MidiTrack().noteOn(7, 0, 1, 1)}, 0xE728));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=7 90 01 01"}));
}

// --- the wrong length many files carry on their last chunk
// ------------------------------------------

TEST(MidiReader, LastChunkLongerThanTheFileIsCutAtTheEnd) {
    Bytes payload = MidiTrack().noteOn(0, 0, 1, 1).noteOff(10, 0, 1).withoutEndOfTrack().encode();
    Reading r = read(midiHeader(0, 1) + chunkWithLength("MTrk", 1000, payload));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 01 01", "t=10 80 01 00"}));
    EXPECT_EQ(read(midiHeader(0, 1) + chunkWithLength("MTrk", 0xFFFFFFFF, payload)).code, 0);
}

TEST(MidiReader, AnEventCutOffByTheEndOfTheFileIsStillAnError) {
    Bytes payload = Bytes{0x00, 0x90, 0x3C, 0x01} + Bytes{0x10, 0x80, 0x3C};
    Reading r = read(midiHeader(0, 1) + chunkWithLength("MTrk", 1000, payload));
    EXPECT_EQ(r.code, kMidiErrTruncatedTrack);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 3C 01"}));
}

// --- RIFF wrapping ---------------------------------------------------------------------------

TEST(MidiReader, RiffRmidFileIsUnwrapped) {
    Bytes midi = midiFile(1, {MidiTrack().tempo(0, 400000), MidiTrack().note(0, 2, 60, 90, 480)});
    Reading plain = read(midi);
    Reading wrapped = read(riffWrap(midi));
    EXPECT_EQ(wrapped.code, 0);
    EXPECT_EQ(wrapped.delivered, plain.delivered);
    EXPECT_EQ(wrapped.delivered.size(), 3u);
}

Bytes le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

TEST(MidiReader, RiffChunksAreLittleEndianPaddedToEvenAndTheRiffSizeIsNotConsulted) {
    Bytes midi = midiFile(0, {MidiTrack().noteOn(3, 0, 1, 1)});
    Bytes file = Bytes{'R', 'I', 'F', 'F'} + le32(4) + Bytes{'R', 'M', 'I', 'D'} +
                 Bytes{'I', 'N', 'F', 'O'} + le32(3) + Bytes{'a', 'b', 'c', 0} +
                 Bytes{'d', 'a', 't', 'a'} + le32(static_cast<std::uint32_t>(midi.size())) + midi;
    Reading r = read(file);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.delivered, (Lines{"t=3 90 01 01"}));
}

TEST(MidiReader, RiffRmidWithoutDataChunkIsAnError) {
    Bytes file = Bytes{'R', 'I', 'F', 'F'} + le32(16) + Bytes{'R', 'M', 'I', 'D'} +
                 Bytes{'I', 'N', 'F', 'O'} + le32(4) + Bytes{'a', 'b', 'c', 'd'};
    Reading r = read(file);
    EXPECT_EQ(r.code, kMidiErrRiffWithoutData);
    EXPECT_EQ(r.message, "RIFF MIDI file without a data chunk");
}

TEST(MidiReader, RiffOfAnotherFormIsNotAMidiFile) {
    Bytes midi = midiFile(0, {MidiTrack().noteOn(3, 0, 1, 1)});
    Bytes wrapped = riffWrap(midi);
    std::memcpy(&wrapped[8], "WAVE", 4);
    EXPECT_EQ(read(wrapped).code, kMidiErrNoHeader);
}

// --- errors --------------------------------------------------------------------------------------

TEST(MidiReaderErrors, FileThatCannotBeOpened) {
    TempFolder folder;
    std::string name = (folder / "missing.mid").string();
    MidiReaderState state;
    MidiHandler handlers[kMidiHandlerSlots] = {};
    state.handlers = handlers;
    state.fileName = name.c_str();
    int code = MidiReadFile(&state);
    EXPECT_EQ(code, kMidiErrCantOpen);
    EXPECT_EQ(describeError(state, code), "Can't open " + name);
}

TEST(MidiReaderErrors, AFolderIsNotAMidiFile) {
    TempFolder folder;
    std::string name = folder.path().string();
    MidiReaderState state;
    MidiHandler handlers[kMidiHandlerSlots] = {};
    state.handlers = handlers;
    state.fileName = name.c_str();
    int code = MidiReadFile(&state);
    EXPECT_NE(code, 0);
    EXPECT_NE(describeError(state, code).find(name), std::string::npos);
}

TEST(MidiReaderErrors, ReadFileReadsWhatReadBufferReads) {
    TempFolder folder;
    Bytes midi = riffWrap(midiFile(0, {MidiTrack().note(0, 3, 60, 90, 480)}));
    writeFile(folder / "song.mid", midi);
    std::string name = (folder / "song.mid").string();
    Lines delivered;
    MidiReaderState state;
    MidiHandler handlers[kMidiHandlerSlots] = {};
    handlers[kMidiSlotChannelEvent] = &recordChannelEvent;
    state.handlers = handlers;
    state.fileName = name.c_str();
    state.userData = &delivered;
    EXPECT_EQ(MidiReadFile(&state), 0);
    EXPECT_EQ(delivered, (Lines{"t=0 93 3C 5A", "t=480 83 3C 00"}));
}

TEST(MidiReaderErrors, NoHeader) {
    for (const Bytes& file :
         {Bytes{}, Bytes{'M', 'T', 'h'}, Bytes{'M', 'T', 'r', 'k', 0, 0, 0, 6}, Bytes(100, 0)}) {
        Reading r = read(file);
        EXPECT_EQ(r.code, kMidiErrNoHeader);
        EXPECT_EQ(r.message, "Not a Standard MIDI File: no MThd header");
    }
}

TEST(MidiReaderErrors, HeaderLengthBelowSix) {
    Reading r = read(chunk("MThd", {0, 0, 0, 1, 1}) + chunk("MTrk", {}));
    EXPECT_EQ(r.code, kMidiErrHeaderTooShort);
    EXPECT_EQ(r.message, "MThd header length 5 is below 6");
}

TEST(MidiReaderErrors, HeaderLengthPastTheEndOfTheData) {
    for (const Bytes& file : {chunkWithLength("MThd", 6, {0, 0, 0, 1}),
                              chunkWithLength("MThd", 0xFFFFFFFF, {0, 0, 0, 1, 1, 0xE0}),
                              Bytes{'M', 'T', 'h', 'd', 0, 0}}) {
        Reading r = read(file);
        EXPECT_EQ(r.code, kMidiErrHeaderTruncated);
        EXPECT_EQ(r.message, "MThd header runs past the end of the file");
    }
}

TEST(MidiReaderErrors, FormatAboveTwo) {
    Reading r = read(midiHeader(3, 1) + chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode()));
    EXPECT_EQ(r.code, kMidiErrFormat);
    EXPECT_EQ(r.message, "Unsupported MIDI file format 3");
    EXPECT_TRUE(r.delivered.empty());
    EXPECT_EQ(read(midiHeader(0xFFFF, 0)).message, "Unsupported MIDI file format 65535");
}

TEST(MidiReaderErrors, VariableLengthQuantityOfFiveBytes) {
    Reading delta = read(oneTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x01}));
    EXPECT_EQ(delta.code, kMidiErrVarLenTooLong);
    EXPECT_EQ(delta.message, "Variable-length quantity longer than 4 bytes at byte " +
                                 std::to_string(kFirstEvent));
    // A meta event's length is one too.
    Reading length = read(oneTrack({0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x00}));
    EXPECT_EQ(length.code, kMidiErrVarLenTooLong);
    EXPECT_EQ(length.message, "Variable-length quantity longer than 4 bytes at byte " +
                                  std::to_string(kFirstEvent + 3));
}

TEST(MidiReaderErrors, EventRunningPastTheEndOfItsTrackChunk) {
    // The track chunk ends inside the note-on, though the file goes on with another chunk.
    Bytes cut = midiHeader(1, 2) + chunk("MTrk", {0x00, 0x90, 0x3C}) +
                chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode());
    Reading r = read(cut);
    EXPECT_EQ(r.code, kMidiErrTruncatedTrack);
    EXPECT_EQ(r.message, "Truncated track chunk at byte " + std::to_string(kFirstEvent + 3));

    for (const Bytes& payload : {Bytes{0x00, 0xFF, 0x01, 0x05, 'a', 'b'},          // meta data
                                 Bytes{0x00, 0xF0, 0x03, 0x01},                    // sysex data
                                 Bytes{0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01},  // a huge one
                                 Bytes{0x00, 0xFF, 0x01},                          // meta length
                                 Bytes{0x00, 0xFF},                                // meta type
                                 Bytes{0x00, 0xC0},                                // one data byte
                                 Bytes{0x83},                                      // delta time
                                 Bytes{0x00}}) {  // the event itself
        Reading each = read(midiHeader(1, 2) + chunk("MTrk", payload) +
                            chunk("MTrk", MidiTrack().noteOn(0, 0, 1, 1).encode()));
        EXPECT_EQ(each.code, kMidiErrTruncatedTrack) << testing::PrintToString(payload);
    }
}

TEST(MidiReaderErrors, TruncationNamesTheByteWhereTheChunkIsCut) {
    // The chunk holds bytes 22 to 28; the second note-on needs byte 29.
    Reading r = read(oneTrack(Bytes{0x00, 0x90, 0x3C, 0x01} + Bytes{0x00, 0x90, 0x3C}));
    EXPECT_EQ(r.code, kMidiErrTruncatedTrack);
    EXPECT_EQ(r.message, "Truncated track chunk at byte " + std::to_string(kFirstEvent + 7));
}

TEST(MidiReaderErrors, SystemCommonAndRealTimeStatusBytes) {
    for (int status :
         {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE}) {
        Reading r = read(oneTrack(Bytes{0x00, 0x90, 0x3C, 0x01} +
                                  Bytes{0x00, static_cast<std::uint8_t>(status), 0x00, 0x00}));
        EXPECT_EQ(r.code, kMidiErrBadStatus);
        EXPECT_EQ(r.message, "Unexpected status byte 0x" + hex(status) + " at byte " +
                                 std::to_string(kFirstEvent + 5));
    }
}

TEST(MidiReaderErrors, OffsetsCountFromTheStartOfARiffFile) {
    // RIFF head 12 bytes and data chunk head 8 come before the Standard MIDI File.
    Reading r = read(riffWrap(oneTrack({0x00, 0xF9})));
    EXPECT_EQ(r.code, kMidiErrBadStatus);
    EXPECT_EQ(r.message,
              "Unexpected status byte 0xF9 at byte " + std::to_string(20 + kFirstEvent + 1));
}

TEST(MidiReaderErrors, EventsBeforeTheErrorHaveBeenDelivered) {
    Reading r = read(oneTrack({0x00, 0x90, 0x3C, 0x01, 0x00, 0xF1}));
    EXPECT_EQ(r.code, kMidiErrBadStatus);
    EXPECT_EQ(r.delivered, (Lines{"t=0 90 3C 01"}));
}

TEST(MidiReaderErrors, DescriptionsFitTheDriversEightyBytes) {
    std::string longName(300, 'n');
    MidiReaderState state;
    state.fileName = longName.c_str();
    state.errorOffset = static_cast<std::size_t>(-1);
    state.errorValue = 0xFFFFFFFF;
    for (int code = 0; code <= kMidiErrBadStatus + 1; ++code) {
        std::string text = describeError(state, code);
        EXPECT_LE(text.size(), 79u) << code;
        EXPECT_FALSE(text.empty()) << code;
    }
}

TEST(MidiReaderErrors, DescriptionIsCutToTheBufferGiven) {
    Reading r = read(Bytes{});
    char text[10];
    std::memset(text, 'z', sizeof text);
    int length = MidiGetErr(&r.state, text, sizeof text, r.code);
    EXPECT_EQ(std::string(text), "Not a Sta");
    EXPECT_EQ(length, 9);
}

// Every prefix of a file that uses every kind of event: each is read to an end
// (a sanitizer build checks that no read goes past the data).
TEST(MidiReaderErrors, EveryPrefixOfAFileEndsCleanly) {
    Bytes midi = riffWrap(midiFile(
        1, {MidiTrack().tempo(0, 500000).meta(0, 3, {'a', 'b'}), MidiTrack()
                                                                     .useRunningStatus()
                                                                     .note(0, 0, 60, 100, 480)
                                                                     .note(480, 0, 62, 100, 480)
                                                                     .sysex(500, {1, 2, 3})
                                                                     .programChange(600, 0, 3)
                                                                     .control(700, 1, 10, 64)}));
    for (std::size_t size = 0; size <= midi.size(); ++size) {
        Reading r = read(Bytes(midi.begin(), midi.begin() + static_cast<std::ptrdiff_t>(size)));
        EXPECT_LE(r.message.size(), 79u);
        if (size == midi.size()) {
            EXPECT_EQ(r.code, 0);
        }
    }
}

}  // namespace
}  // namespace testing_support
