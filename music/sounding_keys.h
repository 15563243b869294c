// The notes that sound, by key, with the highest and the lowest key found at
// once; of notes of one key, the latest counts.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace music {

class SoundingKeys {
public:
    void add(std::uint32_t note, std::uint8_t key) {
        byKey_[key].push_back(note);
        words_[key / 64] |= std::uint64_t{1} << (key % 64);
    }
    void remove(std::uint32_t note, std::uint8_t key) {
        std::vector<std::uint32_t>& ofKey = byKey_[key];
        ofKey.erase(std::find(ofKey.begin(), ofKey.end(), note));
        if (ofKey.empty()) words_[key / 64] &= ~(std::uint64_t{1} << (key % 64));
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
    std::array<std::vector<std::uint32_t>, 128> byKey_;
    std::uint64_t words_[2] = {0, 0};
};

}  // namespace music
