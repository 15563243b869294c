// What differs between Windows and POSIX systems, behind one interface: a file
// written beside its target that takes the target's place whole, what a name
// refers to, standard output that passes bytes through unchanged, a hint for
// large memory blocks, and which printf the compiler checks patterns against.
// The rest of the code does not ask which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// For [[gnu::format(PLATFORM_PRINTF, ...)]]. MinGW-w64 brings a printf of its
// own, C99's, in place of the Windows one; its headers, which <cstdio> brings
// in, name it.
#ifdef __MINGW_PRINTF_FORMAT
#define PLATFORM_PRINTF __MINGW_PRINTF_FORMAT
#else
#define PLATFORM_PRINTF printf
#endif

namespace platform {

// A new file in the folder of `target`, written in binary. It either takes the
// target's place whole (commit) or disappears (discard, a failed commit,
// destruction without either, or the process being interrupted by SIGINT,
// SIGTERM or SIGHUP, or on Windows by the console's Ctrl-C or close), so that
// whoever reads the target only ever sees the earlier file or the complete new
// one. Writes may come in any number of pieces.
//
// Where the system offers it (Linux's O_TMPFILE), the file has no name until
// commit, so that not even SIGKILL or a power cut leaves it behind; elsewhere
// it has a short name of its own (songtools-XXXXXX.tmp), which fits wherever
// the target's name fits. A target that is a symbolic link has the file it
// leads to replaced, and an existing target's permission bits are kept.
class TemporaryFile {
public:
    // How the file is made: `named` always gives it a name, as on a system
    // without nameless files (for the tests of that way).
    enum class Naming { namelessWhereOffered, named };

    // Creates the file; created() says whether that worked.
    explicit TemporaryFile(const std::string& target, Naming naming = Naming::namelessWhereOffered);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool created() const { return descriptor_ >= 0; }
    // Whether the file has a name in the folder before commit.
    bool named() const { return !nameless_; }

    // Appends `bytes`. Returns false once a write has failed (a full disk, a
    // file-size limit); commit then fails too.
    bool write(std::string_view bytes);

    // Closes the file and replaces the target with it. Returns false, with the
    // temporary removed and the target untouched, when anything failed: a write,
    // the close, or the replacement (a folder in the way; on Windows also a
    // read-only target or one that another program holds open).
    bool commit();

    // Removes the temporary; the target stays as it was.
    void discard();

private:
    std::string target_;  // the file replaced: a link's destination
    std::string name_;    // the temporary's name, or the one a nameless file gets at commit
    int descriptor_ = -1;
    bool nameless_ = false;
    bool failed_ = false;
    int removalSlot_ = -1;  // where an interruption finds name_
};

// Whether `first` and `second` are the same file, whatever names lead to it
// (links followed); false when either does not exist.
bool sameFile(const std::string& first, const std::string& second);

enum class FileKind { missing, regular, folder, other };

// What a name refers to, links followed, and a regular file's size in bytes.
// "other" is a device, a pipe or a socket: something that may never end.
struct FileFacts {
    FileKind kind = FileKind::missing;
    std::uint64_t size = 0;
};
FileFacts fileFacts(const std::string& name);

// Opens `name` for reading in binary without waiting: a FIFO, a socket or a
// folder is refused (null, with `kind` saying what it is), and a device that
// has nothing to give fails the read instead of waiting for it. `kind` is
// missing when the name cannot be opened at all.
std::FILE* openForReading(const std::string& name, FileKind& kind);

// Makes a write past the file-size limit (ulimit -f) fail with an error that
// the program reports, rather than end the program without a word.
void failWritesPastSizeLimit();

// Makes standard output pass bytes through unchanged. Windows turns "\n" into
// "\r\n" on a stream in text mode; every tool calls this first, so that its
// messages are the same bytes on every system.
void useBinaryStandardOutput();

// Lets a write to standard output fail with an error, rather than end the
// program, when whoever reads it has gone away (a pipe closed early).
void ignoreBrokenPipe();

// Asks for large pages behind `block`, where the system offers them to
// ordinary programs; a hint without effect elsewhere.
void adviseHugePages(void* block, std::size_t size);

}  // namespace platform
