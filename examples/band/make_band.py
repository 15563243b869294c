#!/usr/bin/env python3
"""Writes band.mid, the MIDI file of the README's walk-through.

A short original piece as a sequencer writes it, not for the four voices: eight
bars in C major at 96 ticks per quarter note, a track per instrument, each on
a channel of its own (a lead with the pitch wheel on channel 1, a bass on 2,
piano chords with the sustain pedal on 3, a pad on 5, drums on 10 and a bell
on 11), with program changes, volume, pan and reverb as sequencers write them,
note-offs as note-off messages, running status, and a tempo change for the
close. songcheck tells what converting it as it stands loses; songprep arranges
it for the four voices. Run it again after changing it:

    python3 examples/band/make_band.py [output_folder]

It uses only the Python standard library and always writes the same bytes.
"""

import os
import struct
import sys

TICKS_PER_QUARTER = 96
BAR = 4 * TICKS_PER_QUARTER
BARS = 8

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

    def setup(self, channel, program, volume, pan, reverb):
        """What a sequencer writes at the start of an instrument's track."""
        self.add(0, [0xC0 | channel, program])
        self.add(0, [0xB0 | channel, 7, volume])
        self.add(0, [0xB0 | channel, 10, pan])
        self.add(0, [0xB0 | channel, 91, reverb])

    def control(self, tick, channel, controller, value):
        self.add(tick, [0xB0 | channel, controller, value])

    def wheel(self, tick, channel, value):
        """The pitch wheel, 0 to 16383 with 8192 the centre."""
        self.add(tick, [0xE0 | channel, value & 0x7F, value >> 7])

    def play(self, tick, channel, key, velocity, length):
        # Note-offs come before note-ons at the same tick, as sequencers sort them.
        self.events.append((tick + length, -1, bytes([0x80 | channel, key, 64])))
        self.add(tick, [0x90 | channel, key, velocity])

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


# A chord per bar; the seventh bar turns from F to G halfway.
CHORDS = ["C", "Am", "F", "G", "C", "Am", "FG", "C"]
CHORD_ROOTS = {"C": "C", "Am": "A", "F": "F", "G": "G"}
CHORD_TONES = {"C": [0, 4, 7], "Am": [0, 3, 7], "F": [0, 4, 7], "G": [0, 4, 7]}

# The lead, bar by bar: (note, beats).
MELODY = [
    [("E5", 1), ("G5", 1), ("C6", 1.5), ("B5", 0.5)],
    [("A5", 1), ("G5", 0.5), ("E5", 0.5), ("G5", 2)],
    [("F5", 1), ("A5", 1), ("C6", 1), ("A5", 1)],
    [("G5", 1.5), ("F5", 0.5), ("E5", 1), ("D5", 1)],
    [("E5", 1), ("G5", 1), ("C6", 1), ("E6", 1)],
    [("D6", 1.5), ("C6", 0.5), ("B5", 1), ("A5", 1)],
    [("A5", 1), ("F5", 1), ("G5", 1.5), ("D5", 0.5)],
    [("C5", 4)],
]


def chord_at(bar, beat):
    name = CHORDS[bar]
    if name == "FG":
        return "F" if beat < 2 else "G"
    return name


def conductor():
    track = Track("band")
    track.meta(0, 0x58, [4, 2, 24, 8])  # 4/4
    track.meta(0, 0x59, [0, 0])  # C major
    track.tempo(0, 112)
    track.tempo(6 * BAR, 92)  # a broadening for the close
    return track


def lead():
    channel = 0
    track = Track("Lead")
    track.setup(channel, 80, 100, 64, 40)
    for bar, notes in enumerate(MELODY):
        tick = bar * BAR
        for index, (name, length) in enumerate(notes):
            track.play(tick, channel, note(name), 100 if index == 0 else 88, beats(length) - 8)
            tick += beats(length)
    # The held G5 of bar 2 bent up a whole tone to A5 and back, at a range of
    # two semitones either way.
    bend = BAR + beats(2.5)
    for step, value in enumerate([8192, 10240, 12288, 14336, 16383]):
        track.wheel(bend + step * 12, channel, value)
    track.wheel(2 * BAR - 8, channel, 8192)
    # A dip below the centre on the last note, which the synthesizer cannot bend.
    track.wheel(7 * BAR + beats(2), channel, 6144)
    track.wheel(7 * BAR + beats(3), channel, 8192)
    return track


def bass():
    channel = 1
    track = Track("Bass")
    track.setup(channel, 33, 96, 64, 20)
    pattern = [(0, 1, 0), (1, 1, 7), (2, 1, 12), (3, 1, 7)]
    for bar in range(BARS):
        for beat, length, interval in pattern:
            root = note(CHORD_ROOTS[chord_at(bar, beat)] + "2")
            track.play(bar * BAR + beats(beat), channel, root + interval, 90, beats(length) - 6)
    return track


def piano():
    channel = 2
    track = Track("Piano")
    track.setup(channel, 0, 80, 50, 50)
    for bar in range(BARS):
        track.control(bar * BAR, channel, 64, 127)  # the sustain pedal, down
        for beat in (0, 2):
            chord = chord_at(bar, beat)
            root = note(CHORD_ROOTS[chord] + "3")
            if root < note("F3"):
                root += 12
            for tone in CHORD_TONES[chord]:
                track.play(bar * BAR + beats(beat), channel, root + tone, 64, beats(2) - 10)
        track.control(bar * BAR + BAR - 4, channel, 64, 0)  # and up before the next bar
    return track


def pad():
    channel = 4
    track = Track("Pad")
    track.setup(channel, 89, 70, 80, 90)
    for bar in range(0, BARS, 2):
        chord = chord_at(bar, 0)
        root = note(CHORD_ROOTS[chord] + "3")
        for tone in (0, 7):
            track.play(bar * BAR, channel, root + tone, 50, 2 * BAR - 12)
    return track


def drums():
    channel = 9
    track = Track("Drums")
    track.setup(channel, 0, 100, 64, 30)
    kick, snare, hat = 36, 38, 42
    for bar in range(BARS - 1):
        for beat in range(4):
            tick = bar * BAR + beats(beat)
            track.play(tick, channel, kick if beat % 2 == 0 else snare, 110 if beat == 0 else 96, 24)
            track.play(tick + beats(0.5), channel, hat, 60, 12)
    track.play((BARS - 1) * BAR, channel, 49, 110, 96)  # a crash cymbal at the close
    return track


def bell():
    channel = 10
    track = Track("Bell")
    track.setup(channel, 14, 76, 90, 100)
    for tick, name in ((0, "C6"), (4 * BAR, "E6"), (7 * BAR, "C6")):
        track.play(tick, channel, note(name), 70, BAR)
    return track


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    tracks = [conductor(), lead(), bass(), piano(), pad(), drums(), bell()]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TICKS_PER_QUARTER)
    with open(os.path.join(folder, "band.mid"), "wb") as out:
        out.write(header + b"".join(track.encode() for track in tracks))


if __name__ == "__main__":
    main()
