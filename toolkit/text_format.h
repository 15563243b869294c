// Text the tools' reports are made of: printf-style formatting into a
// std::string, and counts with their noun.
#pragma once

#include <cstddef>
#include <string>

#include "toolkit/platform.h"

namespace toolkit {

// GCC and clang check each call's arguments against its pattern; compilers
// that do not know the attribute pass over it.
[[gnu::format(PLATFORM_PRINTF, 1, 2)]] std::string format(const char* pattern, ...);

// "1 note", "3 notes".
std::string plural(std::size_t count, const char* one, const char* many);

}  // namespace toolkit
