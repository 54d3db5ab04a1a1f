#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/TMain.h"
#include "reports/TStatistics.h"

using namespace vz;
using reports::StatisticsChart;
using reports::TStatistics;

namespace {

constexpr StatisticsChart kCharts[] = {StatisticsChart::CountryValue, StatisticsChart::DecadeStamps,
                                       StatisticsChart::YearPrice, StatisticsChart::Conditions};

// A program over a MASTER.DBF of a few stamps: Peru twice, France, and one without a country.
struct Collector {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    mainwin::Program program{dir.path(), dir.filePath("DUZEZIVA.INI"), ui};

    Collector() {
        EXPECT_TRUE(program.startUp());
        engine::Table* t = program.database().table();
        struct Row {
            const char* country;
            int quantity, year;
            double value, cost;
            const char* condition;
        };
        for (const Row& r :
             {Row{"Peru", 2, 1962, 1234.5, 100, "Mint"}, Row{"Peru", 1, 1975, 7, 3, "Used"},
              Row{"France", 3, 1871, 5, 2, "Used"}, Row{"", 1, 0, 10, 1, ""}}) {
            const auto ok = [](const engine::Status& s) { EXPECT_TRUE(s.isOk()) << s.message(); };
            ok(t->append());
            if (*r.country) ok(t->setText(2, r.country));
            ok(t->setWhole(5, r.quantity));
            if (r.year) ok(t->setWhole(6, r.year));
            ok(t->setFloat(4, r.value));
            ok(t->setFloat(14, r.cost));
            if (*r.condition) ok(t->setText(8, r.condition));
            ok(t->setDate(13, engine::Date{2020 + r.quantity, 1, 1}));
            ok(t->setText(24, r.quantity == 1 ? "Yes" : "No"));
            ok(t->post());
        }
        EXPECT_TRUE(t->first());
    }
};

// Runs the menu item and hands the window it opens to `check`, then closes it.
void withStatisticsWindow(mainwin::TMain& main, const std::function<void(TStatistics&)>& check) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TStatistics*>(QApplication::activeModalWidget());
        if (window == nullptr) {
            ADD_FAILURE() << "the statistics window did not open";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        seen = true;
        check(*window);
        window->accept();
    });
    main.action(mainwin::TMain::Command::Statistics)->trigger();
    EXPECT_TRUE(seen);
}

// A picture worth looking at: of the view's size or larger, and more than a couple of colours.
void expectDrawnPicture(const QString& path, const QSize& viewSize) {
    QImage image(path);
    ASSERT_FALSE(image.isNull()) << path.toStdString();
    EXPECT_GE(image.width(), viewSize.width());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 10) << path.toStdString();
}

bool isPdf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(5) == "%PDF-";
}

