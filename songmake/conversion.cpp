#include "songmake/conversion.h"

#include "songmake/envelopes.h"
#include "songmake/passes.h"

namespace {

constexpr std::size_t kErrorTextSize = 80;
constexpr std::size_t kMergedListReserve = 8192;

// The reader's handlers when an observer listens: it hears each message first.
struct ObservedCapture {
    ChannelTrackTable* tracks;
    ConversionObserver* observer;
};

ObservedCapture& observedOf(MidiReaderState* state) {
    return *static_cast<ObservedCapture*>(state->userData);
}

int observeChannelEvent(MidiReaderState* state) {
    ObservedCapture& target = observedOf(state);
    target.observer->heard(*state);
    captureChannelEvent(*state, *target.tracks);
    return 0;
}

int observeTempo(MidiReaderState* state) {
    ObservedCapture& target = observedOf(state);
    target.observer->heard(*state);
    captureTempo(*state, *target.tracks);
    return 0;
}

// Reads the MIDI file into the four tracks; false, with the reader's message in
// `conversion`, when it cannot be read.
bool captureMidi(const SongSources& sources, ChannelTrackTable& tracks, Conversion& conversion) {
    MidiReaderState state;
    MidiHandlerTable handlers;
    prepareCapture(state, handlers, sources.midiName.c_str(), tracks);
    ObservedCapture observed{&tracks, sources.observer};
    if (sources.observer != nullptr) {
        handlers[kMidiSlotChannelEvent] = observeChannelEvent;
        handlers[kMidiSlotTempo] = observeTempo;
        state.userData = &observed;
    }
    int code = sources.midiBytes
                   ? MidiReadBuffer(&state, sources.midiBytes->data(), sources.midiBytes->size())
                   : MidiReadFile(&state);
    if (code != 0) {
        char text[kErrorTextSize] = {};
        MidiGetErr(&state, text, kErrorTextSize, code);
        conversion.outcome = ConversionOutcome::readerError;
        conversion.readerError = text;
        return false;
    }
    if (sources.observer != nullptr) sources.observer->captured(state, tracks);
    return true;
}

// Room for every captured event, so that the merged list is never moved: the
// passes only drop events, and the reserve covers the envelope lines.
std::size_t mergedListRoom(const ChannelTrackTable& tracks) {
    std::size_t room = kMergedListReserve;
    for (const ChannelTrack& track : tracks) room += track.events.size();
    return room;
}

// The three passes over one voice's track, then its events join the merged list.
void mergeTrack(int voice, ChannelTrack& track, EventList& merged, const SongSources& sources,
                Conversion& conversion) {
    pruneNoteOffs(track);
    std::vector<PitchBeforeNote> early;
    assignFrequencies(track, early);
    for (const PitchBeforeNote& pitch : early)
        conversion.notes.push_back(
            {ConversionNote::Kind::pitchBeforeFirstNote, "", pitch.voice, pitch.tick});
    foldVelocityAndPan(track);
    if (sources.observer != nullptr) sources.observer->passed(voice, track.events);
    for (EventPointer& event : track.events) merged.push_back(std::move(event));
    track.events = EventList();  // gives the memory back; a big song's tracks hold megabytes
}

void addEnvelopes(const SongSources& sources, EventList& merged, Conversion& conversion) {
    if (sources.envelopeText)
        readEnvelopeText(*sources.envelopeText, merged);
    else if (!readEnvelopes(sources.base, merged))
        conversion.notes.push_back({ConversionNote::Kind::noEnvelopeFile, sources.base});
}

// Both wave tables, from the sources or the raw files; false when one fails,
// in which case the second is not tried after the first.
bool readWaveTables(const SongSources& sources, std::array<WaveTable, 2>& tables,
                    Conversion& conversion) {
    if (sources.waveTables) {
        tables = *sources.waveTables;
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        std::string name = waveFileName(sources.base, i);
        switch (readWaveTable(name, tables[i])) {
            case WaveRead::ok:
                break;
            case WaveRead::shortFile:
                conversion.notes.push_back({ConversionNote::Kind::shortWaveFile, name});
                break;
            case WaveRead::cantOpen:
                conversion.notes.push_back({ConversionNote::Kind::cantOpenWaveFile, name});
                return false;
            case WaveRead::cantClose:
                return false;
        }
    }
    return true;
}

}  // namespace

SongSources sourcesForMidiFile(const std::string& midiName) {
    SongSources sources;
    sources.midiName = midiName;
    sources.base = midiName.substr(0, midiName.size() - kMidiExtensionLength);
    return sources;
}

Conversion convertSong(const SongSources& sources) {
    Conversion conversion;
    ChannelTrackTable tracks;
    if (!captureMidi(sources, tracks, conversion)) return conversion;

    EventList merged;
    merged.reserve(mergedListRoom(tracks));
    for (int voice = 0; voice < kVoiceCount; ++voice)
        mergeTrack(voice, tracks[voice], merged, sources, conversion);
    addEnvelopes(sources, merged, conversion);
    if (sources.observer != nullptr) sources.observer->merged(merged);
    sortEvents(merged);
    if (sources.observer != nullptr) sources.observer->sorted(merged);
    if (!buildTimeline(merged, sources.maxFillers)) {
        conversion.outcome = ConversionOutcome::tooManyFillers;
        return conversion;
    }
    merged.push_back(std::make_unique<EvEnd>());
    if (sources.observer != nullptr) sources.observer->timed(merged);

    std::array<WaveTable, 2> tables;
    if (!readWaveTables(sources, tables, conversion)) {
        conversion.outcome = ConversionOutcome::waveFileFailed;
        return conversion;
    }
    conversion.song = encodeSong(tables[0], tables[1], merged);
    return conversion;
}
