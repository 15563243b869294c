// Running programs and what the tests may arrange, on a POSIX system.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/ptrace.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/support/program_runner.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

// What the child does before it becomes `program`: its standard output to the
// pipe or the file the test names, its folder, its limits.
[[noreturn]] void becomeProgram(const std::string& program,
                                const std::vector<std::string>& arguments,
                                const std::filesystem::path& workingFolder,
                                const RunOptions& options, const int pipeEnds[2], bool traced,
                                const int* errorEnds = nullptr) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    if (errorEnds != nullptr) {
        ::dup2(errorEnds[1], STDERR_FILENO);
        ::close(errorEnds[0]);
        ::close(errorEnds[1]);
    }
    auto redirect = [](const std::filesystem::path& name, int descriptor) {
        if (name.empty()) return;
        int file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (file < 0) ::_exit(126);
        ::dup2(file, descriptor);
        ::close(file);
    };
    redirect(options.standardOutput, STDOUT_FILENO);
    redirect(options.standardError, STDERR_FILENO);
    if (::chdir(workingFolder.c_str()) != 0) ::_exit(126);
    // SIGXFSZ keeps the action the test has: the program must ignore it itself.
    if (options.fileSizeLimit >= 0) {
        rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                     static_cast<rlim_t>(options.fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
#ifdef __linux__
    if (traced && ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(125);
#else
    if (traced) ::_exit(125);
#endif
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

void readRest(int descriptor, std::string& output) {
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(descriptor, buffer, sizeof buffer)) > 0) output.append(buffer, got);
    ::close(descriptor);
}

RunResult endOf(pid_t child, RunResult result, bool ended = false, int status = 0) {
    if (!ended) ::waitpid(child, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

#ifdef __linux__
// Whether `child` holds a file open for writing in `folder` that has bytes in it.
bool writesInFolder(pid_t child, const std::filesystem::path& folder) {
    std::string inside = std::filesystem::canonical(folder).string() + "/";
    std::string process = "/proc/" + std::to_string(child);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(process + "/fd", error)) {
        std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (error || !target.starts_with(inside)) continue;
        std::ifstream info(process + "/fdinfo/" + entry.path().filename().string());
        std::string word;
        unsigned flags = 0;
        while (info >> word)
            if (word == "flags:" && info >> std::oct >> flags) break;
        struct stat facts;
        if ((flags & O_ACCMODE) != O_RDONLY && ::stat(entry.path().c_str(), &facts) == 0 &&
            facts.st_size > 0)
            return true;
    }
    return false;
}

// Follows the child's system calls until a write has put bytes into a file in
// the folder, then sends `signal` as that write returns and lets the child go.
// What the child prints meanwhile is read on, lest it wait on a full pipe.
// Returns false, with the status, when the child ended first (exit code 125:
// it could not be traced).
bool interruptMidWrite(pid_t child, const std::filesystem::path& folder, int signal, int outputEnd,
                       std::string& output, int& status) {
    if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) return false;
    // An exec (valgrind starts the program through another) stops with an event, not a signal.
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr,
             PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL);
    ::fcntl(outputEnd, F_SETFL, O_NONBLOCK);
    int passOn = 0;
    char buffer[4096];
    while (::ptrace(PTRACE_SYSCALL, child, nullptr, passOn) == 0 &&
           ::waitpid(child, &status, __WALL) == child && WIFSTOPPED(status)) {
        for (ssize_t got; (got = ::read(outputEnd, buffer, sizeof buffer)) > 0;)
            output.append(buffer, got);
        bool atSystemCall = WSTOPSIG(status) == (SIGTRAP | 0x80);
        bool atEvent = (status >> 16) != 0;
        passOn = atSystemCall || atEvent ? 0 : WSTOPSIG(status);
        if (atSystemCall && writesInFolder(child, folder)) {
            ::kill(child, signal);
            ::ptrace(PTRACE_DETACH, child, nullptr, 0);
            ::fcntl(outputEnd, F_SETFL, 0);
            return true;
        }
    }
    ::fcntl(outputEnd, F_SETFL, 0);
    return !(WIFEXITED(status) || WIFSIGNALED(status));
}
#endif

}  // namespace

RunResult runInterrupted(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingFolder, int signal,
                         std::size_t afterOutputBytes) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    bool traced = afterOutputBytes == 0;
    pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) becomeProgram(program, arguments, workingFolder, {}, pipeEnds, traced);
    ::close(pipeEnds[1]);
    RunResult result;
    int status = 0;
    bool ended = false;
    if (traced) {
#ifdef __linux__
        ended =
            !interruptMidWrite(child, workingFolder, signal, pipeEnds[0], result.output, status);
#else
        (void)signal;
#endif
    } else {
        // The program waits on a full pipe until the test reads on.
        char buffer[4096];
        ssize_t got;
        while (result.output.size() < afterOutputBytes &&
               (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
            result.output.append(buffer, got);
        ::kill(child, signal);
    }
    readRest(pipeEnds[0], result.output);
    return endOf(child, std::move(result), ended, status);
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingFolder, const RunOptions& options) {
    int pipeEnds[2];
    int errorEnds[2];
    if (::pipe(pipeEnds) != 0 || ::pipe(errorEnds) != 0) throw std::runtime_error("pipe failed");
    pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0)
        becomeProgram(program, arguments, workingFolder, options, pipeEnds, false, errorEnds);
    ::close(pipeEnds[1]);
    ::close(errorEnds[1]);
    RunResult result;
    // Both at once: a child that fills one pipe while we wait on the other would never end.
    pollfd ends[2] = {{pipeEnds[0], POLLIN, 0}, {errorEnds[0], POLLIN, 0}};
    std::string* into[2] = {&result.output, &result.errors};
    int stillOpen = 2;
    while (stillOpen > 0 && ::poll(ends, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (ends[i].fd < 0 || ends[i].revents == 0) continue;
            char buffer[4096];
            ssize_t got = ::read(ends[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(got));
                continue;
            }
            ::close(ends[i].fd);
            ends[i].fd = -1;
            --stillOpen;
        }
    }
    return endOf(child, std::move(result));
}

std::string missingFeature(SystemFeature feature) {
    switch (feature) {
        case SystemFeature::endlessFile:
            return std::filesystem::exists("/dev/zero") ? "" : "this system has no /dev/zero";
        case SystemFeature::unwritableFolder:
            return ::geteuid() == 0 ? "root writes to any folder; see the folder and disk cases"
                                    : "";
        case SystemFeature::unreadableFile:
            return ::geteuid() == 0 ? "root reads any file; see the folder case" : "";
        case SystemFeature::readOnlyFileRefused:
            return "a POSIX system replaces a read-only file like any other: the folder's "
                   "permissions decide (see the unwritable folder case)";
        case SystemFeature::openFileRefused:
            return "a POSIX system replaces a file that another program holds open; that "
                   "program goes on reading the earlier one";
        case SystemFeature::interruptSignal:
#ifdef __linux__
            return "";
#else
            return "stopping a program in the middle of a write needs Linux's ptrace and /proc";
#endif
        case SystemFeature::fullDevice:
            return std::filesystem::exists("/dev/full") ? "" : "this system has no /dev/full";
        default:
            return "";
    }
}

void makeNamedPipe(const std::filesystem::path& path) {
    if (::mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed");
}

void setFileSizeLimit(long long bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes < 0 ? limit.rlim_max : static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

int setNewFileMask(int mask) { return static_cast<int>(::umask(static_cast<mode_t>(mask))); }

}  // namespace testing_support
