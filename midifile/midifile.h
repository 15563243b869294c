// A Standard MIDI File reader that calls back for every channel message and
// tempo change, with the times of all tracks on one axis.
#pragma once

#include <cstddef>
#include <cstdint>

struct MidiReaderState;

// A handler gets the very state record that was passed to MidiReadFile.
using MidiHandler = int (*)(MidiReaderState* state);

inline constexpr int kMidiHandlerSlots = 18;
inline constexpr int kMidiSlotChannelEvent = 9;  // every channel message 0x80-0xEF
inline constexpr int kMidiSlotTempo = 13;        // every tempo meta event

struct MidiReaderState {
    MidiHandler* handlers = nullptr;  // kMidiHandlerSlots slots; empty slots are null
    const char* fileName = nullptr;
    std::uint32_t time = 0;  // ticks since the start of the song
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;    // 0 for messages with one data byte
    std::uint32_t tempo = 0;   // microseconds per quarter note
    void* userData = nullptr;  // left alone by the reader, for the handlers

    // The file's header, set before the first handler is called.
    std::uint16_t format = 0;
    std::uint16_t trackCount = 0;  // track chunks found, at most as many as the header says
    std::uint16_t division = 0;    // ticks per quarter note; the top bit set means SMPTE time
    std::uint16_t track = 0;       // the track of the current message or tempo, from 0
    std::uint32_t endTime = 0;     // once the file is read: when its last track ends

    // Details of the last error, for MidiGetErr.
    std::size_t errorOffset = 0;
    std::uint32_t errorValue = 0;
};

enum MidiError {
    kMidiOk = 0,
    kMidiErrCantOpen,
    kMidiErrCantRead,
    kMidiErrNoHeader,
    kMidiErrRiffWithoutData,
    kMidiErrHeaderTooShort,
    kMidiErrHeaderTruncated,
    kMidiErrFormat,
    kMidiErrNoRunningStatus,
    kMidiErrVarLenTooLong,
    kMidiErrTruncatedTrack,
    kMidiErrBadStatus,
    kMidiErrTooLarge,
};

// Far beyond any real song. A longer file, or one that never ends (a device, a
// pipe), is refused rather than read until memory runs out.
inline constexpr std::size_t kMidiLargestFile = std::size_t{64} << 20;

// Reads the file named in state->fileName; returns 0 or a MidiError code.
int MidiReadFile(MidiReaderState* state);

// The same over a file already in memory; state->fileName is not used.
int MidiReadBuffer(MidiReaderState* state, const std::uint8_t* data, std::size_t size);

// Writes a NUL-terminated description of `code`, at most `length` bytes with the
// terminator, and returns the number of characters written.
int MidiGetErr(const MidiReaderState* state, char* buffer, int length, int code);
