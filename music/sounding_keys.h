// The notes that sound, by key, with the highest and the lowest key found at
// once; of notes of one key, the latest counts.
//
// Each key keeps its notes as a stack, the latest on top. A note that ends
// under the top is only marked gone, and leaves the stack when it surfaces: a
// note is added and removed once, so every call costs the same however many
// notes of one key sound together and in whatever order they end.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace music {

class SoundingKeys {
public:
    // `note` is a number not added before (best numbered from 0 up: a flag is
    // kept for every number below the largest).
    void add(std::uint32_t note, std::uint8_t key) {
        if (note >= gone_.size()) gone_.resize(std::max<std::size_t>(note + 1, 2 * gone_.size()));
        gone_[note] = false;
        byKey_[key].push_back(note);
        ++counts_[key];
        words_[key / 64] |= std::uint64_t{1} << (key % 64);
    }
    // `note` must sound, with this key.
    void remove(std::uint32_t note, std::uint8_t key) {
        gone_[note] = true;
        std::vector<std::uint32_t>& ofKey = byKey_[key];
        if (--counts_[key] == 0) {
            ofKey.clear();
            words_[key / 64] &= ~(std::uint64_t{1} << (key % 64));
            return;
        }
        while (gone_[ofKey.back()]) ofKey.pop_back();
    }
    bool empty() const { return words_[0] == 0 && words_[1] == 0; }
    // The latest note of the highest (or lowest) key; the set must not be empty.
    std::uint32_t highest() const {
        int key =
            words_[1] != 0 ? 127 - std::countl_zero(words_[1]) : 63 - std::countl_zero(words_[0]);
        return byKey_[key].back();
    }
    std::uint32_t lowest() const {
        int key = words_[0] != 0 ? std::countr_zero(words_[0]) : 64 + std::countr_zero(words_[1]);
        return byKey_[key].back();
    }

private:
    std::array<std::vector<std::uint32_t>, 128> byKey_;  // a stack each, gone notes among them
    std::array<std::uint32_t, 128> counts_{};            // the notes of each key that sound
    std::vector<bool> gone_;                             // by note
    std::uint64_t words_[2] = {0, 0};
};

}  // namespace music
