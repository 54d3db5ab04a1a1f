// vazovi-report-bench: the "120 Column 1 Line Report" written to a text file over a generated
// collection ordered and grouped by country, and recorded for the preview.
//
// For each record count: a table of generated stamps is made, ordered by country through the
// index tag NewIndex, and the report is run in text-file mode (pages laid out as on paper, every
// line also written to the file). The timed part is the run alone; making the table is not.
//
// Usage: vazovi-report-bench [COUNT...] [--dir DIR]   (counts default to 100000 and 1000000)
#include <sys/resource.h>
#include <time.h>

#include <unistd.h>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "StampGenerator.h"
#include "common/DisplayFormats.h"
#include "engine/Table.h"
#include "reports/BuiltInReports.h"
#include "reports/PageEngine.h"
#include "reports/PageStream.h"
#include "reports/PageStreamView.h"
#include "reports/ReportRun.h"
#include "search/SortOrder.h"

using namespace vz;
using bench::ChildReport;
using engine::OpenMode;
using engine::Status;
using engine::Table;

namespace {

constexpr const char* kReportName = "120 Column 1 Line Report";
constexpr double kTargetSeconds = 5.0;  // for 100,000 records

bool makeTable(const std::string& path, uint64_t n, std::string& why) {
    Status s = Table::create(path, bench::StampGenerator::fields());
    if (!s) return why = s.message(), false;
    auto t = Table::open(path, OpenMode::Exclusive);
    if (!t) return why = t.status().message(), false;
    bench::StampGenerator gen;
    bench::StampRecord rec;
    for (uint64_t i = 0; i < n; ++i) {
        gen.generate(i, rec);
        s = bench::StampGenerator::appendTo(**t, rec);
        if (!s) return why = s.message(), false;
    }
    search::SortLevels byCountry;  // Country first, nothing after
    s = search::applySortString(**t, search::BuildSortString(byCountry));
    if (!s) return why = s.message(), false;
    return true;
}

// One run in a child process, so that its peak memory is its own.
void runOnce(const std::string& tablePath, const std::string& textPath, ChildReport& r) {
    static int argc = 1;
    static char name[] = "vazovi-report-bench";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    auto t = Table::open(tablePath, OpenMode::Shared);
    if (!t) return bench::setError(r, t.status().message());
    if (Status s = (*t)->setOrder(search::kSortTag); !s) return bench::setError(r, s.message());
    reports::ReportDefinition def;
    for (const reports::ReportDefinition& d : reports::builtInReports())
        if (d.name == QLatin1String(kReportName)) def = d;
    reports::ReportContext context;
    for (int f = 1; f <= data::kFieldCount; ++f)
        context.captions[size_t(f - 1)] = QString::fromLatin1(
            data::schemaField(f).caption.data(), qsizetype(data::schemaField(f).caption.size()));
    context.sortLevels = search::SortLevels{};  // grouped by country
    context.today = engine::Date{2026, 12, 8};

    const bench::Stopwatch sw;
    reports::PageStream stream;
    reports::PageEngine engine(stream);
    const reports::ReportResult result = reports::runReport(
        def, **t, context, reports::ReportMode::TextFile, engine, QString::fromStdString(textPath));
    sw.stop(r);
    if (result.outcome != reports::PageEngine::Outcome::Completed)
        return bench::setError(r, result.error.toStdString());
    r.count = uint64_t(result.pages);
    r.extra = bench::fileSize(textPath);
}

// The same report recorded for the preview: the time until its first page is finished, until it
// is all laid out, and the slowest paging or zoom step drawing a page as the preview does.
void viewOnce(const std::string& tablePath, ChildReport& r) {
    static int argc = 1;
    static char name[] = "vazovi-report-bench";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    auto t = Table::open(tablePath, OpenMode::Shared);
    if (!t) return bench::setError(r, t.status().message());
    if (Status s = (*t)->setOrder(search::kSortTag); !s) return bench::setError(r, s.message());
    reports::ReportDefinition def;
    for (const reports::ReportDefinition& d : reports::builtInReports())
        if (d.name == QLatin1String(kReportName)) def = d;
    reports::ReportContext context;
    for (int f = 1; f <= data::kFieldCount; ++f)
        context.captions[size_t(f - 1)] = QString::fromLatin1(
            data::schemaField(f).caption.data(), qsizetype(data::schemaField(f).caption.size()));
    context.sortLevels = search::SortLevels{};
    context.today = engine::Date{2026, 12, 8};

    using Clock = std::chrono::steady_clock;
    const bench::Stopwatch sw;
    const auto start = Clock::now();
    double firstPage = -1;
    reports::PageStream stream;
    reports::PageEngine engine(stream);
    engine.onStatus = [&](const QString&) {
        if (firstPage < 0 && stream.finishedPages() >= 1)
            firstPage = std::chrono::duration<double>(Clock::now() - start).count();
    };
    const reports::ReportResult result =
        reports::runReport(def, **t, context, reports::ReportMode::View, engine);
    const double total = std::chrono::duration<double>(Clock::now() - start).count();
    sw.stop(r);  // the CPU time of the layout
    if (result.outcome != reports::PageEngine::Outcome::Completed)
        return bench::setError(r, result.error.toStdString());
    if (firstPage < 0) firstPage = total;

    // The preview's steps, each drawing the page shown into a window-sized image.
    reports::PageStreamView view(stream);
    QImage window(1000, 800, QImage::Format_RGB32);
    double slowest = 0, slowestCpu = 0;
    auto threadCpu = [] {
        timespec ts{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    };
    auto step = [&](const std::function<void()>& change) {
        const auto s0 = Clock::now();
        const double c0 = threadCpu();
        change();
        window.fill(Qt::gray);
        QPainter p(&window);
        view.paint(p, QPointF(8, 8), 96, QRectF(0, 0, 1000, 800));
        p.end();
        slowest = std::max(slowest, std::chrono::duration<double>(Clock::now() - s0).count());
        slowestCpu = std::max(slowestCpu, threadCpu() - c0);
    };
    for (int i = 0; i < 20; ++i) step([&] { view.nextPage(); });
    step([&] { view.lastPage(); });
    step([&] { view.goToPage(view.pageCount() / 2); });
    for (int i = 0; i < 4; ++i) step([&] { view.zoomIn(); });
    step([&] { view.zoomToWholePage(QSizeF(1000, 800), 96); });
    step([&] { view.zoomToPageWidth(QSizeF(1000, 800), 96); });
    step([&] { view.setColour(false); });
    step([&] { view.nextPage(); });
    r.seconds = firstPage;
    r.seconds2 = total;
    r.count = uint64_t(stream.pageCount());
    r.extra = uint64_t(slowest * 1e6);
    r.cpu2 = slowestCpu;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<uint64_t> counts;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
            dir = argv[++i];
            continue;
        }
        uint64_t n = 0;
        if (!bench::parseCount(argv[i], n)) {
            std::fprintf(stderr, "Usage: vazovi-report-bench [COUNT...] [--dir DIR]\n");
            return 2;
        }
        counts.push_back(n);
    }
    if (counts.empty()) counts = {100000, 1000000};
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    bool ownDir = false;
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/vazovi-report-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("vazovi-report-bench: mkdtemp");
            return 1;
        }
        dir = pattern;
        ownDir = true;
    } else {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            std::fprintf(stderr, "vazovi-report-bench: cannot make the folder %s: %s\n",
                         dir.c_str(), ec.message().c_str());
            return 1;
        }
    }
    bench::printBanner("vazovi-report-bench", counts.back(), dir);
    std::printf("%-10s %10s %10s %8s %12s %10s  %s\n", "records", "seconds", "cpu s", "pages",
                "text bytes", "peak MB", "target");
    int status = 0;
    for (uint64_t n : counts) {
        const std::string table = dir + "/STAMPS.DBF";
        const std::string text = dir + "/REPORT.TXT";
        std::string why;
        const bench::PhaseRun made = bench::runInChild([&](ChildReport& r) {
            if (!makeTable(table, n, why)) bench::setError(r, why);
        });
        if (!made.ok) {
            std::fprintf(stderr, "vazovi-report-bench: making %llu records: %s\n",
                         (unsigned long long)n, made.report.error);
            return 1;
        }
        const bench::PhaseRun run =
            bench::runInChild([&](ChildReport& r) { runOnce(table, text, r); });
        if (!run.ok) {
            std::fprintf(stderr, "vazovi-report-bench: report over %llu records: %s\n",
                         (unsigned long long)n, run.report.error);
            return 1;
        }
        std::string target = "-";
        if (n == 100000) {
            const bool met = run.report.seconds < kTargetSeconds;
            target = met ? "< 5 s: met" : "< 5 s: MISSED";
            if (!met) status = 1;
        }
        std::printf("%-10llu %10.2f %10.2f %8llu %12llu %10.1f  %s\n", (unsigned long long)n,
                    run.report.seconds, run.report.cpu, (unsigned long long)run.report.count,
                    (unsigned long long)run.report.extra, double(run.peakKb) / 1024.0,
                    target.c_str());
        std::fflush(stdout);
        ::unlink(text.c_str());
        const bench::PhaseRun viewed =
            bench::runInChild([&](ChildReport& r) { viewOnce(table, r); });
        if (!viewed.ok) {
            std::fprintf(stderr, "vazovi-report-bench: preview over %llu records: %s\n",
                         (unsigned long long)n, viewed.report.error);
            return 1;
        }
        const double stepMs = double(viewed.report.extra) / 1000.0;
        std::string viewTarget = "-";
        if (n == 100000) {
            const bool met = viewed.report.seconds < 1.0 && viewed.report.seconds2 < 5.0 &&
                             stepMs < 50.0 && double(viewed.peakKb) / 1024.0 < 300.0;
            viewTarget = met ? "< 1 s, < 5 s, < 50 ms, < 300 MB: met"
                             : "< 1 s, < 5 s, < 50 ms, < 300 MB: MISSED";
            if (!met) status = 1;
        }
        std::printf(
            "  preview: first page %.3f s, laid out %.2f s (cpu %.2f s), %llu pages, slowest step "
            "%.1f ms (cpu %.1f ms), peak %.1f MB  %s\n",
            viewed.report.seconds, viewed.report.seconds2, viewed.report.cpu,
            (unsigned long long)viewed.report.count, stepMs, viewed.report.cpu2 * 1000,
            double(viewed.peakKb) / 1024.0, viewTarget.c_str());
        std::fflush(stdout);
    }
    ::unlink((dir + "/STAMPS.DBF").c_str());
    ::unlink((dir + "/STAMPS.MDX").c_str());
    if (ownDir) ::rmdir(dir.c_str());
    return status;
}
