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

using toolkit::OptionsVerdict;

OptionsVerdict parseOptions(int argc, char** argv, CheckOptions& options);

extern const char* const kUsage;

}  // namespace songcheck
