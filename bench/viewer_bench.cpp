// vazovi-viewer-bench: the main window over a large collection sorted by country.
//
//   vazovi-viewer-bench [RECORDS] [FOLDER]     (default 1000000 records in /tmp/vazovi-viewer-bench)
//
// Makes FOLDER/MASTER.DBF with RECORDS generated stamps once (kept for later runs of the same
// size) and a settings file sorting by Country. Then, in a child process each, so every figure
// has its own peak memory:
//   start   - from the program's start-up (settings, exclusive sort-tag step, shared open) to the
//             first grid painted: the program's own start-up path, timed to the paint event;
//   scroll  - with the window up: first row to last row, last to first, and twenty page-downs,
//             each step timed to its repaint;
//   layout  - with the window up, scrolled to the middle: what closing the viewer configuration
//             does after new captions, widths, column order, shown fields and colours (the grid
//             re-applied over the rows it has, timed to its repaint), beside a full re-apply that
//             reads the rows anew (after an open) and `cat` of the table file.
// Runs under the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTableView>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <cstdlib>

#include "BenchSupport.h"
#include "StampGenerator.h"
#include "common/ScriptedInteraction.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/TMain.h"
#include "main/ViewerModel.h"

using namespace vz;
using namespace vz::bench;

namespace {

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
        out << "[Sort Order]\r\nPrimary Sort=3\r\nSecondary Sort=0\r\nThird Level Sort=0\r\nFourth Level Sort=0\r\n";
    }
}

// Paints the grid now, with whatever is waiting before it.
void paintGrid(QTableView* grid) {
    grid->viewport()->repaint();
    QApplication::processEvents();
}

// The program started on the folder, its main window shown at 800 x 600 and painted once.
struct RunningProgram {
    int argc = 1;
    char name[20] = "vazovi-viewer-bench";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    ScriptedInteraction ui;
    mainwin::Program program;
    std::optional<mainwin::TMain> window;

    RunningProgram(const std::string& folder, ChildReport& rep)
        : program(QString::fromStdString(folder), QString::fromStdString(folder) + QStringLiteral("/DUZEZIVA.INI"),
                  ui) {
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
};

void startPhase(ChildReport& rep, const std::string& folder) {
    Stopwatch clock;
    RunningProgram run(folder, rep);
    if (!run.window) return;
    clock.stop(rep);
    rep.count = uint64_t(run.window->viewerModel()->rowCount());
    if (!run.ui.messages().empty()) setError(rep, run.ui.messages().front().text.toStdString());
}

void scrollPhase(ChildReport& rep, const std::string& folder) {
    RunningProgram run(folder, rep);
    if (!run.window) return;
    QTableView* grid = run.window->grid();
    mainwin::ViewerModel* model = run.window->viewerModel();
    QElapsedTimer t;
    double worst = 0, total = 0;
    int steps = 0;
    auto step = [&](const std::function<void()>& move) {
        t.start();
        move();
        paintGrid(grid);
        const double s = double(t.nsecsElapsed()) / 1e9;
        worst = std::max(worst, s);
        total += s;
        ++steps;
    };
    step([&] { grid->scrollToBottom(); });
    step([&] { grid->scrollToTop(); });
    for (int i = 0; i < 20; ++i)
        step([&] { grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd); });
    step([&] { grid->setCurrentIndex(model->index(model->rowCount() - 1, 0)); });
    rep.seconds = worst;
    rep.seconds2 = total / steps;
    rep.count = uint64_t(steps);
}

