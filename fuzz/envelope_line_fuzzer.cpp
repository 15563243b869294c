// Fuzzes the envelope line parser with any text. A line it accepts must give an
// envelope event whose record is three to seven bytes long.
#include <cstdint>
#include <string>

#include "songmake/envelopes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<EvEnvelope> envelope = parseEnvelopeLine(line.c_str());
    if (!envelope) return 0;
    if (envelope->type != kTypeEnvelopeVolume && envelope->type != kTypeEnvelopeOther)
        __builtin_trap();
    ByteStream record;
    envelope->write(record);
    if (record.size() < 3 || record.size() > 7) __builtin_trap();
    return 0;
}
