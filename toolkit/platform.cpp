#include "toolkit/platform.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <random>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

// The named temporaries an interruption removes. Each name is complete before
// the file is written, and the handler only reads it: that much is safe while
// the program is stopped anywhere. On Windows the handler also needs the
// descriptor, as an open file cannot be removed there.
struct PendingRemoval {
    std::atomic<const char*> name{nullptr};
    std::atomic<int> descriptor{-1};
};
// A tool writes one output at a time; beyond these, a temporary simply is not
// removed on interruption.
constexpr int kRemovalSlots = 4;
PendingRemoval pendingRemovals[kRemovalSlots];

int holdForRemoval(const char* name, int descriptor) {
    for (int slot = 0; slot < kRemovalSlots; ++slot) {
        const char* none = nullptr;
        if (pendingRemovals[slot].name.compare_exchange_strong(none, name)) {
            pendingRemovals[slot].descriptor = descriptor;
            return slot;
        }
    }
    return -1;
}

// The descriptor is about to be closed: the handler must not close it too.
void forgetDescriptor(int slot) {
    if (slot >= 0) pendingRemovals[slot].descriptor = -1;
}

void releaseRemoval(int& slot) {
    if (slot >= 0) pendingRemovals[slot].name = nullptr;
    slot = -1;
}

// A short name of its own, so that it fits wherever the target's name fits.
std::string temporaryName(const std::string& folder) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 pick(std::random_device{}());
    std::string name = folder + "songtools-";
    for (int i = 0; i < 6; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
    return name + ".tmp";
}

#ifdef _WIN32
constexpr const char* kSeparators = "/\\:";
#else
constexpr const char* kSeparators = "/";
#endif

// The folder part of `name`, with its last separator; empty for a bare name.
std::string folderOf(const std::string& name) {
    std::size_t end = name.find_last_of(kSeparators);
    return end == std::string::npos ? "" : name.substr(0, end + 1);
}

constexpr int kCreateAttempts = 100;

}  // namespace

// The few calls each system makes its own way. File names are narrow strings
// throughout, as the tools receive them on their command line.
#ifdef _WIN32
namespace {

BOOL WINAPI removePendingOnInterrupt(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        for (PendingRemoval& pending : pendingRemovals) {
            const char* name = pending.name.load();
            if (name == nullptr) continue;
            int descriptor = pending.descriptor.exchange(-1);
            if (descriptor >= 0) _close(descriptor);
            DeleteFileA(name);
        }
    }
    return FALSE;  // the system's own handler then ends the program as it would have
}

void watchInterruptions() {
    static const bool watching = SetConsoleCtrlHandler(removePendingOnInterrupt, TRUE) != 0;
    (void)watching;
}

// The console handler runs in a thread of its own: nothing to hold off here.
struct InterruptionsHeld {};

std::string linkDestination(const std::string& target) { return target; }

int createNameless(const std::string&, const std::string&) { return -1; }

bool linkNameless(int, const std::string&, std::string&) { return false; }

int createNamed(const std::string& folder, const std::string&, std::string& name, int& slot) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        name = temporaryName(folder);
        int descriptor = -1;
        errno_t error =
            _sopen_s(&descriptor, name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                     _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (error == 0) {
            slot = holdForRemoval(name.c_str(), descriptor);
            return descriptor;
        }
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

void removeFile(const std::string& name) { DeleteFileA(name.c_str()); }

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

bool fileIdentity(const std::string& name, BY_HANDLE_FILE_INFORMATION& identity) {
    HANDLE file =
        CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileInformationByHandle(file, &identity) != 0;
    CloseHandle(file);
    return known;
}

}  // namespace

