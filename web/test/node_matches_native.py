#!/usr/bin/env python3
"""Runs each program native and as WebAssembly under Node.js, each in a folder of
its own holding the same files, and compares what they print, their exit codes
and every file they leave: the same bytes, or the difference is shown.

  node_matches_native.py NATIVE_BUILD WEB_BUILD MIDI_FOLDER SIDE_FILES_FOLDER
"""
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

PROGRAMS = ["songmake", "songasm", "songdump", "songcheck", "songplay", "songprep"]


def folder_contents(folder):
    return {p.name: p.read_bytes() for p in sorted(Path(folder).iterdir()) if p.is_file()}


class Comparison:
    def __init__(self, native_build, web_build, work):
        self.native = {p: [str(Path(native_build).resolve() / p / p)] for p in PROGRAMS}
        self.node = {p: ["node", str(Path(web_build).resolve() / p / f"{p}.js")] for p in PROGRAMS}
        self.work = Path(work)
        self.runs = 0
        self.differences = []

    def folders(self, name, files):
        """Two fresh folders, native/ and node/, each holding `files`."""
        pair = []
        for side in ("native", "node"):
            folder = self.work / name / side
            shutil.rmtree(folder, ignore_errors=True)
            folder.mkdir(parents=True)
            for target, source in files.items():
                shutil.copyfile(source, folder / target)
            pair.append(folder)
        return pair

    def run(self, case, folders, program, *arguments):
        """Runs one command on both sides; True when both succeeded alike."""
        results = []
        for folder, command in zip(folders, (self.native, self.node)):
            done = subprocess.run(command[program] + list(arguments), cwd=folder,
                                  capture_output=True, timeout=300)
            results.append((done.returncode, done.stdout, done.stderr, folder_contents(folder)))
        self.runs += 1
        line = f"{case}: {program} {' '.join(arguments)}"
        (native_code, native_out, native_err, native_files), (code, out, err, files) = results
        for what, mine, theirs in (("exit code", native_code, code),
                                   ("standard output", native_out, out),
                                   ("standard error", native_err, err)):
            if mine != theirs:
                self.differences.append(f"{line}: {what} differs:\n  native: {mine!r:.400}\n"
                                        f"  node:   {theirs!r:.400}")
        for name in sorted(set(native_files) | set(files)):
            if native_files.get(name) != files.get(name):
                self.differences.append(f"{line}: file {name} differs "
                                        f"({len(native_files.get(name, b''))} bytes native, "
                                        f"{len(files.get(name, b''))} under Node.js)")
        return native_code == 0 and code == 0


def main():
    native_build, web_build, midi_folder, side_folder = sys.argv[1:5]
    side = Path(side_folder)
    with tempfile.TemporaryDirectory(prefix="node-native-") as work:
        compare = Comparison(native_build, web_build, work)

        # What every program says before it reads a file.
        folders = compare.folders("command-line", {})
        for program in PROGRAMS:
            for arguments in ([], ["--help"], ["--version"], ["--no-such-option"], ["missing.mid"]):
                compare.run("command line", folders, program, *arguments)

        songs = sorted(Path(midi_folder).glob("*.mid"))
        for midi in songs:
            files = {"in.mid": midi}
            if midi.stem.startswith("demo"):
                files.update({"in.env": side / "demo.env", "in-0.raw": side / "demo-0.raw",
                              "in-1.raw": side / "demo-1.raw"})
            folders = compare.folders(midi.stem, files)
            compare.run(midi.name, folders, "songcheck", "--svg", "in.mid")
            compare.run(midi.name, folders, "songmake", "in.mid")
            compare.run(midi.name, folders, "songcheck", "--strict", "--unit-ms", "5",
                        "--max-bytes", "1000", "in.mid")
            compare.run(midi.name, folders, "songprep", "--voices", "auto", "--arpeggio", "60",
                        "in.mid", "channels.mid")
            compare.run(midi.name, folders, "songprep", "--melody", "1", "--bass", "2", "--drums",
                        "off", "--no-bend", "--max-bytes", "600", "--unit-ms", "4", "in.mid",
                        "small.mid")
            compare.run(midi.name, folders, "songprep", "in.mid", "no-such-folder/out.mid")
            if compare.run(midi.name, folders, "songprep", "in.mid", "song.mid"):
                compare.run(midi.name, folders, "songmake", "song.mid")
                compare.run(midi.name, folders, "songasm", "song.sng")
                compare.run(midi.name, folders, "songdump", "song.sng")
                compare.run(midi.name, folders, "songdump", "--svg", "song.sng")
                compare.run(midi.name, folders, "songplay", "--rate", "8000", "song.sng")
                compare.run(midi.name, folders, "songplay", "--rate", "11025", "--tables", "1221",
                            "--mute", "0,3", "-o", "muted.wav", "song.sng")
                compare.run(midi.name, folders, "songdump", "--svg", "--list", "--unit-ms", "4",
                            "song.sng")
                compare.run(midi.name, folders, "songcheck", "--strict", "song.mid")
                # The same song file cut short.
                for folder in folders:
                    song = (folder / "song.sng").read_bytes()
                    (folder / "cut.sng").write_bytes(song[: len(song) // 2])
                for program in ("songasm", "songdump", "songplay"):
                    compare.run(midi.name, folders, program, "cut.sng")

        print(f"{compare.runs} runs of {len(songs)} MIDI files compared, native against Node.js")
        for difference in compare.differences:
            print(difference)
        return 1 if compare.differences else 0


if __name__ == "__main__":
    sys.exit(main())
