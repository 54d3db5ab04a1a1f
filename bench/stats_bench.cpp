// vazovi-stats-bench: the collection statistics over a generated collection.
//
//   vazovi-stats-bench [COUNT...] [--dir DIR]   (counts default to 100000 and 1000000)
//
// For each record count: a table of generated stamps is made (kept in DIR for later runs of the
// same size), then, in a child process each so every figure has its own peak memory:
//   figures - all totals and breakdowns in one pass (CollectionStatistics::computeFile);
//   window  - from the command to the statistics window shown with its four charts painted:
//             the pass, the charts and the first paint of each.
// Beside them `cat TABLE > /dev/null` is timed on the same file (warm page cache, median of
// three), the floor any reader of the file pays. Runs under the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QChartView>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "StampGenerator.h"
#include "common/ScriptedInteraction.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "reports/CollectionStatistics.h"
#include "reports/TStatistics.h"

using namespace vz;
using bench::ChildReport;

namespace {

constexpr double kTargetCatRatio = 2.0;  // the pass, at most twice cat
constexpr double kTargetWindowSeconds = 1.0;
constexpr double kTargetPeakMb = 100.0;

bool prepare(const std::string& table, uint64_t n) {
    {
        auto t = engine::Table::open(table, engine::OpenMode::Shared);
        if (t && (*t)->recordCount() == n) return true;
    }
    engine::Status s = engine::Table::create(table, bench::StampGenerator::fields());
    if (!s) return std::fprintf(stderr, "%s\n", s.message().c_str()), false;
    auto t = engine::Table::open(table, engine::OpenMode::Exclusive);
    if (!t) return std::fprintf(stderr, "%s\n", t.status().message().c_str()), false;
    bench::StampGenerator gen;
    bench::StampRecord r;
    for (uint64_t i = 0; i < n; ++i) {
        gen.generate(i, r);
        if (s = bench::StampGenerator::appendTo(**t, r); !s)
            return std::fprintf(stderr, "%s\n", s.message().c_str()), false;
    }
    return true;
}

struct Timing {
    double wall = 0, cpu = 0;
};

// Wall and CPU time of `cat path > /dev/null`, fork and exec included (as a shell pays them).
Timing timeCat(const std::string& path) {
    const auto t0 = bench::Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, 1) < 0) ::_exit(127);
        ::execlp("cat", "cat", path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    struct rusage ru {};
    if (pid < 0 || ::wait4(pid, &status, 0, &ru) < 0 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "vazovi-stats-bench: cat %s failed\n", path.c_str());
        std::exit(1);
    }
    return {bench::secondsSince(t0), bench::cpuSeconds(ru)};
}

// Medians of three, after a run that warms the page cache.
Timing catFloor(const std::string& path) {
    timeCat(path);
    std::vector<double> wall, cpu;
    for (int i = 0; i < 3; ++i) {
        const Timing t = timeCat(path);
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    return {bench::median(wall), bench::median(cpu)};
}

void figures(const std::string& table, ChildReport& r) {
    const bench::Stopwatch sw;
    auto s = reports::CollectionStatistics::computeFile(table);
    sw.stop(r);
    if (!s) return bench::setError(r, s.status().message());
    r.count = uint64_t(s->records());
}

void window(const std::string& table, ChildReport& r) {
    static int argc = 1;
    static char name[] = "vazovi-stats-bench";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ScriptedInteraction ui;
    const bench::Stopwatch sw;
    auto s = reports::CollectionStatistics::computeFile(table);
    if (!s) return bench::setError(r, s.status().message());
    r.count = uint64_t(s->records());
    reports::TStatistics w(std::move(*s), QStringLiteral("MASTER.DBF"), data::ColourSet{}, ui,
                           QString::fromStdString(table), QString());
    w.show();
    QCoreApplication::processEvents();
    for (int c = 0; c < reports::kStatisticsChartCount; ++c)
        (void)w.chartView(reports::StatisticsChart(c))->grab();  // each chart painted once
    sw.stop(r);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<uint64_t> counts;
    std::string dir = "/tmp/vazovi-stats-bench";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
            dir = argv[++i];
            continue;
        }
        uint64_t n = 0;
        if (!bench::parseCount(argv[i], n)) {
            std::fprintf(stderr, "Usage: vazovi-stats-bench [COUNT...] [--dir DIR]\n");
            return 2;
        }
        counts.push_back(n);
    }
    if (counts.empty()) counts = {100000, 1000000};
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    bench::printBanner("vazovi-stats-bench", counts.back(), dir);
    std::printf("%-8s %-10s %8s %8s %7s %8s %8s %7s %8s  %s\n", "phase", "records", "wall s",
                "cat s", "x cat", "cpu s", "cat cpu", "x cpu", "peak MB", "target");
    int status = 0;
    for (uint64_t n : counts) {
        const std::string table = dir + "/STATS" + std::to_string(n) + ".DBF";
        if (!prepare(table, n)) return 1;
        const Timing cat = catFloor(table);
        for (const char* phase : {"figures", "window"}) {
            const bool isWindow = std::strcmp(phase, "window") == 0;
            const bench::PhaseRun run = bench::runInChild([&](ChildReport& r) {
                if (isWindow)
                    window(table, r);
                else
                    figures(table, r);
            });
            if (!run.ok) {
                std::fprintf(stderr, "vazovi-stats-bench: %s over %llu records: %s\n", phase,
                             (unsigned long long)n, run.report.error);
                return 1;
            }
            const double peak = double(run.peakKb) / 1024.0;
            const double ratio = run.report.seconds / cat.wall;
            const double cpuRatio = cat.cpu > 0 ? run.report.cpu / cat.cpu : 0;
            std::string target;
            bool met = peak < kTargetPeakMb;
            if (isWindow) {
                met = met && run.report.seconds < kTargetWindowSeconds;
                target = "< 1 s, < 100 MB";
            } else {
                met = met && ratio <= kTargetCatRatio;
                target = "<= 2 x cat, < 100 MB";
            }
            if (n < 1000000)
                target = "(" + target + " at 1,000,000)";
            else if (!met)
                status = 1;
            if (n >= 1000000) target += met ? ": met" : ": MISSED";
            std::printf("%-8s %-10llu %8.3f %8.3f %7.2f %8.3f %8.3f %7.2f %8.1f  %s\n", phase,
                        (unsigned long long)n, run.report.seconds, cat.wall, ratio, run.report.cpu,
                        cat.cpu, cpuRatio, peak, target.c_str());
            std::fflush(stdout);
        }
    }
    return status;
}
