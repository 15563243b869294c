#include "songdump/svg_roll.h"

#include <algorithm>
#include <cstdio>

#include "music/pitch.h"
#include "toolkit/text_format.h"

namespace songdump {
namespace {

using pianoroll::kMostBarsPerLayer;
using pianoroll::RollBar;
using pianoroll::RollPicture;
using toolkit::format;

// The picture songdump draws of a song's records; `cut` tells whether a layer
// was left at kMostBarsPerLayer.
RollPicture pictureOf(const PianoRoll& roll, bool& cut) {
    RollPicture picture;
    picture.length = roll.length();
    cut = roll.bars().size() > kMostBarsPerLayer || roll.steps().size() > kMostBarsPerLayer ||
          roll.marks().size() > kMostBarsPerLayer;
    for (const NoteBar& bar : roll.bars()) {
        if (picture.bars.size() == kMostBarsPerLayer) break;
        RollBar drawn;
        drawn.start = static_cast<double>(bar.start);
        drawn.end = static_cast<double>(bar.end);
        drawn.note = music::noteNumberOfWord(bar.word);
        drawn.voice = bar.voice;
        drawn.opacity = 0.45 + 0.55 * std::min(bar.velocity, std::uint8_t{127}) / 127.0;
        drawn.edged = bar.afterStep;
        drawn.title = format("voice %u: %s, %.2f Hz", bar.voice,
                             music::noteNameOfWord(bar.word).c_str(), music::hertzOfWord(bar.word));
        picture.bars.push_back(std::move(drawn));
    }
    for (const PitchStep& step : roll.steps()) {
        if (picture.steps.size() == kMostBarsPerLayer) break;
        picture.steps.push_back({static_cast<double>(step.time),
                                 music::noteNumberOfWord(step.fromWord),
                                 music::noteNumberOfWord(step.toWord), step.voice});
    }
    for (const SettingMark& mark : roll.marks()) {
        if (picture.marks.size() == kMostBarsPerLayer) break;
        picture.marks.push_back(
            {static_cast<double>(mark.time), mark.voice,
             format("voice %u at %llu: ", mark.voice, static_cast<unsigned long long>(mark.time)) +
                 mark.label});
    }
    for (int voice = 0; voice < kVoiceNibbleValues; ++voice)
        if (roll.voiceUsed(voice))
            picture.legend.push_back({voice, RollBar::Look::filled, format("voice %d", voice)});
    // The strip of marks, labelled "set", in the colour of the voice they set.
    picture.legend.push_back({pianoroll::kNeutralGrey, RollBar::Look::filled,
                              "set: a voice's setting changes, in its colour", 290, true});
    return picture;
}

}  // namespace

std::string renderPianoRoll(const PianoRoll& roll, const std::string& songName, double unitMs) {
    bool cut = false;
    RollPicture picture = pictureOf(roll, cut);
    double seconds = static_cast<double>(roll.length()) * unitMs / 1000.0;
    picture.title = songName + format(": %.2f s, %llu player units of %g ms", seconds,
                                      static_cast<unsigned long long>(roll.length()), unitMs);
    if (cut) picture.title += format(", the first %zu of each layer", kMostBarsPerLayer);
    picture.secondsPerUnit = unitMs / 1000.0;
    return pianoroll::renderRoll(picture);
}

}  // namespace songdump
