// songcheck's command line.
#pragma once

#include <cstddef>
#include <string>

#include "toolkit/command_line.h"

namespace songcheck {

struct CheckOptions {
    std::string midiName;
    bool strict = false;
    bool svg = false;
    double unitMs = 0;
    std::size_t maxBytes = 0;
};

// Reads the command line into `options`; what is wrong with it stays in `arguments`.
void parseOptions(toolkit::ArgumentReader& arguments, CheckOptions& options);

extern const char* const kUsage;

}  // namespace songcheck
