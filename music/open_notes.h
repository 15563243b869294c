// The notes still open while a file's note-ons and note-offs are paired, by
// channel and key, oldest first: a note-off ends the oldest open note of its
// key and channel. Each key's notes are a queue linked through one array of
// the notes' numbers, so that a note-on and a note-off cost the same however
// many notes of one key stack up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace music {

class OpenNotes {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    static constexpr int kKeys = 128;

    explicit OpenNotes(int channels)
        : head_(static_cast<std::size_t>(channels) * kKeys, kNone),
          tail_(static_cast<std::size_t>(channels) * kKeys, kNone) {}

    // Opens `note`, a number never opened before (notes are best numbered
    // from 0 up: the links take a slot for every number below the largest).
    void open(int channel, std::uint8_t key, std::uint32_t note) {
        if (note >= next_.size()) next_.resize(note + std::size_t{1});  // grows geometrically
        next_[note] = kNone;
        std::size_t slot = slotOf(channel, key);
        if (tail_[slot] == kNone)
            head_[slot] = note;
        else
            next_[tail_[slot]] = note;
        tail_[slot] = note;
    }

    // The oldest open note of the key, which it closes; kNone when none is open.
    std::uint32_t close(int channel, std::uint8_t key) {
        std::size_t slot = slotOf(channel, key);
        std::uint32_t note = head_[slot];
        if (note == kNone) return kNone;
        head_[slot] = next_[note];
        if (head_[slot] == kNone) tail_[slot] = kNone;
        return note;
    }

    // Calls `each(channel, key, note)` for every note still open: channel by
    // channel, key by key, the oldest first.
    template <typename Each>
    void forEachOpen(Each each) const {
        for (std::size_t slot = 0; slot < head_.size(); ++slot)
            for (std::uint32_t note = head_[slot]; note != kNone; note = next_[note])
                each(static_cast<int>(slot / kKeys), static_cast<std::uint8_t>(slot % kKeys), note);
    }

private:
    static std::size_t slotOf(int channel, std::uint8_t key) {
        return static_cast<std::size_t>(channel) * kKeys + key;
    }

    std::vector<std::uint32_t> head_;  // by channel and key: the oldest open note
    std::vector<std::uint32_t> tail_;  // the newest
    std::vector<std::uint32_t> next_;  // by note: the next newer open note of its key
};

}  // namespace music
