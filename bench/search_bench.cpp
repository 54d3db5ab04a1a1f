// vazovi-search-bench: searching, locating and sorting a large collection through the main window.
//
//   vazovi-search-bench [RECORDS] [FOLDER]     (default 1000000 records in
//   /tmp/vazovi-search-bench)
//
// Makes FOLDER/MASTER.DBF with RECORDS generated stamps once (kept for later runs of the same
// size), sorted by country. `cat` of the table (warm page cache) is timed in the same run as the
// floor. Each figure below comes from a child process of its own, so its peak memory is its own:
//   pass      - the record test alone over every record in the sort order (Description contains
//               "LIGHTHOUSE", about 2% of the records);
//   one-field - the search window's Ok with that criterion, to the first painted page of matches;
//   two-level - Ok with (Description contains "LIGHTHOUSE" and Market Value > 1) or (Country
//               contains "PERU" and Year < 1900);
//   locate    - Locate Next from the first row to a record near the end of the sort order;
//   sort      - the sort order window's Ok with four levels, to the repainted grid;
//   cli       - vazovi-cli search with the one-field criterion, matches written to /dev/null.
// Runs under the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QTableView>
#include <QTextStream>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "BenchSupport.h"
#include "CliCommands.h"
#include "StampGenerator.h"
#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/TMain.h"
#include "main/ViewerModel.h"
#include "search/SearchCriteria.h"
#include "search/SortOrder.h"
#include "search/TMyLocateDialog.h"
#include "search/TMySearch.h"
#include "search/TMySortOrder.h"
#include "search/TSearchOptions.h"

using namespace vz;
using namespace vz::bench;

namespace {

constexpr const char* kNeedle = "SEARCH-BENCH-NEEDLE";

bool prepare(const std::string& folder, uint64_t records) {
    std::filesystem::create_directories(folder);
    const std::string table = folder + "/MASTER.DBF";
    {
        auto t = engine::Table::open(table, engine::OpenMode::Shared);
        if (t && (*t)->recordCount() == records) return true;
    }
    std::filesystem::remove(folder + "/MASTER.MDX");
    engine::Status s = engine::Table::create(table, StampGenerator::fields());
    if (!s) {
        std::fprintf(stderr, "%s\n", s.message().c_str());
        return false;
    }
    auto t = engine::Table::open(table, engine::OpenMode::Exclusive);
    if (!t) return false;
    StampGenerator gen;
    StampRecord r;
    for (uint64_t i = 0; i < records; ++i) {
        gen.generate(i, r);
        if (!StampGenerator::appendTo(**t, r)) return false;
    }
    return true;
}

void writeSettings(const std::string& folder) {
    QFile ini(QString::fromStdString(folder + "/MASTER.INI"));
    if (ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream out(&ini);
        out << "[Sort Order]\r\nPrimary Sort=3\r\nSecondary Sort=0\r\nThird Level Sort=0\r\nFourth "
               "Level Sort=0\r\n";
    }
}

double timeCat(const std::string& path) {
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, 1) < 0) ::_exit(127);
        ::execlp("cat", "cat", path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return secondsSince(t0);
}

void paintGrid(QTableView* grid) {
    grid->viewport()->repaint();
    QApplication::processEvents();
}

struct RunningProgram {
    int argc = 1;
    char name[20] = "vazovi-search-bench";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    ScriptedInteraction ui;
    mainwin::Program program;
    std::optional<mainwin::TMain> window;

    RunningProgram(const std::string& folder, ChildReport& rep)
        : program(QString::fromStdString(folder),
                  QString::fromStdString(folder) + QStringLiteral("/DUZEZIVA.INI"), ui) {
        if (!program.startUp()) {
            setError(rep, "start-up failed");
            return;
        }
        program.settings().global.misc.showTips = false;
        window.emplace(program);
        window->resize(800, 600);
        window->show();
        paintGrid(window->grid());
    }
    bool messagesShown(ChildReport& rep) {
        if (ui.messages().empty()) return false;
        setError(rep, ui.messages().front().text.toStdString());
        return true;
    }
};

