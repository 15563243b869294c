#include "songformat/whole_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

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

ReplacementFile::ReplacementFile(std::string name) : name_(std::move(name)) {}

ReplacementFile::~ReplacementFile() { abandon(); }

bool ReplacementFile::open() {
    temporary_ = name_ + ".tmp-XXXXXX";
    descriptor_ = ::mkstemp(temporary_.data());
    if (descriptor_ < 0) {
        temporary_.clear();
        failed_ = true;
        return false;
    }
    failed_ = ::fchmod(descriptor_, newFileMode()) != 0;
    if (failed_) abandon();
    return !failed_;
}

bool ReplacementFile::write(std::string_view chunk) {
    if (failed_ || descriptor_ < 0) return false;
    failed_ = !writeAll(descriptor_, chunk);
    if (failed_) abandon();
    return !failed_;
}

bool ReplacementFile::finish() {
    if (failed_ || descriptor_ < 0) return false;
    bool ok = ::close(descriptor_) == 0;
    descriptor_ = -1;
    ok = ok && std::rename(temporary_.c_str(), name_.c_str()) == 0;
    if (ok) temporary_.clear();
    failed_ = !ok;
    abandon();
    return ok;
}

void ReplacementFile::abandon() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}

// Binary and text output are the same here; a system where they differ switches
// standard output to binary in this one place.
StandardOutput::StandardOutput() {
    std::fflush(stdout);
    // A player such as `songplay -o - song.sng | head` may stop reading early.
    std::signal(SIGPIPE, SIG_IGN);
}

bool StandardOutput::write(std::string_view chunk) {
    failed_ = failed_ || !writeAll(STDOUT_FILENO, chunk);
    return !failed_;
}

bool StandardOutput::finish() { return !failed_; }

bool replaceFile(const std::string& name, std::string_view content) {
    ReplacementFile file(name);
    return file.open() && file.write(content) && file.finish();
}

}  // namespace songformat
