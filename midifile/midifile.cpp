#include "midifile/midifile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "midifile/byte_cursor.h"
#include "toolkit/platform.h"

namespace {

using midifile::ByteCursor;

// One message of a track that the handlers want, decoded.
struct TrackEvent {
    enum class Kind { channel, tempo };
    Kind kind = Kind::channel;
    std::uint32_t time = 0;  // relative to the track's start
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint32_t tempo = 0;
};

struct Failure {
    int code = kMidiOk;
    std::size_t offset = 0;
    std::uint32_t value = 0;
};

// Walks one track chunk event by event, skipping what no handler wants.
class TrackReader {
public:
    explicit TrackReader(ByteCursor chunk) : cursor_(chunk) {}

    enum class Step { event, end, error };

    Step next(TrackEvent& event, Failure& failure) {
        while (!ended_) {
            if (cursor_.atEnd()) {
                ended_ = true;  // a track without end-of-track ends with its chunk
                break;
            }
            if (!readEvent(event, failure)) return Step::error;
            if (delivered_) return Step::event;
        }
        return Step::end;
    }

    // Time of the end-of-track event, or of the last event read.
    std::uint32_t time() const { return time_; }

private:
    // Reads one event; sets delivered_ when it is one the handlers want.
    bool readEvent(TrackEvent& event, Failure& failure) {
        delivered_ = false;
        std::uint32_t delta;
        if (!readVarLen(delta, failure)) return false;
        time_ += delta;  // unsigned: wraps around like the players that read these files

        std::size_t statusOffset = cursor_.position();
        std::uint8_t status;
        if (!cursor_.readByte(status)) return truncated(failure);
        if (status < 0x80) {
            // Running status: the data byte belongs to a repeat of the last channel
            // message. Sysex and meta events leave it in force, as many files expect.
            if (runningStatus_ == 0) {
                failure = {kMidiErrNoRunningStatus, statusOffset, status};
                return false;
            }
            return readChannelData(runningStatus_, status, event, failure);
        }
        if (status < 0xF0) {
            runningStatus_ = status;
            std::uint8_t data1;
            if (!cursor_.readByte(data1)) return truncated(failure);
            return readChannelData(status, data1, event, failure);
        }
        if (status == 0xF0 || status == 0xF7) return skipSized(failure);
        if (status == 0xFF) return readMeta(event, failure);
        failure = {kMidiErrBadStatus, statusOffset, status};
        return false;
    }

    bool readChannelData(std::uint8_t status, std::uint8_t data1, TrackEvent& event,
                         Failure& failure) {
        std::uint8_t data2 = 0;
        bool oneDataByte = (status & 0xE0) == 0xC0;  // program change, channel pressure
        if (!oneDataByte && !cursor_.readByte(data2)) return truncated(failure);
        event = {TrackEvent::Kind::channel, time_, status, data1, data2, 0};
        delivered_ = true;
        return true;
    }

    bool readMeta(TrackEvent& event, Failure& failure) {
        std::uint8_t type;
        if (!cursor_.readByte(type)) return truncated(failure);
        std::uint32_t length;
        if (!readVarLen(length, failure)) return false;
        ByteCursor data = cursor_;
        if (!cursor_.skip(length)) return truncated(failure);
        if (type == 0x2F) {
            ended_ = true;  // whatever follows end-of-track in the chunk is ignored
        } else if (type == 0x51 && length >= 3) {
            std::uint8_t b0 = 0, b1 = 0, b2 = 0;
            data.readByte(b0);
            data.readByte(b1);
            data.readByte(b2);
            std::uint32_t tempo = std::uint32_t{b0} << 16 | std::uint32_t{b1} << 8 | b2;
            event = {TrackEvent::Kind::tempo, time_, 0xFF, 0, 0, tempo};
            delivered_ = true;
        }
        return true;
    }

    bool skipSized(Failure& failure) {
        std::uint32_t length;
        if (!readVarLen(length, failure)) return false;
        if (!cursor_.skip(length)) return truncated(failure);
        return true;
    }

    bool readVarLen(std::uint32_t& value, Failure& failure) {
        std::size_t start = cursor_.position();
        switch (cursor_.readVarLen(value)) {
            case ByteCursor::VarLen::ok:
                return true;
            case ByteCursor::VarLen::ranOut:
                return truncated(failure);
            case ByteCursor::VarLen::tooLong:
                break;
        }
        failure = {kMidiErrVarLenTooLong, start, 0};
        return false;
    }

    bool truncated(Failure& failure) {
        failure = {kMidiErrTruncatedTrack, cursor_.position(), 0};
        return false;
    }

