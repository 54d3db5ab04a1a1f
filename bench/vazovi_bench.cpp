// vazovi-bench: times the table engine on a generated stamp collection, each phase beside
// `cat FILE > /dev/null` on the same file (warm page cache), the floor any reader of the file
// has to pay.
//
// Every phase runs in a child process of its own (fork), and the parent reads the child's peak
// resident set from wait4(): so each phase's peak RSS is that phase's alone, not the high-water
// mark of everything before it. A child starts as a copy of the parent, which stays small (no
// table open, no records held), so the figure includes only that small baseline, printed too.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "StampGenerator.h"
#include "engine/Table.h"

namespace {

using vz::bench::StampGenerator;
using vz::bench::StampRecord;
using vz::engine::OpenMode;
using vz::engine::Status;
using vz::engine::Table;
using namespace vz::bench;

// ---------------------------------------------------------------------------------------------
// Options

struct Options {
    uint64_t records = 100000;
    std::optional<uint64_t> sharedRecords;  // default: all of them
    std::string dir;                        // empty: a new temporary folder
    std::string country = "Germany";
    std::string phases = "0,1,2,3,4,5";
    int repeat = 1;
    bool keep = false;
};

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: vazovi-bench [--records N] [--shared-records N] [--dir FOLDER] [--keep]\n"
                 "                    [--phases LIST] [--repeat R] [--country NAME]\n"
                 "\n"
                 "  --records N         records in the table (default 100000)\n"
                 "  --shared-records N  records for the shared-append phase (default: --records)\n"
                 "  --dir FOLDER        work in FOLDER (must exist) instead of a new temporary folder\n"
                 "  --keep              leave the table files behind\n"
                 "  --phases LIST       which phases to run, e.g. 1,3,4 (default 0,1,2,3,4,5);\n"
                 "                      3, 4 and 5 read the table phase 1 writes\n"
                 "  --repeat R          run the read phases 3 and 4 R times, report the median\n"
                 "  --country NAME      the country phase 4 filters on (default Germany)\n");
}

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vazovi-bench: %s needs a value\n", a.c_str());
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--records" || a == "--shared-records") {
            const char* v = value();
            uint64_t n = 0;
            if (v == nullptr || !parseCount(v, n)) {
                std::fprintf(stderr, "vazovi-bench: %s wants a positive count\n", a.c_str());
                return false;
            }
            if (a == "--records") o.records = n; else o.sharedRecords = n;
        } else if (a == "--dir") {
            const char* v = value();
            if (v == nullptr) return false;
            o.dir = v;
        } else if (a == "--country") {
            const char* v = value();
            if (v == nullptr) return false;
            o.country = v;
        } else if (a == "--phases") {
            const char* v = value();
            if (v == nullptr) return false;
            o.phases = v;
        } else if (a == "--repeat") {
            const char* v = value();
            uint64_t n = 0;
            if (v == nullptr || !parseCount(v, n) || n > 99) {
                std::fprintf(stderr, "vazovi-bench: --repeat wants 1 to 99\n");
                return false;
            }
            o.repeat = int(n);
        } else if (a == "--keep") {
            o.keep = true;
        } else if (a == "--help" || a == "-h") {
            usage(stdout);
            std::exit(0);
        } else {
            std::fprintf(stderr, "vazovi-bench: unknown argument %s\n", a.c_str());
            usage(stderr);
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Running a phase in a child process

struct Timing {
    double wall = 0, cpu = 0;
};

// Wall and CPU time of `cat path > /dev/null`, fork and exec included (as a shell pays them).
Timing timeCat(const std::string& path) {
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, 1) < 0) ::_exit(127);
        ::execlp("cat", "cat", path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    struct rusage ru {};
    if (pid < 0 || ::wait4(pid, &status, 0, &ru) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "vazovi-bench: cat %s failed\n", path.c_str());
        std::exit(1);
    }
    return {secondsSince(t0), cpuSeconds(ru)};
}

Timing medians(const std::vector<Timing>& runs) {
    std::vector<double> wall, cpu;
    for (const Timing& t : runs) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    return {median(wall), median(cpu)};
}

