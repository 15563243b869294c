// Times the tools as whole processes: wall and CPU time, peak resident memory.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Figures {
    bool ran = false;       // false when the program is missing or failed
    double seconds = 0;     // median wall time
    double cpuSeconds = 0;  // median user and system time
    double peakBytes = 0;   // largest peak resident set of the runs
    bool overCpuLimit = false;  // a run was stopped at the CPU limit
};

using Command = std::vector<std::string>;

// One untimed run of each command to warm the file cache, then `runs` timed
// rounds, the commands taking turns within a round.
std::vector<Figures> measureTogether(const std::vector<Command>& commands, int runs);
// `exitCode`: what a run must exit with to count (a refusal, for instance).
Figures measure(const Command& command, int runs, int exitCode = 0);

// The CPU seconds a run may take before it is stopped (and counted as failed,
// over the limit): none unless set.
void setCpuLimit(long seconds);

// Runs the command once, untimed, with its output thrown away; false unless it exited with 0.
bool runQuietly(const Command& command);

// The full path of `name` on PATH, or nothing.
std::string findOnPath(const char* name);
bool executable(const std::string& name);
// The size of a file in bytes, or -1.
long fileSize(const std::string& name);

}  // namespace bench
