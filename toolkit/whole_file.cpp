#include "toolkit/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "toolkit/platform.h"

namespace toolkit {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

ReadResult readWholeFile(const std::string& name, std::size_t limit,
                         std::vector<std::uint8_t>& bytes) {
    // A folder, a FIFO or a socket never reads: refused without waiting.
    platform::FileKind kind = platform::FileKind::missing;
    std::unique_ptr<std::FILE, FileCloser> file(platform::openForReading(name, kind));
    if (!file)
        return kind == platform::FileKind::missing ? ReadResult::cantOpen : ReadResult::cantRead;
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

ReplacementFile::~ReplacementFile() = default;  // an unfinished temporary goes with it

bool ReplacementFile::open() {
    file_ = std::make_unique<platform::TemporaryFile>(name_);
    failed_ = !file_->created();
    return !failed_;
}

bool ReplacementFile::write(std::string_view chunk) {
    failed_ = failed_ || !file_ || !file_->write(chunk);
    return !failed_;
}

bool ReplacementFile::finish() {
    failed_ = failed_ || !file_ || !file_->commit();
    return !failed_;
}

StandardOutput::StandardOutput() {
    std::fflush(stdout);
    // A player such as `songplay -o - song.sng | head` may stop reading early.
    platform::ignoreBrokenPipe();
}

bool StandardOutput::write(std::string_view chunk) {
    failed_ = failed_ || std::fwrite(chunk.data(), 1, chunk.size(), stdout) != chunk.size();
    return !failed_;
}

bool StandardOutput::finish() {
    failed_ = failed_ || std::fflush(stdout) != 0;
    return !failed_;
}

bool replaceFile(const std::string& name, std::string_view content) {
    platform::TemporaryFile file(name);
    return file.write(content) && file.commit();
}

std::string inputAtOutput(const std::string& output, std::initializer_list<std::string> inputs) {
    for (const std::string& input : inputs)
        if (platform::sameFile(input, output)) return input;
    return "";
}

int closeStandardOutput(int exitCode, int writeFailure, const char* program) {
    bool flushed = std::fflush(stdout) == 0;
    int reason = flushed ? 0 : errno;
    bool written = flushed && std::ferror(stdout) == 0;
    if (std::fclose(stdout) != 0 && written) {
        written = false;
        reason = errno;
    }
    if (written || exitCode != 0) return exitCode;  // a failure has already been told
    if (program != nullptr)
        std::fprintf(stderr, "%s: can't write to standard output: %s\n", program,
                     reason != 0 ? std::strerror(reason) : "a write failed");
    return writeFailure;
}

}  // namespace toolkit
