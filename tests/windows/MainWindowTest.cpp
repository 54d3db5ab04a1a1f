// The main window: its commands in every control, browse-only mode, the viewer's columns and
// rows, search mode, the layouts of the button bars, and what survives a restart.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "common/ProfileFile.h"
#include "common/ScriptedInteraction.h"
#include "data/DataLists.h"
#include "engine/Table.h"
#include "common/DisplayFormats.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/TMain.h"
#include "main/ViewerModel.h"

using namespace vz;
using mainwin::TMain;
using C = TMain::Command;

namespace {

// A program over a fresh folder; tips stay closed so nothing waits for a click.
struct Session {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    std::unique_ptr<mainwin::Program> program;

    Session() { start(); }
    void start() {
        program = std::make_unique<mainwin::Program>(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
        ASSERT_TRUE(program->startUp());
        program->settings().global.misc.showTips = false;
    }
    engine::Table& table() { return *program->database().table(); }
    void addStamps(std::initializer_list<const char*> countries) {
        for (const char* c : countries) {
            ASSERT_TRUE(table().append());
            ASSERT_TRUE(table().setText(2, c));
            ASSERT_TRUE(table().setText(24, "No"));
            ASSERT_TRUE(table().post());
        }
    }
};

QAction* findIn(QMenu* m, const QString& item) {
    for (QAction* a : m->actions()) {
        if (a->text() == item) return a;
        if (a->menu() != nullptr)
            if (QAction* found = findIn(a->menu(), item)) return found;
    }
    return nullptr;
}

// The first item of that caption in menu order.
QAction* findItem(QMenuBar* bar, const QString& menu, const QString& item) {
    for (QAction* top : bar->actions())
        if (top->text() == menu && top->menu() != nullptr) return findIn(top->menu(), item);
    return nullptr;
}

QPushButton* lettered(TMain& w, const char* name) { return w.findChild<QPushButton*>(QString::fromLatin1(name)); }
QToolButton* speed(TMain& w, const char* name) { return w.findChild<QToolButton*>(QString::fromLatin1(name)); }
QString countText(TMain& w) { return w.findChild<QLabel*>("CountLabel")->text(); }

}  // namespace

TEST(MainWindow, MenusCarryEveryItemWithItsShortcut) {
    Session s;
    TMain w(*s.program);
    const std::vector<std::tuple<const char*, const char*, const char*>> items = {
        {"&File", "&New Database", "Ctrl+W"},     {"&File", "&Open Database", "Ctrl+O"},
        {"&File", "&Update Database", "Ctrl+Z"},  {"&File", "&Back Up Data", "Ctrl+B"},
        {"&File", "&Restore Data", "Ctrl+Y"},     {"&File", "&Print", "Ctrl+P"},
        {"&File", "E&xit", "Ctrl+X"},             {"&Records", "&Add", "Ctrl+A"},
        {"&Records", "&Edit", "Ctrl+E"},          {"&Records", "&Copy", "Ctrl+C"},
        {"&Records", "&Delete", "Ctrl+D"},        {"&Records", "&Import", "Ctrl+M"},
        {"&Records", "E&xport", "Ctrl+T"},        {"Navi&gate", "&Search (Query)", "Ctrl+S"},
        {"Navi&gate", "&End Search", "Ctrl+I"},   {"Navi&gate", "&Locate", "Ctrl+L"},
        {"Navi&gate", "Locate &Next", "Ctrl+N"},  {"Navi&gate", "&Reports", "Ctrl+R"},
        {"Navi&gate", "&Viewer", "Ctrl+V"},       {"&Options", "Sort &Order", "Ctrl+Q"},
        {"&Options", "640 x 480", "Shift+F1"},    {"&Options", "1280 x 1024", "Shift+F4"},
        {"&Options", "&Speed Buttons", "Ctrl+F1"}, {"&Options", "&None", "Ctrl+F3"},
        {"&Options", "&Main Window Color", "Ctrl+F4"}, {"&Options", "&ALL Windows Color", "Ctrl+F9"},
        {"&Options", "&Faults", ""},              {"&Options", "Load In &Defaults", ""},
        {"&Options", "&U.S. Dollars", ""},        {"&Options", "&U.S. Format", ""},
        {"&Options", "&Leading Zeros", ""},       {"&Options", "dd.mm.yyyy", ""},
        {"&Options", "&Label Font", "Shift+F8"},  {"&Options", "&Button Font", "Shift+F10"},
        {"&Tools", "&Search and Replace", "Ctrl+F"}, {"&Tools", "&Pack Database", ""},
        {"&Help", "&Contents", "Ctrl+H"},         {"&Help", "&Review \"Tips of the Day\"", ""},
        {"&Help", "&About", ""},                  {"&Help", "Other &Products", ""},
    };
    for (const auto& [menu, item, shortcut] : items) {
        QAction* a = findItem(w.menuBar(), menu, item);
        ASSERT_NE(a, nullptr) << menu << " " << item;
        EXPECT_EQ(a->shortcut().toString(), QString::fromLatin1(shortcut)) << item;
    }
    // Commands without their windows yet are there but unavailable, never pretending to work.
    EXPECT_TRUE(w.action(C::Reports)->isEnabled());  // the report window exists
    EXPECT_TRUE(w.action(C::Search)->isEnabled());
    EXPECT_TRUE(w.action(C::Locate)->isEnabled());
    EXPECT_TRUE(w.action(C::SortOrder)->isEnabled());
    EXPECT_TRUE(w.action(C::Add)->isEnabled());
    // End Search only while a search is in force.
    EXPECT_FALSE(w.action(C::EndSearch)->isEnabled());
}

TEST(MainWindow, BrowseOnlyModeTakesItsCommandsFromEveryControl) {
    for (const char* argument : {"/browse", "/BROWSEX"}) {
        Session s;
        s.program->settings().database.gridOptions.fieldEditing = true;
        TMain w(*s.program, {QString::fromLatin1(argument)});
        w.setButtonBar(mainwin::kLetteredButtons);
        const bool browsing = QString::fromLatin1(argument) == "/browse";
        EXPECT_EQ(w.browseOnly(), browsing) << argument;
        for (C c : {C::Add, C::Copy, C::Delete, C::Backup, C::Restore, C::Viewer, C::Import, C::SearchAndReplace})
            if (browsing) {
                EXPECT_FALSE(w.action(c)->isEnabled()) << int(c);
            }
        EXPECT_EQ(w.action(C::Add)->isEnabled(), !browsing);
        EXPECT_EQ(lettered(w, "DeleteButton")->isEnabled(), !browsing);
        EXPECT_EQ(lettered(w, "AddButton")->isEnabled(), !browsing);
        EXPECT_EQ(speed(w, "delete-record-button")->isEnabled(), !browsing);
        EXPECT_EQ(findItem(w.menuBar(), "&Options", "List &Maintenance")->isEnabled(), !browsing);
        // Finding and ordering stamps change nothing stored in a record, so they stay.
        for (C c : {C::Search, C::Locate, C::LocateNext, C::SortOrder})
            EXPECT_TRUE(w.action(c)->isEnabled()) << int(c);
        EXPECT_TRUE(lettered(w, "SearchButton")->isEnabled());
        EXPECT_TRUE(speed(w, "locate-next-button")->isEnabled());
        // The navigator keeps first, prior, next and last only; cells cannot be edited.
        EXPECT_EQ(w.findChild<QToolButton*>("nav-delete")->isHidden(), browsing);
        EXPECT_FALSE(w.findChild<QToolButton*>("nav-first")->isHidden());
        EXPECT_EQ(s.program->settings().database.gridOptions.fieldEditing, !browsing);
        w.close();
        // Field editing gets its value back for the settings file.
        EXPECT_TRUE(s.program->settings().database.gridOptions.fieldEditing);
    }
}

// Browse-only mode switches field editing off for the run, in every database opened, without
// touching what each database's settings file says.
TEST(MainWindow, BrowseOnlyKeepsEachDatabasesFieldEditingAcrossSwitches) {
    Session s;
    const QString master = s.dir.filePath("MASTER.DBF"), second = s.dir.filePath("SECOND.DBF"),
                  third = s.dir.filePath("THIRD.DBF");
    s.ui.fileNames = {second, third};
    s.program->database().DoNew();
    s.program->settings().database.gridOptions.fieldEditing = false;
    s.program->database().DoNew();
    s.program->settings().database.gridOptions.fieldEditing = true;
    s.program->database().OpenSaveFile(master);
    s.program->settings().database.gridOptions.fieldEditing = true;
    s.program->shutDown();
    auto stored = [&](const char* ini) {
        return ProfileFile::load(s.dir.filePath(QString::fromLatin1(ini)))
            .value("Grid Options", "Field Editing");
    };
    ASSERT_EQ(stored("MASTER.INI"), "Yes");
    ASSERT_EQ(stored("SECOND.INI"), "No");
    ASSERT_EQ(stored("THIRD.INI"), "Yes");

    s.start();
    TMain w(*s.program, {QStringLiteral("/BROWSE")});
    w.show();
    auto editable = [&] {
        mainwin::ViewerModel* m = w.viewerModel();
        return m->editable() || w.grid()->editTriggers() != QAbstractItemView::NoEditTriggers;
    };
    EXPECT_FALSE(editable());
    s.program->database().OpenSaveFile(third);
    EXPECT_EQ(stored("MASTER.INI"), "Yes");  // not the No browse-only mode shows
    EXPECT_FALSE(editable());                // THIRD says Yes, but the run is browse-only
    s.program->database().OpenSaveFile(second);
    EXPECT_EQ(stored("THIRD.INI"), "Yes");
    w.close();
    EXPECT_EQ(stored("SECOND.INI"), "No");  // not the first database's Yes
}

TEST(MainWindow, ColumnsFollowFieldOrderAndDisplayFields) {
    std::vector<int> order(25);
    std::vector<bool> shown(25, true);
    for (int i = 0; i < 25; ++i) order[size_t(i)] = i + 1;
    order[0] = 2;
    order[1] = 1;
    EXPECT_EQ(mainwin::viewerColumns(order, shown).front(), 2);
    EXPECT_EQ(mainwin::viewerColumns(order, shown)[1], 1);
    shown[2] = false;  // field 3: the following fields close up
    const std::vector<int> cols = mainwin::viewerColumns(order, shown);
    ASSERT_EQ(cols.size(), 24u);
    EXPECT_EQ(cols[2], 4);

    Session s;
    s.addStamps({"Peru"});
    data::DatabaseSettings& d = s.program->settings().database;
    d.field(1).order = 2;
    d.field(2).order = 1;
    d.field(3).display = false;
    d.field(2).caption = "Words";
    d.field(2).width = 40;
    TMain w(*s.program);
    w.show();
    mainwin::ViewerModel* m = w.viewerModel();
    EXPECT_EQ(m->columnCount(), 24);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Words");
    EXPECT_EQ(m->fieldOfColumn(1), 1);
    EXPECT_EQ(m->columnOfField(3), -1);
    // Widths in characters of the grid font.
    EXPECT_GT(w.grid()->columnWidth(m->columnOfField(2)), w.grid()->columnWidth(m->columnOfField(25)));
}

TEST(MainWindow, ViewerShowsTheActiveOrderAndTheCountFollowsDeletes) {
    Session s;
    s.addStamps({"Peru", "Chile", "Togo", "Aden"});
    // A new database sorts by Country: reopening the table puts its sort tag in force.
    s.program->database().closeTable();
    ASSERT_TRUE(s.program->database().openTable(engine::OpenMode::Shared));
    ASSERT_EQ(s.table().activeTag(), "NewIndex");
    TMain w(*s.program);
    w.show();
    mainwin::ViewerModel* m = w.viewerModel();
    QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int country = m->columnOfField(3);
    QStringList seen;
    for (int r = 0; r < m->rowCount(); ++r) seen << m->index(r, country).data().toString();
    EXPECT_EQ(seen, QStringList({"Aden", "Chile", "Peru", "Togo"}));
    EXPECT_EQ(countText(w), "4");

    // Delete the second row: No keeps it, Yes removes it and the count drops by one.
    w.grid()->setCurrentIndex(m->index(1, country));
    s.ui.answers = {Answer::No};
    w.DoDelete();
    EXPECT_EQ(countText(w), "4");
    s.ui.answers = {Answer::Yes};
    w.DoDelete();
    EXPECT_EQ(countText(w), "3");
    EXPECT_EQ(m->index(1, country).data().toString(), "Peru");
    EXPECT_EQ(s.ui.messages().back().caption, "Confirm");
    EXPECT_EQ(s.ui.messages().back().text, "Delete this record?");
}

TEST(MainWindow, SearchModeNarrowsTheViewerUntilEndSearch) {
    Session s;
    s.addStamps({"Peru", "Chile", "Peru"});
    TMain w(*s.program);
    w.show();
    auto* searchOn = w.findChild<QLabel*>("SearchOnLabel");
    // Without a search test a search admits nothing.
    w.EnableEndSearch();
    w.refreshViewer();
    w.DisplayCount();
    EXPECT_EQ(countText(w), "0");
    EXPECT_TRUE(searchOn->isVisibleTo(&w));
    EXPECT_TRUE(w.action(C::EndSearch)->isEnabled());

    s.program->searchTest = [](const engine::Table& t) { return t.text(2).rfind("Peru", 0) == 0; };
    w.refreshViewer();
    w.DisplayCount();
    EXPECT_EQ(countText(w), "2");

    w.DoEndSearch();
    EXPECT_EQ(countText(w), "3");
    EXPECT_FALSE(searchOn->isVisibleTo(&w));
    EXPECT_FALSE(w.action(C::EndSearch)->isEnabled());
    w.setButtonBar(mainwin::kLetteredButtons);
    EXPECT_FALSE(lettered(w, "EndSrchButton")->isEnabled());
}

TEST(MainWindow, CellsEditedInTheGridAreStoredButNeverJoinTheLists) {
    Session s;
    s.addStamps({"Peru"});
    s.program->settings().database.gridOptions.fieldEditing = true;
    TMain w(*s.program);
    w.show();
    mainwin::ViewerModel* m = w.viewerModel();
    const QStringList before = s.program->lists().model(data::DataList::Country)->stringList();
    ASSERT_TRUE(m->setData(m->index(0, m->columnOfField(3)), "  Atlantis  ", Qt::EditRole));
    ASSERT_TRUE(m->setData(m->index(0, m->columnOfField(25)), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(s.table().go(1));
    EXPECT_EQ(s.table().text(2).substr(0, 9), "Atlantis ");
    EXPECT_EQ(s.table().text(24), "Yes");
    EXPECT_EQ(s.program->lists().model(data::DataList::Country)->stringList(), before);
    // A character the table's code page cannot hold is refused, with nothing stored.
    EXPECT_FALSE(m->setData(m->index(0, m->columnOfField(3)), QString::fromUtf8("日本"), Qt::EditRole));
    EXPECT_EQ(s.ui.messages().back().caption, "Error");
    ASSERT_TRUE(s.table().go(1));
    EXPECT_EQ(s.table().text(2).substr(0, 9), "Atlantis ");

    // With field editing off nothing is editable.
    s.program->settings().database.gridOptions.fieldEditing = false;
    w.SetViewerOptions();
    EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
}

// A number typed into a cell is stored from its digits; a refused one leaves the cell showing
// what is stored, never the refused text.
TEST(MainWindow, AGridNumberIsStoredExactlyAndARefusedOneIsNotShown) {
    Session s;
    s.addStamps({"Peru"});
    s.program->settings().database.gridOptions.fieldEditing = true;
    TMain w(*s.program);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    mainwin::ViewerModel* m = w.viewerModel();
    const QModelIndex cell = m->index(0, m->columnOfField(5));
    auto type = [&](const char* text) {
        w.grid()->setCurrentIndex(cell);
        w.grid()->edit(cell);
        auto* editor = w.grid()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setFocus();
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromLatin1(text));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(20);
    };
    for (const char* typed : {"99999999999999.9999", "123456789012345.6789"}) {
        type(typed);
        ASSERT_TRUE(s.table().go(1));
        EXPECT_EQ(s.table().text(4), typed);
        EXPECT_EQ(m->index(0, m->columnOfField(5)).data().toString().toStdString(), typed);
    }
    EXPECT_TRUE(s.ui.messages().empty());

    type("abc");
    ASSERT_EQ(s.ui.messages().size(), 1u);
    EXPECT_EQ(s.ui.messages().back().caption, "Error");
    ASSERT_TRUE(s.table().go(1));
    EXPECT_EQ(s.table().text(4), "123456789012345.6789");
    EXPECT_EQ(m->index(0, m->columnOfField(5)).data().toString(), "123456789012345.6789");
    EXPECT_EQ(w.grid()->findChild<QLineEdit*>(), nullptr);  // no editor left holding "abc"
}

// A grid choice box stores what was typed into it, not the list entry it begins.
TEST(MainWindow, AGridChoiceBoxStoresTheTypedTextNotACompletion) {
    Session s;
    s.addStamps({"Peru"});
    s.program->lists().model(data::DataList::Topic)->setStringList({"Birds", "Ships"});
    s.program->lists().model(data::DataList::Condition)->setStringList({"VF-XF", "Mint"});
    s.program->settings().database.gridOptions.fieldEditing = true;
    TMain w(*s.program);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    mainwin::ViewerModel* m = w.viewerModel();
    for (const auto& [field, typed] : {std::pair{13, "bird"}, std::pair{9, "VF"}}) {
        const QModelIndex cell = m->index(0, m->columnOfField(field));
        w.grid()->setCurrentIndex(cell);
        w.grid()->edit(cell);
        auto* box = qobject_cast<QComboBox*>(w.grid()->indexWidget(cell));
        ASSERT_NE(box, nullptr);
        box->setFocus();
        QTest::keyClicks(box->lineEdit(), QString::fromLatin1(typed));
        EXPECT_EQ(box->currentText().toStdString(), typed);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        // The store comes from the event loop; a loaded machine may take a while.
        auto stored = [&] {
            return s.table().go(1) &&
                   QString::fromStdString(s.table().text(field - 1)).trimmed() == QLatin1String(typed);
        };
        (void)QTest::qWaitFor(stored, 5000);
        QTest::qWait(50);  // the rows read anew after the store
        ASSERT_TRUE(s.table().go(1));
        EXPECT_EQ(QString::fromStdString(s.table().text(field - 1)).trimmed().toStdString(), typed);
    }
}

TEST(MainWindow, TheNavigatorPostsOrDropsTheCellBeingEdited) {
    Session s;
    s.addStamps({"Peru"});
    s.program->settings().database.gridOptions.fieldEditing = true;
    TMain w(*s.program);
    w.show();
    QApplication::setActiveWindow(&w);
    mainwin::ViewerModel* m = w.viewerModel();
    const QModelIndex cell = m->index(0, m->columnOfField(1));
    auto typeInto = [&](const char* text) {
        w.grid()->setCurrentIndex(cell);
        w.grid()->edit(cell);
        auto* editor = w.grid()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setFocus();
        editor->setText(QString::fromLatin1(text));
    };
    typeInto("Dropped");
    w.findChild<QToolButton*>("nav-cancel")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor
    EXPECT_EQ(cell.data().toString(), "");
    typeInto("SG 1");
    w.findChild<QToolButton*>("nav-post")->click();
    EXPECT_EQ(m->index(0, m->columnOfField(1)).data().toString(), "SG 1");
    ASSERT_TRUE(s.table().go(1));
    EXPECT_EQ(s.table().text(0).substr(0, 4), "SG 1");
}

// Storing a cell, ticking Wanted or deleting reads the rows anew; the grid stays on the column
// and the row the collector was at, scrolled as it was.
TEST(MainWindow, TheGridKeepsItsColumnAndRowInViewAcrossStoresAndDeletes) {
    Session s;
    s.addStamps({"Aden", "Chile", "Peru", "Togo", "Chad", "Mali"});
    s.program->database().closeTable();
    ASSERT_TRUE(s.program->database().openTable(engine::OpenMode::Shared));
    s.program->settings().database.gridOptions.fieldEditing = true;
    TMain w(*s.program);
    w.resize(500, 300);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    mainwin::ViewerModel* m = w.viewerModel();
    QTableView* grid = w.grid();
    const int wanted = m->columnOfField(25), userDef = m->columnOfField(24);
    auto goTo = [&](int row, int column) {
        grid->setCurrentIndex(m->index(row, column));
        grid->scrollTo(grid->currentIndex());
    };
    auto expectKept = [&](int column, int scroll, const char* what) {
        EXPECT_EQ(grid->currentIndex().column(), column) << what;
        EXPECT_EQ(grid->horizontalScrollBar()->value(), scroll) << what;
        EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())))
            << what;
    };

    goTo(2, wanted);
    const int scroll = grid->horizontalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    ASSERT_TRUE(m->setData(grid->currentIndex(), Qt::Checked, Qt::CheckStateRole));
    QTest::qWait(20);
    expectKept(wanted, scroll, "ticking Wanted");
    EXPECT_EQ(grid->currentIndex().row(), 2);

    s.ui.answers = {Answer::Yes};
    w.DoDelete();
    expectKept(wanted, scroll, "deleting");
    EXPECT_EQ(grid->currentIndex().row(), 2);

    goTo(1, userDef);
    const int userDefScroll = grid->horizontalScrollBar()->value();
    grid->edit(grid->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    editor->setText(QStringLiteral("posted"));
    w.findChild<QToolButton*>("nav-post")->click();
    QTest::qWait(20);
    expectKept(userDef, userDefScroll, "posting");
    EXPECT_EQ(m->index(grid->currentIndex().row(), userDef).data().toString(), "posted");
}