bool sameFile(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION one, two;
    return fileIdentity(first, one) && fileIdentity(second, two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
           one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
}

FileFacts fileFacts(const std::string& name) {
    struct _stat64 info;
    if (_stat64(name.c_str(), &info) != 0) return {};
    unsigned type = info.st_mode & _S_IFMT;
    if (type == _S_IFDIR) return {FileKind::folder, 0};
    if (type != _S_IFREG) return {FileKind::other, 0};
    return {FileKind::regular, static_cast<std::uint64_t>(info.st_size)};
}

std::FILE* openForReading(const std::string& name, FileKind& kind) {
    // A device here (NUL, CON) either ends at once or waits for the keyboard.
    kind = fileFacts(name).kind;
    if (kind != FileKind::regular) return nullptr;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) kind = FileKind::missing;
    return file;
}

void failWritesPastSizeLimit() {}  // a quota fails the write here

// The newer tools' messages go to standard error: the same bytes there too.
void useBinaryStandardOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void ignoreBrokenPipe() {}  // a closed pipe only fails the write here

void adviseHugePages(void*, std::size_t) {}  // large pages need a privilege here

#else
namespace {

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

void removePendingAndStop(int signal) {
    for (PendingRemoval& pending : pendingRemovals)
        if (const char* name = pending.name.load()) ::unlink(name);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(signal, &byDefault, nullptr);
    ::raise(signal);  // delivered on return, so that the program ends as the signal ends it
}

void watchInterruptions() {
    static const bool watching = [] {
        for (int signal : kInterruptions) {
            struct sigaction earlier {};
            ::sigaction(signal, nullptr, &earlier);
            if (earlier.sa_handler == SIG_IGN) continue;  // as under nohup: stays ignored
            struct sigaction removing {};
            removing.sa_handler = removePendingAndStop;
            sigemptyset(&removing.sa_mask);
            ::sigaction(signal, &removing, nullptr);
        }
        return true;
    }();
    (void)watching;
}

// Holds interruptions off while a name comes or goes, so that the handler never
// sees a name that is not yet, or no longer, the temporary's.
class InterruptionsHeld {
public:
    InterruptionsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : kInterruptions) sigaddset(&held, signal);
        ::sigprocmask(SIG_BLOCK, &held, &earlier_);
    }
    ~InterruptionsHeld() { ::sigprocmask(SIG_SETMASK, &earlier_, nullptr); }
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

private:
    sigset_t earlier_;
};

// The file a chain of symbolic links ends at, which is what a replacement
// replaces; the name itself when it is no link.
std::string linkDestination(std::string name) {
    constexpr int kMostLinks = 40;  // a loop of links ends here; the rename then fails
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat info;
        if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return name;
        std::string link(4096, '\0');
        ssize_t length = ::readlink(name.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) == link.size()) return name;
        link.resize(static_cast<std::size_t>(length));
        name = link.starts_with('/') ? link : folderOf(name) + link;
    }
    return name;
}

#ifdef __EMSCRIPTEN__
// WebAssembly's own umask masks everything; under Node.js the process's is the
// one that counts, and a page's files in memory get the usual 022.
EM_JS(int, processUmask, (), {
    return typeof process == "object" && typeof process.umask == "function" ? process.umask() : 18;
});
#else
mode_t processUmask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}
#endif

// The permission bits the replacement gets: the target's where there is one;
// otherwise those any newly created file gets, 0666 less the process's umask.
mode_t modeFor(const std::string& target) {
    struct stat info;
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 0777;
    return 0666 & ~static_cast<mode_t>(processUmask());
}

