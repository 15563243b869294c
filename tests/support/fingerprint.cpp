#include "tests/support/fingerprint.h"

#include <cstdint>
#include <cstdio>

namespace testing_support {

std::string fingerprint(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::to_string(bytes.size()) + " bytes, " + hex;
}

}  // namespace testing_support
