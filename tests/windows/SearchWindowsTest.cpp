// The search window, search options, locate and the sort order window, driven through the main
// window with scripted answers.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/DisplayFormats.h"
#include "common/ScriptedInteraction.h"
#include "data/DataLists.h"
#include "engine/Table.h"
#include "main/ColourSets.h"
#include "app/Program.h"
#include "main/TMain.h"
#include "main/ViewerModel.h"
#include "search/SortOrder.h"
#include "search/TMyLocateDialog.h"
#include "search/TMyLocateDlg.h"
#include "search/TMySearch.h"
#include "search/TMySortOrder.h"
#include "search/TSearchOptions.h"

using namespace vz;
using mainwin::TMain;
using search::RowOperator;
using C = TMain::Command;

namespace {

constexpr int kCountryRow = 3, kYearRow = 7, kMarketRow = 5, kDateRow = 14, kFaultsRow = 18;

struct Session {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    std::unique_ptr<mainwin::Program> program;

    Session() {
        program = std::make_unique<mainwin::Program>(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
        EXPECT_TRUE(program->startUp());
        program->settings().global.misc.showTips = false;
        displayFormats().setDateFormat(1, false);  // m/d/yy
    }
    engine::Table& table() { return *program->database().table(); }
    // Catalog, country, year, market value.
    void add(const char* catalog, const char* country, int year, const char* market = "") {
        ASSERT_TRUE(table().append());
        ASSERT_TRUE(table().setText(0, catalog));
        ASSERT_TRUE(table().setText(2, country));
        if (year) {
            ASSERT_TRUE(table().setWhole(6, year));
        }
        if (*market) {
            ASSERT_TRUE(table().setText(4, market));
        }
        ASSERT_TRUE(table().post());
    }
    std::vector<QString> messages() const {
        std::vector<QString> out;
        for (const Message& m : ui.messages()) out.push_back(m.caption + ": " + m.text);
        return out;
    }
};

QString countText(TMain& w) {
    return w.findChild<QLabel*>("CountLabel")->text();
}

// The catalogs the viewer shows, top to bottom.
QStringList viewerCatalogs(TMain& w) {
    QStringList out;
    mainwin::ViewerModel* m = w.viewerModel();
    const int column = m->columnOfField(1);
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->data(m->index(r, column)).toString().trimmed();
    return out;
}

QString currentCatalog(Session& s) {
    return QString::fromStdString(s.table().text(0)).trimmed();
}

const QString kInvalid = "Error: Invalid search criteria entered.  Please correct.";
const QString kNone = "Error: No search criteria entered.";
const QString kNoMatch = "Notice: No valid matches found.  Search criteria will be cleared.";

}  // namespace

TEST(SearchWindow, OkAppliesTheSearchAndLeavingWithExitKeepsIt) {
    Session s;
    s.add("P1", "Peru", 1901);
    s.add("C1", "Chile", 1950);
    s.add("P2", "PERUVIAN", 1960);
    TMain w(*s.program);
    w.show();
    search::TMySearch* win = w.searchWindow();

    win->FormShow();
    win->setCell(kCountryRow, "peru");
    win->OkButtonClick();
    EXPECT_EQ(win->result(), QDialog::Accepted);
    EXPECT_TRUE(s.program->searchMode());
    EXPECT_EQ(viewerCatalogs(w), (QStringList{"P1", "P2"}));
    EXPECT_EQ(countText(w), "2");
    EXPECT_TRUE(w.action(C::EndSearch)->isEnabled());

    // Opened again, a level stored with Find More, then Exit: the search found before stays.
    win->FormShow();
    EXPECT_EQ(win->cell(kCountryRow), "");
    win->setCell(kCountryRow, "chile");
    win->MoreButtonClick();
    win->ExitButtonClick();
    EXPECT_TRUE(s.program->searchMode());
    w.refreshViewer();
    EXPECT_EQ(viewerCatalogs(w), (QStringList{"P1", "P2"}));

    // A second search replaces the first; End Search shows everything again.
    win->FormShow();
    win->setCell(kCountryRow, "chile");
    win->OkButtonClick();
    EXPECT_EQ(viewerCatalogs(w), (QStringList{"C1"}));
    w.DoEndSearch();
    EXPECT_EQ(viewerCatalogs(w).size(), 3);
    EXPECT_TRUE(s.ui.messages().empty());
}

TEST(SearchWindow, EveryRefusalShowsItsMessage) {
    Session s;
    s.add("P1", "Peru", 1901, "2.5");
    TMain w(*s.program);
    search::TMySearch* win = w.searchWindow();
    win->FormShow();

    win->OkButtonClick();
    EXPECT_EQ(s.messages(), std::vector<QString>{kNone});
    EXPECT_FALSE(s.program->searchMode());

    s.ui.shown.clear();
    win->setCell(kCountryRow, "peru");
    win->setCell(kYearRow, "= 19x1");
    win->OkButtonClick();
    EXPECT_EQ(s.messages(), std::vector<QString>{kInvalid});
    EXPECT_EQ(win->grid()->currentRow(), kYearRow);
    EXPECT_TRUE(win->entered().empty());

    // Nothing passes: the search ends and the criteria are cleared, the window stays open.
    s.ui.shown.clear();
    win->setCell(kYearRow, "= 1902");
    win->OkButtonClick();
    EXPECT_EQ(s.messages(), std::vector<QString>{kNoMatch});
    EXPECT_FALSE(s.program->searchMode());
    EXPECT_EQ(win->cell(kCountryRow), "");
    EXPECT_EQ(win->levelHeader(), " SEARCH CRITERIA    (Level 1)");
    EXPECT_EQ(viewerCatalogs(w), QStringList{"P1"});

    // A 76th item clears everything.
    s.ui.shown.clear();
    win->FormShow();
    for (int level = 1; level <= 4; ++level) {
        for (int row : {1, 2, 3, 4, 8, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 22, 23, 24, 25})
            win->setCell(row, "x");
        for (int row : {5, 6, 7, 15, 21}) win->setCell(row, "= 1");
        if (level < 4) win->MoreButtonClick();
    }
    EXPECT_EQ(s.messages(), std::vector<QString>{});
    EXPECT_EQ(win->entered().count(), 72);
    win->OkButtonClick();  // 72 items stored, then 24 more: the 76th is refused
    EXPECT_EQ(s.messages().size(), 1u);
    EXPECT_TRUE(
        s.messages().front().startsWith("Error: More than 75 search items have been entered."));
    EXPECT_TRUE(win->entered().empty());
    EXPECT_EQ(win->levelHeader(), " SEARCH CRITERIA    (Level 1)");
    EXPECT_EQ(win->cell(1), "");
}

TEST(SearchWindow, FindMoreStacksLevelsUpToTen) {
    Session s;
    for (int y = 1901; y <= 1912; ++y) s.add(QByteArray::number(y).constData(), "Peru", y);
    TMain w(*s.program);
    search::TMySearch* win = w.searchWindow();
    win->FormShow();
    for (int level = 1; level <= 9; ++level) {
        win->setCell(kYearRow, QStringLiteral("= %1").arg(1900 + level));
        win->MoreButtonClick();
        EXPECT_EQ(win->levelHeader(),
                  QStringLiteral(" SEARCH CRITERIA    (Level %1)").arg(level + 1));
        EXPECT_EQ(win->cell(kYearRow), "");
    }
    EXPECT_FALSE(win->moreButton()->isEnabled());
    // Ok still saves level 10; a record passes when any one level holds.
    win->setCell(kYearRow, "= 1912");
    win->OkButtonClick();
    EXPECT_EQ(win->inForce().count(), 10);
    EXPECT_EQ(countText(w), "10");
    EXPECT_TRUE(win->moreButton()->isEnabled());
}

TEST(SearchWindow, TemplatesFollowTheRowOperatorAndOptionsChooseIt) {
    Session s;
    s.add("Y1", "Peru", 1939, "");
    s.add("Y2", "Chile", 1940, "");
    s.add("Y3", "Peru", 1946, "");
    s.program->lists().model(data::DataList::Country)->setStringList({"Chile", "Peru"});
    {
        QFile faults(s.program->lists().programListPath(data::DataList::Faults));
        ASSERT_TRUE(faults.open(QIODevice::WriteOnly));
        faults.write("Thin\r\nCrease\r\n");
    }
    TMain w(*s.program);
    w.show();
    search::TMySearch* win = w.searchWindow();
    win->FormShow();
    EXPECT_EQ(win->editMask(kCountryRow), "");
    EXPECT_EQ(win->editMask(kYearRow), "= xxxxxxxxx; ");
    EXPECT_EQ(win->editMask(kDateRow), "= 00/00/9999; ");
    EXPECT_EQ(win->grid()->item(kYearRow, 1)->text(), "...");
    EXPECT_EQ(win->grid()->item(kCountryRow, 1)->text(), "...");
    EXPECT_EQ(win->grid()->item(1, 1)->text(), "");
    // Passing through a criterion cell without typing leaves it empty, not holding its template.
    win->grid()->setCurrentCell(kMarketRow, 2);
    win->grid()->setCurrentCell(kMarketRow + 1, 2);
    EXPECT_EQ(win->cell(kMarketRow), "");

    // Operator mode: the row's operator is selected; choosing the range changes the template.
    QStringList offered;
    int selected = -2;
    win->runOptions = [&](search::TSearchOptions& o) {
        offered.clear();
        for (int i = 0; i < o.list()->count(); ++i) offered << o.list()->item(i)->text();
        selected = o.selectedIndex();
        o.list()->setCurrentRow(3);
        return true;
    };
    win->SearchGridButtonClick(kYearRow);
    EXPECT_EQ(offered, search::TSearchOptions::operatorChoices());
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(win->rowOperator(kYearRow), RowOperator::Between);
    EXPECT_EQ(win->editMask(kYearRow), "\\> xxxxxxxxx \\A\\N\\D \\< xxxxxxxx; ");
    EXPECT_EQ(win->grid()->currentRow(), kYearRow);

    // Typed through the editor: the literals stay, unfilled places read as blanks.
    auto* editor = qobject_cast<QLineEdit*>(win->grid()->indexWidget(win->grid()->currentIndex()));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->inputMask(), win->editMask(kYearRow).chopped(2));
    editor->setCursorPosition(2);
    QTest::keyClicks(editor, "1939");
    editor->setCursorPosition(18);
    QTest::keyClicks(editor, "1946");
    win->OkButtonClick();
    EXPECT_EQ(win->inForce().count(), 2);
    EXPECT_EQ(viewerCatalogs(w), QStringList{"Y2"});