    ByteCursor cursor_;
    std::uint32_t time_ = 0;
    std::uint8_t runningStatus_ = 0;  // empty at the start of every track
    bool ended_ = false;
    bool delivered_ = false;
};

struct SongLayout {
    std::uint16_t format = 0;
    std::uint16_t division = 0;
    std::vector<ByteCursor> tracks;
};

// A RIFF "RMID" file carries the Standard MIDI File as the payload of its "data" chunk.
bool unwrapRiff(ByteCursor& file, Failure& failure) {
    ByteCursor riff = file;
    if (!riff.startsWith("RIFF")) return true;
    riff.skip(8);  // the RIFF size is not consulted: writers get it wrong
    if (!riff.startsWith("RMID")) return true;
    riff.skip(4);
    while (riff.remaining() >= 8) {
        bool isData = riff.startsWith("data");
        std::uint32_t size = 0;
        riff.skip(4);
        riff.readU32LittleEndian(size);
        ByteCursor payload = riff.takeAtMost(size);
        if (isData) {
            file = payload;
            return true;
        }
        if (size % 2 != 0) riff.skipAtMost(1);  // RIFF chunks are padded to even length
    }
    failure = {kMidiErrRiffWithoutData, 0, 0};
    return false;
}

bool readLayout(ByteCursor file, SongLayout& layout, Failure& failure) {
    if (!unwrapRiff(file, failure)) return false;
    std::size_t headerOffset = file.position();
    if (!file.startsWith("MThd")) {
        failure = {kMidiErrNoHeader, headerOffset, 0};
        return false;
    }
    file.skip(4);
    std::uint32_t headerLength;
    if (!file.readU32BigEndian(headerLength) || headerLength > file.remaining()) {
        failure = {kMidiErrHeaderTruncated, headerOffset, 0};
        return false;
    }
    if (headerLength < 6) {
        failure = {kMidiErrHeaderTooShort, headerOffset, headerLength};
        return false;
    }
    ByteCursor header = file.takeAtMost(headerLength);
    std::uint16_t trackCount = 0;
    header.readU16BigEndian(layout.format);
    header.readU16BigEndian(trackCount);
    header.readU16BigEndian(layout.division);
    if (layout.format > 2) {
        failure = {kMidiErrFormat, headerOffset, layout.format};
        return false;
    }

    // Fewer than 8 bytes at the end cannot hold a chunk and are ignored.
    while (file.remaining() >= 8) {
        bool isTrack = file.startsWith("MTrk");
        std::uint32_t length = 0;
        file.skip(4);
        file.readU32BigEndian(length);
        // Many files carry a wrong length on their last chunk: cut it at the end of the data.
        ByteCursor chunk = file.takeAtMost(length);
        // Some files repeat their track after the declared ones; the copy is ignored.
        if (isTrack && layout.tracks.size() < trackCount) layout.tracks.push_back(chunk);
    }
    return true;
}

void deliver(MidiReaderState* state, const TrackEvent& event, std::size_t track,
             std::uint32_t offset) {
    state->time = event.time + offset;
    state->track = static_cast<std::uint16_t>(track);
    state->status = event.status;
    int slot = kMidiSlotTempo;
    if (event.kind == TrackEvent::Kind::channel) {
        state->data1 = event.data1;
        state->data2 = event.data2;
        slot = kMidiSlotChannelEvent;
    } else {
        state->tempo = event.tempo;
    }
    if (state->handlers != nullptr && state->handlers[slot] != nullptr)
        state->handlers[slot](state);
}

// Format 2: each track is a song of its own, played after the one before.
bool playInSequence(MidiReaderState* state, std::vector<ByteCursor>& tracks, Failure& failure) {
    std::uint32_t offset = 0;
    for (std::size_t track = 0; track < tracks.size(); ++track) {
        TrackReader reader(tracks[track]);
        TrackEvent event;
        TrackReader::Step step;
        while ((step = reader.next(event, failure)) == TrackReader::Step::event)
            deliver(state, event, track, offset);
        if (step == TrackReader::Step::error) return false;
        offset += reader.time();
    }
    state->endTime = offset;
    return true;
}

// Replaces the smallest key of a min-heap with `key` and sifts it down to its place.
void replaceTop(std::vector<std::uint64_t>& heap, std::uint64_t key) {
    std::size_t hole = 0;
    for (std::size_t child = 1; child < heap.size(); hole = child, child = 2 * child + 1) {
        if (child + 1 < heap.size() && heap[child + 1] < heap[child]) ++child;
        if (key < heap[child]) break;
        heap[hole] = heap[child];
    }
    heap[hole] = key;
}

// Formats 0 and 1: all tracks start together. Events are merged by time; equal
// times go in track order, then in file order.
bool playTogether(MidiReaderState* state, std::vector<ByteCursor>& tracks, Failure& failure) {
    std::vector<TrackReader> readers(tracks.begin(), tracks.end());
    std::vector<TrackEvent> next(tracks.size());  // each track's event that is due next
    // A min-heap of (time, track) packed into one number: one comparison orders
    // two tracks, and this runs for every event of the song.
    auto key = [](std::uint32_t time, std::size_t track) {
        return std::uint64_t{time} << 32 | track;
    };
    std::vector<std::uint64_t> heap;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        auto step = readers[i].next(next[i], failure);
        if (step == TrackReader::Step::error) return false;
        if (step == TrackReader::Step::event) heap.push_back(key(next[i].time, i));
    }
    std::make_heap(heap.begin(), heap.end(), std::greater<>());
    while (!heap.empty()) {
        std::size_t track = heap.front() & 0xFFFFFFFFu;
        deliver(state, next[track], track, 0);
        auto step = readers[track].next(next[track], failure);
        if (step == TrackReader::Step::error) return false;
        std::uint64_t replacement = heap.back();
        if (step == TrackReader::Step::event)
            replacement = key(next[track].time, track);
        else
            heap.pop_back();  // the track has ended; the last key takes its place
        if (!heap.empty()) replaceTop(heap, replacement);
    }
    for (const TrackReader& reader : readers)
        state->endTime = std::max(state->endTime, reader.time());
    return true;
}

