// What the benchmark programs share: clocks, medians, and running a phase in a child process of
// its own so that its peak resident set is its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct rusage;

namespace vz::bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0);
// User plus system CPU seconds, of a finished process or of this one.
double cpuSeconds(const struct rusage& ru);
double cpuSeconds();
double median(std::vector<double> v);
uint64_t fileSize(const std::string& path);
// A positive record count that fits a table (below 2^32 - 1); false for anything else.
bool parseCount(const char* s, uint64_t& out);

// What a phase's child process reports to its parent, through a pipe.
struct ChildReport {
    double seconds = 0;
    double cpu = 0;       // user + system CPU seconds of the timed part
    double seconds2 = 0;  // a second timed part, when the phase has one
    double cpu2 = 0;
    uint64_t count = 0;   // what the phase counted: records written, read or matched
    uint64_t extra = 0;   // a second figure some phases report
    char error[1024] = {};
};

struct PhaseRun {
    bool ok = false;
    ChildReport report;
    long peakKb = 0;  // the child's ru_maxrss
};

void setError(ChildReport& r, const std::string& what);

// Wall and CPU time from its making until stop(), into a report.
class Stopwatch {
public:
    void stop(ChildReport& r) const;

private:
    Clock::time_point wall_ = Clock::now();
    double cpu_ = cpuSeconds();
};

// The first lines of a benchmark's output: what it runs on, whether the build is optimised, and
// the parent's size, which every child's peak includes.
void printBanner(const char* program, uint64_t records, const std::string& folder);

// Runs `body` in a child process; its report comes back through a pipe, its peak RSS from wait4.
PhaseRun runInChild(const std::function<void(ChildReport&)>& body);

}  // namespace vz::bench