    // The operator persists to the next opening. List mode offers the list, nothing selected.
    win->FormShow();
    EXPECT_EQ(win->rowOperator(kYearRow), RowOperator::Between);
    win->runOptions = [&](search::TSearchOptions& o) {
        offered.clear();
        for (int i = 0; i < o.list()->count(); ++i) offered << o.list()->item(i)->text();
        selected = o.selectedIndex();
        return true;  // Ok with nothing selected
    };
    win->setCell(kCountryRow, "chi");
    win->SearchGridButtonClick(kCountryRow);
    EXPECT_EQ(offered, (QStringList{"Chile", "Peru"}));
    EXPECT_EQ(selected, -1);
    EXPECT_EQ(win->cell(kCountryRow), "chi");
    win->runOptions = [&](search::TSearchOptions& o) {
        o.list()->setCurrentRow(1);
        return true;
    };
    win->SearchGridButtonClick(kCountryRow);
    EXPECT_EQ(win->cell(kCountryRow), "Peru");  // replaced, not added to
    // Cancel changes nothing.
    win->runOptions = [&](search::TSearchOptions& o) {
        o.list()->setCurrentRow(0);
        return false;
    };
    win->SearchGridButtonClick(kCountryRow);
    EXPECT_EQ(win->cell(kCountryRow), "Peru");
    // Faults offers its data list.
    win->runOptions = [&](search::TSearchOptions& o) {
        offered.clear();
        for (int i = 0; i < o.list()->count(); ++i) offered << o.list()->item(i)->text();
        return false;
    };
    win->SearchGridButtonClick(kFaultsRow);
    EXPECT_EQ(offered, (QStringList{"Thin", "Crease"}));
}

