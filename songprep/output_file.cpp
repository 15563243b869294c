#include "songprep/output_file.h"

namespace songprep {

midifile::MidiBytes encodeOutputFile(const TimedSong& song) {
    constexpr std::uint16_t kFormat = 1;
    std::vector<midifile::MidiBytes> tracks;
    midifile::MidiTrackWriter writer;
    for (const PlacedTempo& tempo : song.tempos) writer.tempo(tempo.tick, tempo.tempo);
    tracks.push_back(writer.finish(song.endTick));
    for (const std::vector<PlacedEvent>& voice : song.voices) {
        if (voice.empty()) continue;
        for (const PlacedEvent& event : voice)
            writer.channelMessage(event.tick, event.status, event.data1, event.data2);
        tracks.push_back(writer.finish(song.endTick));
    }
    return midifile::midiFileBytes(kFormat, song.scale.division, tracks);
}

}  // namespace songprep
