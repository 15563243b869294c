// songcheck's command line.
#pragma once

#include <cstddef>
#include <string>

namespace songcheck {

struct CheckOptions {
    std::string midiName;
    bool strict = false;
    bool svg = false;
    double unitMs = 0;
    std::size_t maxBytes = 0;
};

enum class OptionsVerdict { run, help, version, usageError };

OptionsVerdict parseOptions(int argc, char** argv, CheckOptions& options);

extern const char* const kUsage;

}  // namespace songcheck
