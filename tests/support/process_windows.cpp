// Running programs and what the tests may arrange, on Windows.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
#include <stdexcept>

#include "tests/support/program_runner.h"
#include "tests/support/system_features.h"

namespace testing_support {
namespace {

// One argument as the C runtime's command-line parser splits it back out:
// quoted when it holds blanks or quotes, with the backslashes before a quote
// doubled.
std::string commandLineWord(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + '"';
}

std::string readAll(HANDLE pipe) {
    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    return output;
}

}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingFolder, const RunOptions& options) {
    if (options.fileSizeLimit >= 0)
        throw std::logic_error("no file-size limit here: SKIP_WITHOUT(fileSizeLimit) first");
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    HANDLE errorReadEnd = nullptr;
    HANDLE errorWriteEnd = nullptr;
    // Standard error is read once standard output ends: its pipe holds far more
    // than any tool's messages, so that the child never waits on it.
    constexpr DWORD kErrorRoom = 1 << 20;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0) ||
        !CreatePipe(&errorReadEnd, &errorWriteEnd, &inherited, kErrorRoom))
        throw std::runtime_error("CreatePipe failed");
    // The child gets the write ends only.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errorReadEnd, HANDLE_FLAG_INHERIT, 0);

    // A file the test names in place of standard output or standard error.
    auto redirected = [&](const std::filesystem::path& name, HANDLE otherwise) {
        if (name.empty()) return otherwise;
        return CreateFileA(name.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE output = redirected(options.standardOutput, writeEnd);
    HANDLE errors = redirected(options.standardError, errorWriteEnd);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = errors;
    // The working folder changes for the child only: a path relative to ours
    // would then point elsewhere.
    std::string application = std::filesystem::absolute(program).string();
    std::string commandLine = commandLineWord(application);
    for (const std::string& argument : arguments) commandLine += ' ' + commandLineWord(argument);
    std::string folder = workingFolder.string();
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessA(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                  0, nullptr, folder.c_str(), &startup, &process);
    CloseHandle(writeEnd);  // else the pipe never reports its end
    CloseHandle(errorWriteEnd);
    if (output != writeEnd && output != INVALID_HANDLE_VALUE) CloseHandle(output);
    if (errors != errorWriteEnd && errors != INVALID_HANDLE_VALUE) CloseHandle(errors);
    RunResult result;
    if (!started) {
        CloseHandle(readEnd);
        CloseHandle(errorReadEnd);
        result.exitCode = 127;  // as a POSIX shell reports a program it cannot start
        return result;
    }
    result.output = readAll(readEnd);
    CloseHandle(readEnd);
    result.errors = readAll(errorReadEnd);
    CloseHandle(errorReadEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::string missingFeature(SystemFeature feature) {
    switch (feature) {
        case SystemFeature::fileSizeLimit:
            return "Windows has no file-size limit for a process (POSIX's RLIMIT_FSIZE) with "
                   "which to simulate a full disk";
        case SystemFeature::endlessFile:
            return "Windows has no endless device like /dev/zero";
        case SystemFeature::newFileMask:
            return "Windows files have no permission bits for a mask to take away";
        case SystemFeature::unwritableFolder:
            return "Windows folders have no permission bits; the read-only and the open song "
                   "file cases stand in";
        case SystemFeature::unreadableFile:
            return "Windows files have no permission bits; see the folder case";
        case SystemFeature::posixShell:
            return "the AVR toolchain and simavr are run through a POSIX shell";
        case SystemFeature::interruptSignal:
            return "Windows has no signals to send to one program; its console's Ctrl-C reaches "
                   "every program on the console";
        case SystemFeature::namedPipe:
            return "Windows has no FIFOs among its files";
        case SystemFeature::symbolicLink:
            return "a symbolic link on Windows needs a privilege or developer mode";
        case SystemFeature::longFileName:
            return "a 255-byte name in the temporary folder passes Windows's 260-byte MAX_PATH";
        case SystemFeature::fullDevice:
            return "Windows has no device like /dev/full where every write fails";
        default:
            return "";
    }
}

int setNewFileMask(int) { throw std::logic_error("SKIP_WITHOUT(newFileMask) first"); }

void makeNamedPipe(const std::filesystem::path&) {
    throw std::logic_error("SKIP_WITHOUT(namedPipe) first");
}

void setFileSizeLimit(long long) { throw std::logic_error("SKIP_WITHOUT(fileSizeLimit) first"); }

RunResult runInterrupted(const std::string&, const std::vector<std::string>&,
                         const std::filesystem::path&, int, std::size_t) {
    throw std::logic_error("SKIP_WITHOUT(interruptSignal) first");
}

}  // namespace testing_support
