#include "songprep/preparation.h"

#include "songprep/output_file.h"

namespace songprep {
namespace {

// Each chosen channel's messages, in file order, by voice.
std::array<std::vector<InputMessage>, kVoiceCount> splitByVoice(const InputSong& song,
                                                                const VoiceChannels& channels) {
    std::array<int, kChannels> voiceOf;
    voiceOf.fill(-1);
    for (int voice = 0; voice < kVoiceCount; ++voice)
        if (channels[voice] != kNoChannel) voiceOf[channels[voice]] = voice;
    std::array<std::vector<InputMessage>, kVoiceCount> split;
    for (const InputMessage& message : song.messages) {
        int voice = voiceOf[message.status & 0x0F];
        if (voice >= 0) split[voice].push_back(message);
    }
    return split;
}

void addCounts(ChordCounts& sum, const ChordCounts& counts) {
    sum.removed += counts.removed;
    sum.cutShort += counts.cutShort;
    sum.startedLate += counts.startedLate;
}

void addCounts(BendCounts& sum, const BendCounts& counts) {
    sum.wheelMessages += counts.wheelMessages;
    sum.clipped += counts.clipped;
    sum.written += counts.written;
}

}  // namespace

Preparation prepareSong(const InputSong& song, const PrepOptions& options) {
    Preparation out;
    out.census = takeChannelCensus(song);
    VoiceChannels channels = options.autoVoices ? chooseVoices(out.census) : options.voices;
    std::array<PreparedVoice, kVoiceCount> voices;
    {
        auto split = splitByVoice(song, channels);
        for (int voice = 0; voice < kVoiceCount; ++voice)
            voices[voice] =
                prepareVoice(split[voice], song.endTime, {voice, options.chords, options.bend});
    }
    TimedSong timed = planTiming(song, voices, options.unitMs);
    out.file = encodeOutputFile(timed);

    out.chords = options.chords;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const PreparedVoice& prepared = voices[voice];
        out.voices[voice] = {channels[voice], prepared.notesRead, prepared.notesPlayed};
        addCounts(out.chordCounts, prepared.chords);
        addCounts(out.bends, prepared.bends);
        out.leftOut += prepared.leftOut;
    }
    out.scale = timed.scale;
    out.notesLengthened = timed.notesLengthened;
    out.restsClosed = timed.restsClosed;
    out.temposLeftOut = timed.temposLeftOut;
    return out;
}

}  // namespace songprep
