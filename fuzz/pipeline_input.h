// How one fuzz input stands for the files of a song: a two-byte little-endian
// length, that many bytes of envelope text, then the MIDI file. Shared by the
// songmake fuzzer and the seed generator so that both read it alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzing {

struct PipelineInput {
    std::string_view envelopes;
    const std::uint8_t* midi = nullptr;
    std::size_t midiSize = 0;
};

inline PipelineInput splitPipelineInput(const std::uint8_t* data, std::size_t size) {
    PipelineInput input;
    if (size < 2) return input;
    std::size_t length = data[0] | std::size_t{data[1]} << 8;
    if (length > size - 2) length = size - 2;
    input.envelopes = std::string_view(reinterpret_cast<const char*>(data + 2), length);
    input.midi = data + 2 + length;
    input.midiSize = size - 2 - length;
    return input;
}

inline std::vector<std::uint8_t> joinPipelineInput(const std::string& envelopes,
                                                   const std::vector<std::uint8_t>& midi) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(envelopes.size()),
                                  static_cast<std::uint8_t>(envelopes.size() >> 8)};
    out.insert(out.end(), envelopes.begin(), envelopes.end());
    out.insert(out.end(), midi.begin(), midi.end());
    return out;
}

}  // namespace fuzzing
