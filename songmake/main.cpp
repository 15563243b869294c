// songmake: converts a Standard MIDI File and its side files into a song file.
#include <cstdio>
#include <cstring>
#include <string>

#include "songmake/capture.h"
#include "songmake/envelopes.h"
#include "songmake/passes.h"
#include "songmake/songfile.h"
#include "songmake/timeline.h"

namespace {

enum ExitCode { kSuccess = 0, kUsageError = 1, kReaderError = 2, kWriteError = 3 };

constexpr std::size_t kErrorTextSize = 80;
constexpr std::size_t kMergedListReserve = 8192;
constexpr std::size_t kExtensionLength = 4;  // ".mid", whatever the four bytes are

void mergeTrack(ChannelTrack& track, EventList& merged) {
    pruneNoteOffs(track);
    assignFrequencies(track);
    foldVelocityAndPan(track);
    for (EventPointer& event : track.events) merged.push_back(std::move(event));
    track.events = EventList();  // gives the memory back; a big song's tracks hold megabytes
}

// Room for every captured event, so that the merged list is never moved: the
// passes only drop events, and the reserve covers the envelope lines.
std::size_t mergedListRoom(const ChannelTrackTable& tracks) {
    std::size_t room = kMergedListReserve;
    for (const ChannelTrack& track : tracks) room += track.events.size();
    return room;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(
            "Usage:\n songmake midi_file\n\nThis converter understands only notes, tempo and "
            "pitchbend.",
            stdout);
        return kUsageError;
    }
    const char* midiName = argv[1];
    std::size_t nameLength = std::strlen(midiName);
    if (nameLength < kExtensionLength) {
        std::fputs("Expecting a .mid file\n", stdout);
        return kUsageError;
    }

    ChannelTrackTable tracks;
    MidiReaderState state;
    MidiHandlerTable handlers;
    prepareCapture(state, handlers, midiName, tracks);
    if (int code = MidiReadFile(&state); code != 0) {
        char text[kErrorTextSize] = {};
        MidiGetErr(&state, text, kErrorTextSize, code);
        std::printf("%s\n", text);
        return kReaderError;
    }

    std::string base(midiName, nameLength - kExtensionLength);
    EventList merged;
    merged.reserve(mergedListRoom(tracks));
    for (ChannelTrack& track : tracks) mergeTrack(track, merged);
    readEnvelopes(base, merged);
    sortEvents(merged);
    if (!buildTimeline(merged)) {
        std::printf("Can't write %s.sng: its pauses would need over %zu filler records.\n",
                    base.c_str(), kMaxFillers);
        return kWriteError;
    }
    merged.push_back(std::make_unique<EvEnd>());
    return writeSongFile(base, merged) ? kSuccess : kWriteError;
}