void layoutPhase(ChildReport& rep, const std::string& folder) {
    RunningProgram run(folder, rep);
    if (!run.window) return;
    QTableView* grid = run.window->grid();
    grid->setCurrentIndex(run.window->viewerModel()->index(run.window->viewerModel()->rowCount() / 2, 0));
    paintGrid(grid);
    std::vector<double> layouts;
    for (int i = 0; i < 5; ++i) {
        data::DatabaseSettings& s = run.program.settings().database;
        for (int f = 1; f <= data::kFieldCount; ++f) {
            s.field(f).caption = QStringLiteral("Field %1 %2").arg(f).arg(i);
            s.field(f).width = 8 + (f + i) % 20;
            s.field(f).order = (f + i) % data::kFieldCount + 1;
            s.field(f).display = (f + i) % 7 != 0;
        }
        s.gridOptions.cellColour = 0x102030 * (i + 1);
        s.gridTitle.backgroundColour = 0x303030 * (i + 1);
        Stopwatch clock;
        run.window->applyViewerLayout();
        paintGrid(grid);
        ChildReport one;
        clock.stop(one);
        layouts.push_back(one.seconds);
    }
    rep.seconds = median(layouts);
    rep.seconds2 = *std::max_element(layouts.begin(), layouts.end());
    Stopwatch full;
    run.window->SetViewerOptions();
    paintGrid(grid);
    ChildReport f;
    full.stop(f);
    rep.cpu2 = f.seconds;  // the full re-apply, for comparison
    rep.count = uint64_t(run.window->viewerModel()->rowCount());
    if (!run.ui.messages().empty()) setError(rep, run.ui.messages().front().text.toStdString());
}

double catSeconds(const std::string& path) {
    const auto t0 = Clock::now();
    const std::string command = "cat '" + path + "' > /dev/null";
    if (std::system(command.c_str()) != 0) return -1;
    return secondsSince(t0);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    uint64_t records = 1000000;
    if (argc > 1 && !parseCount(argv[1], records)) {
        std::fprintf(stderr, "usage: vazovi-viewer-bench [RECORDS] [FOLDER]\n");
        return 2;
    }
    const std::string folder = argc > 2 ? argv[2] : "/tmp/vazovi-viewer-bench";
    printBanner("vazovi-viewer-bench", records, folder);
    if (!prepare(folder, records)) return 1;
    writeSettings(folder);
    // The first start builds the sort tag; the figures are of a start with the tag in place.
    PhaseRun warm = runInChild([&](ChildReport& r) { startPhase(r, folder); });
    if (!warm.ok) return 1;

    std::vector<double> starts;
    long startPeak = 0;
    for (int i = 0; i < 5; ++i) {
        PhaseRun run = runInChild([&](ChildReport& r) { startPhase(r, folder); });
        if (!run.ok) return 1;
        starts.push_back(run.report.seconds);
        startPeak = std::max(startPeak, run.peakKb);
    }
    std::printf("start to first painted grid: median %.3f s of 5 (first start, building the tag: %.3f s), "
                "%llu rows, peak RSS %.1f MB\n",
                median(starts), warm.report.seconds, (unsigned long long)warm.report.count, startPeak / 1024.0);
    PhaseRun scroll = runInChild([&](ChildReport& r) { scrollPhase(r, folder); });
    if (!scroll.ok) return 1;
    std::printf("scrolling: %llu steps (top to bottom, back, 20 page-downs, current to last row): "
                "slowest %.1f ms, mean %.1f ms, peak RSS %.1f MB\n",
                (unsigned long long)scroll.report.count, scroll.report.seconds * 1000, scroll.report.seconds2 * 1000,
                scroll.peakKb / 1024.0);
    PhaseRun layout = runInChild([&](ChildReport& r) { layoutPhase(r, folder); });
    if (!layout.ok) return 1;
    const double cat = catSeconds(folder + "/MASTER.DBF");
    std::printf("viewer layout re-applied (captions, widths, order, shown fields, colours), %llu rows: "
                "median %.1f ms of 5, slowest %.1f ms; full re-apply reading the rows anew %.1f ms; "
                "cat of the table %.1f ms\n",
                (unsigned long long)layout.report.count, layout.report.seconds * 1000, layout.report.seconds2 * 1000,
                layout.report.cpu2 * 1000, cat * 1000);
    return 0;
}
