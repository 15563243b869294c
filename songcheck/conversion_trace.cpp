#include "songcheck/conversion_trace.h"

#include <algorithm>

namespace songcheck {
namespace {

TracedEvent traced(const Event& event) {
    TracedEvent out;
    out.tick = event.time;
    out.capturedType = out.finalType = event.type;
    out.event = &event;
    switch (event.type) {
        case kTypeNoteOn:
            out.value = static_cast<const EvNoteOn&>(event).value;
            break;
        case kTypeNoteOff:
            out.value = static_cast<const EvNoteOff&>(event).value;
            break;
        case kTypePitch:
            out.value = static_cast<const EvPitch&>(event).value;
            break;
        case kTypeRepeat:
            out.value = static_cast<const EvRepeat&>(event).value;
            break;
        case kTypeControl: {
            const auto& control = static_cast<const EvMidiControl&>(event);
            out.value = control.value;
            out.controller = control.controller;
            break;
        }
        default:
            break;
    }
    return out;
}

}  // namespace

void ConversionTrace::heard(const MidiReaderState& state) {
    bool tempo = state.status == 0xFF;
    messages_.push_back({state.time, state.track, state.status,
                         tempo ? std::uint8_t{0} : state.data1,
                         tempo ? std::uint8_t{0} : state.data2, tempo ? state.tempo : 0});
}

void ConversionTrace::captured(const MidiReaderState& state, const ChannelTrackTable& tracks) {
    header_ = {state.format, state.trackCount, state.division, state.endTime};
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        std::vector<TracedEvent>& events = groups_[voice];
        events.reserve(tracks[voice].events.size());
        for (const EventPointer& event : tracks[voice].events) events.push_back(traced(*event));
    }
}

// The passes keep events in their order and only drop some: the survivors are
// found by walking both lists together. No event is made between capture and
// here, so an address seen in both is the same event.
void ConversionTrace::passed(int voice, const EventList& track) {
    std::size_t next = 0;
    for (TracedEvent& event : groups_[voice]) {
        if (next < track.size() && track[next].get() == event.event) {
            event.kept = true;
            event.finalType = track[next]->type;
            ++next;
        } else {
            event.event = nullptr;
        }
    }
}

void ConversionTrace::merged(const EventList& merged) {
    std::size_t voiceEvents = 0;
    for (int voice = 0; voice < kVoiceCount; ++voice)
        for (std::size_t i = 0; i < groups_[voice].size(); ++i)
            if (groups_[voice][i].kept) {
                byAddress_.push_back(
                    {groups_[voice][i].event,
                     {static_cast<std::int8_t>(voice), static_cast<std::uint32_t>(i)}});
                ++voiceEvents;
            }
    std::vector<TracedEvent>& envelopes = groups_[kEnvelopeGroup];
    for (std::size_t i = voiceEvents; i < merged.size(); ++i) {
        envelopes.push_back(traced(*merged[i]));
        envelopes.back().kept = true;
        byAddress_.push_back(
            {merged[i].get(), {kEnvelopeGroup, static_cast<std::uint32_t>(envelopes.size() - 1)}});
    }
    std::sort(byAddress_.begin(), byAddress_.end(),
              [](const Located& a, const Located& b) { return a.event < b.event; });
}

void ConversionTrace::sorted(const EventList& merged) {
    sortedOrigins_.reserve(merged.size());
    for (const EventPointer& event : merged) {
        auto found = std::lower_bound(
            byAddress_.begin(), byAddress_.end(), event.get(),
            [](const Located& located, const Event* address) { return located.event < address; });
        if (found == byAddress_.end() || found->event != event.get()) {
            sortedOrigins_.push_back({-1, 0});
            placedAll_ = false;
        } else {
            sortedOrigins_.push_back(found->origin);
        }
    }
    byAddress_ = {};
}

// The timeline drops the tempo events and puts fillers before long gaps; every
// other event keeps its place in the order, and the end record comes last.
void ConversionTrace::timed(const EventList& merged) {
    recordOrigins_.reserve(merged.size());
    std::size_t next = 0;
    auto isTempo = [&](const Origin& origin) {
        return origin.group >= 0 && groups_[origin.group][origin.index].capturedType == kTypeTempo;
    };
    for (const EventPointer& event : merged) {
        if (event->type == kTypeContinue || event->type == kTypeEnd) {
            recordOrigins_.push_back({-1, 0});
            continue;
        }
        while (next < sortedOrigins_.size() && isTempo(sortedOrigins_[next])) ++next;
        recordOrigins_.push_back(next < sortedOrigins_.size() ? sortedOrigins_[next++]
                                                              : Origin{-1, 0});
    }
    sortedOrigins_ = {};
    for (auto& group : groups_)
        for (TracedEvent& event : group) event.event = nullptr;  // the conversion ends soon
}

void ConversionTrace::placeRecords(const songformat::ByteStream& song) {
    if (song.size() < songformat::kHeaderSize) return;
    songformat::StreamDecoder decoder(
        std::span<const std::uint8_t>(song).subspan(songformat::kHeaderSize));
    std::size_t index = 0;
    using songformat::RecordKind;
    for (songformat::Record record; decoder.next(record); ++index) {
        if (index >= recordOrigins_.size()) break;
        const Origin& origin = recordOrigins_[index];
        if (record.kind == RecordKind::kEnd) {
            steps_.push_back({record.time, 0, 0, -1, record.kind});
            break;  // the player stops here
        }
        if (origin.group < 0) continue;
        TracedEvent& event = groups_[origin.group][origin.index];
        event.placed = true;
        event.unit = record.time;
        bool changesSound =
            record.kind == RecordKind::kNoteOn || record.kind == RecordKind::kNoteOnSameVelocity ||
            record.kind == RecordKind::kPitchOrSlide || record.kind == RecordKind::kNoteOff;
        if (origin.group < kVoiceCount && changesSound)
            steps_.push_back({record.time, origin.index, record.word, origin.group, record.kind});
    }
    songUnits_ = decoder.endTime();
    placedAll_ = placedAll_ && index + 1 == recordOrigins_.size();
    recordOrigins_ = {};
}

}  // namespace songcheck
