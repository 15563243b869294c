#include "songdump/file_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace songdump {
namespace {

bool writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(descriptor, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// mkstemp creates its file for the owner alone; the result should get the
// mode any newly created file gets: 0666 less the process's umask.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool replaceFile(const std::string& name, const std::string& text) {
    std::string pattern = name + ".tmp-XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return false;
    bool ok =
        ::fchmod(descriptor, newFileMode()) == 0 && writeAll(descriptor, text.data(), text.size());
    ok = (::close(descriptor) == 0) && ok;
    ok = ok && std::rename(temporary.data(), name.c_str()) == 0;
    if (!ok) std::remove(temporary.data());
    return ok;
}

}  // namespace songdump
