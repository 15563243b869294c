// The song's events: one object per musical fact, each able to append its own
// record to the song's event stream.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "songformat/records.h"

// Type codes, stored as plain integers in every event. Most are the code of the
// record the event writes; the others say how it is written.
enum EventType : std::int32_t {
    kTypeContinue = songformat::kCodeFiller,  // filler that lengthens a pause
    kTypePitch = songformat::kCodePitch,      // new frequency word for the voice, same note
    kTypeRepeat = songformat::kCodeRepeat,    // repeat parameter from controller 3
    kTypeNoteOff = songformat::kCodeNoteOff,
    kTypeNoteOn = songformat::kCodeNoteOn,  // note-on with its velocity byte
    // note-on that reuses the voice's previous velocity
    kTypeNoteOnSameVelocity = songformat::kCodeNoteOnSameVelocity,
    kTypeControl = 11,  // controllers 1, 4 and 10, written with the controller's number
    kTypeEnd = songformat::kCodeEnd,
    kTypeEnvelopeVolume = songformat::kCodeEnvelopeVolume,  // kind word starts with "V" or "v"
    kTypeEnvelopeOther = songformat::kCodeEnvelopeOther,
    kTypeSlide = 26,  // legato note-on, written with the pitch code
    kTypeTempo = 81,  // consumed by the timeline, never written
};

using songformat::ByteStream;

class Event {
public:
    Event(std::int32_t type, std::uint32_t time, std::uint8_t channel)
        : type(type), time(time), channel(channel) {}
    virtual ~Event() = default;

    // Appends this event's record to the song's event stream.
    virtual void write(ByteStream& out) const;

    // Events are allocated from a shared pool: songs hold millions of them.
    static void* operator new(std::size_t size);
    static void operator delete(void* pointer, std::size_t size);

    std::int32_t type;
    std::uint32_t time;  // absolute MIDI ticks, then the delay before the event in player units
    std::uint8_t channel;

protected:
    // The time byte and the code byte every record starts with.
    void writeHead(ByteStream& out, unsigned code) const {
        songformat::appendHead(out, time, code, channel);
    }
};

class EvContinue : public Event {
public:
    EvContinue() : Event(kTypeContinue, songformat::kFillerDelayByte, 0) {}
};

class EvPitch : public Event {
public:
    EvPitch(std::uint32_t time, std::uint8_t channel, std::uint16_t value)
        : Event(kTypePitch, time, channel), value(value) {}
    void write(ByteStream& out) const override;
    std::uint16_t value;  // controller value, then frequency word
};

class EvRepeat : public Event {
public:
    EvRepeat(std::uint32_t time, std::uint8_t channel, std::uint8_t value)
        : Event(kTypeRepeat, time, channel), value(value) {}
    void write(ByteStream& out) const override;
    std::uint8_t value;
};

class EvNoteOff : public Event {
public:
    EvNoteOff(std::uint32_t time, std::uint8_t channel, std::uint16_t value)
        : Event(kTypeNoteOff, time, channel), value(value) {}
    std::uint16_t value;  // note number, never written
};

class EvNoteOn : public Event {
public:
    EvNoteOn(std::uint32_t time, std::uint8_t channel, std::uint16_t value, std::uint8_t velocity)
        : Event(kTypeNoteOn, time, channel), value(value), velocity(velocity) {}
    void write(ByteStream& out) const override;
    std::uint16_t value;  // note number, then frequency word
    std::uint8_t velocity;
};

class EvControl : public Event {
protected:
    EvControl(std::int32_t type, std::uint32_t time, std::uint8_t channel, std::uint8_t value)
        : Event(type, time, channel), value(value) {}

public:
    std::uint8_t value;  // twice the MIDI controller value
};

class EvMidiControl : public EvControl {
public:
    EvMidiControl(std::uint32_t time, std::uint8_t channel, std::uint8_t controller,
                  std::uint8_t value)
        : EvControl(kTypeControl, time, channel, value), controller(controller) {}
    void write(ByteStream& out) const override;
    std::uint8_t controller;
};

class EvEnd : public Event {
public:
    EvEnd() : Event(kTypeEnd, 0, 0) {}
};

class EvEnvelope : public Event {
public:
    EvEnvelope(std::int32_t type, std::uint32_t time, std::uint8_t channel, std::uint8_t mode,
               const std::uint8_t (&params)[4])
        : Event(type, time, channel),
          mode(mode),
          params{params[0], params[1], params[2], params[3]} {}
    void write(ByteStream& out) const override;
    std::uint8_t mode;  // a songformat::EnvelopeMode, or the letter of another mode
    std::uint8_t params[4];
};

class EvTempo : public Event {
public:
    EvTempo(std::uint32_t time, std::uint8_t channel, std::uint32_t tempo)
        : Event(kTypeTempo, time, channel), tempo(tempo) {}
    void write(ByteStream&) const override {}  // consumed by the timeline
    std::uint32_t tempo;                       // microseconds per quarter note
};

// An ordered sequence of events that owns them.
using EventPointer = std::unique_ptr<Event>;
using EventList = std::vector<EventPointer>;