TEST(SearchWindow, HelpAndColours) {
    Session s;
    TMain w(*s.program);
    search::TMySearch* win = w.searchWindow();
    win->FormShow();
    win->HelpButtonClick();
    ASSERT_FALSE(s.ui.shown.empty());
    EXPECT_EQ(s.ui.shown.back().kind, ScriptedInteraction::Kind::Help);
    EXPECT_EQ(s.ui.shown.back().detail, "Search Window");
    const data::ColourSet& set =
        s.program->settings().database.colourSet(data::WindowGroup::Search);
    EXPECT_EQ(win->grid()->palette().color(QPalette::Base),
              mainwin::toQColor(set[data::ColourRole::ListBoxBackground]));
}

// --- Locate

namespace {

struct LocateScript {
    QString field;
    QString value;
    search::LocateMatch match = search::LocateMatch::PartialStart;
    bool first = false;
    int opened = 0;
    bool nextWasDefault = false;
    QString shownValue;
};

void scriptLocate(search::TMyLocateDialog& d, LocateScript& script) {
    d.runWindow = [&script](search::TMyLocateDlg& w) {
        ++script.opened;
        script.nextWasDefault = w.nextIsDefault();
        script.shownValue = w.value();
        w.selectField(script.field);
        w.setValue(script.value);
        w.setMatch(script.match);
        if (script.first) {
            w.FirstButtonClick();
        } else {
            w.NextButtonClick();
        }
    };
}

}  // namespace

