// The timeline: orders the merged events and turns absolute tick times into the
// one-byte delays the player waits before each record.
#pragma once

#include "songmake/events.h"

// The merged list's order: by time, and at equal times every other event before a
// note-on that carries its velocity.
bool eventBefore(const Event& a, const Event& b);

// Sorts with eventBefore, keeping the merged order of events it holds equal.
void sortEvents(EventList& list);

// Folds tempo events into the scale factor, replaces every time with the delay
// since the event before, in player units, and bridges long gaps with fillers.
void buildTimeline(EventList& list);
