#include "midifile/midi_file_writer.h"

namespace midifile {
namespace {

constexpr std::uint8_t kMetaStatus = 0xFF;
constexpr std::uint8_t kMetaText = 0x01;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kDataMask = 0x7F;

void appendU32(MidiBytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendU16(MidiBytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Program change and channel pressure carry one data byte.
bool hasTwoDataBytes(std::uint8_t status) { return (status & 0xE0) != 0xC0; }

MidiBytes chunk(const char (&id)[5], const MidiBytes& payload) {
    MidiBytes out(id, id + 4);
    // A payload never nears 4 GiB: songs are read from files of at most 64 MiB.
    appendU32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

}  // namespace

void appendVarLen(MidiBytes& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

void MidiTrackWriter::advanceTo(std::uint32_t time) {
    if (time < time_) time = time_;
    std::uint32_t delta = time - time_;
    // A longer gap is bridged by empty text events, each taking the longest delta.
    while (delta > kLargestDelta) {
        appendVarLen(body_, kLargestDelta);
        body_.insert(body_.end(), {kMetaStatus, kMetaText, 0});
        runningStatus_ = 0;
        delta -= kLargestDelta;
    }
    appendVarLen(body_, delta);
    time_ = time;
}

void MidiTrackWriter::channelMessage(std::uint32_t time, std::uint8_t status, std::uint8_t data1,
                                     std::uint8_t data2) {
    advanceTo(time);
    if (status != runningStatus_) body_.push_back(status);
    runningStatus_ = status;
    body_.push_back(data1 & kDataMask);
    if (hasTwoDataBytes(status)) body_.push_back(data2 & kDataMask);
}

void MidiTrackWriter::meta(std::uint32_t time, std::uint8_t type, const std::uint8_t* data,
                           std::uint8_t length) {
    advanceTo(time);
    body_.push_back(kMetaStatus);
    body_.push_back(type);
    appendVarLen(body_, length);
    body_.insert(body_.end(), data, data + length);
    // Many readers take a meta event as the end of running status.
    runningStatus_ = 0;
}

void MidiTrackWriter::tempo(std::uint32_t time, std::uint32_t microsecondsPerQuarter) {
    const std::uint8_t data[3] = {static_cast<std::uint8_t>(microsecondsPerQuarter >> 16),
                                  static_cast<std::uint8_t>(microsecondsPerQuarter >> 8),
                                  static_cast<std::uint8_t>(microsecondsPerQuarter)};
    meta(time, kMetaTempo, data, sizeof data);
}

MidiBytes MidiTrackWriter::finish(std::uint32_t time) {
    meta(time, kMetaEndOfTrack, nullptr, 0);
    MidiBytes out = chunk("MTrk", body_);
    *this = MidiTrackWriter();
    return out;
}

void MidiTrackWriter::finishInto(std::uint32_t time, MidiBytes& out) {
    meta(time, kMetaEndOfTrack, nullptr, 0);
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    // A payload never nears 4 GiB: songs are read from files of at most 64 MiB.
    appendU32(out, static_cast<std::uint32_t>(body_.size()));
    out.insert(out.end(), body_.begin(), body_.end());
    *this = MidiTrackWriter();
}

MidiBytes midiFileBytes(std::uint16_t format, std::uint16_t division,
                        const std::vector<MidiBytes>& tracks) {
    MidiBytes header;
    appendU16(header, format);
    appendU16(header, static_cast<std::uint16_t>(tracks.size()));
    appendU16(header, division);
    MidiBytes out = chunk("MThd", header);
    for (const MidiBytes& track : tracks) out.insert(out.end(), track.begin(), track.end());
    return out;
}

}  // namespace midifile