// The record test alone, in the sort order: what every reader of the search result pays.
void passPhase(ChildReport& rep, const std::string& folder) {
    auto t = engine::Table::open(folder + "/MASTER.DBF", engine::OpenMode::Shared);
    if (!t || !(*t)->setOrder(search::kSortTag))
        return setError(rep, "cannot open the table in order");
    auto criteria =
        search::parseSearchCriteria({"Descriptio~LIGHTHOUSE"}, search::defaultFieldCaptions());
    const search::SearchItems& items = criteria.items;
    (*t)->setFilter([&](const engine::Table& x) { return items.test(x); });
    std::vector<uint32_t> rows;
    Stopwatch clock;
    if (!(*t)->collectOrder(rows)) return setError(rep, "the pass failed");
    clock.stop(rep);
    rep.count = rows.size();
    // The same pass with a filter that admits every record: the engine's own share.
    (*t)->setFilter([](const engine::Table&) { return true; });
    rows.clear();
    const auto t0 = Clock::now();
    if (!(*t)->collectOrder(rows)) return setError(rep, "the pass failed");
    rep.seconds2 = secondsSince(t0);
}

void searchPhase(ChildReport& rep, const std::string& folder, bool twoLevels) {
    RunningProgram run(folder, rep);
    if (!run.window) return;
    search::TMySearch* win = run.window->searchWindow();
    win->FormShow();
    // The operators Market Value ">" and Year "<", chosen in the options window.
    auto choose = [win](int row, int entry) {
        win->runOptions = [entry](search::TSearchOptions& o) {
            o.list()->setCurrentRow(entry);
            return true;
        };
        win->SearchGridButtonClick(row);
    };
    win->setCell(2, "lighthouse");
    if (twoLevels) {
        choose(5, 1);
        choose(7, 2);
        win->setCell(5, "> 1");
        win->MoreButtonClick();
        win->setCell(3, "peru");
        win->setCell(7, "< 1900");
    }
    Stopwatch clock;
    win->OkButtonClick();
    paintGrid(run.window->grid());
    clock.stop(rep);
    rep.count = uint64_t(run.window->viewerModel()->rowCount());
    run.messagesShown(rep);
}

void locatePhase(ChildReport& rep, const std::string& folder) {
    RunningProgram run(folder, rep);
    if (!run.window) return;
    mainwin::ViewerModel* model = run.window->viewerModel();
    engine::Table& table = *run.program.database().table();
    // The needle: a value only one record holds, near the end of the sort order.
    const uint32_t target = model->recordOfRow(model->rowCount() - 5);
    if (!table.go(target) || !table.edit() || !table.setText(23, kNeedle) || !table.post())
        return setError(rep, "cannot place the needle");
    run.window->grid()->setCurrentIndex(model->index(0, 0));
    search::TMyLocateDialog* d = run.window->locateDialog();
    d->SearchField = QStringLiteral("UserDef3");
    d->setSearchValue(QString::fromLatin1(kNeedle));
    d->MatchType = search::LocateMatch::Exact;
    Stopwatch clock;
    run.window->DoFindNext();
    paintGrid(run.window->grid());
    clock.stop(rep);
    rep.count = uint64_t(run.window->grid()->currentIndex().row());
    if (table.recNo() != target) setError(rep, "locate did not reach the needle");
    run.messagesShown(rep);
}

