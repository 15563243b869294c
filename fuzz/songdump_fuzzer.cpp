// Fuzzes songdump over song file bytes, doing what the program does with a file
// it has read: list every record, sum the song up and draw its piano roll. The
// records must tile the stream without gaps or overlaps, and the picture must be
// a whole SVG document whatever the input's bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "songdump/piano_roll.h"
#include "songdump/report.h"
#include "songdump/svg_roll.h"
#include "songformat/records.h"
#include "songformat/songformat.h"
#include "toolkit/command_line.h"

using namespace songdump;
using namespace songformat;

namespace {

// The name a user gave may hold any bytes; the picture must still be plain XML.
void checkEscaped(std::string_view text) {
    std::string escaped = pianoroll::escapeXml(std::string(text));
    for (char c : escaped)
        if (c == '<' || c == '>' || c == '"' || static_cast<unsigned char>(c) < 0x20 ||
            static_cast<unsigned char>(c) > 0x7E)
            __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view name(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
    checkEscaped(name);
    if (size < songformat::kHeaderSize) return 0;
    std::span<const std::uint8_t> stream(data + songformat::kHeaderSize,
                                         size - songformat::kHeaderSize);

    StreamDecoder decoder(stream);
    SongSummary summary;
    PianoRoll roll;
    std::size_t expectedOffset = 0;
    for (Record record; decoder.next(record);) {
        if (record.offset != expectedOffset || record.length == 0) __builtin_trap();
        expectedOffset += record.length;
        recordLine(record);
        summary.add(record);
        roll.add(record);
    }
    if (expectedOffset > stream.size()) __builtin_trap();
    if (decoder.verdict() == StreamVerdict::kBadRecord || !decoder.endSeen()) return 0;
    if (decoder.endOffset() + decoder.bytesAfterEnd() > stream.size()) __builtin_trap();
    summary.text(stream.size(), decoder.endTime());
    headerLine(std::string(name), stream.size());

    std::string svg = renderPianoRoll(roll, std::string(name), toolkit::kDefaultUnitMs);
    if (!svg.starts_with("<") || svg.find("</svg>") == std::string::npos) __builtin_trap();
    return 0;
}
