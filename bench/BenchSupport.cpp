#include "BenchSupport.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace vz::bench {

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

double cpuSeconds(const struct rusage& ru) {
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double cpuSeconds() {
    struct rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    return cpuSeconds(ru);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

uint64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

bool parseCount(const char* s, uint64_t& out) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(s, &end, 10);
    if (errno != 0 || end == s || *end != '\0' || v == 0 || v > 0xFFFFFFFEull) return false;
    out = v;
    return true;
}

void setError(ChildReport& r, const std::string& what) { std::snprintf(r.error, sizeof r.error, "%s", what.c_str()); }

void Stopwatch::stop(ChildReport& r) const {
    r.seconds = secondsSince(wall_);
    r.cpu = cpuSeconds() - cpu_;
}

void printBanner(const char* program, uint64_t records, const std::string& folder) {
#ifdef NDEBUG
    const char* build = "optimised (NDEBUG)";
#else
    const char* build = "NOT optimised: NDEBUG unset, figures are not representative";
#endif
    struct rusage self {};
    ::getrusage(RUSAGE_SELF, &self);
    std::printf("%s: %" PRIu64 " records, folder %s\n", program, records, folder.c_str());
    std::printf("build: %s; parent RSS at fork (in every child's peak): %.1f MB\n", build,
                double(self.ru_maxrss) / 1024.0);
}

PhaseRun runInChild(const std::function<void(ChildReport&)>& body) {
    PhaseRun run;
    int fds[2];
    if (::pipe(fds) != 0) {
        setError(run.report, "pipe failed");
        return run;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        setError(run.report, "fork failed");
        return run;
    }
    if (pid == 0) {
        ::close(fds[0]);
        ChildReport r;
        body(r);
        const ssize_t w = ::write(fds[1], &r, sizeof r);
        ::_exit(w == ssize_t(sizeof r) && r.error[0] == '\0' ? 0 : 1);
    }
    ::close(fds[1]);
    size_t got = 0;
    auto* p = reinterpret_cast<char*>(&run.report);
    while (got < sizeof run.report) {
        const ssize_t r = ::read(fds[0], p + got, sizeof run.report - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += size_t(r);
    }
    ::close(fds[0]);
    int status = 0;
    struct rusage ru {};
    while (::wait4(pid, &status, 0, &ru) < 0 && errno == EINTR) {}
    run.peakKb = ru.ru_maxrss;
    if (got != sizeof run.report)
        setError(run.report, "the phase's process died without reporting");
    else
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

}  // namespace vz::bench
