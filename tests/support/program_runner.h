// Runs one of our programs as a whole process, the way a user would.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct RunResult {
    int exitCode = -1;   // -1 when the program did not exit normally
    int signal = 0;      // the signal that ended it, if any
    std::string output;  // everything it printed on standard output
    std::string errors;  // everything it printed on standard error
};

struct RunOptions {
    // When set, the child's file-size limit (RLIMIT_FSIZE) in bytes, as a quota
    // or `ulimit -f` sets it: a write past it raises SIGXFSZ, which the program
    // must ignore to fail the write instead. POSIX only: a test that sets it
    // starts with SKIP_WITHOUT(fileSizeLimit).
    long long fileSizeLimit = -1;
    // When set, the files the child's standard output and standard error go to
    // (such as /dev/full); RunResult::output is then empty. POSIX only.
    std::filesystem::path standardOutput = {};
    std::filesystem::path standardError = {};
};

// Runs `program` with `arguments` in the folder `workingFolder`
// (process_posix.cpp or process_windows.cpp).
RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingFolder, const RunOptions& options = {});

// Runs `program` as runProgram does and sends it `signal` in the middle of
// writing its output: just after the first write that puts bytes into a file
// it has open for writing in `workingFolder`, or, when `afterOutputBytes` is not
// 0, once that many bytes have come out of its standard output. Linux only: a
// test that calls it starts with SKIP_WITHOUT(interruptSignal).
RunResult runInterrupted(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingFolder, int signal,
                         std::size_t afterOutputBytes = 0);

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Names of the entries in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeFile(const std::filesystem::path& path, const std::string& text);
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
std::string readText(const std::filesystem::path& path);

}  // namespace testing_support
