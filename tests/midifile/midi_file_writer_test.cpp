// Our MIDI file writer: the bytes it writes, and that our reader reads them
// back as they were written.
#include "midifile/midi_file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "midifile/midifile.h"
#include "tests/support/midi_writer.h"

namespace testing_support {
namespace {

using midifile::MidiTrackWriter;

TEST(MidiFileWriter, VariableLengthQuantitiesOfAnyValue) {
    struct Case {
        std::uint32_t value;
        Bytes bytes;
    };
    for (const Case& c : std::vector<Case>{
             {0, {0x00}},
             {0x7F, {0x7F}},
             {0x80, {0x81, 0x00}},
             {0x3FFF, {0xFF, 0x7F}},
             {0x4000, {0x81, 0x80, 0x00}},
             {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
             {0x10000000, {0x81, 0x80, 0x80, 0x80, 0x00}},
             {0xFFFFFFFF, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
         }) {
        Bytes out;
        midifile::appendVarLen(out, c.value);
        EXPECT_EQ(out, c.bytes) << c.value;
    }
}

TEST(MidiFileWriter, RunningStatusAcrossChannelMessagesButNotAfterAMetaEvent) {
    MidiTrackWriter track;
    track.channelMessage(0, 0x90, 60, 100);
    track.channelMessage(480, 0x90, 60, 0);
    track.channelMessage(480, 0xC1, 5);
    track.channelMessage(500, 0xC1, 6);
    track.tempo(600, 600000);
    track.channelMessage(600, 0xC1, 7);
    track.channelMessage(590, 0x80, 62, 200);  // earlier than the last event; a data byte over 127
    Bytes body = {0x00, 0x90, 60,   100,  0x83, 0x60, 60,   0x00, 0x00, 0xC1, 5,
                  0x14, 6,    0x64, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0, 0x00, 0xC1,
                  7,    0x00, 0x80, 62,   72,   0x83, 0x10, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(track.finish(1000), chunk("MTrk", body));
    EXPECT_EQ(track.finish(0), chunk("MTrk", {0x00, 0xFF, 0x2F, 0x00}));  // empty again
}

TEST(MidiFileWriter, GapsTooLongForOneDeltaAndChunkLengthsOfManyBytes) {
    MidiTrackWriter track;
    track.channelMessage(0x20000005, 0x90, 60, 1);
    Bytes longest = {0xFF, 0xFF, 0xFF, 0x7F}, emptyText = {0xFF, 0x01, 0x00};
    Bytes body = longest + emptyText + longest + emptyText +
                 Bytes{0x07, 0x90, 60, 1, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(track.finish(0), chunk("MTrk", body));

    for (std::uint32_t tick = 0; tick < 20000; ++tick) track.channelMessage(tick, 0xB0, 7, 1);
    // 4 bytes for the first message, 3 for each after it, 4 for the end.
    Bytes many = track.finish(20000);
    EXPECT_EQ(Bytes(many.begin(), many.begin() + 8),
              (Bytes{'M', 'T', 'r', 'k', 0x00, 0x00, 0xEA, 0x65}));
    EXPECT_EQ(many.size(), 8u + 4 + 3 * 19999 + 4);
}

// What the reader delivers, in its order, as one line each.
struct Heard {
    std::vector<std::string> lines;
};

int hearChannel(MidiReaderState* state) {
    static_cast<Heard*>(state->userData)
        ->lines.push_back(std::to_string(state->time) + " track " + std::to_string(state->track) +
                          ": " + std::to_string(state->status) + " " +
                          std::to_string(state->data1) + " " + std::to_string(state->data2));
    return 0;
}

int hearTempo(MidiReaderState* state) {
    static_cast<Heard*>(state->userData)
        ->lines.push_back(std::to_string(state->time) + " track " + std::to_string(state->track) +
                          ": tempo " + std::to_string(state->tempo));
    return 0;
}

TEST(MidiFileWriter, WhatItWritesReadsBackAsItWasWritten) {
    std::mt19937 random(13);
    for (int round = 0; round < 50; ++round) {
        std::vector<Bytes> tracks;
        Heard expected;
        std::vector<std::pair<std::uint32_t, std::string>> written;  // by time, in track order
        int trackCount = 1 + static_cast<int>(random() % 4);
        std::uint32_t end = 0;
        for (int track = 0; track < trackCount; ++track) {
            MidiTrackWriter writer;
            std::uint32_t time = 0;
            std::string prefix = " track " + std::to_string(track) + ": ";
            for (int i = static_cast<int>(random() % 300); i > 0; --i) {
                std::uint32_t step = random() % 8 == 0 ? random() % 0x30000000 : random() % 200;
                time = step > 0xFFFFFFFF - time ? time : time + step;
                if (random() % 10 == 0) {
                    std::uint32_t tempo = random() & 0xFFFFFF;
                    writer.tempo(time, tempo);
                    written.push_back({time, prefix + "tempo " + std::to_string(tempo)});
                    continue;
                }
                auto status = static_cast<std::uint8_t>(0x80 + random() % 0x70);
                auto data1 = static_cast<std::uint8_t>(random() % 128);
                auto data2 =
                    static_cast<std::uint8_t>((status & 0xE0) == 0xC0 ? 0 : random() % 128);
                writer.channelMessage(time, status, data1, data2);
                written.push_back({time, prefix + std::to_string(status) + " " +
                                             std::to_string(data1) + " " + std::to_string(data2)});
            }
            std::uint32_t trackEnd = time + static_cast<std::uint32_t>(random() % 2) * 7;
            end = std::max(end, trackEnd);
            tracks.push_back(writer.finish(trackEnd));
        }
        // The reader goes by time, and at one time by track.
        std::stable_sort(written.begin(), written.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [time, text] : written)
            expected.lines.push_back(std::to_string(time) + text);

        Bytes file = midifile::midiFileBytes(1, 96, tracks);
        MidiHandler handlers[kMidiHandlerSlots] = {};
        handlers[kMidiSlotChannelEvent] = hearChannel;
        handlers[kMidiSlotTempo] = hearTempo;
        Heard heard;
        MidiReaderState state;
        state.handlers = handlers;
        state.userData = &heard;
        ASSERT_EQ(MidiReadBuffer(&state, file.data(), file.size()), kMidiOk);
        EXPECT_EQ(heard.lines, expected.lines) << "round " << round;
        EXPECT_EQ(state.format, 1);
        EXPECT_EQ(state.trackCount, trackCount);
        EXPECT_EQ(state.division, 96);
        EXPECT_EQ(state.endTime, end);
    }
}

}  // namespace
}  // namespace testing_support
