// printf-style formatting into a std::string, for the listing and the picture.
#pragma once

#include <string>

namespace songdump {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

}  // namespace songdump
