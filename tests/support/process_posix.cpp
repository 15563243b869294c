// Running programs and what the tests may arrange, on a POSIX system.
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <stdexcept>

#include "tests/support/program_runner.h"
#include "tests/support/system_features.h"

namespace testing_support {

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingFolder, const RunOptions& options) {
    int pipeEnds[2];
    int errorEnds[2];
    if (::pipe(pipeEnds) != 0 || ::pipe(errorEnds) != 0) throw std::runtime_error("pipe failed");
    pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(errorEnds[1], STDERR_FILENO);
        for (int end : {pipeEnds[0], pipeEnds[1], errorEnds[0], errorEnds[1]}) ::close(end);
        if (::chdir(workingFolder.c_str()) != 0) ::_exit(126);
        if (options.fileSizeLimit >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                         static_cast<rlim_t>(options.fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
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
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
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
        default:
            return "";
    }
}

int setNewFileMask(int mask) { return static_cast<int>(::umask(static_cast<mode_t>(mask))); }

}  // namespace testing_support
