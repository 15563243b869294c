// The text listing of a song: a header line, one line per record, a summary.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "songformat/records.h"

namespace songdump {

using songformat::Record;
using songformat::RecordKind;

// "demo.sng: 1234 stream bytes, within the 65536 bytes a 16-bit offset reaches"
std::string headerLine(const std::string& name, std::size_t streamBytes);

// The fields of one record in words, without offset, delay, time and voice.
std::string describeFields(const Record& record);

// One listing line: offset, delay byte, running time, voice, kind, fields.
std::string recordLine(const Record& record);

// The column titles above the record lines.
std::string columnTitles();

// Counts what the summary reports, record by record.
class SongSummary {
public:
    void add(const Record& record);

    // The summary lines, each ending in a newline; `length` is the running time
    // at the first end record, where the player stops.
    std::string text(std::size_t streamBytes, std::uint64_t length) const;

private:
    std::array<std::size_t, songformat::kRecordKindCount> counts_{};
    std::uint16_t voicesUsed_ = 0;  // one bit per voice
};

}  // namespace songdump
