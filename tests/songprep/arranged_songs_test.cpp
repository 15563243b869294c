// What the arranger keeps of songs of the kinds users bring: the melody, the
// bass and most of the music, by songprep's own figures, with nothing of its
// output lost to the converter, no blip and no key on two voices. The channel
// mapping's figures are printed beside them.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "tests/songprep/arrangement_audit.h"
#include "tests/songprep/kinds_of_song.h"
#include "tests/support/song_folder.h"

namespace testing_support {
namespace {

struct Figures {
    double melody = 0, bass = 0, noteTime = 0, ceiling = 0;
};

// From the report's "Music kept: melody M%, bass B%, note time N%".
Figures figuresOf(const std::string& report) {
    Figures figures;
    std::size_t at = report.find("Music kept: ");
    if (at == std::string::npos ||
        std::sscanf(report.c_str() + at,
                    "Music kept: melody %lf%%, bass %lf%%, note time %lf%% (four voices hold at "
                    "most %lf%%)",
                    &figures.melody, &figures.bass, &figures.noteTime, &figures.ceiling) != 4)
        ADD_FAILURE() << "no figures in " << report;
    return figures;
}

class ArrangedSongs : public ::testing::Test {
protected:
    ArrangedSongs() {
        song.writeWaves("out");
        song.writeEnvelopes("", "out");
    }

    Figures prepare(const Bytes& midi, std::vector<std::string> options) {
        song.write("in.mid", midi);
        options.insert(options.end(), {"in.mid", "out.mid"});
        RunResult result = song.run(SONGPREP_PATH, options);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return figuresOf(result.output);
    }

    SongFolder song;
};

TEST_F(ArrangedSongs, KeepTheMelodyTheBassAndMostOfTheMusic) {
    constexpr int kSeeds = 4;
    Figures arranged, channels, worst{100, 100, 100};
    int songs = 0;
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        for (const KindOfSong& kind : kindsOfSong(seed)) {
            SCOPED_TRACE(kind.name + ", seed " + std::to_string(seed));
            Figures before = prepare(kind.midi, {"--voices", "auto"});
            Figures after = prepare(kind.midi, {});
            RunResult check = song.run(SONGCHECK_PATH, {"--strict", "out.mid"});
            EXPECT_EQ(check.exitCode, 0) << check.output;
            ArrangementAudit audit = auditArrangement(kind.midi, readFile(song.folder / "out.mid"));
            EXPECT_EQ(audit.blips, 0u);
            EXPECT_EQ(audit.doubledMs, 0.0);
            std::printf(
                "%-18s seed %u: melody %5.1f%% -> %5.1f%%, bass %5.1f%% -> %5.1f%%, "
                "note time %5.1f%% -> %5.1f%% of %5.1f%%\n",
                kind.name.c_str(), seed, before.melody, after.melody, before.bass, after.bass,
                before.noteTime, after.noteTime, after.ceiling);
            ++songs;
            arranged.melody += after.melody;
            arranged.bass += after.bass;
            arranged.noteTime += after.noteTime;
            arranged.ceiling += after.ceiling;
            channels.melody += before.melody;
            channels.bass += before.bass;
            channels.noteTime += before.noteTime;
            worst.melody = std::min(worst.melody, after.melody);
            EXPECT_GE(after.melody, 85);
        }
    }
    std::printf(
        "mean of %d songs: melody %.1f%% -> %.1f%%, bass %.1f%% -> %.1f%%, note time "
        "%.1f%% -> %.1f%%\n",
        songs, channels.melody / songs, arranged.melody / songs, channels.bass / songs,
        arranged.bass / songs, channels.noteTime / songs, arranged.noteTime / songs);
    EXPECT_GE(arranged.melody / songs, 97);
    EXPECT_GE(arranged.bass / songs, 90);
    // Dense songs hold more notes than four voices can: the note time is
    // judged against what four voices could hold at all.
    EXPECT_GE(arranged.noteTime / arranged.ceiling, 0.85);
}

}  // namespace
}  // namespace testing_support
