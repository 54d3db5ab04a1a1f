// vazovi-maintenance-bench: search and replace, pack, rebuild, backup and restore of a generated
// collection, each beside the plain file operation it is measured against in the same run.
//
// For each record count, on a table of generated stamps ordered by country (tag NewIndex):
//   replace   Country "United States" (about 10% of the records) to "USA", index re-created
//   cat       cat TABLE > /dev/null (warm cache): the floor of any pass over the table
//   pack      after deleting every 10th record
//   rebuild   every tag rebuilt from the records ("&Rebuild Indexes")
//   cp+fsync  cp TABLE to another folder, then fsync of the copy
//   backup    the table backed up to that folder (copy, fsync, compare, rename)
//   restore   the backup restored over the table, its index rebuilt
//
// Usage: vazovi-maintenance-bench [COUNT...] [--dir DIR]   (counts default to 100000 and 1000000)
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "StampGenerator.h"
#include "backup/BackupRestore.h"
#include "common/ScriptedInteraction.h"
#include "data/CollectionHost.h"
#include "data/TableMaintenance.h"
#include "engine/Table.h"
#include "search/SearchAndReplace.h"
#include "search/SortOrder.h"

using namespace vz;
using engine::OpenMode;
using engine::Status;
using engine::Table;

namespace {

class BenchHost : public data::CollectionHost {
public:
    BenchHost(std::string path, QString sort) : path_(std::move(path)), sort_(std::move(sort)) {}
    QString programFolder() const override {
        return QString::fromStdString(path_).section('/', 0, -2);
    }
    QString databasePath() const override { return QString::fromStdString(path_); }
    Table* table() override { return table_.get(); }
    void closeTable() override { table_.reset(); }
    bool openTable(OpenMode mode) override {
        table_.reset();
        auto t = Table::open(path_, mode);
        if (!t) return false;
        table_ = std::move(t.value());
        if (table_->hasTag(search::kSortTag)) (void)table_->setOrder(search::kSortTag);
        return true;
    }
    QString sortString() const override { return sort_; }
    bool switchTo(const QString&) override { return false; }

private:
    std::string path_;
    QString sort_;
    std::unique_ptr<Table> table_;
};

double timeCommand(const std::string& command) {
    const auto t0 = bench::Clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return bench::secondsSince(t0);
}

double fsyncSeconds(const std::string& path) {
    const auto t0 = bench::Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) return -1;
    ::close(fd);
    return bench::secondsSince(t0);
}

bool makeTable(const std::string& path, uint64_t n, const QString& sort) {
    if (!Table::create(path, bench::StampGenerator::fields())) return false;
    auto t = Table::open(path, OpenMode::Exclusive);
    if (!t) return false;
    bench::StampGenerator gen;
    bench::StampRecord rec;
    for (uint64_t i = 0; i < n; ++i) {
        gen.generate(i, rec);
        if (!bench::StampGenerator::appendTo(**t, rec)) return false;
    }
    return bool(search::applySortString(**t, sort));
}

void line(const char* what, double seconds, const std::string& note) {
    std::printf("  %-10s %8.3f s  %s\n", what, seconds, note.c_str());
}

std::string ratio(double a, double b) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f x", b > 0 ? a / b : 0.0);
    return buf;
}

