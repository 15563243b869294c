#include "songformat/whole_file.h"

#include <cstdio>
#include <memory>

#include "songformat/platform.h"

namespace songformat {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

ReadResult readWholeFile(const std::string& name, std::size_t limit,
                         std::vector<std::uint8_t>& bytes) {
    // A folder opens on some systems and not on others; it never reads.
    if (platform::fileFacts(name).kind == platform::FileKind::folder) return ReadResult::cantRead;
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
    platform::TemporaryFile file(name);
    return file.write(content) && file.commit();
}

}  // namespace songformat
