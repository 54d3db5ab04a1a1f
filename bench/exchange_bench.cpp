// vazovi-exchange-bench: export and import of a generated collection against SQLite's sqlite3
// program on the same records in the same run.
//
// Phases, each in a child process of its own (so its peak resident memory is its own):
//   export, entry order   all 25 fields as delimited text    vs  .mode csv SELECT *
//   export, sorted        the same in a four-level order      vs  the same with ORDER BY 4 keys
//   import                the entry-order file into a new     vs  .import of the same lines into a
//                         collection with one index tag           table with one index
// The figures are wall seconds and CPU seconds (user + system); on a shared machine the CPU
// seconds are the ones to compare. Making the collection and loading SQLite are not timed.
//
// Usage: vazovi-exchange-bench [--records N] [--dir DIR]   (N defaults to 100,000)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "StampGenerator.h"
#include "common/DisplayFormats.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "exchange/Exporter.h"
#include "exchange/ImportLayout.h"
#include "exchange/Importer.h"
#include "search/SortOrder.h"

extern char** environ;

using namespace vz;
using bench::ChildReport;
using engine::OpenMode;
using engine::Status;
using engine::Table;

namespace {

// Country, Year, Alpha Catalog, Market Value: the four sort levels of the sorted export.
const search::SortLevels kFourLevels{{3, 7, 1, 5}};

bool makeTable(const std::string& path, uint64_t n, std::string& why) {
    Status s = Table::create(path, data::collectionFieldDefs());
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
    s = search::applySortString(**t, search::BuildSortString(kFourLevels));
    if (!s) return why = s.message(), false;
    return true;
}

void exportPhase(const std::string& table, const std::string& out, bool sorted, ChildReport& r) {
    auto t = Table::open(table, OpenMode::Shared);
    if (!t) return bench::setError(r, t.status().message());
    if (Status s = (*t)->setOrder(sorted ? search::kSortTag : ""); !s)
        return bench::setError(r, s.message());
    DisplayFormats formats;
    const exchange::ExportRequest request =
        exchange::exportRequestFrom(data::DatabaseSettings{}, exchange::ExportKind::Text);
    const bench::Stopwatch sw;
    const exchange::ExportResult result =
        exchange::exportRecords(**t, QString::fromStdString(out), request, formats);
    sw.stop(r);
    if (result.outcome != exchange::ExportResult::Outcome::Done)
        return bench::setError(r, result.error.toStdString());
    r.count = result.records;
}

void importPhase(const std::string& table, const std::string& in, ChildReport& r) {
    Status s = Table::create(table, data::collectionFieldDefs());
    if (s) {
        auto t = Table::open(table, OpenMode::Exclusive);
        if (!t) return bench::setError(r, t.status().message());
        s = search::applySortString(**t,
                                    search::BuildSortString(search::SortLevels{}));  // by country
    }
    if (!s) return bench::setError(r, s.message());
    auto t = Table::open(table, OpenMode::Shared);
    if (!t) return bench::setError(r, t.status().message());
    DisplayFormats formats;
    exchange::Importer importer(**t, formats);
    const QString file = QString::fromStdString(in);
    const bench::Stopwatch sw;
    const exchange::TextFileFields fields = exchange::readTextFileFields(file);
    const exchange::ImportResult result =
        importer.importText(file, exchange::directMapping(fields.firstLine.names.size()), true);
    sw.stop(r);
    if (result.outcome != exchange::ImportResult::Outcome::Done)
        return bench::setError(r, result.error.toStdString());
    r.count = result.added;
}

struct Timed {
    bool ok = false;
    double seconds = 0, cpu = 0;
    long peakKb = 0;
};

// Runs sqlite3 with `args` (stdout to `out`), timing it with wait4.
Timed runSqlite(const std::vector<std::string>& args, const std::string& out = "/dev/null") {
    std::vector<char*> argv;
    std::vector<std::string> all{"sqlite3", "-batch", "-bail"};
    all.insert(all.end(), args.begin(), args.end());
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Timed t;
    const auto t0 = bench::Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sqlite3", &actions, nullptr, argv.data(), environ) != 0) return t;
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    t.seconds = bench::secondsSince(t0);
    t.cpu = bench::cpuSeconds(ru);
    t.peakKb = ru.ru_maxrss;
    t.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return t;
}

void row(const char* what, const bench::PhaseRun& ours, const Timed& theirs, double targetRatio) {
    const double ratio = theirs.ok && theirs.cpu > 0 ? ours.report.cpu / theirs.cpu : 0;
    std::printf("%-22s %8.2f %8.2f %8.1f | %8.2f %8.2f %8.1f | %6.2f  %s\n", what,
                ours.report.seconds, ours.report.cpu, double(ours.peakKb) / 1024, theirs.seconds,
                theirs.cpu, double(theirs.peakKb) / 1024, ratio,
                !theirs.ok             ? "sqlite3 failed"
                : ratio <= targetRatio ? "meets target"
                                       : "misses target");
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t n = 100000;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
            dir = argv[++i];
        } else if (std::strcmp(argv[i], "--records") == 0 && i + 1 < argc &&
                   bench::parseCount(argv[i + 1], n)) {
            ++i;
        } else {
            std::fprintf(stderr, "Usage: vazovi-exchange-bench [--records N] [--dir DIR]\n");
            return 2;
        }
    }
    bool ownDir = false;
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/vazovi-exchange-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return std::perror("mkdtemp"), 1;
        dir = pattern;
        ownDir = true;
    } else {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
    }
    bench::printBanner("vazovi-exchange-bench", n, dir);
    const std::string table = dir + "/STAMPS.DBF", entry = dir + "/entry.txt",
                      sorted = dir + "/sorted.txt", imported = dir + "/IMPORT.DBF",
                      db = dir + "/stamps.sqlite3", body = dir + "/body.csv";
    std::string why;
    const bench::PhaseRun made = bench::runInChild([&](ChildReport& r) {
        if (!makeTable(table, n, why)) bench::setError(r, why);
    });
    if (!made.ok)
        return std::fprintf(stderr, "making the table failed: %s\n", made.report.error), 1;
    const bench::PhaseRun a =
        bench::runInChild([&](ChildReport& r) { exportPhase(table, entry, false, r); });
    const bench::PhaseRun b =
        bench::runInChild([&](ChildReport& r) { exportPhase(table, sorted, true, r); });
    const bench::PhaseRun c =
        bench::runInChild([&](ChildReport& r) { importPhase(imported, entry, r); });
    for (const bench::PhaseRun* p : {&a, &b, &c})
        if (!p->ok) return std::fprintf(stderr, "a phase failed: %s\n", p->report.error), 1;

    // SQLite on the same lines: the export's file without its caption line.
    {
        std::ifstream in(entry, std::ios::binary);
        std::ofstream out(body, std::ios::binary);
        std::string line;
        std::getline(in, line);
        out << in.rdbuf();
    }
    std::string columns;
    for (int f = 1; f <= data::kFieldCount; ++f)
        columns += (f > 1 ? "," : "") + std::string("c") + std::to_string(f) + " TEXT";
    std::filesystem::remove(db);
    runSqlite({db, "CREATE TABLE stamps(" + columns + "); CREATE INDEX country ON stamps(c3);"});
    const Timed sqliteImport = runSqlite({db, "-cmd", ".mode csv", ".import " + body + " stamps"});
    const Timed sqliteExport =
        runSqlite({db, "-cmd", ".mode csv", "SELECT * FROM stamps;"}, dir + "/sqlite.csv");
    const Timed sqliteSorted =
        runSqlite({db, "-cmd", ".mode csv",
                   "SELECT * FROM stamps ORDER BY c3, CAST(c7 AS INTEGER), c1, CAST(c5 AS REAL);"},
                  dir + "/sqlite-sorted.csv");

    std::printf(
        "%llu records; ours: wall s, cpu s, peak MB | sqlite3: wall s, cpu s, peak MB | cpu "
        "ratio\n",
        static_cast<unsigned long long>(n));
    row("export, entry order", a, sqliteExport, 0.5);
    row("export, 4-level order", b, sqliteSorted, 1.0);
    row("import, 1 index", c, sqliteImport, 1.0);
    std::printf("text file %.1f MB; peak target < 100 MB\n", double(bench::fileSize(entry)) / 1e6);
    if (ownDir) std::filesystem::remove_all(dir);
    return 0;
}
