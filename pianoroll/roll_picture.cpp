#include "pianoroll/roll_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "music/pitch.h"
#include "toolkit/text_format.h"

namespace pianoroll {
namespace {

using toolkit::format;

constexpr double kLeft = 48, kRight = 16, kTop = 36;  // margins in pixels
constexpr double kWidestRoll = 1400;                  // longer songs are squeezed to this
constexpr double kMostPixelsPerUnit = 0.25;
constexpr double kRollHeight = 360;  // rows shrink or grow to about this
constexpr double kMarkStrip = 18, kAxisStrip = 22, kLegendStrip = 24;
constexpr double kAxisUnitRoom = 90;  // the axis's unit at the legend row's right end
constexpr int kSemitones = 12;

const char* const kVoiceColours[] = {"#d1495b", "#00798c", "#edae49", "#7b4fa0",
                                     "#6a994e", "#30638e", "#bc6c25", "#5c5c5c"};

constexpr const char* kAlarmColour = "#e4002b";
constexpr const char* kGrey = "#999";

const char* colour(int voice) {
    return voice == kAlarm ? kAlarmColour : kVoiceColours[voice % std::size(kVoiceColours)];
}

// Where things go: player units across, note numbers up.
struct Layout {
    double lowNote = 0, highNote = 0;
    double rowHeight = 0, pixelsPerUnit = 0;
    double rollBottom = 0, width = 0, height = 0;

    double x(double time) const { return kLeft + time * pixelsPerUnit; }
    double y(double note) const { return kTop + (highNote - note) * rowHeight; }
};

Layout planLayout(const RollPicture& picture) {
    double low = 60, high = 72;  // an octave around middle C when there are no notes
    bool any = false;
    auto widen = [&](double note) {
        low = any ? std::min(low, note) : note;
        high = any ? std::max(high, note) : note;
        any = true;
    };
    for (const RollBar& bar : picture.bars) widen(bar.note);
    for (const RollStep& step : picture.steps) widen(step.toNote), widen(step.fromNote);
    Layout layout;
    layout.lowNote = std::floor(low) - 1;
    layout.highNote = std::ceil(high) + 1;
    layout.rowHeight = std::clamp(kRollHeight / (layout.highNote - layout.lowNote), 3.0, 12.0);
    double length = static_cast<double>(std::max<std::uint64_t>(picture.length, 1));
    layout.pixelsPerUnit = std::min(kMostPixelsPerUnit, kWidestRoll / length);
    layout.rollBottom = layout.y(layout.lowNote);
    // Wide enough for the legend and, after it, the time axis's unit.
    double legend = kLeft + kAxisUnitRoom;
    for (const LegendEntry& entry : picture.legend) legend += entry.width;
    layout.width =
        std::max({layout.x(static_cast<double>(picture.length)) + kRight, 480.0, legend});
    layout.height = layout.rollBottom + kMarkStrip + kAxisStrip + kLegendStrip;
    return layout;
}

// The same in seconds, which may be fractions: 0.1, 0.2, 0.5, 1, 2, 5, 10...
double secondsGridStep(double seconds) {
    double step = 0.001;
    while (true) {
        for (double factor : {1.0, 2.0, 5.0})
            if (seconds / (step * factor) <= 10) return step * factor;
        step *= 10;
    }
}

std::string drawTimeLine(const Layout& layout, double time, const std::string& label) {
    double axis = layout.rollBottom + kMarkStrip + 14;
    return format(
        "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n"
        "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n",
        layout.x(time), kTop, layout.x(time), layout.rollBottom + kMarkStrip, layout.x(time), axis,
        label.c_str());
}

std::string drawTimeGrid(const RollPicture& picture, const Layout& layout) {
    std::string svg;
    double seconds = static_cast<double>(picture.length) * picture.secondsPerUnit;
    double step = secondsGridStep(seconds);
    int decimals = step >= 1 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3;
    for (std::uint64_t i = 0; static_cast<double>(i) * step <= seconds * (1 + 1e-12); ++i)
        svg += drawTimeLine(layout, static_cast<double>(i) * step / picture.secondsPerUnit,
                            format("%.*f", decimals, static_cast<double>(i) * step));
    return svg;
}

std::string drawGrid(const RollPicture& picture, const Layout& layout) {
    static const bool kBlackKey[kSemitones] = {false, true,  false, true,  false, false,
                                               true,  false, true,  false, true,  false};
    std::string svg;
    double right = layout.x(static_cast<double>(picture.length));
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
                top + layout.rowHeight / 2 + 4, music::noteName(note).c_str());
    }
    return svg + drawTimeGrid(picture, layout);
}

