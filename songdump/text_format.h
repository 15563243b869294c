// printf-style formatting into a std::string, for the listing and the picture.
#pragma once

#include <string>

#include "songformat/platform.h"

namespace songdump {

// GCC and clang check each call's arguments against its pattern; compilers
// that do not know the attribute pass over it.
[[gnu::format(PLATFORM_PRINTF, 1, 2)]] std::string format(const char* pattern, ...);

}  // namespace songdump