void sortPhase(ChildReport& rep, const std::string& folder) {
    RunningProgram run(folder, rep);
    if (!run.window) return;
    {
        search::TMySortOrder win(*run.window, run.program);
        const int levels[] = {3, 7, 1, 5};  // Country, Year, Alpha Catalog, Market Value
        for (int i = 0; i < 4; ++i) win.levelList(i)->setCurrentIndex(levels[i]);
        Stopwatch clock;
        win.OkButtonClick();
        paintGrid(run.window->grid());
        clock.stop(rep);
    }
    rep.count = uint64_t(run.window->viewerModel()->rowCount());
    run.messagesShown(rep);
    // Back to the country order for the next run, untimed.
    search::TMySortOrder back(*run.window, run.program);
    for (int i = 0; i < 4; ++i) back.levelList(i)->setCurrentIndex(i == 0 ? 3 : 0);
    back.OkButtonClick();
}

void cliPhase(ChildReport& rep, const std::string& folder) {
    std::ofstream out("/dev/null");
    std::ostringstream err;
    std::istringstream in;
    Stopwatch clock;
    const int code =
        cli::runCli({"search", folder + "/MASTER.DBF", "Descriptio~LIGHTHOUSE"}, in, out, err);
    clock.stop(rep);
    if (code != cli::kOk) setError(rep, err.str());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    uint64_t records = 1000000;
    if (argc > 1 && !parseCount(argv[1], records)) {
        std::fprintf(stderr, "usage: vazovi-search-bench [RECORDS] [FOLDER]\n");
        return 2;
    }
    const std::string folder = argc > 2 ? argv[2] : "/tmp/vazovi-search-bench";
    printBanner("vazovi-search-bench", records, folder);
    if (!prepare(folder, records)) return 1;
    writeSettings(folder);
    ::setenv("VAZOVI_PROGRAM_DIR", folder.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    // A first start builds the sort tag; every figure is of a start with the tag in place.
    if (!runInChild([&](ChildReport& r) { RunningProgram run(folder, r); }).ok) return 1;

    const std::string table = folder + "/MASTER.DBF";
    timeCat(table);
    std::vector<double> cats;
    for (int i = 0; i < 3; ++i) cats.push_back(timeCat(table));
    const double cat = median(cats);
    std::printf("cat of the table (%.0f MB): %.3f s\n", double(fileSize(table)) / 1e6, cat);

    auto report = [&](const char* what, const std::function<void(ChildReport&)>& body,
                      const char* target) {
        std::vector<double> times;
        PhaseRun last;
        long peak = 0;
        for (int i = 0; i < 3; ++i) {
            last = runInChild(body);
            if (!last.ok) {
                std::printf("%-10s failed: %s\n", what, last.report.error);
                return 0.0;
            }
            times.push_back(last.report.seconds);
            peak = std::max(peak, last.peakKb);
        }
        const double s = median(times);
        std::printf("%-10s %7.3f s  %5.2f x cat  %8llu  peak RSS %6.1f MB   target: %s\n", what, s,
                    s / cat, (unsigned long long)last.report.count, peak / 1024.0, target);
        return s;
    };
    report(
        "pass", [&](ChildReport& r) { passPhase(r, folder); }, "at most 1.5 x cat");
    {
        PhaseRun floor = runInChild([&](ChildReport& r) { passPhase(r, folder); });
        if (floor.ok)
            std::printf(
                "%-10s %7.3f s  %5.2f x cat  (the same pass, a filter that admits everything)\n",
                "floor", floor.report.seconds2, floor.report.seconds2 / cat);
    }
    const double one = report(
        "one-field", [&](ChildReport& r) { searchPhase(r, folder, false); },
        "first painted page under 0.3 s");
    const double two = report(
        "two-level", [&](ChildReport& r) { searchPhase(r, folder, true); },
        "at most 2 x one-field");
    if (one > 0) std::printf("two-level / one-field: %.2f\n", two / one);
    report(
        "locate", [&](ChildReport& r) { locatePhase(r, folder); }, "under 0.5 s");
    report(
        "sort", [&](ChildReport& r) { sortPhase(r, folder); }, "under 2 s, peak under 150 MB");
    report(
        "cli", [&](ChildReport& r) { cliPhase(r, folder); }, "at most 2 x cat plus printing");
    return 0;
}
