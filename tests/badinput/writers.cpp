#include "tests/badinput/writers.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace testing_support {

std::vector<std::string> Writer::arguments(const std::string& base) const {
    std::vector<std::string> line = options;
    line.push_back(input(base));
    if (namesOutput) line.push_back(output(base));
    return line;
}

void Writer::prepare(const SongFolder& space, const std::string& base, int notes) const {
    MidiTrack track;
    for (int i = 0; i < notes; ++i)
        track.note(static_cast<std::uint32_t>(i) * 120, i % 4, 48 + i % 24, 100, 100);
    Bytes midi = midiFile(0, {track});
    if (readsMidi) {
        space.write(input(base), midi);
        if (needsWaves) space.writeWaves(base);
        return;
    }
    // The song comes from songmake, which needs the side files beside the MIDI
    // file; only the song stays.
    space.writeMidi(midi, base + ".mid");
    RunResult made = space.run(SONGMAKE_PATH, {base + ".mid"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    for (const char* side : {".mid", "-0.raw", "-1.raw"})
        std::filesystem::remove(space.folder / (base + side));
}

const std::vector<Writer>& allWriters() {
    static const std::vector<Writer> writers = {
        {"songmake", SONGMAKE_PATH, ".mid", ".sng", true, true, {}, false, 3},
        {"songasm", SONGASM_PATH, ".sng", ".S", false, false, {}, false, 1},
        {"songdump", SONGDUMP_PATH, ".sng", ".svg", false, false, {"--svg"}, false, 1},
        {"songcheck", SONGCHECK_PATH, ".mid", ".check.svg", true, true, {"--svg"}, false, 3},
        {"songprep", SONGPREP_PATH, ".mid", "-prep.mid", true, false, {}, true, 3},
        {"songplay", SONGPLAY_PATH, ".sng", ".wav", false, false, {}, false, 1},
    };
    return writers;
}

}  // namespace testing_support
