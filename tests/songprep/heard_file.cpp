#include "tests/songprep/heard_file.h"

#include <cstdio>

#include "midifile/midifile.h"

namespace testing_support {
namespace {

int hearChannel(MidiReaderState* state) {
    char line[64];
    std::snprintf(line, sizeof line, "%u %02X %u %u", state->time, state->status, state->data1,
                  state->data2);
    static_cast<HeardFile*>(state->userData)->events.push_back(line);
    return 0;
}

int hearTempo(MidiReaderState* state) {
    static_cast<HeardFile*>(state->userData)
        ->events.push_back(std::to_string(state->time) + " tempo " + std::to_string(state->tempo));
    return 0;
}

}  // namespace

HeardFile hearFile(const Bytes& midi) {
    HeardFile file;
    MidiHandler handlers[kMidiHandlerSlots] = {};
    handlers[kMidiSlotChannelEvent] = hearChannel;
    handlers[kMidiSlotTempo] = hearTempo;
    MidiReaderState state;
    state.handlers = handlers;
    state.userData = &file;
    file.code = MidiReadBuffer(&state, midi.data(), midi.size());
    file.format = state.format;
    file.trackCount = state.trackCount;
    file.division = state.division;
    return file;
}

std::vector<std::string> eventsWith(const HeardFile& file, const std::string& text) {
    std::vector<std::string> found;
    for (const std::string& event : file.events)
        if (event.find(text) != std::string::npos) found.push_back(event);
    return found;
}

}  // namespace testing_support
