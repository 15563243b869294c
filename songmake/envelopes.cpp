#include "songmake/envelopes.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

// Longest piece of a line taken in one read; the rest is read as a line of its own.
constexpr int kLineBuffer = 255;

std::uint8_t modeCode(char letter) {
    switch (letter) {
        case 'A':
            return kModeA;
        case 'D':
            return kModeD;
        case 'H':
            return kModeH;
        default:
            return static_cast<std::uint8_t>(letter);  // unknown modes keep their letter
    }
}

}  // namespace

std::unique_ptr<EvEnvelope> parseEnvelopeLine(const char* line) {
    if (line[0] == '#' || line[0] == '\n') return nullptr;
    // Numbers are converted as longs and cut to their low 32 bits, which is what
    // "%d" does here, without the undefined behaviour of an out-of-range int.
    long time, channel, params[4];
    char kind[9], mode[2];
    int fields = std::sscanf(line, "%ld %ld %8s %1s %ld %ld %ld %ld\n", &time, &channel, kind, mode,
                             &params[0], &params[1], &params[2], &params[3]);
    if (fields != 8) return nullptr;
    std::int32_t type =
        (kind[0] == 'V' || kind[0] == 'v') ? kTypeEnvelopeVolume : kTypeEnvelopeOther;
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(params[i]);
    return std::make_unique<EvEnvelope>(type, static_cast<std::uint32_t>(time),
                                        static_cast<std::uint8_t>(channel), modeCode(mode[0]),
                                        bytes);
}

void readEnvelopes(const std::string& base, EventList& list) {
    std::string name = base + ".env";
    std::FILE* file = std::fopen(name.c_str(), "r");
    struct stat info;
    // A folder opens on this system but holds no lines, and a device such as
    // /dev/zero holds lines without end: only a regular file is read.
    if (file != nullptr && (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))) {
        std::fclose(file);
        file = nullptr;
    }
    if (file == nullptr) {
        std::printf("Can't open %s\n", base.c_str());
        return;
    }
    char line[kLineBuffer];
    while (std::fgets(line, kLineBuffer, file) != nullptr)
        if (auto envelope = parseEnvelopeLine(line)) list.push_back(std::move(envelope));
    std::fclose(file);
}
