#include "songcheck/findings.h"

namespace songcheck {

Place channelPlace(std::uint32_t tick, int channel, std::string detail) {
    return {Place::Kind::channel, tick, true, channel, std::move(detail)};
}

Place voicePlace(std::uint32_t tick, int voice, std::string detail) {
    return {Place::Kind::voice, tick, true, voice, std::move(detail)};
}

Place linePlace(std::size_t line, std::string detail) {
    return {Place::Kind::line, 0, false, static_cast<int>(line), std::move(detail)};
}

Place timedLinePlace(std::size_t line, std::uint32_t tick, std::string detail) {
    return {Place::Kind::line, tick, true, static_cast<int>(line), std::move(detail)};
}

std::string describePlace(const Place& place) {
    std::string text;
    switch (place.kind) {
        case Place::Kind::channel:
            text = "tick " + std::to_string(place.tick) + " channel " +
                   std::to_string(place.number + 1);
            break;
        case Place::Kind::voice:
            text = "tick " + std::to_string(place.tick) + " voice " + std::to_string(place.number);
            break;
        case Place::Kind::line:
            text = "line " + std::to_string(place.number);
            break;
        case Place::Kind::none:
            return place.detail;
    }
    if (!place.detail.empty()) text += place.kind == Place::Kind::line ? ": " : " (";
    text += place.detail;
    if (!place.detail.empty() && place.kind != Place::Kind::line) text += ")";
    return text;
}

Finding finding(std::string title, bool loss) { return {loss, std::move(title), 0, {}, 0}; }

void addPlace(Finding& finding, Place place) {
    ++finding.count;
    if (finding.places.size() < Findings::kMostPlaces) finding.places.push_back(std::move(place));
}

Finding& Findings::add(bool loss, std::string title, std::size_t count) {
    findings_.push_back({loss, std::move(title), count, {}, 0});
    return findings_.back();
}

void Findings::keep(Finding finding) {
    if (finding.count > 0) findings_.push_back(std::move(finding));
}

void Findings::append(Findings&& other) {
    for (Finding& finding : other.findings_) findings_.push_back(std::move(finding));
    other.findings_.clear();
}

std::size_t Findings::losses() const {
    std::size_t count = 0;
    for (const Finding& finding : findings_) count += finding.loss;
    return count;
}

std::size_t Findings::remarks() const { return findings_.size() - losses(); }

}  // namespace songcheck