TEST(LocateWindow, FindsMovesTheViewerAndRemembersItsSettings) {
    Session s;
    s.add("A1", "Peru", 1901, "2.5");
    s.add("A2", "Chile", 1950, "1");
    s.add("A3", "Peru", 1960, "3");
    TMain w(*s.program);
    w.show();
    search::TMyLocateDialog* d = w.locateDialog();
    LocateScript script;

    // The viewer is in country order: A2 (Chile), A1, A3 (Peru); the grid's row is the start.
    ASSERT_EQ(viewerCatalogs(w), (QStringList{"A2", "A1", "A3"}));
    w.grid()->setCurrentIndex(w.viewerModel()->index(0, 0));

    // Locate Next before any value opens the window, with Next the default button.
    script.field = "Country";
    script.value = "pe";
    scriptLocate(*d, script);
    w.DoFindNext();
    EXPECT_EQ(script.opened, 1);
    EXPECT_TRUE(script.nextWasDefault);
    EXPECT_EQ(currentCatalog(s), "A1");
    EXPECT_EQ(w.grid()->currentIndex().row(), 1);
    EXPECT_EQ(d->SearchField, "COUNTRY");
    EXPECT_EQ(d->searchValue(), "pe");

    // Locate Next repeats it without the window; past the last match: a message, no wrap, the
    // current record stays.
    w.DoFindNext();
    EXPECT_EQ(currentCatalog(s), "A3");
    EXPECT_EQ(w.grid()->currentIndex().row(), 2);
    EXPECT_TRUE(s.messages().empty());
    w.DoFindNext();
    EXPECT_EQ(script.opened, 1);
    EXPECT_EQ(s.messages(), std::vector<QString>{"Information: No more matches found"});
    EXPECT_EQ(currentCatalog(s), "A3");

    // The window shows the remembered value; First starts at the first record.
    script.first = true;
    w.DoFind();
    EXPECT_EQ(script.shownValue, "pe");
    EXPECT_EQ(currentCatalog(s), "A1");

    // During a search locate moves only among the records found.
    w.searchWindow()->FormShow();
    w.searchWindow()->setCell(kCountryRow, "peru");
    w.searchWindow()->OkButtonClick();
    s.ui.shown.clear();
    script.field = "Year";
    script.value = "1950";
    script.match = search::LocateMatch::Exact;
    w.DoFind();
    EXPECT_EQ(s.messages(), std::vector<QString>{"Information: No matches found"});
    script.field = "Market Value";
    script.value = "3.00";
    w.DoFind();
    EXPECT_EQ(currentCatalog(s), "A3");
}

