// Writes the fuzzers' starting corpus: small, well-formed inputs of our own that
// reach every kind of event, one folder per fuzzer.
//   make_seeds OUTPUT_FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/hostile_songs.h"
#include "fuzz/pipeline_input.h"
#include "songmake/songfile.h"
#include "tests/support/midi_writer.h"

namespace {

using testing_support::Bytes;
using testing_support::midiFile;
using testing_support::MidiTrack;
using testing_support::operator+;

std::vector<Bytes> midiSeeds() {
    MidiTrack melody = MidiTrack()
                           .tempo(0, 500000)
                           .control(0, 0, 1, 64)
                           .control(0, 0, 10, 100)
                           .note(0, 0, 60, 100, 480)
                           .note(480, 0, 64, 100, 90)
                           .noteOn(600, 0, 67, 90)
                           .noteOn(650, 0, 72, 90)  // legato: becomes a slide
                           .noteOff(700, 0, 67)
                           .noteOff(900, 0, 72)
                           .control(900, 0, 2, 64)
                           .control(920, 0, 3, 5)
                           .tempo(960, 600000);
    MidiTrack bass = MidiTrack()
                         .useRunningStatus()
                         .note(0, 1, 36, 80, 240)
                         .note(240, 1, 38, 80, 240)
                         .control(480, 1, 4, 100)
                         .programChange(480, 1, 5)
                         .pitchWheel(500, 1, 8192)
                         .sysex(500, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
                         .meta(520, 0x01, {'h', 'i'})
                         .note(600, 5, 40, 80, 100);  // a channel the synthesizer has no voice for
    MidiTrack drums =
        MidiTrack().note(0, 3, 42, 60, 10).note(11, 3, 42, 60, 10).withoutEndOfTrack();
    Bytes song = midiFile(1, {melody, bass, drums});
    return {
        midiFile(0, {MidiTrack().note(0, 1, 60, 100, 480)}),
        song,
        midiFile(2, {melody, bass}),
        testing_support::riffWrap(song),
        testing_support::midiHeader(1, 1) + testing_support::chunk("XFIH", {1, 2, 3}) +
            testing_support::chunk("MTrk", bass.encode()) +
            testing_support::chunk("MTrk", bass.encode()),  // a copy after the declared track
    };
}

std::vector<std::string> envelopeSeeds() {
    return {
        "0 1 Vol A 10 20 30 40\n",
        "96 0 wave H 0 0 0 5\n# comment\n\n",
        "480 2 Vol D 1 2 3 4\r\n700 3 x q 1 2 3 4 and more\n",
        "-1 300 vvvvvvvvv a 1 2 3 4\n4294967297 1 V A -1 300 0 0\n",
    };
}

// Song files as songmake writes them, with every kind of record in the stream.
std::vector<Bytes> songSeeds() {
    WaveTable ramp{}, flat{};
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i * 4);
    EventList events;
    events.push_back(std::make_unique<EvNoteOn>(0, 1, 268, 103));
    events.push_back(std::make_unique<EvPitch>(10, 1, 284));
    events.push_back(std::make_unique<EvRepeat>(5, 2, 3));
    events.push_back(std::make_unique<EvMidiControl>(0, 0, 1, 200));
    events.push_back(std::make_unique<EvContinue>());
    events.push_back(std::make_unique<EvNoteOff>(200, 1, 60));
    const std::uint8_t params[4] = {10, 20, 30, 40};
    for (std::uint8_t mode : {std::uint8_t{songformat::kModeA}, std::uint8_t{songformat::kModeD},
                              std::uint8_t{songformat::kModeH}, std::uint8_t{'q'}})
        events.push_back(std::make_unique<EvEnvelope>(kTypeEnvelopeVolume, 0, 2, mode, params));
    auto slide = std::make_unique<EvNoteOn>(3, 0, 301, 0);
    slide->type = kTypeSlide;
    events.push_back(std::move(slide));
    events.push_back(std::make_unique<EvEnd>());

    EventList endOnly;
    endOnly.push_back(std::make_unique<EvEnd>());
    return {encodeSong(ramp, flat, events), encodeSong(flat, ramp, endOnly)};
}

// A piano piece whose tempo changes every few ticks, as a played-in file's
// does: chords, and a melody above them.
Bytes rubatoPiece() {
    MidiTrack tempo, piano;
    for (std::uint32_t i = 0; i < 150; ++i) tempo.tempo(i * 9, 300000 + (i * 7919) % 900000);
    for (std::uint32_t t = 0, step = 0; t < 1300; t += 96, ++step) {
        int root = 48 + static_cast<int>(step * 5 % 12);
        for (int third : {0, 4, 7})
            piano.note(t, 0, root + third, 80, 90 - step % 20);
        piano.note(t + 24 * (step % 3), 1, 72 + static_cast<int>(step * 7 % 12), 90, 30 + step % 17);
    }
    return midiFile(1, {tempo, piano}, 384);
}

// songprep's: a byte that chooses the options, then a MIDI file; each file
// with every set of options (the choice's high three bits), and the low bits
// (unit, chord rule, bends) varied. The files: the MIDI seeds, a song with
// chords, the pitch wheel, drums and a note of no length, in SMPTE time too, a
// piano piece of 150 tempo changes, the hostile shapes of the benchmark small,
// and the gaps of 0x0FFFFFFF ticks at the slowest tempo.
std::vector<Bytes> prepSeeds(const std::vector<Bytes>& midi) {
    MidiTrack band = MidiTrack()
                         .note(0, 0, 60, 100, 96)
                         .note(0, 0, 64, 100, 96)
                         .note(48, 0, 67, 90, 96)
                         .pitchWheel(60, 0, 12000)
                         .note(0, 9, 36, 120, 0)
                         .note(10, 2, 50, 80, 1)
                         .note(96, 15, 40, 70, 30)
                         .control(20, 1, 7, 90);
    std::vector<Bytes> files = midi;
    files.push_back(midiFile(1, {MidiTrack().tempo(0, 400000), band}, 96));
    files.push_back(midiFile(0, {band}, 0xE728));  // SMPTE time
    files.push_back(rubatoPiece());
    constexpr std::size_t kHostileNotes = 120;
    for (bench::HostileShape shape : bench::kHostileShapes)
        files.push_back(bench::makeHostileSong(shape, kHostileNotes).midi);
    files.push_back(bench::longGapsSong());
    std::vector<Bytes> seeds;
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::uint8_t set = 0; set < 8; ++set) {
            auto low = static_cast<std::uint8_t>((i + set) % 32);
            seeds.push_back(Bytes{static_cast<std::uint8_t>(set << 5 | low)} + files[i]);
        }
    return seeds;
}

void writeSeeds(const std::filesystem::path& folder, const std::vector<Bytes>& seeds) {
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(folder / ("seed-" + std::to_string(i)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(seeds[i].data()),
                  static_cast<std::streamsize>(seeds[i].size()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: make_seeds OUTPUT_FOLDER\n", stderr);
        return 1;
    }
    std::filesystem::path out = argv[1];
    std::vector<Bytes> midi = midiSeeds();
    std::vector<std::string> envelopes = envelopeSeeds();

    std::vector<Bytes> lines, pipeline;
    for (const std::string& text : envelopes) lines.emplace_back(text.begin(), text.end());
    for (std::size_t i = 0; i < midi.size(); ++i)
        pipeline.push_back(fuzzing::joinPipelineInput(envelopes[i % envelopes.size()], midi[i]));

    writeSeeds(out / "midi_reader", midi);
    writeSeeds(out / "envelope_line", lines);
    writeSeeds(out / "songmake", pipeline);
    writeSeeds(out / "songcheck", pipeline);
    writeSeeds(out / "songasm", songSeeds());
    writeSeeds(out / "songdump", songSeeds());
    writeSeeds(out / "songplay", songSeeds());
    writeSeeds(out / "songprep", prepSeeds(midi));
    return 0;
}
