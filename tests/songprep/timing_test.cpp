// Where songprep puts every event in time, judged by what the converter then
// plays: the written tempo kept through its rounding, no note under one
// player unit, no delay the player cannot read, no rest the converter would
// close on its own, and bends that follow their notes.
#include <gtest/gtest.h>

#include "midifile/midifile.h"
#include "songformat/records.h"
#include "songmake/conversion.h"
#include "songprep/converter_clock.h"
#include "songprep/preparation.h"
#include "tests/songprep/heard_file.h"

namespace testing_support {
namespace {

using songprep::PrepOptions;

struct Outcome {
    songprep::Preparation preparation;
    std::vector<std::string> file;    // "TICK STATUS DATA1 DATA2" or "TICK tempo T"
    std::vector<std::string> played;  // what the converter makes of it: "UNIT on v0"
};

std::string recordText(const songformat::Record& record) {
    using songformat::RecordKind;
    std::string kind =
        record.kind == RecordKind::kNoteOff        ? "off"
        : record.kind == RecordKind::kPitchOrSlide ? "pitch"
        : record.kind == RecordKind::kNoteOn || record.kind == RecordKind::kNoteOnSameVelocity
            ? "on"
            : "other";
    return std::to_string(record.time) + " " + kind + " v" + std::to_string(record.voice);
}

Outcome prepare(const Bytes& midi, PrepOptions options = {}) {
    if (options.unitMs == 0 && options.inName.empty()) options.unitMs = 2.5;
    midifile::InputSong song;
    std::string error;
    std::span<const std::uint8_t> bytes(midi);
    EXPECT_TRUE(midifile::readInputSong("in.mid", song, error, &bytes)) << error;
    Outcome outcome{songprep::prepareSong(song, options), {}, {}};
    const midifile::MidiBytes& file = outcome.preparation.file;
    HeardFile heard = hearFile(file);
    EXPECT_EQ(heard.code, kMidiOk);
    outcome.file = heard.events;

    SongSources sources;
    sources.midiName = "out.mid";
    sources.midiBytes = std::span<const std::uint8_t>(file);
    sources.envelopeText = "";
    sources.waveTables = std::array<WaveTable, 2>{};
    Conversion conversion = convertSong(sources);
    EXPECT_EQ(conversion.outcome, ConversionOutcome::converted);
    songformat::StreamDecoder decoder(
        std::span<const std::uint8_t>(conversion.song).subspan(songformat::kHeaderSize));
    for (songformat::Record record; decoder.next(record);)
        if (record.kind != songformat::RecordKind::kFiller &&
            record.kind != songformat::RecordKind::kEnd)
            outcome.played.push_back(recordText(record));
    return outcome;
}

PrepOptions keepTimes() {
    PrepOptions options;
    options.inName = "in.mid";  // so that unitMs 0 stands
    return options;
}

using Lines = std::vector<std::string>;

TEST(Timing, TicksBecomeThePlayerUnitsOnesAndTheSongKeepsItsWrittenTempo) {
    MidiTrack track = MidiTrack().note(0, 0, 60, 100, 96).note(96, 0, 62, 100, 48);
    Outcome scaled = prepare(midiFile(0, {track}, 96));
    EXPECT_EQ(scaled.preparation.scale.division, 480);
    EXPECT_EQ(scaled.file, (Lines{"0 90 60 100", "480 80 60 0", "480 90 62 100", "720 80 62 0"}));
    EXPECT_EQ(scaled.played, (Lines{"0 on v0", "200 on v0", "300 off v0"}));
    PrepOptions kept = keepTimes();
    EXPECT_EQ(prepare(midiFile(0, {track}, 96), kept).file,
              (Lines{"0 90 60 100", "96 80 60 0", "96 90 62 100", "144 80 62 0"}));

    // 400 notes of a 32nd at 1920 ticks per quarter: each gap is 6.25 units,
    // which the converter would round to 6; the song still ends at 2500.
    MidiTrack fast;
    for (std::uint32_t i = 0; i < 400; ++i) fast.note(i * 60, 1, 60 + i % 2, 100, 60);
    Outcome rounded = prepare(midiFile(0, {fast}, 1920));
    EXPECT_EQ(rounded.played.back(), "2500 off v0");
    EXPECT_EQ(rounded.played[200], "1250 on v0");
}

TEST(Timing, NotesUnderOnePlayerUnitAreLengthenedToOne) {
    // A tick at 1920 per quarter is a quarter of a tick at 480: no time at all.
    MidiTrack track =
        MidiTrack().note(0, 0, 60, 100, 1).note(1, 0, 62, 100, 0).note(960, 0, 64, 100, 1);
    PrepOptions channels;
    channels.mode = songprep::VoiceMode::channels;
    Outcome outcome = prepare(midiFile(0, {track}, 1920), channels);
    EXPECT_EQ(outcome.preparation.notesLengthened, 3u);
    EXPECT_EQ(outcome.played, (Lines{"0 on v0", "1 on v0", "2 off v0", "100 on v0", "101 off v0"}));
    // The arranger gives the second note a voice of its own: the first has not
    // sounded two units yet.
    Outcome arranged = prepare(midiFile(0, {track}, 1920));
    EXPECT_EQ(arranged.played,
              (Lines{"0 on v0", "0 on v1", "2 off v0", "2 off v1", "100 on v1", "102 off v1"}));
}

// A note-on that the notes before it push more than one unit past its
// written time is left out, with its note-off and its bends; the note-off
// that waited to share its tick is placed all the same.
TEST(Timing, ANoteOnOverOneUnitLateIsLeftOut) {
    // At 1280 ticks per quarter note of 0.4 s a tick is an eighth of a unit. The
    // notes at ticks 0 and 1 last a unit each, so that the next note-on can
    // come at unit 2 at the earliest: from tick 8 (unit 1) one unit late, from
    // tick 7 (unit 0.875) 1.125.
    PrepOptions channels;
    channels.mode = songprep::VoiceMode::channels;
    auto notesThen = [&](std::uint32_t tick) {
        MidiTrack track = MidiTrack()
                              .tempo(0, 400000)
                              .note(0, 0, 60, 100, 1)
                              .note(1, 0, 62, 100, 1)
                              .note(tick, 0, 64, 100, 100)
                              .pitchWheel(2, 0, 12288)    // bends the third note
                              .pitchWheel(50, 0, 16383);  // and again while it sounds
        return prepare(midiFile(0, {track}, 1280), channels);
    };
    Outcome inTime = notesThen(8);
    EXPECT_EQ(inTime.preparation.notesLeftOutLate, 0u);
    ASSERT_GE(inTime.played.size(), 3u);
    EXPECT_EQ(Lines(inTime.played.begin(), inTime.played.begin() + 3),
              (Lines{"0 on v0", "1 on v0", "2 on v0"}));
    Outcome late = notesThen(7);
    EXPECT_EQ(late.preparation.notesLeftOutLate, 1u);
    EXPECT_EQ(late.played, (Lines{"0 on v0", "1 on v0", "2 off v0"}));
    for (const std::string& event : late.file) EXPECT_EQ(event.find(" 64 "), std::string::npos);
}

TEST(Timing, NoDelayOfExactly256Units) {
    // 614 ticks are 255.8 units: the note-off would follow its note-on by 256
    // units, which the song file stores as a delay byte of 0 with no filler.
    Outcome outcome = prepare(midiFile(0, {MidiTrack().note(0, 0, 60, 100, 614)}));
    EXPECT_EQ(outcome.file, (Lines{"0 90 60 100", "616 80 60 0"}));
    EXPECT_EQ(outcome.played, (Lines{"0 on v0", "257 off v0"}));
}

TEST(Timing, ARestTheConverterWouldCloseIsClosedInTheFile) {
    // 10 ticks between two notes: the converter drops the first note-off. It
    // goes to the second note's tick, so that no gap of the stream ends there.
    MidiTrack track = MidiTrack().note(0, 2, 60, 100, 470).note(480, 2, 62, 100, 480);
    Outcome outcome = prepare(midiFile(0, {track}));
    EXPECT_EQ(outcome.preparation.restsClosed, 1u);
    EXPECT_EQ(outcome.file, (Lines{"0 90 60 100", "480 80 60 0", "480 90 62 100", "960 80 62 0"}));
    EXPECT_EQ(outcome.played, (Lines{"0 on v0", "200 on v0", "400 off v0"}));
}

TEST(Timing, TheWheelBendsEveryNoteWhileItIsOffCentre) {
    MidiTrack track = MidiTrack()
                          .pitchWheel(0, 0, 12288)  // a semitone up, before the first note
                          .note(0, 0, 60, 100, 240)
                          .pitchWheel(120, 0, 16383)  // two semitones
                          .note(480, 0, 62, 100, 240)
                          .pitchWheel(600, 0, 0)  // down: controller 2 cannot, so no bend
                          .note(960, 0, 64, 100, 240)
                          .control(1300, 0, 2, 30);  // the file's own, where no note sounds
    PrepOptions channels;
    channels.mode = songprep::VoiceMode::channels;
    Outcome outcome = prepare(midiFile(0, {track}), channels);
    // A bend for a note goes a tick after its note-on, which sets the unbent
    // pitch; rounding from that tick moves the next events a tick later.
    EXPECT_EQ(outcome.file, (Lines{"0 90 60 100", "1 B0 2 64", "121 B0 2 127", "241 80 60 0",
                                   "481 90 62 100", "482 B0 2 127", "602 B0 2 0", "722 80 62 0",
                                   "962 90 64 100", "1202 80 64 0"}));
    EXPECT_EQ(outcome.played,
              (Lines{"0 on v0", "0 pitch v0", "50 pitch v0", "100 off v0", "200 on v0",
                     "200 pitch v0", "250 pitch v0", "300 off v0", "400 on v0", "500 off v0"}));
    const songprep::Preparation& preparation = outcome.preparation;
    EXPECT_EQ(preparation.bends.wheelMessages, 3u);
    EXPECT_EQ(preparation.bends.clipped, 1u);
    EXPECT_EQ(preparation.bends.written, 4u);
    EXPECT_EQ(preparation.leftOut.pitchWithoutNote, 1u);
}

// At 16 quarter notes a minute a tick spans three player units: a unit no
// tick is at is placed at the first tick after it, never at one before.
TEST(ConverterClock, AUnitNoTickIsAtGoesToTheFirstTickAfterIt) {
    songprep::ConverterClock clock;
    ASSERT_TRUE(clock.setTempo(3750000));
    EXPECT_EQ(clock.unitAt(1), 3u);
    EXPECT_EQ(clock.unitAt(2), 6u);
    EXPECT_EQ(clock.tickForUnit(1), 1u);
    EXPECT_EQ(clock.tickNear(1, 5.0), 1u);
    EXPECT_EQ(clock.tickNear(3, 1.2), 1u);
    EXPECT_EQ(clock.tickNear(6, 0.5), 2u);
}

}  // namespace
}  // namespace testing_support