TEST(StatisticsWindow, OpensFromTheToolsMenuAndTheSpeedBar) {
    Collector c;
    mainwin::TMain main(c.program);
    QAction* item = main.action(mainwin::TMain::Command::Statistics);
    EXPECT_TRUE(item->isEnabled());
    EXPECT_EQ(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    // No other command shares its shortcut, and no other item of the Tools menu its access key.
    for (QAction* a : main.findChildren<QAction*>()) {
        if (a == item || a->shortcut().isEmpty()) continue;
        EXPECT_NE(a->shortcut(), item->shortcut()) << a->text().toStdString();
    }
    QMenu* tools = nullptr;
    for (QMenu* m : main.menuBar()->findChildren<QMenu*>())
        if (m->title() == QStringLiteral("&Tools")) tools = m;
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->actions().back(), item);
    const auto key = [](const QString& text) {
        return text.mid(text.indexOf('&') + 1, 1).toLower();
    };
    for (QAction* a : tools->actions()) {
        if (a == item || a->isSeparator()) continue;
        EXPECT_NE(key(a->text()), key(item->text()));
    }
    auto* button = main.findChild<QToolButton*>(QStringLiteral("statistics-button"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->defaultAction(), item);
}

TEST(StatisticsWindow, ShowsTheTotalsAndSavesEveryChartAsAPicture) {
    Collector c;
    mainwin::TMain main(c.program);
    withStatisticsWindow(main, [&](TStatistics& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Collection Statistics - MASTER.DBF"));
        EXPECT_EQ(w.totalText("Records"), "4");
        EXPECT_EQ(w.totalText("Stamps"), "7");
        EXPECT_EQ(w.totalText("Market value"), "2,501.00");  // 2 x 1,234.50 + 7 + 15 + 10
        EXPECT_EQ(w.totalText("Purchase price"), "210.00");
        EXPECT_EQ(w.totalText("Difference"), "2,291.00");
        EXPECT_EQ(w.totalText("Wanted records"), "2");
        for (StatisticsChart which : kCharts) {
            SCOPED_TRACE(int(which));
            ASSERT_NE(w.chartView(which), nullptr);
            EXPECT_GT(w.chartView(which)->chart()->series().size(), 0);
            const QString png = c.dir.filePath(QStringLiteral("chart%1.png").arg(int(which)));
            c.ui.fileNames.push_back(png);
            ASSERT_TRUE(w.saveChart(which))
                << (c.ui.messages().empty() ? "" : c.ui.messages().back().text.toStdString());
            expectDrawnPicture(png, w.chartView(which)->size());
        }
        const QString pdf = c.dir.filePath(QStringLiteral("countries.PDF"));
        c.ui.fileNames.push_back(pdf);
        EXPECT_TRUE(w.saveChart(StatisticsChart::CountryValue));
        EXPECT_TRUE(isPdf(pdf));
    });
    EXPECT_TRUE(c.ui.messages().empty());
}

TEST(StatisticsWindow, WithASearchOnDescribesTheSearchResultAndSaysSo) {
    Collector c;
    mainwin::TMain main(c.program);
    c.program.searchTest = [](const engine::Table& t) { return t.text(2).rfind("Peru", 0) == 0; };
    c.program.setSearchMode(true);
    const uint32_t viewerRecord = c.program.database().table()->recNo();
    withStatisticsWindow(main, [&](TStatistics& w) {
        EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("search result")))
            << w.windowTitle().toStdString();
        EXPECT_EQ(w.totalText("Records"), "2");
        EXPECT_EQ(w.totalText("Stamps"), "3");
        ASSERT_EQ(w.statistics().byCountry().size(), 1u);
        EXPECT_EQ(w.statistics().byCountry()[0].label, QStringLiteral("Peru"));
    });
    // The viewer's table is where it was.
    EXPECT_EQ(c.program.database().table()->recNo(), viewerRecord);
}

TEST(StatisticsWindow, PrintsToAPdfFileAndRefusesToWriteOverTheCollection) {
    Collector c;
    mainwin::TMain main(c.program);
    withStatisticsWindow(main, [&](TStatistics& w) {
        PrintChoice choice;
        choice.outputFile = c.dir.filePath(QStringLiteral("printed.pdf"));
        c.ui.printers.push_back(choice);
        EXPECT_TRUE(w.printChart(StatisticsChart::DecadeStamps));
        EXPECT_TRUE(isPdf(choice.outputFile));

        // The collection's own table is never a picture's file.
        const QString table = c.dir.filePath(QStringLiteral("MASTER.DBF"));
        const qint64 size = QFileInfo(table).size();
        c.ui.fileNames.push_back(table);
        EXPECT_FALSE(w.saveChart(StatisticsChart::Conditions));
        ASSERT_EQ(c.ui.messages().size(), 1u);
        EXPECT_EQ(c.ui.messages()[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(QFileInfo(table).size(), size);

        // A cancelled dialog writes nothing and says nothing.
        c.ui.fileNames.push_back(std::nullopt);
        EXPECT_FALSE(w.saveChart(StatisticsChart::Conditions));
        EXPECT_EQ(c.ui.messages().size(), 1u);
    });
}

TEST(StatisticsWindow, HelpOpensItsOwnTopic) {
    QFile book(QStringLiteral(":/help/help.html"));
    ASSERT_TRUE(book.open(QIODevice::ReadOnly));
    EXPECT_TRUE(book.readAll().contains("<a name=\"collection-statistics\"></a>"));
    Collector c;
    mainwin::TMain main(c.program);
    withStatisticsWindow(main, [&](TStatistics& w) {
        w.findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
        ASSERT_FALSE(c.ui.shown.empty());
        EXPECT_EQ(c.ui.shown.back().detail, QStringLiteral("Collection Statistics"));
    });
}

}  // namespace