TEST(LocateWindow, FieldListAndDefaultButton) {
    Session s;
    s.program->settings().database.field(2).caption = "Desc~ription";
    TMain w(*s.program);
    search::TMyLocateDialog* d = w.locateDialog();
    const QStringList captions = d->fieldCaptions();
    EXPECT_EQ(captions.size(), 25);
    EXPECT_TRUE(captions.contains("Description"));
    EXPECT_TRUE(std::is_sorted(captions.begin(), captions.end()));
    EXPECT_EQ(d->fieldOfCaption("Description"), 1);

    search::TMyLocateDlg dlg(s.program->settings().database, d->Caption);
    dlg.setFields(captions);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Locate Field Value");
    EXPECT_TRUE(dlg.nextIsDefault());
    dlg.fieldList()->setFocus();
    QApplication::processEvents();
    if (dlg.fieldList()->hasFocus()) {
        EXPECT_FALSE(dlg.nextIsDefault());
        dlg.valueBox()->setFocus();
        QApplication::processEvents();
        EXPECT_TRUE(dlg.nextIsDefault());
    }
    // Choosing another field empties the value box.
    dlg.setValue("abc");
    dlg.fieldList()->setCurrentIndex(3);
    emit dlg.fieldList()->activated(3);
    EXPECT_EQ(dlg.value(), "");
}

TEST(LocateWindow, WithoutATableNothingOpens) {
    Session s;
    TMain w(*s.program);
    s.program->database().closeTable();
    search::TMyLocateDialog* d = w.locateDialog();
    LocateScript script;
    scriptLocate(*d, script);
    d->DoFind();
    d->setSearchValue("x");
    d->DoFindNext();
    EXPECT_EQ(script.opened, 0);
    EXPECT_EQ(s.messages(),
              (std::vector<QString>{"Error: DataSource does not reference an active DataSet",
                                    "Warning: DataSource does not refer to an active table!"}));
}

// --- Sort order

TEST(SortOrderWindow, OkRebuildsTheOrderAndRefusesWhileAnotherProgramHoldsTheTable) {
    Session s;
    s.add("B", "Chile", 1950);
    s.add("A", "Peru", 1901);
    s.add("C", "Chile", 1901);
    TMain w(*s.program);
    w.show();
    EXPECT_EQ(viewerCatalogs(w), (QStringList{"B", "C", "A"}));  // by country

    {
        search::TMySortOrder win(w, *s.program);
        EXPECT_EQ(win.levelList(0)->currentIndex(), 3);
        EXPECT_EQ(win.levelList(0)->itemText(0), "<NONE>");
        EXPECT_EQ(win.levelList(0)->count(), 26);
        win.levelList(0)->setCurrentIndex(7);  // Year
        win.levelList(1)->setCurrentIndex(1);  // Alpha Catalog
        win.OkButtonClick();
        EXPECT_EQ(win.result(), QDialog::Accepted);
    }
    EXPECT_EQ(s.program->settings().database.sortLevels, (search::SortLevels{{7, 1, 0, 0}}));
    EXPECT_EQ(QString::fromStdString(s.table().tagExpression("NewIndex")).toUpper(),
              "STR(YEAR,12,0)+UPPER(LEFT(CATALOG,40))");
    EXPECT_EQ(viewerCatalogs(w), (QStringList{"A", "C", "B"}));
    EXPECT_TRUE(s.ui.messages().empty());

    // Another open of the table: the window says why and keeps the old order.
    auto other = engine::Table::open(s.table().path(), engine::OpenMode::Shared);
    ASSERT_TRUE(other);
    {
        search::TMySortOrder win(w, *s.program);
        win.levelList(0)->setCurrentIndex(0);
        win.levelList(1)->setCurrentIndex(0);
        win.OkButtonClick();
        EXPECT_NE(win.result(), QDialog::Accepted);
    }
    ASSERT_EQ(s.messages().size(), 1u);
    EXPECT_TRUE(
        s.messages().front().startsWith("Error: Creating a new sort order requires exclusive use "
                                        "of the DBase File.  Make sure that the DBase File is "
                                        "not in use by another program  or that"));
    EXPECT_EQ(s.program->settings().database.sortLevels, (search::SortLevels{{7, 1, 0, 0}}));
    EXPECT_EQ(viewerCatalogs(w), (QStringList{"A", "C", "B"}));
    other->reset();

    // All four levels <NONE>: entry order.
    {
        search::TMySortOrder win(w, *s.program);
        for (int i = 0; i < 4; ++i) win.levelList(i)->setCurrentIndex(0);
        win.OkButtonClick();
    }
    EXPECT_EQ(viewerCatalogs(w), (QStringList{"B", "A", "C"}));
    EXPECT_EQ(search::BuildSortString(s.program->settings().database.sortLevels), "");
}
