#include "toolkit/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <random>
#else
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

// The few calls each system makes its own way. File names are narrow strings
// throughout, as the tools receive them on their command line.
#ifdef _WIN32
namespace {

int createBeside(const std::string& target, std::string& name) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp-";
        for (int i = 0; i < 6; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
        int descriptor = -1;
        errno_t error =
            _sopen_s(&descriptor, name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                     _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (error == 0) return descriptor;
        if (error != EEXIST) return -1;  // e.g. no such folder: another name will not help
    }
    return -1;
}

long writeSome(int descriptor, const char* data, std::size_t size) {
    constexpr std::size_t kLargestWrite = std::size_t{1} << 30;  // _write counts in an int
    return _write(descriptor, data,
                  static_cast<unsigned>(size < kLargestWrite ? size : kLargestWrite));
}

bool closeFile(int descriptor) { return _close(descriptor) == 0; }

bool replaceTarget(const std::string& name, const std::string& target) {
    // Windows refuses to replace a read-only file, but an emulation of its file
    // calls may not (wine running as root): asking first makes the refusal certain.
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    // std::rename does not replace an existing file here.
    return MoveFileExA(name.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

FileFacts fileFacts(const std::string& name) {
    struct _stat64 info;
    if (_stat64(name.c_str(), &info) != 0) return {};
    unsigned type = info.st_mode & _S_IFMT;
    if (type == _S_IFDIR) return {FileKind::folder, 0};
    if (type != _S_IFREG) return {FileKind::other, 0};
    return {FileKind::regular, static_cast<std::uint64_t>(info.st_size)};
}

void useBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

void ignoreBrokenPipe() {}  // a closed pipe only fails the write here

void adviseHugePages(void*, std::size_t) {}  // large pages need a privilege here

#else
namespace {

// mkstemp creates its file for the owner alone; the result should get the mode
// any newly created file gets: 0666 less the process's umask.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int createBeside(const std::string& target, std::string& name) {
    name = target + ".tmp-XXXXXX";
    int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) return -1;
    if (::fchmod(descriptor, newFileMode()) != 0) {
        ::close(descriptor);
        std::remove(name.c_str());
        return -1;
    }
    return descriptor;
}

long writeSome(int descriptor, const char* data, std::size_t size) {
    return static_cast<long>(::write(descriptor, data, size));
}

bool closeFile(int descriptor) { return ::close(descriptor) == 0; }

bool replaceTarget(const std::string& name, const std::string& target) {
    return std::rename(name.c_str(), target.c_str()) == 0;
}

}  // namespace

FileFacts fileFacts(const std::string& name) {
    struct stat info;
    if (::stat(name.c_str(), &info) != 0) return {};
    if (S_ISDIR(info.st_mode)) return {FileKind::folder, 0};
    if (!S_ISREG(info.st_mode)) return {FileKind::other, 0};
    return {FileKind::regular, static_cast<std::uint64_t>(info.st_size)};
}

void useBinaryStandardOutput() {}  // a POSIX stream has no text mode

void ignoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

void adviseHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t size) {
#ifdef MADV_HUGEPAGE
    ::madvise(block, size, MADV_HUGEPAGE);
#endif
}

#endif

TemporaryFile::TemporaryFile(const std::string& target) : target_(target) {
    descriptor_ = createBeside(target_, name_);
}

TemporaryFile::~TemporaryFile() { discard(); }

bool TemporaryFile::write(std::string_view bytes) {
    failed_ = failed_ || !created();
    while (!failed_ && !bytes.empty()) {
        long written = writeSome(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        failed_ = written <= 0;
        if (!failed_) bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return !failed_;
}

bool TemporaryFile::commit() {
    if (!created()) return false;
    bool closed = closeFile(descriptor_);
    descriptor_ = -1;
    if (closed && !failed_ && replaceTarget(name_, target_)) return true;
    std::remove(name_.c_str());
    return false;
}

void TemporaryFile::discard() {
    if (!created()) return;
    closeFile(descriptor_);
    descriptor_ = -1;
    std::remove(name_.c_str());
}

}  // namespace platform