int runCount(const std::string& dir, uint64_t n) {
    const std::string table = dir + "/STAMPS.DBF";
    const std::string media = dir + "/media";
    std::filesystem::create_directories(media);
    const QString sort = search::BuildSortString(search::SortLevels{});
    std::printf("%llu records\n", (unsigned long long)n);
    if (!makeTable(table, n, sort)) {
        std::printf("  could not make the table\n");
        return 1;
    }
    BenchHost host(table, sort);
    ScriptedInteraction ui;
    host.openTable(OpenMode::Shared);

    // Search and replace.
    search::ReplaceValues values;
    const auto noDates = [](QStringView, engine::Date&) { return false; };
    (void)search::prepareReplace(3, QStringLiteral("United States"), QStringLiteral("USA"), noDates,
                                 ui, values);
    search::ReplaceCounters counters;
    auto t0 = bench::Clock::now();
    const bool replaced = search::runSearchAndReplace(host, ui, values, {}, counters);
    const double replace = bench::secondsSince(t0);
    char note[128];
    std::snprintf(note, sizeof note, "%llu of %llu changed (%.1f%%)%s; target < 3 s at 1,000,000",
                  (unsigned long long)counters.changed, (unsigned long long)counters.processed,
                  100.0 * double(counters.changed) / double(n), replaced ? "" : "; FAILED");
    line("replace", replace, note);

    // Pack after deleting every 10th record, beside cat.
    const double cat = timeCommand("cat '" + table + "' > /dev/null");
    line("cat", cat, "");
    {
        host.closeTable();
        auto t = Table::open(table, OpenMode::Exclusive);
        for (uint32_t r = 10; r <= n; r += 10)
            if (t && (*t)->go(r)) (void)(*t)->deleteRecord();
    }
    host.openTable(OpenMode::Shared);
    ui.answers = {Answer::Yes, Answer::Yes};
    t0 = bench::Clock::now();
    const bool packed = data::MenuPackClick(host, ui);
    const double pack = bench::secondsSince(t0);
    line("pack", pack, ratio(pack, cat) + " cat (target <= 10 x)" + (packed ? "" : "; FAILED"));
    t0 = bench::Clock::now();
    const bool rebuilt = data::MenuRebuildClick(host, ui);
    const double rebuild = bench::secondsSince(t0);
    line("rebuild", rebuild,
         std::string(rebuilt ? "" : "FAILED; ") +
             "see vazovi-index-bench for SQLite's CREATE INDEX");

    // Backup beside cp + fsync of the same file to the same folder, alternated three times each
    // (medians), since the disk is shared with whatever else runs.
    std::vector<double> cps, backups;
    bool backedUp = true;
    for (int round = 0; round < 3; ++round) {
        const double cp = timeCommand("cp '" + table + "' '" + media + "/CPCOPY.DBF'");
        cps.push_back(cp + fsyncSeconds(media + "/CPCOPY.DBF"));
        std::filesystem::remove(media + "/CPCOPY.DBF");
        std::filesystem::remove(media + "/STAMPS.DBF");
        t0 = bench::Clock::now();
        backedUp =
            backup::backUp(host, ui, backup::Kind::Table, QString::fromStdString(media)).ok &&
            backedUp;
        backups.push_back(bench::secondsSince(t0));
    }
    const double cpSync = bench::median(cps);
    const double backup = bench::median(backups);
    line("cp+fsync", cpSync, "median of 3");
    line("backup", backup,
         ratio(backup, cpSync) + " cp+fsync (target <= 1.5 x), median of 3" +
             (backedUp ? "" : "; FAILED"));

    // Restore over the table, beside cp + fsync plus the index build alone.
    t0 = bench::Clock::now();
    const bool restored =
        backup::restore(host, ui, backup::Kind::Table,
                        QString::fromStdString(media + "/STAMPS.DBF"), QString::fromStdString(dir))
            .ok;
    const double restore = bench::secondsSince(t0);
    host.closeTable();
    double index = 0;
    {
        auto t = Table::open(table, OpenMode::Exclusive);
        t0 = bench::Clock::now();
        if (t) (void)(*t)->regenerateIndexes();
        index = bench::secondsSince(t0);
    }
    line("index", index, "the index build alone");
    line("restore", restore,
         ratio(restore, 1.5 * cpSync + index) + " of 1.5 x cp+fsync + index (target <= 1)" +
             (restored ? "" : "; FAILED"));
    std::filesystem::remove_all(media);
    return replaced && packed && rebuilt && backedUp && restored ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<uint64_t> counts;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
            dir = argv[++i];
            continue;
        }
        uint64_t n = 0;
        if (!bench::parseCount(argv[i], n)) {
            std::fprintf(stderr, "Usage: vazovi-maintenance-bench [COUNT...] [--dir DIR]\n");
            return 2;
        }
        counts.push_back(n);
    }
    if (counts.empty()) counts = {100000, 1000000};
    bool ownDir = false;
    if (dir.empty()) {
        std::string pattern = "/tmp/vazovi-maintenance-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return 1;
        dir = pattern;
        ownDir = true;
    }
    bench::printBanner("vazovi-maintenance-bench", counts.back(), dir);
    int status = 0;
    for (uint64_t n : counts) status |= runCount(dir, n);
    if (ownDir) std::filesystem::remove_all(dir);
    return status;
}