// How a bar is painted: filled in its voice's colour, or only outlined.
std::string barPaint(const RollBar& bar) {
    switch (bar.look) {
        case RollBar::Look::filled:
            return format("fill=\"%s\" fill-opacity=\"%.2f\"%s", colour(bar.voice), bar.opacity,
                          bar.edged ? " stroke=\"#333\" stroke-width=\"0.6\"" : "");
        case RollBar::Look::outlined:
            return format("fill=\"none\" stroke=\"%s\" stroke-width=\"1\"", colour(bar.voice));
        case RollBar::Look::greyOutline:
            return format("fill=\"none\" stroke=\"%s\" stroke-width=\"1\"", kGrey);
    }
    return "";
}

std::string drawNotes(const RollPicture& picture, const Layout& layout) {
    std::string svg;
    for (const RollBar& bar : picture.bars)
        svg += format(
            "<rect class=\"note\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" "
            "%s><title>%s</title></rect>\n",
            layout.x(bar.start), layout.y(bar.note) - layout.rowHeight * 0.4,
            std::max(layout.x(bar.end) - layout.x(bar.start) - 0.5, 1.5), layout.rowHeight * 0.8,
            barPaint(bar).c_str(), escapeXml(bar.title).c_str());
    for (const RollStep& step : picture.steps)
        svg += format(
            "<line class=\"step\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
            "stroke=\"%s\" stroke-width=\"2\"/>\n",
            layout.x(step.time), layout.y(step.fromNote), layout.x(step.time),
            layout.y(step.toNote), colour(step.voice));
    return svg;
}

std::string drawMarksAndLegend(const RollPicture& picture, const Layout& layout) {
    std::string svg =
        format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n", kLeft - 6,
               layout.rollBottom + 13, escapeXml(picture.markLabel).c_str());
    for (const RollMark& mark : picture.marks)
        svg += format(
            "<rect class=\"mark\" x=\"%.1f\" y=\"%.1f\" width=\"2\" height=\"12\" fill=\"%s\">"
            "<title>%s</title></rect>\n",
            layout.x(mark.time) - 1, layout.rollBottom + 3, colour(mark.voice),
            escapeXml(mark.title).c_str());
    double x = kLeft, y = layout.height - 8;
    for (const LegendEntry& entry : picture.legend) {
        RollBar swatch;
        swatch.voice = entry.voice;
        swatch.look = entry.look;
        std::string paint = entry.look == RollBar::Look::filled
                                ? format("fill=\"%s\"", colour(entry.voice))
                                : barPaint(swatch);
        if (entry.mark)
            svg += format("<rect x=\"%.1f\" y=\"%.1f\" width=\"2\" height=\"12\" fill=\"%s\"/>",
                          x + 4, y - 10, colour(entry.voice));
        else
            svg += format("<rect x=\"%.1f\" y=\"%.1f\" width=\"10\" height=\"10\" %s/>", x, y - 9,
                          paint.c_str());
        svg += format("<text x=\"%.1f\" y=\"%.1f\">%s</text>\n", x + 14, y,
                      escapeXml(entry.label).c_str());
        x += entry.width;
    }
    svg += format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">seconds</text>\n",
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

const char* voiceColour(int voice) { return colour(voice); }

std::string renderRoll(const RollPicture& picture) {
    Layout layout = planLayout(picture);
    std::string svg = format(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
        "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"11\" fill=\"#333\">\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
        layout.width, layout.height, layout.width, layout.height);
    svg += format("<text x=\"%.1f\" y=\"22\" font-size=\"14\">", kLeft) + escapeXml(picture.title) +
           "</text>\n";
    svg += drawGrid(picture, layout);
    svg += drawNotes(picture, layout);
    svg += drawMarksAndLegend(picture, layout);
    svg += "</svg>\n";
    return svg;
}

}  // namespace pianoroll
