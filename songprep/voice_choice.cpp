#include "songprep/voice_choice.h"

#include <algorithm>
#include <vector>

namespace songprep {

ChannelCensus takeChannelCensus(const midifile::InputSong& song) {
    ChannelCensus census;
    for (const midifile::InputMessage& message : song.messages) {
        int channel = message.status & 0x0F;
        int kind = message.status >> 4;
        bool noteOn = kind == 0x9 && message.data2 != 0;
        bool noteOff = kind == 0x8 || (kind == 0x9 && message.data2 == 0);
        if (noteOn)
            ++census.notes[channel];
        else if (!noteOff)
            ++census.others[channel];
    }
    return census;
}

VoiceChannels chooseVoices(const ChannelCensus& census) {
    std::vector<int> candidates;
    for (int channel = 0; channel < midifile::kChannels; ++channel)
        if (channel != midifile::kDrumChannel && census.notes[channel] > 0)
            candidates.push_back(channel);
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](int a, int b) { return census.notes[a] > census.notes[b]; });
    if (candidates.size() > kVoiceCount) candidates.resize(kVoiceCount);
    if (candidates.size() < kVoiceCount && census.notes[midifile::kDrumChannel] > 0)
        candidates.push_back(midifile::kDrumChannel);
    std::sort(candidates.begin(), candidates.end());
    VoiceChannels voices{kNoChannel, kNoChannel, kNoChannel, kNoChannel};
    std::copy(candidates.begin(), candidates.end(), voices.begin());
    return voices;
}

}  // namespace songprep
