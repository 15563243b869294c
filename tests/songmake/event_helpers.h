// Events built by hand for the stage tests, and a readable account of a list,
// so a test says which events go in and which come out:
//   EventList list = eventList(noteOn(0, 60, 100), noteOff(480, 60));
//   EXPECT_EQ(describe(list), (Lines{"note-on 60 v100 @0", "note-off 60 @480"}));
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "songmake/capture.h"
#include "songmake/events.h"

namespace testing_support {

using Lines = std::vector<std::string>;

// Events as capture makes them; controller values are MIDI values (the event holds twice).
EventPointer noteOn(std::uint32_t time, int note, int velocity, int channel = 0);
EventPointer noteOff(std::uint32_t time, int note, int channel = 0);
EventPointer pitch(std::uint32_t time, int value, int channel = 0);
EventPointer repeat(std::uint32_t time, int value, int channel = 0);
EventPointer control(std::uint32_t time, int controller, int midiValue, int channel = 0);
EventPointer pan(std::uint32_t time, int midiValue, int channel = 0);
EventPointer tempo(std::uint32_t time, std::uint32_t microsecondsPerQuarter);
EventPointer envelope(int type, std::uint32_t time, int channel, int mode,
                      std::vector<int> params = {0, 0, 0, 0});
// An event of any type, as the passes may leave it (a slide is a note-on of type 26).
EventPointer withType(EventPointer event, int type);

template <typename... Events>
EventList eventList(Events&&... events) {
    EventList list;
    (list.push_back(std::forward<Events>(events)), ...);
    return list;
}

template <typename... Events>
ChannelTrack channelTrack(Events&&... events) {
    ChannelTrack track;
    track.events = eventList(std::forward<Events>(events)...);
    return track;
}

// One line per event: its kind, its own fields and "@time", e.g.
// "note-on 60 v100 @0", "slide 338 @240", "control 4=200 @1000", "tempo 600000 @960".
std::string describe(const Event& event);
Lines describe(const EventList& list);
// The channel of every event, in list order.
std::vector<int> channels(const EventList& list);

// The records of every event of the list, back to back.
ByteStream records(const EventList& list);
ByteStream record(const Event& event);

}  // namespace testing_support
