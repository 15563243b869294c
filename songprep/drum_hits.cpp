#include "songprep/drum_hits.h"

namespace songprep {
namespace {

// The kit's keys 35 to 81, in order.
constexpr std::uint8_t kFirstKitKey = 35;
constexpr DrumHit kKit[] = {
    {28, 70, 9},  // 35 acoustic bass drum
    {28, 70, 9},  // 36 bass drum
    {60, 25, 6},  // 37 side stick
    {50, 50, 8},  // 38 acoustic snare
    {55, 45, 6},  // 39 hand clap
    {50, 50, 8},  // 40 electric snare
    {36, 80, 5},  // 41 low floor tom
    {90, 20, 3},  // 42 closed hi-hat
    {40, 80, 5},  // 43 high floor tom
    {90, 20, 3},  // 44 pedal hi-hat
    {43, 80, 5},  // 45 low tom
    {88, 80, 3},  // 46 open hi-hat
    {45, 80, 5},  // 47 low-mid tom
    {48, 80, 5},  // 48 high-mid tom
    {84, 120, 4},  // 49 crash cymbal 1
    {52, 80, 5},  // 50 high tom
    {93, 60, 3},  // 51 ride cymbal 1
    {82, 120, 4},  // 52 Chinese cymbal
    {96, 50, 3},  // 53 ride bell
    {86, 40, 2},  // 54 tambourine
    {89, 90, 4},  // 55 splash cymbal
    {76, 40, 2},  // 56 cowbell
    {85, 120, 4},  // 57 crash cymbal 2
    {70, 60, 2},  // 58 vibraslap
    {94, 60, 3},  // 59 ride cymbal 2
    {72, 40, 2},  // 60 high bongo
    {67, 40, 2},  // 61 low bongo
    {70, 30, 2},  // 62 mute high conga
    {67, 50, 2},  // 63 open high conga
    {62, 50, 2},  // 64 low conga
    {64, 50, 2},  // 65 high timbale
    {59, 50, 2},  // 66 low timbale
    {79, 40, 2},  // 67 high agogo
    {74, 40, 2},  // 68 low agogo
    {92, 30, 1},  // 69 cabasa
    {95, 25, 1},  // 70 maracas
    {84, 60, 1},  // 71 short whistle
    {84, 120, 1},  // 72 long whistle
    {81, 30, 1},  // 73 short guiro
    {81, 80, 1},  // 74 long guiro
    {83, 25, 2},  // 75 claves
    {77, 30, 2},  // 76 high wood block
    {72, 30, 2},  // 77 low wood block
    {74, 30, 1},  // 78 mute cuica
    {71, 50, 1},  // 79 open cuica
    {98, 25, 1},  // 80 mute triangle
    {98, 90, 1},  // 81 open triangle
};
constexpr std::uint8_t kLastKitKey = kFirstKitKey + sizeof kKit / sizeof kKit[0] - 1;
static_assert(kLastKitKey == 81);

constexpr DrumHit kOutsideKit = {64, 30, 1};

}  // namespace

DrumHit drumHit(std::uint8_t drumKey) {
    if (drumKey < kFirstKitKey || drumKey > kLastKitKey) return kOutsideKit;
    return kKit[drumKey - kFirstKitKey];
}

}  // namespace songprep
