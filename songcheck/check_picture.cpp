#include "songcheck/check_picture.h"

#include <algorithm>
#include <cmath>
#include <deque>

#include "music/pitch.h"
#include "pianoroll/roll_picture.h"
#include "toolkit/text_format.h"

namespace songcheck {
namespace {

using pianoroll::RollBar;
using toolkit::format;

constexpr double kStreamOpacity = 0.75;  // lets the file's outlines show through
using pianoroll::kMostBarsPerLayer;
constexpr int kInfoColour = pianoroll::kNeutralGrey;  // for remarks

std::string keyText(int key) { return music::noteName(key); }

// The notes of the channels without a voice: each note-on with the first
// note-off of its key after it.
// Each returns whether it left notes out for kMostBarsPerLayer.
bool addUnvoicedNotes(const ConversionTrace& trace, const TempoMap& tempo,
                      pianoroll::RollPicture& picture) {
    std::size_t first = picture.bars.size();
    bool full = false;
    std::vector<std::deque<std::size_t>> open(kChannels * 128);
    for (const HeardMessage& message : trace.unvoicedNotes()) {
        int channel = message.status & 0x0F;
        std::deque<std::size_t>& keyOpen = open[channel * 128 + (message.data1 & 0x7F)];
        bool noteOn = (message.status >> 4) == 0x9 && message.data2 != 0;
        if (noteOn && picture.bars.size() - first >= kMostBarsPerLayer) {
            full = true;
        } else if (noteOn) {
            keyOpen.push_back(picture.bars.size());
            RollBar bar;
            bar.start = bar.end = tempo.units(message.tick);
            bar.note = message.data1;
            bar.look = RollBar::Look::greyOutline;
            bar.title = format("channel %d, no voice: %s at tick %u", channel + 1,
                               keyText(message.data1).c_str(), message.tick);
            picture.bars.push_back(std::move(bar));
        } else if (!keyOpen.empty()) {
            picture.bars[keyOpen.front()].end = tempo.units(message.tick);
            keyOpen.pop_front();
        }
    }
    for (auto& keyOpen : open)
        for (std::size_t index : keyOpen) picture.bars[index].end = picture.bars[index].start + 1;
    return full;
}

bool addFileNotes(const NoteComparison& comparison, const TempoMap& tempo,
                  pianoroll::RollPicture& picture) {
    std::size_t drawn = 0;
    for (const FileNote& note : comparison.notes) {
        if (drawn++ == kMostBarsPerLayer) return true;
        RollBar bar;
        bar.start = tempo.units(note.start);
        bar.end = tempo.units(note.end);
        bar.note = note.key;
        bar.voice = note.voice;
        bar.look = RollBar::Look::outlined;
        bar.title = format("channel %d in the file: %s, ticks %u to %u", note.voice + 1,
                           keyText(note.key).c_str(), note.start, note.end);
        picture.bars.push_back(std::move(bar));
    }
    return false;
}

bool addPlayedNotes(const NoteComparison& comparison, pianoroll::RollPicture& picture) {
    std::size_t drawn = 0;
    for (const PlayedBar& played : comparison.played) {
        if (drawn++ == kMostBarsPerLayer) return true;
        RollBar bar;
        bar.start = static_cast<double>(played.start);
        bar.end = static_cast<double>(played.end);
        bar.note = music::noteNumberOfWord(played.word);
        bar.voice = played.voice;
        bar.opacity = kStreamOpacity;
        bar.edged = !played.attack;
        bar.title = format("voice %u plays %s, %.2f Hz%s", played.voice,
                           music::noteNameOfWord(played.word).c_str(),
                           music::hertzOfWord(played.word), played.attack ? "" : ", no attack");
        picture.bars.push_back(std::move(bar));
    }
    return false;
}

void addFindingMarks(const Findings& findings, const TempoMap& tempo,
                     pianoroll::RollPicture& picture) {
    for (const Finding& finding : findings.all()) {
        std::string kind = finding.loss ? "loss: " : "info: ";
        if (finding.places.empty())
            picture.marks.push_back(
                {0, finding.loss ? pianoroll::kAlarm : kInfoColour, kind + finding.title});
        for (const Place& place : finding.places)
            picture.marks.push_back({place.timed ? tempo.units(place.tick) : 0,
                                     finding.loss ? pianoroll::kAlarm : kInfoColour,
                                     kind + finding.title + " (" + describePlace(place) + ")"});
    }
}

}  // namespace

std::string drawCheck(const ConversionTrace& trace, const SongCheck& check, double unitMs) {
    TempoMap tempo(trace.tempos());
    pianoroll::RollPicture picture;
    picture.title = check.facts.midiName + ": the file's notes (outlined) and the song's (filled)";
    picture.secondsPerUnit = unitMs / 1000.0;
    picture.markLabel = "found";
    bool cut = addUnvoicedNotes(trace, tempo, picture);
    cut = addFileNotes(check.comparison, tempo, picture) || cut;
    cut = addPlayedNotes(check.comparison, picture) || cut;
    if (cut) picture.title += format(", the first %zu of each", kMostBarsPerLayer);
    addFindingMarks(check.findings, tempo, picture);
    double end =
        std::max(static_cast<double>(trace.songUnits()), tempo.units(trace.header().endTime));
    for (const RollBar& bar : picture.bars) end = std::max(end, bar.end);
    picture.length = static_cast<std::uint64_t>(std::ceil(end));
    for (int voice = 0; voice < kVoiceCount; ++voice)
        picture.legend.push_back(
            {voice, RollBar::Look::filled, format("voice %d plays", voice), 100});
    picture.legend.push_back({0, RollBar::Look::outlined, "in the file", 90});
    picture.legend.push_back({0, RollBar::Look::greyOutline, "channel without a voice", 160});
    // The strip of marks, labelled "found": point at a mark to read it.
    picture.legend.push_back(
        {pianoroll::kAlarm, RollBar::Look::filled, "found: a loss", 100, true});
    picture.legend.push_back(
        {kInfoColour, RollBar::Look::filled, "found: info, nothing lost", 170, true});
    return pianoroll::renderRoll(picture);
}

std::string pictureName(const std::string& base) { return base + ".check.svg"; }

}  // namespace songcheck
