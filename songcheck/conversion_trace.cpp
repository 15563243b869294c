#include "songcheck/conversion_trace.h"

#include <algorithm>

namespace songcheck {
namespace {

TracedEvent traced(const Event& event) {
    TracedEvent out;
    out.tick = event.time;
    out.capturedType = out.finalType = static_cast<std::uint8_t>(event.type);
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

// The group a merged event came from: envelope events have types of their own,
// tempo events ride in the first voice's track, and every other event carries
// its voice as its channel.
int groupOf(const Event& event) {
    if (event.type == kTypeEnvelopeVolume || event.type == kTypeEnvelopeOther)
        return kEnvelopeGroup;
    if (event.type == kTypeTempo) return 0;
    return event.channel < kVoiceCount ? event.channel : -1;
}

// The merged list's order restricted to one group: the sort is stable, so it is
// the group's own order sorted the same way. A voice's events come in tick order
// already, so only events at one tick can move: note-ons that carry their
// velocity go after the others.
std::vector<std::uint32_t> orderInSortedList(const std::vector<TracedEvent>& events) {
    std::vector<std::uint32_t> order;
    for (std::uint32_t i = 0; i < events.size(); ++i)
        if (events[i].kept) order.push_back(i);
    auto tick = [&](std::uint32_t i) { return events[i].tick; };
    auto notNoteOn = [&](std::uint32_t i) { return events[i].finalType != kTypeNoteOn; };
    bool inTickOrder = std::is_sorted(order.begin(), order.end(),
                                      [&](auto a, auto b) { return tick(a) < tick(b); });
    if (!inTickOrder) {
        std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) {
            return tick(a) != tick(b) ? tick(a) < tick(b) : notNoteOn(a) && !notNoteOn(b);
        });
        return order;
    }
    for (auto first = order.begin(); first != order.end();) {
        auto last =
            std::find_if(first, order.end(), [&](auto i) { return tick(i) != tick(*first); });
        if (last - first > 1) std::stable_partition(first, last, notNoteOn);
        first = last;
    }
    return order;
}

}  // namespace

void ConversionTrace::heard(const MidiReaderState& state) {
    HeardMessage message{state.time, state.status, state.data1, state.data2};
    if (state.status == 0xFF) {
        message.data1 = message.data2 = 0;
        tempos_.push_back({state.time, state.tempo});
    } else if ((state.status & 0x0F) >= kVoiceCount && (state.status >> 4) <= 0x9) {
        unvoicedNotes_.push_back(message);
    }
    census_.add(message);
}

void ConversionTrace::captured(const MidiReaderState& state, const ChannelTrackTable& tracks) {
    header_ = {state.format, state.trackCount, state.division, state.endTime};
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        const EventList& track = tracks[voice].events;
        groups_[voice].reserve(track.size());
        addresses_[voice].reserve(track.size());
        for (const EventPointer& event : track) {
            groups_[voice].push_back(traced(*event));
            addresses_[voice].push_back(event.get());
        }
    }
}

// The passes keep events in their order and only drop some: the survivors are
// found by walking both lists together. No event is made between capture and
// here, so an address seen in both is the same event.
void ConversionTrace::passed(int voice, const EventList& track) {
    std::size_t next = 0;
    std::vector<TracedEvent>& events = groups_[voice];
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (next < track.size() && track[next].get() == addresses_[voice][i]) {
            events[i].kept = true;
            events[i].finalType = static_cast<std::uint8_t>(track[next]->type);
            ++next;
        }
    }
}

void ConversionTrace::merged(const EventList& merged) {
    std::size_t voiceEvents = 0;
    for (int voice = 0; voice < kVoiceCount; ++voice)
        for (const TracedEvent& event : groups_[voice]) voiceEvents += event.kept;
    for (std::size_t i = voiceEvents; i < merged.size(); ++i) {
        groups_[kEnvelopeGroup].push_back(traced(*merged[i]));
        groups_[kEnvelopeGroup].back().kept = true;
        addresses_[kEnvelopeGroup].push_back(merged[i].get());
    }
}

void ConversionTrace::sorted(const EventList& merged) {
    std::array<std::vector<std::uint32_t>, kGroups> orders;
    std::array<std::size_t, kGroups> next{};
    for (int group = 0; group < kGroups; ++group) orders[group] = orderInSortedList(groups_[group]);
    sortedOrigins_.reserve(merged.size());
    for (const EventPointer& event : merged) {
        int group = groupOf(*event);
        bool known = placedAll_ && group >= 0 && next[group] < orders[group].size() &&
                     addresses_[group][orders[group][next[group]]] == event.get();
        placedAll_ = known;  // once lost, the rest cannot be told apart
        sortedOrigins_.push_back(
            known ? Origin{static_cast<std::int8_t>(group), orders[group][next[group]++]}
                  : Origin{-1, 0});
    }
    for (auto& addresses : addresses_) addresses = {};
}

// The timeline drops the tempo events and puts fillers before long gaps; every
// other event keeps its place in the order, and the end record comes last.
void ConversionTrace::timed(const EventList& merged) {
    recordOrigins_.reserve(merged.size());
    std::size_t next = 0;
    auto isTempo = [&](const Origin& origin) {
        return origin.group >= 0 && groups_[origin.group][origin.index].capturedType == kTypeTempo;
    };
    bool afterFiller = false;
    for (const EventPointer& event : merged) {
        bool vanishes = event->time == songformat::kFillerUnits && !afterFiller;
        afterFiller = event->type == kTypeContinue;
        if (event->type == kTypeContinue || event->type == kTypeEnd) {
            recordOrigins_.push_back({-1, 0});
            continue;
        }
        while (next < sortedOrigins_.size() && isTempo(sortedOrigins_[next])) ++next;
        recordOrigins_.push_back(next < sortedOrigins_.size() ? sortedOrigins_[next++]
                                                              : Origin{-1, 0});
        const Origin& origin = recordOrigins_.back();
        if (vanishes && origin.group >= 0) vanishedGaps_.push_back({origin.group, origin.index});
    }
    sortedOrigins_ = {};
}
void ConversionTrace::placeRecords(const songformat::ByteStream& song) {
    if (song.size() < songformat::kHeaderSize) {
        placedAll_ = false;  // the conversion stopped before it made a stream
        return;
    }
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