// Writes the table's dirty pages to disk, so that writeback of an earlier phase does not run
// during a timed one, then warms the page cache with an untimed cat, then times cat three times.
Timing catFloor(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    timeCat(path);
    std::vector<Timing> t;
    for (int i = 0; i < 3; ++i) t.push_back(timeCat(path));
    return medians(t);
}

// ---------------------------------------------------------------------------------------------
// The phases, each run in its child

unsigned recordLength() {
    unsigned len = 1;  // the deletion flag
    for (const auto& f : StampGenerator::fields()) len += unsigned(f.type == vz::engine::FieldType::Date ? 8 : f.width);
    return len;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Phase 0: the generator alone, so its share of the append phases can be told apart.
void generateOnly(uint64_t n, const std::string& country, ChildReport& r) {
    StampGenerator gen;
    StampRecord rec;
    uint64_t matches = 0, bytes = 0;
    const Stopwatch sw;
    for (uint64_t i = 0; i < n; ++i) {
        gen.generate(i, rec);
        for (const auto& v : rec.values) bytes += v.text.size();
        if (rec[vz::bench::Country].text == country) ++matches;
    }
    sw.stop(r);
    r.count = n;
    r.extra = matches + (bytes == 0 ? 1 : 0);  // bytes keeps the loop from being optimised away
}

// Phases 1 and 2: create the table and append n generated records in one open.
void appendAll(const std::string& path, uint64_t n, OpenMode mode, const std::string& country, ChildReport& r) {
    StampGenerator gen;
    StampRecord rec;
    uint64_t matches = 0;
    const Stopwatch sw;
    Status s = Table::create(path, StampGenerator::fields());
    if (!s) return setError(r, "create: " + s.message());
    auto t = Table::open(path, mode);
    if (!t) return setError(r, "open: " + t.status().message());
    for (uint64_t i = 0; i < n; ++i) {
        gen.generate(i, rec);
        s = StampGenerator::appendTo(**t, rec);
        if (!s) return setError(r, "record " + std::to_string(i + 1) + ": " + s.message());
        if (rec[vz::bench::Country].text == country) ++matches;
    }
    r.count = (*t)->recordCount();
    t->reset();  // closing belongs to the phase
    sw.stop(r);
    r.extra = matches;
}

// The floor under phases 1 and 2: the system calls one durable append makes, with no engine
// around them. Exclusive: the record (and end marker) and the 8-byte header prefix, two pwrite
// calls. Shared adds what the locks cost: taking and dropping the append and header locks
// (open-file-description locks on the same bytes the engine uses) and reading the count.
void appendFloor(const std::string& path, uint64_t n, bool shared, ChildReport& r) {
    const size_t len = recordLength();
    const size_t headerLength = 32 + 32 * StampGenerator::fields().size() + 1;
    std::string record(len + 1, ' ');
    record[len] = 0x1A;
    char prefix[8] = {3, 124, 1, 1, 0, 0, 0, 0};
    auto lock = [](int fd, off_t at, short type) {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = at;
        fl.l_len = 1;
        return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
    };
    const Stopwatch sw;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return setError(r, "cannot create " + path);
    std::string header(headerLength, '\0');
    bool ok = ::pwrite(fd, header.data(), header.size(), 0) == ssize_t(header.size());
    for (uint64_t i = 0; ok && i < n; ++i) {
        if (shared) {
            ok = lock(fd, 0xEFFFFFFF, F_WRLCK) && lock(fd, 0xEFFFFFFE, F_WRLCK) &&
                 ::pread(fd, prefix + 4, 4, 4) == 4;
        }
        ok = ok && ::pwrite(fd, record.data(), record.size(), off_t(headerLength + i * len)) == ssize_t(record.size());
        const uint32_t count = uint32_t(i + 1);
        std::memcpy(prefix + 4, &count, 4);
        ok = ok && ::pwrite(fd, prefix, 8, 0) == 8;
        if (shared) ok = ok && lock(fd, 0xEFFFFFFE, F_UNLCK) && lock(fd, 0xEFFFFFFF, F_UNLCK);
    }
    ::close(fd);
    sw.stop(r);
    r.count = n;
    ::unlink(path.c_str());
    if (!ok) setError(r, "writing " + path + " failed");
}

// Phase 3: every field of every record as text.
void readAll(const std::string& path, ChildReport& r) {
    const Stopwatch sw;
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return setError(r, "open: " + t.status().message());
    Table& table = **t;
    const int fields = table.fieldCount();
    std::string text;
    uint64_t records = 0, bytes = 0;
    Status s = table.first();
    while (s && !table.eof()) {
        for (int f = 0; f < fields; ++f) {
            // A Status of its own for each read, as a caller would write it (assigning to one
            // declared outside would time a string move on every field).
            if (Status read = table.readText(f, text); !read)
                return setError(r, "record " + std::to_string(table.recNo()) + ": " + read.message());
            bytes += text.size();
        }
        ++records;
        s = table.next();
    }
    if (!s) return setError(r, s.message());
    t->reset();
    sw.stop(r);
    r.count = records;
    r.extra = bytes;
}

// Phase 4: a filtered walk, the filter reading the country of every record.
void filterScan(const std::string& path, const std::string& country, ChildReport& r) {
    const Stopwatch sw;
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return setError(r, "open: " + t.status().message());
    Table& table = **t;
    const int field = table.fieldIndex("Country");
    if (field < 0) return setError(r, "the table has no field Country");
    std::string text;
    uint64_t looked = 0;
    table.setFilter([&](const Table& tt) {
        ++looked;
        return tt.readText(field, text).isOk() && trimRight(text) == country;
    });
    uint64_t matches = 0;
    Status s = table.first();
    while (s && !table.eof()) {
        ++matches;
        s = table.next();
    }
    if (!s) return setError(r, s.message());
    t->reset();
    sw.stop(r);
    r.count = matches;
    r.extra = looked;
}

// Phase 5: delete every 10th record (timed on its own), then pack.
void deleteAndPack(const std::string& path, ChildReport& r) {
    auto t = Table::open(path, OpenMode::Exclusive);
    if (!t) return setError(r, "open: " + t.status().message());
    Table& table = **t;
    const uint32_t n = table.recordCount();
    const Stopwatch deleting;
    uint64_t deleted = 0;
    for (uint32_t rec = 10; rec <= n; rec += 10) {
        Status s = table.go(rec);
        if (s) s = table.deleteRecord();
        if (!s) return setError(r, "deleting record " + std::to_string(rec) + ": " + s.message());
        ++deleted;
    }
    ChildReport d;
    deleting.stop(d);
    r.seconds2 = d.seconds;
    r.cpu2 = d.cpu;
    const Stopwatch sw;
    Status s = table.pack();
    if (!s) return setError(r, "pack: " + s.message());
    sw.stop(r);
    r.count = table.recordCount();
    if (r.count != n - deleted)
        return setError(r, "pack left " + std::to_string(r.count) + " records, expected " +
                               std::to_string(n - deleted));
}

// ---------------------------------------------------------------------------------------------
// Report

struct Row {
    std::string phase;
    uint64_t records = 0;
    Timing time;     // the phase's
    Timing cat;      // cat's on the same file; wall 0: no ratio
    long peakKb = 0;
    std::string target;
    int met = -1;  // -1: no target at this size
};

Row row(std::string phase, uint64_t records, const ChildReport& r, Timing cat, long peakKb,
        std::string target = {}, int met = -1) {
    return {std::move(phase), records, {r.seconds, r.cpu}, cat, peakKb, std::move(target), met};
}

void printRows(const std::vector<Row>& rows) {
    std::printf("\n%-37s %8s %8s %7s %6s %7s %7s %6s %7s  %s\n", "phase", "records", "wall s", "cat s", "x cat",
                "cpu s", "cat cpu", "x cpu", "peak MB", "target");
    for (const Row& r : rows) {
        char cat[16] = "-", ratio[16] = "-", catCpu[16] = "-", cpuRatio[16] = "-", peak[16] = "-";
        if (r.cat.wall > 0) {
            std::snprintf(cat, sizeof cat, "%.3f", r.cat.wall);
            std::snprintf(ratio, sizeof ratio, "%.2f", r.time.wall / r.cat.wall);
            std::snprintf(catCpu, sizeof catCpu, "%.3f", r.cat.cpu);
            if (r.cat.cpu > 0) std::snprintf(cpuRatio, sizeof cpuRatio, "%.2f", r.time.cpu / r.cat.cpu);
        }
        if (r.peakKb > 0) std::snprintf(peak, sizeof peak, "%.1f", double(r.peakKb) / 1024.0);
        std::string target = r.target.empty() ? "-" : r.target;
        if (r.met >= 0) target += r.met ? "  met" : "  MISSED";
        std::printf("%-37s %8" PRIu64 " %8.3f %7s %6s %7.3f %7s %6s %7s  %s\n", r.phase.c_str(), r.records,
                    r.time.wall, cat, ratio, r.time.cpu, catCpu, cpuRatio, peak, target.c_str());
    }
}

bool wants(const Options& o, char phase) { return o.phases.find(phase) != std::string::npos; }

int fail(const char* phase, const PhaseRun& run) {
    std::fprintf(stderr, "vazovi-bench: phase %s failed: %s\n", phase, run.report.error);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseOptions(argc, argv, o)) return 2;
    const uint64_t n = o.records;
    const uint64_t nShared = o.sharedRecords.value_or(n);
    // The targets are set for a table of a million records.
    const bool judged = n >= 1000000;

    bool ownDir = false;
    std::string dir = o.dir;
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vazovi-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("vazovi-bench: mkdtemp");
            return 1;
        }
        dir = pattern;
        ownDir = true;
    }
    const std::string table = dir + "/STAMPS.DBF";
    const std::string sharedTable = dir + "/STAMPSSH.DBF";

    printBanner("vazovi-bench", n, dir);

    std::vector<Row> rows;
    Timing cat;
    uint64_t tableBytes = fileSize(table);

    if (wants(o, '0')) {
        PhaseRun run = runInChild([&](ChildReport& r) { generateOnly(n, o.country, r); });
        if (!run.ok) return fail("0", run);
        rows.push_back(row("0 generate records only (no table)", n, run.report, {}, run.peakKb));
    }

    uint64_t expectedMatches = 0;
    bool haveExpected = false;
    if (wants(o, '1')) {
        PhaseRun run = runInChild([&](ChildReport& r) { appendAll(table, n, OpenMode::Exclusive, o.country, r); });
        if (!run.ok) return fail("1", run);
        expectedMatches = run.report.extra;
        haveExpected = true;
        cat = catFloor(table);
        tableBytes = fileSize(table);
        rows.push_back(row("1 append, opened exclusive", n, run.report, cat, run.peakKb, "< 3 s",
                           judged ? int(run.report.seconds < 3.0) : -1));
        PhaseRun floor = runInChild([&](ChildReport& r) { appendFloor(dir + "/FLOOR.DBF", n, false, r); });
        if (!floor.ok) return fail("1 floor", floor);
        rows.push_back(row("  floor: its pwrite calls, no engine", n, floor.report, cat, floor.peakKb));
    } else if (fileSize(table) != 0) {
        cat = catFloor(table);
    }

    if (wants(o, '2')) {
        PhaseRun run = runInChild([&](ChildReport& r) { appendAll(sharedTable, nShared, OpenMode::Shared, o.country, r); });
        if (!run.ok) return fail("2", run);
        const Timing sharedCat = catFloor(sharedTable);
        rows.push_back(row("2 append, opened shared (locks)", nShared, run.report, sharedCat, run.peakKb));
        if (!o.keep) ::unlink(sharedTable.c_str());
        PhaseRun floor = runInChild([&](ChildReport& r) { appendFloor(dir + "/FLOOR.DBF", nShared, true, r); });
        if (!floor.ok) return fail("2 floor", floor);
        rows.push_back(row("  floor: its locks and I/O, no engine", nShared, floor.report, sharedCat, floor.peakKb));
    }

    if (wants(o, '3') || wants(o, '4') || wants(o, '5')) {
        if (fileSize(table) == 0) {
            std::fprintf(stderr, "vazovi-bench: phases 3 to 5 need the table of phase 1 (%s)\n", table.c_str());
            return 1;
        }
    }

    // Runs a read phase `repeat` times, each right after a cat of the same file, so that both
    // see the same machine; reports the median of each.
    struct Timed {
        Timing time, cat;
        long peakKb = 0;
        ChildReport last;
    };
    auto timedRead = [&](const char* phase, const std::function<void(ChildReport&)>& body,
                         const std::function<bool(const ChildReport&)>& check, Timed& out) {
        std::vector<Timing> times, cats;
        for (int k = 0; k < o.repeat; ++k) {
            cats.push_back(timeCat(table));
            PhaseRun run = runInChild(body);
            if (!run.ok) return fail(phase, run);
            if (!check(run.report)) return 1;
            times.push_back({run.report.seconds, run.report.cpu});
            out.peakKb = std::max(out.peakKb, run.peakKb);
            out.last = run.report;
        }
        out.time = medians(times);
        out.cat = medians(cats);
        return 0;
    };

    if (wants(o, '3')) {
        Timed t;
        const int rc = timedRead("3", [&](ChildReport& r) { readAll(table, r); },
                                 [&](const ChildReport& r) {
                                     if (r.count == n) return true;
                                     std::fprintf(stderr, "vazovi-bench: phase 3 read %" PRIu64 " records of %" PRIu64 "\n",
                                                  r.count, n);
                                     return false;
                                 }, t);
        if (rc != 0) return rc;
        rows.push_back({"3 read every field as text", n, t.time, t.cat, t.peakKb, "<= 4x cat",
                        judged ? int(t.time.wall <= 4 * t.cat.wall) : -1});
    }

    if (wants(o, '4')) {
        Timed t;
        const int rc = timedRead("4", [&](ChildReport& r) { filterScan(table, o.country, r); },
                                 [&](const ChildReport& r) {
                                     if (r.extra == n && (!haveExpected || r.count == expectedMatches)) return true;
                                     std::fprintf(stderr,
                                                  "vazovi-bench: phase 4 looked at %" PRIu64 " records and found %" PRIu64
                                                  "; expected %" PRIu64 " and %" PRIu64 "\n",
                                                  r.extra, r.count, n, expectedMatches);
                                     return false;
                                 }, t);
        if (rc != 0) return rc;
        char name[64];
        std::snprintf(name, sizeof name, "4 filter scan, Country (%" PRIu64 " hits)", t.last.count);
        rows.push_back({name, n, t.time, t.cat, t.peakKb, "<= 1.5x cat", judged ? int(t.time.wall <= 1.5 * t.cat.wall) : -1});
    }

    if (wants(o, '5')) {
        PhaseRun run = runInChild([&](ChildReport& r) { deleteAndPack(table, r); });
        if (!run.ok) return fail("5", run);
        rows.push_back({"5a delete every 10th record", n / 10, {run.report.seconds2, run.report.cpu2}, {}, 0, "", -1});
        rows.push_back(row("5 pack (after 5a; includes fsync)", run.report.count, run.report, cat, run.peakKb));
    }

    printRows(rows);

    long worstPeak = 0;
    for (const Row& r : rows) worstPeak = std::max(worstPeak, r.peakKb);
    std::printf("\ntable %.1f MB (%u-byte records); cat: warm page cache, median of 3, fork+exec included\n",
                double(tableBytes) / 1e6, recordLength());
    std::printf("peak RSS: the largest phase, %.1f MB; target < 64 MB%s\n", double(worstPeak) / 1024.0,
                judged ? (worstPeak < 64 * 1024 ? "  met" : "  MISSED") : "");
    if (!judged) std::printf("targets are judged at 1,000,000 records (--records 1000000)\n");

    if (!o.keep) {
        ::unlink(table.c_str());
        ::unlink(sharedTable.c_str());
        if (ownDir) ::rmdir(dir.c_str());
    } else {
        std::printf("kept: %s\n", dir.c_str());
    }
    return 0;
}
