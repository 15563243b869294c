#!/usr/bin/env python3
"""Writes the example song: demo.mid, demo-0.raw, demo-1.raw and demo.env.

A short original piece in C major for the four voices, about half a minute
long: a melody on voice 0 (with legato slides, a bend and vibrato through
controller 2), a bass on voice 1, an arpeggio on voice 2 that moves across
the stereo field, and a percussive voice 3. Run it again after changing it:

    python3 examples/demo/make_demo.py [output_folder]

It uses only the Python standard library and always writes the same bytes.
"""

import math
import os
import struct
import sys

TICKS_PER_QUARTER = 480
BAR = 4 * TICKS_PER_QUARTER
BARS = 16

NOTE_NAMES = {"C": 0, "C#": 1, "D": 2, "D#": 3, "E": 4, "F": 5, "F#": 6,
              "G": 7, "G#": 8, "A": 9, "A#": 10, "B": 11}


def note(name):
    """'C4' is MIDI note 60."""
    return NOTE_NAMES[name[:-1]] + 12 * (int(name[-1]) + 1)


def beats(value):
    return round(value * TICKS_PER_QUARTER)


class Track:
    """One MTrk chunk; events at equal ticks keep the order they were added."""

    def __init__(self, name):
        self.events = []
        self.meta(0, 0x03, name.encode("ascii"))

    def add(self, tick, data):
        self.events.append((tick, len(self.events), bytes(data)))

    def meta(self, tick, kind, data):
        self.add(tick, [0xFF, kind, len(data)] + list(data))

    def tempo(self, tick, bpm):
        self.meta(tick, 0x51, (60_000_000 // bpm).to_bytes(3, "big"))

    def control(self, tick, channel, controller, value):
        self.add(tick, [0xB0 | channel, controller, value])

    def play(self, tick, channel, key, velocity, length):
        # A note-on with velocity 0 ends a note, so long runs share one status byte.
        self.add(tick, [0x90 | channel, key, velocity])
        self.add(tick + length, [0x90 | channel, key, 0])

    def encode(self):
        out = bytearray()
        previous_tick = 0
        running_status = None
        for tick, _, data in sorted(self.events):
            out += variable_length(tick - previous_tick)
            previous_tick = tick
            if data[0] < 0xF0 and data[0] == running_status:
                out += data[1:]  # running status: the status byte is left out
            else:
                out += data
                running_status = data[0] if data[0] < 0xF0 else None
        out += variable_length(0) + bytes([0xFF, 0x2F, 0x00])
        return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def variable_length(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(groups))


# One chord per bar: C Am F G twice, then Am F C G, then F G, F-G, C.
CHORDS = ["C", "Am", "F", "G", "C", "Am", "F", "G",
          "Am", "F", "C", "G", "F", "G", "FG", "C"]
CHORD_ROOTS = {"C": "C", "Am": "A", "F": "F", "G": "G"}
CHORD_TONES = {"C": [0, 4, 7], "Am": [0, 3, 7], "F": [0, 4, 7], "G": [0, 4, 7]}

# The melody, bar by bar: (note, beats); a bar marked legato overlaps its notes.
MELODY = [
    ([("E4", 1), ("G4", 1), ("C5", 1.5), ("B4", 0.5)], False),
    ([("A4", 1), ("E4", 1), ("A4", 1), ("C5", 1)], False),
    ([("F4", 0.5), ("G4", 0.5), ("A4", 1), ("C5", 1), ("A4", 1)], False),
    ([("D5", 1), ("B4", 1), ("G4", 2)], False),
    ([("G4", 0.5), ("A4", 0.5), ("G4", 0.5), ("E4", 0.5), ("C5", 2)], True),
    ([("C5", 1), ("B4", 0.5), ("A4", 0.5), ("E5", 2)], True),
    ([("F5", 1), ("E5", 0.5), ("D5", 0.5), ("C5", 1), ("A4", 1)], False),
    ([("B4", 1), ("C5", 1), ("D5", 2)], False),
    ([("E5", 1.5), ("D5", 0.5), ("C5", 1), ("A4", 1)], False),
    ([("C5", 1.5), ("A4", 0.5), ("F4", 1), ("A4", 1)], False),
    ([("G4", 1), ("C5", 1), ("E5", 1), ("G5", 1)], False),
    ([("F5", 1), ("E5", 0.5), ("D5", 0.5), ("B4", 2)], True),
    ([("A4", 1), ("C5", 1), ("F5", 1), ("E5", 0.5), ("D5", 0.5)], False),
    ([("D5", 1), ("E5", 0.5), ("D5", 0.5), ("B4", 1), ("G4", 1)], False),
    ([("A4", 1), ("B4", 1), ("C5", 1), ("D5", 1)], True),
    ([("E5", 1), ("C5", 3)], False),
]


def chord_at(bar, beat):
    name = CHORDS[bar]
    if name == "FG":
        return "F" if beat < 2 else "G"
    return name


def conductor():
    track = Track("demo")
    track.meta(0, 0x58, [4, 2, 24, 8])  # 4/4
    track.tempo(0, 120)
    track.tempo(14 * BAR, 100)  # a broadening at the close
    track.tempo(15 * BAR, 80)
    return track


def melody():
    channel = 0
    track = Track("melody")
    track.control(0, channel, 1, 64)
    track.control(8 * BAR, channel, 1, 96)
    tick = 0
    for bar, (notes, legato) in enumerate(MELODY):
        tick = bar * BAR
        for index, (name, length) in enumerate(notes):
            last = index == len(notes) - 1
            duration = beats(length) + (60 if legato and not last else -40)
            track.play(tick, channel, note(name), 96 if index == 0 else 84, duration)
            tick += beats(length)
    # A bend up a whole tone at the end of bar 4, on the held G4.
    for step, value in enumerate([0, 32, 64, 96, 127]):
        track.control(3 * BAR + beats(3) + step * 80, channel, 2, value)
    # Vibrato on the long notes of bar 6 and of the last bar.
    for start, count in ((5 * BAR + beats(2.25), 10), (15 * BAR + beats(1.5), 14)):
        for step in range(count):
            track.control(start + step * 80, channel, 2, 0 if step % 2 else 10)
    return track


def bass():
    channel = 1
    track = Track("bass")
    pattern = [(0, 1.5, 0), (1.5, 0.5, 0), (2, 1, 7), (3, 1, 12)]
    for bar in range(BARS):
        for beat, length, interval in pattern:
            root = note(CHORD_ROOTS[chord_at(bar, beat)] + "2")
            # Notes end just before the next one, so the player keeps the voice busy.
            track.play(bar * BAR + beats(beat), channel, root + interval, 90, beats(length) - 10)
    return track


def arpeggio():
    channel = 2
    track = Track("arpeggio")
    track.control(0, channel, 4, 40)
    track.control(12 * BAR, channel, 4, 80)
    pans = {0: 20, 4: 108, 8: 64, 12: 30, 14: 64}  # bar: pan
    steps = [0, 1, 2, 3, 4, 3, 2, 1]  # up and down the chord, eighth notes
    for bar in range(BARS):
        if bar in pans:
            track.control(bar * BAR, channel, 10, pans[bar])
        for index, step in enumerate(steps):
            chord = chord_at(bar, index / 2)
            tones = CHORD_TONES[chord]
            octave, degree = divmod(step, 3)
            key = note(CHORD_ROOTS[chord] + "3") + tones[degree] + 12 * octave
            if bar == BARS - 1 and index > 0:
                break
            length = 200 if bar < BARS - 1 else BAR - 40
            track.play(bar * BAR + index * 240, channel, key, 70 if index % 2 == 0 else 56, length)
    return track


def percussion():
    channel = 3
    track = Track("percussion")
    for bar in range(4, BARS - 1):
        start = bar * BAR
        for beat in range(4):
            tick = start + beats(beat)
            if beat % 2 == 0:
                track.play(tick, channel, note("C2"), 110, 90)  # a low thump
            else:
                track.play(tick, channel, note("C6"), 76, 50)   # a bright click
            track.play(tick + beats(0.5), channel, note("C7"), 40, 30)  # a tick between
    track.play((BARS - 1) * BAR, channel, note("C2"), 110, 120)
    return track


def midi_file(tracks):
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TICKS_PER_QUARTER)
    return header + b"".join(track.encode() for track in tracks)


def wave(harmonics):
    """64 samples of one cycle, 16-bit little-endian, peak near full scale."""
    samples = [sum(level * math.sin(2 * math.pi * number * i / 64 + phase)
                   for number, level, phase in harmonics) for i in range(64)]
    peak = max(abs(s) for s in samples)
    return b"".join(struct.pack("<h", round(s / peak * 30000)) for s in samples)


ENVELOPES = """\
# Envelopes of the demo: tick voice kind mode p0 p1 p2 p3
# Mode A uses all four parameters, D the last two, H the last one.
0 0 Vol A 12 200 48 150
0 1 Vol A 2 255 24 180
0 2 Vol D 0 0 40 110
0 3 Vol H 0 0 0 90
7680 0 wave H 0 0 0 1
"""


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    outputs = {
        "demo.mid": midi_file([conductor(), melody(), bass(), arpeggio(), percussion()]),
        # A soft organ-like tone and a brighter, hollow one.
        "demo-0.raw": wave([(1, 1.0, 0), (2, 0.35, 0.5), (3, 0.15, 1.0)]),
        "demo-1.raw": wave([(1, 1.0, 0), (3, 0.33, 0), (5, 0.2, 0), (7, 0.14, 0)]),
        "demo.env": ENVELOPES.encode("ascii"),
    }
    for name, data in outputs.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
