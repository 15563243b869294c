// Running programs and what the tests may arrange, on a POSIX system.
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
    if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        if (::chdir(workingFolder.c_str()) != 0) ::_exit(126);
        // SIGXFSZ keeps the action the test has: the program must ignore it itself.
        if (options.fileSizeLimit >= 0) {
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
    RunResult result;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, got);
    ::close(pipeEnds[0]);
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
