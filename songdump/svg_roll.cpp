#include "songdump/svg_roll.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "songdump/pitch.h"
#include "songdump/text_format.h"

namespace songdump {
namespace {

constexpr double kLeft = 48, kRight = 16, kTop = 36;  // margins in pixels
constexpr double kWidestRoll = 1400;                  // longer songs are squeezed to this
constexpr double kMostPixelsPerUnit = 0.25;
constexpr double kRollHeight = 360;  // rows shrink or grow to about this
constexpr double kMarkStrip = 18, kAxisStrip = 22, kLegendStrip = 24;
constexpr int kSemitones = 12;

const char* const kVoiceColours[] = {"#d1495b", "#00798c", "#edae49", "#7b4fa0",
                                     "#6a994e", "#30638e", "#bc6c25", "#5c5c5c"};

const char* colour(int voice) { return kVoiceColours[voice % std::size(kVoiceColours)]; }

// Where things go: player units across, note numbers up.
struct Layout {
    double lowNote = 0, highNote = 0;
    double rowHeight = 0, pixelsPerUnit = 0;
    double rollBottom = 0, width = 0, height = 0;

    double x(std::uint64_t time) const { return kLeft + static_cast<double>(time) * pixelsPerUnit; }
    double y(double note) const { return kTop + (highNote - note) * rowHeight; }
};

Layout planLayout(const PianoRoll& roll) {
    double low = 60, high = 72;  // an octave around middle C when there are no notes
    bool any = false;
    auto widen = [&](std::uint16_t word) {
        double note = noteNumberOfWord(word);
        low = any ? std::min(low, note) : note;
        high = any ? std::max(high, note) : note;
        any = true;
    };
    for (const NoteBar& bar : roll.bars()) widen(bar.word);
    for (const PitchStep& step : roll.steps()) widen(step.toWord), widen(step.fromWord);
    Layout layout;
    layout.lowNote = std::floor(low) - 1;
    layout.highNote = std::ceil(high) + 1;
    layout.rowHeight = std::clamp(kRollHeight / (layout.highNote - layout.lowNote), 3.0, 12.0);
    double length = static_cast<double>(std::max<std::uint64_t>(roll.length(), 1));
    layout.pixelsPerUnit = std::min(kMostPixelsPerUnit, kWidestRoll / length);
    layout.rollBottom = layout.y(layout.lowNote);
    layout.width = std::max(layout.x(roll.length()) + kRight, 480.0);
    layout.height = layout.rollBottom + kMarkStrip + kAxisStrip + kLegendStrip;
    return layout;
}

// A round step for the time grid: 1, 2 or 5 times a power of ten, about ten lines.
std::uint64_t timeGridStep(std::uint64_t length) {
    std::uint64_t step = 1;
    while (true) {
        for (std::uint64_t factor : {1, 2, 5})
            if (length / (step * factor) <= 10) return step * factor;
        step *= 10;
    }
}

std::string drawGrid(const PianoRoll& roll, const Layout& layout) {
    static const bool kBlackKey[kSemitones] = {false, true,  false, true,  false, false,
                                               true,  false, true,  false, true,  false};
    std::string svg;
    double right = layout.x(roll.length());
    for (int note = static_cast<int>(layout.lowNote); note < layout.highNote; ++note) {
        int step = ((note % kSemitones) + kSemitones) % kSemitones;
        double top = layout.y(note + 0.5);
        if (kBlackKey[step])
            svg += format(
                "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"#f1f1f1\"/>\n",
                kLeft, top, right - kLeft, layout.rowHeight);
        if (step == 0)
            svg += format(
                "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#bbb\"/>\n"
                "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n",
                kLeft, top + layout.rowHeight, right, top + layout.rowHeight, kLeft - 6,
                top + layout.rowHeight / 2 + 4, noteName(note).c_str());
    }
    std::uint64_t step = timeGridStep(roll.length());
    double axis = layout.rollBottom + kMarkStrip + 14;
    for (std::uint64_t time = 0; time <= roll.length(); time += step)
        svg += format(
            "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n"
            "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%llu</text>\n",
            layout.x(time), kTop, layout.x(time), layout.rollBottom + kMarkStrip, layout.x(time),
            axis, static_cast<unsigned long long>(time));
    return svg;
}

std::string drawNotes(const PianoRoll& roll, const Layout& layout) {
    std::string svg;
    for (const NoteBar& bar : roll.bars()) {
        double note = noteNumberOfWord(bar.word);
        double opacity = 0.45 + 0.55 * std::min(bar.velocity, std::uint8_t{127}) / 127.0;
        svg += format(
            "<rect class=\"note\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" "
            "fill=\"%s\" fill-opacity=\"%.2f\"%s><title>voice %u: %s, %.2f Hz</title></rect>\n",
            layout.x(bar.start), layout.y(note) - layout.rowHeight * 0.4,
            std::max(layout.x(bar.end) - layout.x(bar.start) - 0.5, 1.5), layout.rowHeight * 0.8,
            colour(bar.voice), opacity,
            bar.afterStep ? " stroke=\"#333\" stroke-width=\"0.6\"" : "", bar.voice,
            noteNameOfWord(bar.word).c_str(), hertzOfWord(bar.word));
    }
    for (const PitchStep& step : roll.steps())
        svg += format(
            "<line class=\"step\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
            "stroke=\"%s\" stroke-width=\"2\"/>\n",
            layout.x(step.time), layout.y(noteNumberOfWord(step.fromWord)), layout.x(step.time),
            layout.y(noteNumberOfWord(step.toWord)), colour(step.voice));
    return svg;
}

std::string drawMarksAndLegend(const PianoRoll& roll, const Layout& layout) {
    std::string svg = format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">set</text>\n",
                             kLeft - 6, layout.rollBottom + 13);
    for (const SettingMark& mark : roll.marks())
        svg += format(
            "<rect class=\"mark\" x=\"%.1f\" y=\"%.1f\" width=\"2\" height=\"12\" fill=\"%s\">"
            "<title>voice %u at %llu: %s</title></rect>\n",
            layout.x(mark.time) - 1, layout.rollBottom + 3, colour(mark.voice), mark.voice,
            static_cast<unsigned long long>(mark.time), escapeXml(mark.label).c_str());
    double x = kLeft, y = layout.height - 8;
    for (int voice = 0; voice < kVoiceNibbleValues; ++voice) {
        if (!roll.voiceUsed(voice)) continue;
        svg += format(
            "<rect x=\"%.1f\" y=\"%.1f\" width=\"10\" height=\"10\" fill=\"%s\"/>"
            "<text x=\"%.1f\" y=\"%.1f\">voice %d</text>\n",
            x, y - 9, colour(voice), x + 14, y, voice);
        x += 70;
    }
    svg += format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">player units</text>\n",
                  layout.width - kRight, y);
    return svg;
}

}  // namespace

std::string escapeXml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else if (c == '"')
            escaped += "&quot;";
        else if (c == '\'')
            escaped += "&apos;";
        else if (byte < 0x20 || byte >= 0x7F)
            escaped += '?';
        else
            escaped += c;
    }
    return escaped;
}

std::string renderPianoRoll(const PianoRoll& roll, const std::string& title) {
    Layout layout = planLayout(roll);
    std::string svg = format(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
        "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"11\" fill=\"#333\">\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
        layout.width, layout.height, layout.width, layout.height);
    svg += format("<text x=\"%.1f\" y=\"22\" font-size=\"14\">", kLeft) + escapeXml(title) +
           "</text>\n";
    svg += drawGrid(roll, layout);
    svg += drawNotes(roll, layout);
    svg += drawMarksAndLegend(roll, layout);
    svg += "</svg>\n";
    return svg;
}

}  // namespace songdump
