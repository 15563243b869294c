#include "bench/process_timer.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace bench {
namespace {

double now() {
    timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

double secondsOf(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

long cpuLimit = 0;  // seconds; 0: none

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
    bool overCpuLimit = false;
};

// Runs the command with its output thrown away; false unless it exited with
// `exitCode`.
bool runOnce(const Command& command, Run& run, int exitCode = 0) {
    std::vector<char*> arguments;
    for (const std::string& word : command) arguments.push_back(const_cast<char*>(word.c_str()));
    arguments.push_back(nullptr);
    double start = now();
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        int sink = open("/dev/null", O_WRONLY);
        dup2(sink, STDOUT_FILENO);
        dup2(sink, STDERR_FILENO);
        if (cpuLimit > 0) {
            rlimit limit{static_cast<rlim_t>(cpuLimit), static_cast<rlim_t>(cpuLimit + 1)};
            setrlimit(RLIMIT_CPU, &limit);
        }
        execv(arguments[0], arguments.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return false;
    run.seconds = now() - start;
    run.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    run.peakKilobytes = usage.ru_maxrss;
    run.overCpuLimit = WIFSIGNALED(status) &&
                       (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL);
    return WIFEXITED(status) && WEXITSTATUS(status) == exitCode;
}

struct Samples {
    bool failed = false;
    bool overCpuLimit = false;
    std::vector<double> times;
    std::vector<double> cpuTimes;
    long peakKilobytes = 0;
};

double median(std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    std::size_t middle = times.size() / 2;
    return times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
}

Figures summarise(Samples& samples) {
    Figures figures;
    figures.overCpuLimit = samples.overCpuLimit;
    if (samples.failed || samples.times.empty()) return figures;
    figures.seconds = median(samples.times);
    figures.cpuSeconds = median(samples.cpuTimes);
    figures.peakBytes = static_cast<double>(samples.peakKilobytes) * 1024;
    figures.ran = true;
    return figures;
}

}  // namespace

// The commands take turns within a round, so that a burst of load from
// elsewhere on the machine slows all of them, not the one it happens to meet.
std::vector<Figures> measureWithExit(const std::vector<Command>& commands, int runs, int exitCode) {
    std::vector<Samples> samples(commands.size());
    for (int round = 0; round <= runs; ++round) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            Run run;
            if (samples[i].failed) continue;
            samples[i].failed = !runOnce(commands[i], run, exitCode);
            samples[i].overCpuLimit = run.overCpuLimit;
            if (round == 0 || samples[i].failed) continue;
            samples[i].times.push_back(run.seconds);
            samples[i].cpuTimes.push_back(run.cpuSeconds);
            samples[i].peakKilobytes = std::max(samples[i].peakKilobytes, run.peakKilobytes);
        }
    }
    std::vector<Figures> figures;
    for (Samples& each : samples) figures.push_back(summarise(each));
    return figures;
}

void setCpuLimit(long seconds) { cpuLimit = seconds; }

std::vector<Figures> measureTogether(const std::vector<Command>& commands, int runs) {
    return measureWithExit(commands, runs, 0);
}

Figures measure(const Command& command, int runs, int exitCode) {
    return measureWithExit({command}, runs, exitCode)[0];
}

std::string findOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

bool executable(const std::string& name) {
    return !name.empty() && access(name.c_str(), X_OK) == 0;
}

bool runQuietly(const Command& command) {
    Run run;
    return runOnce(command, run);
}

long fileSize(const std::string& name) {
    std::ifstream file(name, std::ios::binary | std::ios::ate);
    return file ? static_cast<long>(file.tellg()) : -1;
}

}  // namespace bench