TEST(MainWindow, ResizingPlacesTheViewerForEachButtonBar) {
    Session s;
    TMain w(*s.program);
    w.show();
    w.resize(800, 600);
    QWidget* client = w.centralWidget();
    const int H = client->height(), W = client->width();
    const struct {
        int choice, gridTop, gridHeightLess;
    } cases[] = {{1, 70, 77}, {2, 122, 129}, {3, 40, 47}};
    for (const auto& c : cases) {
        w.setButtonBar(c.choice);
        EXPECT_EQ(w.grid()->geometry().top(), c.gridTop) << c.choice;
        EXPECT_EQ(w.grid()->height(), H - c.gridHeightLess) << c.choice;
        EXPECT_EQ(w.grid()->width(), W - 14);
        EXPECT_EQ(w.findChild<QWidget*>("SpeedPanel")->isVisibleTo(&w), c.choice == 1);
        EXPECT_EQ(lettered(w, "AddButton")->isVisibleTo(&w), c.choice == 2);
        EXPECT_EQ(lettered(w, "AddButton")->isEnabled(), c.choice == 2);
    }
    EXPECT_EQ(w.findChild<QWidget*>("MyNavigator")->x(), W - 207);
    auto* title = w.findChild<QLabel*>("ViewerTitle");
    EXPECT_EQ(title->x(), (W - title->width()) / 2);
}

