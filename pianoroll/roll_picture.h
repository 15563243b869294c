// Draws a piano roll as an SVG picture: bars at their pitch over time, steps
// joining them, marks along the bottom, a time axis and a legend. songdump
// draws a song's records with it; songcheck draws a MIDI file's notes and the
// song's over each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pianoroll {

struct RollBar {
    enum class Look { filled, outlined, greyOutline };
    double start = 0, end = 0;  // player units
    double note = 0;            // a fractional MIDI note number
    int voice = 0;              // picks the colour
    Look look = Look::filled;
    double opacity = 1;  // of a filled bar
    bool edged = false;  // a thin dark edge: begun by a pitch change or slide
    std::string title;   // shown when pointed at
};

struct RollStep {
    double time = 0;
    double fromNote = 0, toNote = 0;
    int voice = 0;
};

struct RollMark {
    double time = 0;
    int voice = 0;  // picks the colour; kAlarm for a warning red
    std::string title;
};
inline constexpr int kAlarm = -1;
inline constexpr int kNeutralGrey = 7;  // the grey among the voice colours

struct LegendEntry {
    int voice = 0;  // picks the colour; kAlarm for a warning red
    RollBar::Look look = RollBar::Look::filled;
    std::string label;
    double width = 70;  // room it takes in the legend row
    bool mark = false;  // shown as a mark of the strip along the bottom, not as a bar
};

struct RollPicture {
    std::string title;
    std::uint64_t length = 0;       // the time axis runs from 0 to here, in player units
    double secondsPerUnit = 0;      // the time axis is labelled in seconds
    std::string markLabel = "set";  // names the strip of marks
    std::vector<RollBar> bars;      // drawn in order, later ones on top
    std::vector<RollStep> steps;
    std::vector<RollMark> marks;
    std::vector<LegendEntry> legend;
};

std::string renderRoll(const RollPicture& picture);

// A picture is some 1400 pixels wide: a layer (bars, steps or marks) of more
// than this shows nothing more, and would only make the file huge.
inline constexpr std::size_t kMostBarsPerLayer = 100000;

// The colour a voice is drawn in, for the picture's legend and bars.
const char* voiceColour(int voice);

// Text made safe for XML: markup characters become entities, and control
// characters and bytes outside ASCII (a file name need not be UTF-8) become "?".
std::string escapeXml(const std::string& text);

}  // namespace pianoroll
