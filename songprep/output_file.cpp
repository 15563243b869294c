#include "songprep/output_file.h"

#include "toolkit/large_memory.h"

namespace songprep {
namespace {

constexpr std::uint16_t kFormat = 1;
constexpr std::size_t kTrackCountOffset = 10;  // in the header chunk

// Appends one voice's track to `file`.
void appendVoice(const TimedSong& song, const TimedSong::VoiceEvents& voice,
                 midifile::MidiBytes& file) {
    constexpr std::size_t kUsualEvent = 4;  // a delta of a byte and a whole message
    midifile::MidiTrackWriter writer;
    writer.reserve(voice.size() * kUsualEvent);
    for (const PlacedEvent& event : voice)
        writer.channelMessage(event.tick, event.status, event.data1, event.data2);
    writer.finishInto(song.endTick, file);
}

// The header and the tempo track, the header counting `tracks` tracks.
midifile::MidiBytes beginFile(const TimedSong& song, std::size_t tracks) {
    midifile::MidiBytes file = midifile::midiFileBytes(kFormat, song.scale.division, {});
    // Room for the longest each event can be, so that the file never moves
    // as it grows (what is not written takes no memory).
    constexpr std::size_t kLongestEvent = 11;  // a delta of five bytes and a tempo change
    constexpr std::size_t kTrackRoom = 16;    // its chunk head and its end
    std::size_t events = song.tempos.size();
    for (const TimedSong::VoiceEvents& voice : song.voices) events += voice.size();
    file.reserve(file.size() + tracks * kTrackRoom + events * kLongestEvent);
    file[kTrackCountOffset] = static_cast<std::uint8_t>(tracks >> 8);
    file[kTrackCountOffset + 1] = static_cast<std::uint8_t>(tracks);
    midifile::MidiTrackWriter writer;
    for (const PlacedTempo& tempo : song.tempos) writer.tempo(tempo.tick, tempo.tempo);
    midifile::MidiBytes track = writer.finish(song.endTick);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

std::size_t trackCount(const TimedSong& song) {
    std::size_t tracks = 1;
    for (const TimedSong::VoiceEvents& voice : song.voices) tracks += !voice.empty();
    return tracks;
}

}  // namespace

midifile::MidiBytes encodeOutputFile(const TimedSong& song) {
    midifile::MidiBytes file = beginFile(song, trackCount(song));
    for (const TimedSong::VoiceEvents& voice : song.voices)
        if (!voice.empty()) appendVoice(song, voice, file);
    return file;
}

midifile::MidiBytes encodeOutputFile(
    TimedSong& song, const std::function<void(const TimedSong::VoiceEvents&)>& seen) {
    midifile::MidiBytes file = beginFile(song, trackCount(song));
    for (TimedSong::VoiceEvents& voice : song.voices) {
        seen(voice);
        if (!voice.empty()) appendVoice(song, voice, file);
        TimedSong::VoiceEvents().swap(voice);
        toolkit::giveMemoryBack();
    }
    return file;
}

}  // namespace songprep