// The record count never covers the navigator's buttons, nor "SEARCH ON", whatever the bar.
TEST(MainWindow, TheCountStandsClearOfTheNavigatorAtEveryWidth) {
    Session s;
    TMain w(*s.program);
    w.show();
    w.EnableEndSearch();
    auto* count = w.findChild<QLabel*>("CountLabel");
    auto* word = w.findChild<QLabel*>("CountWordLabel");
    auto* navigator = w.findChild<QWidget*>("MyNavigator");
    auto* searchOn = w.findChild<QLabel*>("SearchOnLabel");
    for (int choice : {mainwin::kSpeedButtons, mainwin::kLetteredButtons, mainwin::kNoButtons}) {
        w.setButtonBar(choice);
        for (int width : {420, 632, 800, 1024, 1280}) {
            w.resize(width, 480);
            for (QLabel* l : {count, word}) {
                EXPECT_FALSE(l->geometry().intersects(navigator->geometry()))
                    << choice << " " << width;
                EXPECT_FALSE(l->geometry().intersects(searchOn->geometry()))
                    << choice << " " << width;
                EXPECT_GE(l->x(), 3);
            }
        }
    }
    w.DisableEndSearch();
}

TEST(MainWindow, ChoicesSurviveARestart) {
    Session s;
    {
        TMain w(*s.program);
        w.show();
        w.setButtonBar(mainwin::kNoButtons);
        findItem(w.menuBar(), "&Options", "dd.mm.yyyy")->trigger();
        findItem(w.menuBar(), "&Options", "&Leading Zeros")->trigger();
        findItem(w.menuBar(), "&Options", "&Windows Setting")->trigger();  // currency
        w.setGeometry(40, 50, 700, 520);
        w.close();
    }
    s.start();
    const data::MiscSettings& misc = s.program->settings().global.misc;
    EXPECT_EQ(misc.buttonBar, 3);
    EXPECT_EQ(misc.dateFormat, 12);
    EXPECT_TRUE(misc.dateLeadingZeros);
    EXPECT_EQ(misc.currencyFormat, 2);
    EXPECT_EQ(misc.mainWindowWidth, 700);
    TMain w(*s.program);
    EXPECT_TRUE(findItem(w.menuBar(), "&Options", "dd.mm.yyyy")->isChecked());
    EXPECT_TRUE(findItem(w.menuBar(), "&Options", "&None")->isChecked());
    EXPECT_EQ(displayFormats().formatDate({1998, 3, 5}), "05.03.1998");
    EXPECT_EQ(w.width(), 700);
    // Back to the default for the other tests.
    displayFormats().setDateFormat(1, false);
    displayFormats().setCurrencyFormat(kFormatUS);
}

