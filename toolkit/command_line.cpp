#include "toolkit/command_line.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace toolkit {

bool parseOptionNumber(std::string_view text, double& value) {
    if (text.empty() || text.size() > 32) return false;
    for (char c : text)
        if ((c < '0' || c > '9') && c != '.') return false;  // no sign, exponent or "inf"
    std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value);
}

void printVersion(const char* program) { std::printf("%s %s\n", program, SONGTOOLS_VERSION); }

std::optional<int> answerOptions(OptionsVerdict verdict, const char* program, const char* usage) {
    switch (verdict) {
        case OptionsVerdict::help:
            std::fputs(usage, stdout);
            return 0;
        case OptionsVerdict::version:
            printVersion(program);
            return 0;
        case OptionsVerdict::usageError:
            std::fputs(usage, stdout);
            return 1;
        case OptionsVerdict::run:
            break;
    }
    return std::nullopt;
}

}  // namespace toolkit
