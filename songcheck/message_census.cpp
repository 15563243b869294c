#include "songcheck/message_census.h"

#include <map>
#include <string>

namespace songcheck {
namespace {

// Controllers capture keeps: 1 (first voice only), 2 pitch, 3 repeat, 4, 10 pan.
bool controllerKept(int controller, int channel) {
    switch (controller) {
        case 1:
            return channel == 0;
        case 2:
        case 3:
        case 4:
        case 10:
            return true;
        default:
            return false;
    }
}

// Findings about the voices' channels, each made when first met, in a fixed order.
class SkippedMessages {
public:
    void add(const HeardMessage& message) {
        int channel = message.status & 0x0F;
        Finding* finding = nullptr;
        switch (message.status >> 4) {
            case 0xA:
                finding = &get(2, "polyphonic pressure left out");
                break;
            case 0xB:
                if (controllerKept(message.data1, channel)) return;
                if (message.data1 == 1)
                    finding = &get(
                        4, "controller 1 on channels 2 to 4 left out: only channel 1's is kept");
                else
                    finding = &get(100 + message.data1,
                                   "controller " + controllerName(message.data1) + " left out");
                break;
            case 0xC:
                finding = &get(1, "program changes left out");
                break;
            case 0xD:
                finding = &get(3, "channel pressure left out");
                break;
            case 0xE:
                finding = &get(0,
                               "pitch wheel left out: controller 2 bends 0 to 2 semitones up "
                               "instead");
                break;
            default:
                return;
        }
        addPlace(*finding, channelPlace(message.tick, channel));
    }

    void keepAll(Findings& findings) {
        for (auto& [key, finding] : byKey_) findings.keep(std::move(finding));
    }

private:
    Finding& get(int key, const std::string& title) {
        auto [found, made] = byKey_.try_emplace(key);
        if (made) found->second.title = title;
        return found->second;
    }
    std::map<int, Finding> byKey_;
};

bool isNoteOn(const HeardMessage& message) {
    return (message.status >> 4) == 0x9 && message.data2 != 0;
}
bool isNoteOff(const HeardMessage& message) {
    return (message.status >> 4) == 0x8 || ((message.status >> 4) == 0x9 && message.data2 == 0);
}

}  // namespace

std::string controllerName(int controller) {
    static const std::map<int, const char*> kNames = {
        {0, "bank select"},    {5, "portamento time"}, {6, "data entry"},
        {7, "volume"},         {8, "balance"},         {11, "expression"},
        {64, "sustain"},       {65, "portamento"},     {66, "sostenuto"},
        {67, "soft pedal"},    {91, "reverb"},         {93, "chorus"},
        {98, "NRPN"},          {99, "NRPN"},           {100, "RPN"},
        {101, "RPN"},          {120, "all sound off"}, {121, "reset all controllers"},
        {123, "all notes off"}};
    auto found = kNames.find(controller);
    std::string text = std::to_string(controller);
    if (found != kNames.end()) text += std::string(" (") + found->second + ")";
    return text;
}

MessageCensus takeCensus(const std::vector<HeardMessage>& messages, Findings& findings) {
    MessageCensus census;
    std::array<Finding, kChannels> others;
    SkippedMessages skipped;
    for (const HeardMessage& message : messages) {
        if (message.status == 0xFF) {
            ++census.tempoChanges;
            continue;
        }
        int channel = message.status & 0x0F;
        ChannelCounts& counts = census.channels[channel];
        if (isNoteOn(message))
            ++counts.notes;
        else if (!isNoteOff(message))
            ++counts.other;
        if (channel >= kVoiceCount) {
            if (!isNoteOff(message)) addPlace(others[channel], channelPlace(message.tick, channel));
        } else {
            skipped.add(message);
        }
    }
    for (int channel = kVoiceCount; channel < kChannels; ++channel) {
        const ChannelCounts& counts = census.channels[channel];
        others[channel].title = "channel " + std::to_string(channel + 1) +
                                (channel == 9 ? " (drums)" : "") +
                                " has no voice: " + std::to_string(counts.notes) + " notes and " +
                                std::to_string(counts.other) + " other messages left out";
        findings.keep(std::move(others[channel]));
    }
    skipped.keepAll(findings);
    return census;
}

}  // namespace songcheck
