// Fuzzes the envelope line parser with any text, against the C library's
// scanf with the format envelope files were always read with: both must take
// or skip the same lines and give the same stored values. A line taken must
// give an envelope event whose record is three to seven bytes long.
#include <cstdint>
#include <cstdio>
#include <string>

#include "songmake/envelopes.h"

namespace {

// What "%ld %ld %8s %1s %ld %ld %ld %ld" makes of the line where long has 64
// bits. Windows's long has 32, so the numbers are read as long long everywhere.
std::unique_ptr<EvEnvelope> scanfReference(const std::string& line) {
    if (line[0] == '#' || line[0] == '\n') return nullptr;
    long long time, channel, params[4];
    char kind[9], mode[2];
    int fields = std::sscanf(line.c_str(), "%lld %lld %8s %1s %lld %lld %lld %lld\n", &time,
                             &channel, kind, mode, &params[0], &params[1], &params[2], &params[3]);
    if (fields != 8) return nullptr;
    EnvelopeFields read;
    read.fieldsRead = 8;
    read.time = time;
    read.channel = channel;
    std::snprintf(read.kind, sizeof read.kind, "%s", kind);
    read.mode = mode[0];
    for (int i = 0; i < 4; ++i) read.params[i] = params[i];
    return envelopeFromFields(read);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<EvEnvelope> envelope = parseEnvelopeLine(line);
    std::unique_ptr<EvEnvelope> expected = scanfReference(line);
    if (!envelope != !expected) __builtin_trap();
    if (!envelope) return 0;
    if (envelope->type != kTypeEnvelopeVolume && envelope->type != kTypeEnvelopeOther)
        __builtin_trap();
    ByteStream record, expectedRecord;
    envelope->write(record);
    expected->write(expectedRecord);
    if (record != expectedRecord || envelope->time != expected->time) __builtin_trap();
    if (record.size() < 3 || record.size() > 7) __builtin_trap();
    return 0;
}
