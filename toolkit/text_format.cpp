#include "toolkit/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace toolkit {

std::string format(const char* pattern, ...) {
    va_list arguments;
    va_start(arguments, pattern);
    va_list measuring;
    va_copy(measuring, arguments);
    int length = std::vsnprintf(nullptr, 0, pattern, measuring);
    va_end(measuring);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, pattern, arguments);
    va_end(arguments);
    return text;
}

std::string plural(std::size_t count, const char* one, const char* many) {
    return format("%zu %s", count, count == 1 ? one : many);
}

}  // namespace toolkit