int withMode(int descriptor, const std::string& target) {
    if (descriptor >= 0 && ::fchmod(descriptor, modeFor(target)) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// A nameless file is linked at commit through /proc, which a chroot or a
// container may lack; a file system without O_TMPFILE refuses the open. Under
// WebAssembly there is no /proc of the program's own.
int createNameless([[maybe_unused]] const std::string& folder,
                   [[maybe_unused]] const std::string& target) {
#if defined(O_TMPFILE) && !defined(__EMSCRIPTEN__)
    if (::access("/proc/self/fd", X_OK) != 0) return -1;
    int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    return withMode(descriptor, target);
#else
    return -1;
#endif
}

// Gives the nameless file a short name of its own, as a link cannot replace
// an existing name; the rename that follows does.
bool linkNameless(int descriptor, const std::string& folder, std::string& name) {
    std::string path = "/proc/self/fd/" + std::to_string(descriptor);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        name = temporaryName(folder);
        if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

int createNamed(const std::string& folder, const std::string& target, std::string& name,
                int& slot) {
    [[maybe_unused]] InterruptionsHeld held;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        name = temporaryName(folder);
        int descriptor = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno == EEXIST) continue;
        if (descriptor < 0) return -1;  // e.g. no such folder: another name will not help
        descriptor = withMode(descriptor, target);
        if (descriptor < 0)
            ::unlink(name.c_str());
        else
            slot = holdForRemoval(name.c_str(), descriptor);
        return descriptor;
    }
    return -1;
}

long writeSome(int descriptor, const char* data, std::size_t size) {
    return static_cast<long>(::write(descriptor, data, size));
}

bool closeFile(int descriptor) { return ::close(descriptor) == 0; }

void removeFile(const std::string& name) { ::unlink(name.c_str()); }

bool replaceTarget(const std::string& name, const std::string& target) {
    return std::rename(name.c_str(), target.c_str()) == 0;
}

}  // namespace

bool sameFile(const std::string& first, const std::string& second) {
    struct stat one, two;
    return ::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &two) == 0 &&
           one.st_dev == two.st_dev && one.st_ino == two.st_ino;
}

FileFacts fileFacts(const std::string& name) {
    struct stat info;
    if (::stat(name.c_str(), &info) != 0) return {};
    if (S_ISDIR(info.st_mode)) return {FileKind::folder, 0};
    if (!S_ISREG(info.st_mode)) return {FileKind::other, 0};
    return {FileKind::regular, static_cast<std::uint64_t>(info.st_size)};
}

std::FILE* openForReading(const std::string& name, FileKind& kind) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    int descriptor = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    kind = FileKind::missing;
    if (descriptor < 0) return nullptr;
    struct stat info;
    bool known = ::fstat(descriptor, &info) == 0;
    kind = !known                  ? FileKind::other
           : S_ISREG(info.st_mode) ? FileKind::regular
           : S_ISDIR(info.st_mode) ? FileKind::folder
                                   : FileKind::other;
    bool waits = !known || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode);
    std::FILE* file = kind == FileKind::folder || waits ? nullptr : ::fdopen(descriptor, "rb");
    if (file == nullptr) ::close(descriptor);
    return file;
}

void failWritesPastSizeLimit() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void useBinaryStandardOutput() {}  // a POSIX stream has no text mode

void ignoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

void adviseHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t size) {
#ifdef MADV_HUGEPAGE
    ::madvise(block, size, MADV_HUGEPAGE);
#endif
}

#endif

TemporaryFile::TemporaryFile(const std::string& target, Naming naming)
    : target_(linkDestination(target)) {
    watchInterruptions();
    std::string folder = folderOf(target_);
    if (naming == Naming::namelessWhereOffered) descriptor_ = createNameless(folder, target_);
    nameless_ = descriptor_ >= 0;
    if (!nameless_) descriptor_ = createNamed(folder, target_, name_, removalSlot_);
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
    // From here on the new file is either in the target's place or gone.
    [[maybe_unused]] InterruptionsHeld held;
    bool named = !nameless_ || (!failed_ && linkNameless(descriptor_, folderOf(target_), name_));
    forgetDescriptor(removalSlot_);
    bool closed = closeFile(descriptor_);
    descriptor_ = -1;
    bool replaced = named && closed && !failed_ && replaceTarget(name_, target_);
    if (named && !replaced) removeFile(name_);
    releaseRemoval(removalSlot_);
    return replaced;
}

void TemporaryFile::discard() {
    if (!created()) return;
    [[maybe_unused]] InterruptionsHeld held;
    forgetDescriptor(removalSlot_);
    closeFile(descriptor_);
    descriptor_ = -1;
    if (!nameless_) removeFile(name_);
    releaseRemoval(removalSlot_);
}

}  // namespace platform
