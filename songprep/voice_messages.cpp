#include "songprep/voice_messages.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace songprep {
namespace {

constexpr std::uint8_t kWheel = 0xE0;
constexpr std::uint16_t kWheelCentre = 8192;
constexpr std::uint8_t kCentrePan = 64;

// The settings a voice carries from note to note: each one's latest message.
enum Setting {
    kSettingWheel,
    kSettingPan,
    kSettingPitch,
    kSettingRepeat,
    kSetting4,
    kSetting1,
    kSettings
};

int settingOf(const midifile::InputMessage& message) {
    int kind = message.status >> 4;
    if (kind == 0xE) return kSettingWheel;
    if (kind != 0xB) return -1;
    switch (message.data1) {
        case 1:
            return kSetting1;
        case kPitchController:
            return kSettingPitch;
        case 3:
            return kSettingRepeat;
        case 4:
            return kSetting4;
        case kPanController:
            return kSettingPan;
        default:
            return -1;
    }
}

bool damaged(const midifile::InputMessage& message) {
    return message.data1 > 0x7F || message.data2 > 0x7F;
}

struct SettingValue {
    std::uint8_t data1;
    std::uint8_t data2;
    bool operator==(const SettingValue&) const = default;
};

SettingValue valueOf(const midifile::InputMessage& message) {
    return {message.data1, message.data2};
}

class VoiceWriter {
public:
    VoiceWriter(int voice, std::vector<midifile::InputMessage>& out) : voice_(voice), out_(out) {
        current_[kSettingWheel] = SettingValue{kWheelCentre & 0x7F, kWheelCentre >> 7};
        current_[kSettingPan] = SettingValue{kPanController, kCentrePan};
    }

    // `channel` holds the note's channel's settings; `seen` is how many of
    // them this voice has already looked at, `atStart` their latest values.
    void note(const VoiceNote& note, const std::vector<midifile::InputMessage>& channel,
              std::size_t& seen,
              std::array<std::optional<midifile::InputMessage>, kSettings>& latest) {
        for (; seen < channel.size() && channel[seen].tick <= note.start; ++seen)
            latest[settingOf(channel[seen])] = channel[seen];
        // The channel's settings as they stand at the note's start.
        std::array<std::optional<midifile::InputMessage>, kSettings> atStart = latest;
        if (!atStart[kSettingWheel])
            atStart[kSettingWheel] =
                midifile::InputMessage{0, kWheel, kWheelCentre & 0x7F, kWheelCentre >> 7};
        if (!atStart[kSettingPan])
            atStart[kSettingPan] = midifile::InputMessage{0, 0xB0, kPanController, kCentrePan};
        for (int setting = 0; setting < kSettings; ++setting)
            if (atStart[setting]) apply(*atStart[setting], note.start);
        out_.push_back({note.start, 0x90, note.key, note.velocity});
        for (std::size_t i = seen; i < channel.size() && channel[i].tick < note.end; ++i)
            apply(channel[i], channel[i].tick);
        out_.push_back({note.end, 0x80, note.key, 0});
    }

private:
    void apply(const midifile::InputMessage& message, std::uint32_t tick) {
        int setting = settingOf(message);
        if (setting == kSetting1 && voice_ != 0) return;
        if (current_[setting] == valueOf(message)) return;
        current_[setting] = valueOf(message);
        out_.push_back({tick, message.status, message.data1, message.data2});
    }

    int voice_;
    std::vector<midifile::InputMessage>& out_;
    std::array<std::optional<SettingValue>, kSettings> current_;
};

}  // namespace

ChannelSettings settingsByChannel(const midifile::InputSong& song) {
    ChannelSettings settings;
    for (const midifile::InputMessage& message : song.messages)
        if (settingOf(message) >= 0 && !damaged(message))
            settings[message.status & 0x0F].push_back(message);
    return settings;
}

std::array<std::vector<midifile::InputMessage>, kVoiceCount> voiceMessages(
    const ChannelSettings& settings, const Allocation& allocation) {
    const std::vector<midifile::InputMessage> none;
    std::array<std::vector<midifile::InputMessage>, kVoiceCount> voices;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        // A note-on and a note-off a note, and room for about as many settings.
        voices[voice].reserve(4 * allocation.voices[voice].size());
        VoiceWriter writer(voice, voices[voice]);
        std::array<std::size_t, midifile::kChannels> seen{};
        std::array<std::array<std::optional<midifile::InputMessage>, kSettings>,
                   midifile::kChannels>
            latest{};
        for (const VoiceNote& note : allocation.voices[voice]) {
            int channel = note.channel == midifile::kDrumChannel ? -1 : note.channel;
            std::size_t noneSeen = 0;
            std::array<std::optional<midifile::InputMessage>, kSettings> noneLatest{};
            writer.note(note, channel < 0 ? none : settings[channel],
                        channel < 0 ? noneSeen : seen[channel],
                        channel < 0 ? noneLatest : latest[channel]);
        }
    }
    return voices;
}

}  // namespace songprep
