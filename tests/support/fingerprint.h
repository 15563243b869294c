// A short stand-in for a whole output, for tests that pin outputs too large to
// spell out: the same bytes on every system give the same fingerprint.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

// "LENGTH bytes, HASH": the length and the 64-bit FNV-1a hash in hexadecimal.
std::string fingerprint(std::string_view bytes);

}  // namespace testing_support