int fail(MidiReaderState* state, const Failure& failure) {
    state->errorOffset = failure.offset;
    state->errorValue = failure.value;
    return failure.code;
}

// Keeps a file name short enough for an 80-byte error text.
const char* shortName(const char* name, int room) {
    if (name == nullptr) return "(no name)";
    std::size_t length = std::strlen(name);
    return length > static_cast<std::size_t>(room) ? name + (length - room) : name;
}

}  // namespace

int MidiReadBuffer(MidiReaderState* state, const std::uint8_t* data, std::size_t size) {
    Failure failure;
    SongLayout layout;
    if (!readLayout(ByteCursor(data, 0, size), layout, failure)) return fail(state, failure);
    state->format = layout.format;
    state->trackCount = static_cast<std::uint16_t>(layout.tracks.size());
    state->division = layout.division;
    state->endTime = 0;
    bool played = layout.format == 2 ? playInSequence(state, layout.tracks, failure)
                                     : playTogether(state, layout.tracks, failure);
    return played ? kMidiOk : fail(state, failure);
}

int MidiReadFile(MidiReaderState* state) {
    if (state->fileName == nullptr) return kMidiErrCantOpen;
    // A folder, a FIFO or a socket never reads: refused without waiting.
    platform::FileKind kind = platform::FileKind::missing;
    std::FILE* file = platform::openForReading(state->fileName, kind);
    if (file == nullptr)
        return kind == platform::FileKind::missing ? kMidiErrCantOpen : kMidiErrCantRead;
    platform::FileFacts facts = platform::fileFacts(state->fileName);
    std::vector<std::uint8_t> data;
    bool regular = facts.kind == platform::FileKind::regular;
    bool tooLarge = regular && facts.size > kMidiLargestFile;
    if (regular && !tooLarge) data.reserve(static_cast<std::size_t>(facts.size));
    std::uint8_t block[65536];
    std::size_t got;
    while (!tooLarge && (got = std::fread(block, 1, sizeof block, file)) > 0) {
        tooLarge = got > kMidiLargestFile - data.size();
        if (!tooLarge) data.insert(data.end(), block, block + got);
    }
    bool readable = std::ferror(file) == 0;
    std::fclose(file);
    if (tooLarge) return kMidiErrTooLarge;
    if (!readable) return kMidiErrCantRead;
    return MidiReadBuffer(state, data.data(), data.size());
}

int MidiGetErr(const MidiReaderState* state, char* buffer, int length, int code) {
    if (buffer == nullptr || length <= 0) return 0;
    const char* name = shortName(state->fileName, 60);
    unsigned long long at = state->errorOffset;
    unsigned value = state->errorValue;
    int written = 0;
    auto say = [&](const char* format, auto... args) {
        written = std::snprintf(buffer, static_cast<std::size_t>(length), format, args...);
    };
    switch (code) {
        case kMidiOk:
            say("%s", "No error");
            break;
        case kMidiErrCantOpen:
            say("Can't open %s", name);
            break;
        case kMidiErrCantRead:
            say("Can't read %s", name);
            break;
        case kMidiErrNoHeader:
            say("%s", "Not a Standard MIDI File: no MThd header");
            break;
        case kMidiErrRiffWithoutData:
            say("%s", "RIFF MIDI file without a data chunk");
            break;
        case kMidiErrHeaderTooShort:
            say("MThd header length %u is below 6", value);
            break;
        case kMidiErrHeaderTruncated:
            say("%s", "MThd header runs past the end of the file");
            break;
        case kMidiErrFormat:
            say("Unsupported MIDI file format %u", value);
            break;
        case kMidiErrNoRunningStatus:
            say("Data byte 0x%02X without running status at byte %llu", value, at);
            break;
        case kMidiErrVarLenTooLong:
            say("Variable-length quantity longer than 4 bytes at byte %llu", at);
            break;
        case kMidiErrTruncatedTrack:
            say("Truncated track chunk at byte %llu", at);
            break;
        case kMidiErrBadStatus:
            say("Unexpected status byte 0x%02X at byte %llu", value, at);
            break;
        case kMidiErrTooLarge:
            say("%s is over %zu MiB, too big for a MIDI file", shortName(state->fileName, 40),
                kMidiLargestFile >> 20);
            break;
        default:
            say("Unknown MIDI reader error %d", code);
            break;
    }
    return written < length ? written : length - 1;
}
