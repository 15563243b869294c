#include "songformat/whole_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace songformat {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool writeAll(int descriptor, std::string_view content) {
    while (!content.empty()) {
        ssize_t written = ::write(descriptor, content.data(), content.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// mkstemp creates its file for the owner alone; the result should get the mode
// any newly created file gets: 0666 less the process's umask.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

ReadResult readWholeFile(const std::string& name, std::size_t limit,
                         std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    if (!file) return ReadResult::cantOpen;
    bytes.clear();
    std::size_t got = 0;
    do {
        std::size_t had = bytes.size();
        bytes.resize(had + kReadChunk);
        got = std::fread(bytes.data() + had, 1, kReadChunk, file.get());
        bytes.resize(had + got);
    } while (got == kReadChunk && bytes.size() <= limit);
    if (std::ferror(file.get())) return ReadResult::cantRead;
    return bytes.size() > limit ? ReadResult::tooLarge : ReadResult::ok;
}

bool replaceFile(const std::string& name, std::string_view content) {
    std::string temporary = name + ".tmp-XXXXXX";
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return false;
    bool ok = ::fchmod(descriptor, newFileMode()) == 0 && writeAll(descriptor, content);
    ok = (::close(descriptor) == 0) && ok;
    ok = ok && std::rename(temporary.c_str(), name.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

}  // namespace songformat