// The label font reaches every label of the main window: the count in full, the headings in
// name and italic (they stay bold). The dialog opens on the font stored.
TEST(MainWindow, TheLabelFontReachesTheViewerHeadingsAndTheCount) {
    Session s;
    {
        TMain w(*s.program);
        w.show();
        auto* title = w.findChild<QLabel*>("ViewerTitle");
        auto* searchOn = w.findChild<QLabel*>("SearchOnLabel");
        auto* count = w.findChild<QLabel*>("CountLabel");
        auto* word = w.findChild<QLabel*>("CountWordLabel");
        QFont chosen(QStringLiteral("Courier New"));
        chosen.setItalic(true);
        chosen.setBold(true);
        s.ui.fonts.push_back(chosen);
        findItem(w.menuBar(), "&Options", "&Label Font")->trigger();
        ASSERT_EQ(s.ui.presetFonts.size(), 1u);
        EXPECT_EQ(s.ui.presetFonts[0].family(), "Arial");
        for (QLabel* l : {title, searchOn, count, word}) {
            EXPECT_EQ(l->font().family(), "Courier New") << l->objectName().toStdString();
            EXPECT_TRUE(l->font().italic()) << l->objectName().toStdString();
            EXPECT_TRUE(l->font().bold()) << l->objectName().toStdString();
        }
        EXPECT_EQ(title->font().pixelSize(), 23);
        EXPECT_EQ(count->font().pixelSize(), 11);
        EXPECT_EQ(title->x(), (w.centralWidget()->width() - title->width()) / 2);

        // Not bold: the count follows, the headings stay bold. The dialog opens on the stored font.
        chosen.setBold(false);
        s.ui.fonts.push_back(chosen);
        findItem(w.menuBar(), "&Options", "&Label Font")->trigger();
        EXPECT_EQ(s.ui.presetFonts[1].family(), "Courier New");
        EXPECT_TRUE(s.ui.presetFonts[1].bold());
        EXPECT_TRUE(s.ui.presetFonts[1].italic());
        EXPECT_FALSE(count->font().bold());
        EXPECT_TRUE(title->font().bold());
        w.close();
    }
    // The next start shows the stored label font at once.
    s.start();
    TMain again(*s.program);
    again.show();
    EXPECT_EQ(again.findChild<QLabel*>("CountLabel")->font().family(), "Courier New");
    EXPECT_EQ(again.findChild<QLabel*>("NavigationLabel")->font().family(), "Courier New");
}

TEST(MainWindow, DateFormatChoiceRedrawsTheGridDates) {
    Session s;
    ASSERT_TRUE(s.table().append());
    ASSERT_TRUE(s.table().setDate(13, {1998, 3, 5}));
    ASSERT_TRUE(s.table().post());
    TMain w(*s.program);
    w.show();
    mainwin::ViewerModel* m = w.viewerModel();
    const QModelIndex date = m->index(0, m->columnOfField(14));
    EXPECT_EQ(date.data().toString(), "3/5/98");
    findItem(w.menuBar(), "&Options", "dd/mm/yyyy")->trigger();
    EXPECT_EQ(date.data().toString(), "5/3/1998");
    findItem(w.menuBar(), "&Options", "&Leading Zeros")->trigger();
    EXPECT_EQ(date.data().toString(), "05/03/1998");
    displayFormats().setDateFormat(1, false);
}
