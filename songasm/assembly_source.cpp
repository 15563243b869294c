#include "songasm/assembly_source.h"

#include <cstddef>
#include <span>

namespace {

constexpr std::string_view kSongExtension = ".sng";
constexpr std::string_view kAssemblyExtension = ".S";

constexpr std::size_t kStreamValuesPerLine = 8;
constexpr std::size_t kCharactersPerValue = 6;  // "0x%02x, "

constexpr std::string_view kValueSeparator = ", ";
constexpr std::string_view kNextStreamLine = "\n\t.byte ";
constexpr std::string_view kAfterStream = "\n\n.data\n\nwave_table1:\n\t.byte ";
constexpr std::string_view kAfterWaveTable1 = "\n\nwave_table2:\n\t.byte ";
constexpr std::string_view kAfterWaveTable2 = "\n\n";

void appendHexValue(std::string& text, std::uint8_t value) {
    constexpr char kDigits[] = "0123456789abcdef";
    text += "0x";
    text += kDigits[value >> 4];
    text += kDigits[value & 0x0F];
}

// Writes `values` separated by ", ", starting a new ".byte" line after every
// `valuesPerLine` of them (0: all on one line), and `closing` after the last.
// The format is usually described as writing ", " after every value and stepping
// back over it; writing the right separator straight away gives the same bytes.
void appendValueList(std::string& text, std::span<const std::uint8_t> values,
                     std::size_t valuesPerLine, std::string_view closing) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            bool lineFull = valuesPerLine != 0 && i % valuesPerLine == 0;
            text += lineFull ? kNextStreamLine : kValueSeparator;
        }
        appendHexValue(text, values[i]);
    }
    text += closing;
}

}  // namespace

std::optional<std::string> assemblyFileName(std::string_view songFileName) {
    std::size_t extension = songFileName.find(kSongExtension);
    if (extension == std::string_view::npos) return std::nullopt;
    std::string name(songFileName.substr(0, extension));
    name += kAssemblyExtension;
    return name;
}

std::string assemblySource(const SongContents& song) {
    std::size_t valueCount = song.stream.size() + 2 * songformat::kTableSize;
    std::string text;
    text.reserve(kAssemblyPreamble.size() + valueCount * kCharactersPerValue + kAfterStream.size() +
                 kAfterWaveTable1.size() + kAfterWaveTable2.size());
    text += kAssemblyPreamble;
    appendValueList(text, song.stream, kStreamValuesPerLine, kAfterStream);
    appendValueList(text, song.waveTable1, 0, kAfterWaveTable1);
    appendValueList(text, song.storedWaveTable2, 0, kAfterWaveTable2);
    return text;
}
