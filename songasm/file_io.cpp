#include "songasm/file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

bool writeAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// mkstemp creates files as 0600; the output should get what any new file gets,
// 0666 less the process's umask.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& name, std::size_t limit) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::size_t got = 0;
    do {
        std::size_t size = bytes.size();
        bytes.resize(size + kReadChunk);
        got = std::fread(bytes.data() + size, 1, kReadChunk, file);
        bytes.resize(size + got);
    } while (got == kReadChunk && bytes.size() <= limit);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

bool replaceFile(const std::string& name, std::string_view text) {
    std::string temporary = name + ".tmp-XXXXXX";
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return false;
    bool ok = ::fchmod(descriptor, newFileMode()) == 0 && writeAll(descriptor, text);
    ok = (::close(descriptor) == 0) && ok;
    ok = ok && std::rename(temporary.c_str(), name.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}
