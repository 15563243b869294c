#include "songcheck/message_census.h"

#include <map>
#include <string>

#include "midifile/midi_terms.h"
#include "toolkit/text_format.h"

namespace songcheck {
namespace {

using toolkit::plural;

constexpr int kVoices = 4;  // channels 0 to 3 are the synthesizer's voices

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

bool isNoteOn(const HeardMessage& message) {
    return (message.status >> 4) == 0x9 && message.data2 != 0;
}
bool isNoteOff(const HeardMessage& message) {
    return (message.status >> 4) == 0x8 || ((message.status >> 4) == 0x9 && message.data2 == 0);
}

// What capture skips of a voice's message, as an ordering key and a title;
// false for a message it keeps.
bool skippedKind(const HeardMessage& message, int& key, std::string& title) {
    int channel = message.status & 0x0F;
    switch (message.status >> 4) {
        case 0xA:
            key = 2, title = "polyphonic pressure left out";
            return true;
        case 0xB:
            if (controllerKept(message.data1, channel)) return false;
            if (message.data1 == 1)
                key = 4,
                title = "controller 1 on channels 2 to 4 left out: only channel 1's is kept";
            else
                key = 100 + message.data1,
                title = "controller " + midifile::controllerName(message.data1) + " left out";
            return true;
        case 0xC:
            key = 1, title = "program changes left out";
            return true;
        case 0xD:
            key = 3, title = "channel pressure left out";
            return true;
        case 0xE:
            key = 0, title = "pitch wheel left out: controller 2 bends 0 to 2 semitones up instead";
            return true;
        default:
            return false;
    }
}

}  // namespace

void MessageCensus::add(const HeardMessage& message) {
    if (message.status == 0xFF) {
        ++tempoChanges_;
        return;
    }
    int channel = message.status & 0x0F;
    bool noteOff = isNoteOff(message);
    if (isNoteOn(message))
        ++channels_[channel].notes;
    else if (!noteOff)
        ++channels_[channel].other;
    if (channel >= kVoices) {
        if (!noteOff) addPlace(unvoiced_[channel], channelPlace(message.tick, channel));
        return;
    }
    int key = 0;
    std::string title;
    if (!skippedKind(message, key, title)) return;
    auto [found, made] = skipped_.try_emplace(key, finding(title));
    addPlace(found->second, channelPlace(message.tick, channel));
}

void MessageCensus::addFindings(Findings& findings) const {
    for (int channel = kVoices; channel < kChannels; ++channel) {
        Finding unvoiced = unvoiced_[channel];
        const ChannelCounts& counts = channels_[channel];
        unvoiced.title = "channel " + std::to_string(channel + 1) +
                         (channel == 9 ? " (drums)" : "") +
                         " has no voice: " + plural(counts.notes, "note", "notes") + " and " +
                         plural(counts.other, "other message", "other messages") + " left out";
        findings.keep(std::move(unvoiced));
    }
    for (const auto& [key, finding] : skipped_) findings.keep(finding);
}

}  // namespace songcheck
