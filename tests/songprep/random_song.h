// MIDI files as they come from anywhere, made up from a seed: many channels,
// chords and overlapping notes, notes of no length or a tick long, note-ons
// before note-offs at one tick, the pitch wheel, controllers of every kind,
// tempo changes, and any division.
#pragma once

#include <cstdint>

#include "tests/support/midi_writer.h"

namespace testing_support {

Bytes randomSong(std::uint32_t seed);

}  // namespace testing_support
