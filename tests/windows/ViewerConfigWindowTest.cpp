// The viewer configuration window driven as the collector would, with scripted answers to its
// dialogs, and the main window's grid and edit window after it closes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "common/QtInteraction.h"
#include "common/ScriptedInteraction.h"
#include "edit/TMyEdit.h"
#include "engine/Table.h"
#include "main/GridChoiceBoxes.h"
#include "app/Program.h"
#include "main/TMain.h"
#include "main/TViewConfig.h"
#include "main/ViewerModel.h"

using namespace vz;
using mainwin::TMain;
using mainwin::TViewConfig;

namespace {

struct Window {
    ScriptedInteraction ui;
    data::DatabaseSettings settings;
    std::unique_ptr<TViewConfig> window;

    void open() {
        window = std::make_unique<TViewConfig>(ui, settings);
        window->show();
    }
    template <class T>
    T* child(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QTableWidget* grid(const char* name) { return child<QTableWidget>(name); }
    void setCell(const char* gridName, int field, const QString& text) {
        grid(gridName)->item(field - 1, 1)->setText(text);
    }
    void exit() { child<QPushButton>("ExitButton")->click(); }
    QStringList orderList() {
        QStringList out;
        QListWidget* list = child<QListWidget>("OrderList");
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
};

// A program over a fresh folder with a few stamps.
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
    void addStamps(std::initializer_list<const char*> countries) {
        engine::Table& t = *program->database().table();
        for (const char* c : countries) {
            ASSERT_TRUE(t.append());
            ASSERT_TRUE(t.setText(2, c));
            ASSERT_TRUE(t.setText(24, "No"));
            ASSERT_TRUE(t.post());
        }
    }
};

QStringList headerTitles(QTableView* grid) {
    QStringList out;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        out << grid->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

}  // namespace

TEST(ViewerConfigWindow, OpensOnFieldNamesWithEveryPageFilledFromTheSettings) {
    Window w;
    w.settings.field(3).caption = "Land";
    w.settings.field(3).width = 22;
    w.settings.field(4).display = false;
    w.settings.field(1).order = 2;
    w.settings.field(2).order = 1;
    w.settings.gridTitle.alignment = 3;
    w.open();
    auto* notebook = w.child<QTabWidget>("Notebook");
    ASSERT_NE(notebook, nullptr);
    EXPECT_EQ(notebook->currentIndex(), TViewConfig::NamesPage);
    QStringList tabs;
    for (int i = 0; i < notebook->count(); ++i) tabs << notebook->tabText(i);
    EXPECT_EQ(tabs, QStringList({"&Title", "&Look and Feel", "Fields to &Show", "Field &Widths",
                                 "Field &Order", "Field &Names"}));
    EXPECT_EQ(w.window->windowTitle(), "Viewer Configuration");

    QTableWidget* names = w.grid("NamesGrid");
    EXPECT_EQ(names->rowCount(), 25);
    EXPECT_EQ(names->horizontalHeaderItem(1)->text(), "NAME TO USE");
    EXPECT_EQ(names->item(2, 0)->text(), "Country");  // the stored name
    EXPECT_EQ(names->item(2, 1)->text(), "Land");
    EXPECT_EQ(w.grid("WidthsGrid")->item(2, 1)->text(), "22");
    EXPECT_EQ(w.grid("WidthsGrid")->item(2, 0)->text(), "Land");
    EXPECT_EQ(w.grid("ShowGrid")->item(3, 1)->text(), "No");
    EXPECT_EQ(w.grid("ShowGrid")->horizontalHeaderItem(1)->text(), "DISPLAY IT");
    EXPECT_EQ(w.orderList().mid(0, 3), QStringList({"Description", "Alpha Catalog", "Land"}));
    EXPECT_EQ(w.child<QLineEdit>("TitleFontBox")->text(), "12pt Arial");
    EXPECT_EQ(w.child<QLineEdit>("CellFontBox")->text(), "10pt Arial");
    EXPECT_TRUE(w.child<QRadioButton>("RightJustifyRadio")->isChecked());

    // An alignment outside 1 to 3 marks no button.
    w.settings.gridTitle.alignment = 7;
    w.open();
    for (const char* r : {"LeftJustifyRadio", "CenterRadio", "RightJustifyRadio"})
        EXPECT_FALSE(w.child<QRadioButton>(r)->isChecked()) << r;
    EXPECT_EQ(w.settings.gridTitle.alignment, 7);
}

TEST(ViewerConfigWindow, ExactDuplicateCaptionsKeepTheWindowOpenDifferentCaseDoesNot) {
    Window w;
    w.open();
    w.child<QTabWidget>("Notebook")->setCurrentIndex(TViewConfig::OrderPage);
    w.setCell("NamesGrid", 9, "Mint");
    w.setCell("NamesGrid", 10, "Mint");
    w.exit();
    ASSERT_EQ(w.ui.messages().size(), 1u);
    EXPECT_EQ(w.ui.messages()[0].caption, "Error");
    EXPECT_EQ(w.ui.messages()[0].text,
              "Two field names have the same name \"Mint\".  Please change one.");
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.child<QTabWidget>("Notebook")->currentIndex(), TViewConfig::NamesPage);
    EXPECT_EQ(w.grid("NamesGrid")->currentRow(), 9);
    // The close box and Escape are refused alike: there is no way out but different captions.
    w.window->close();
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.settings.field(10).caption, "Group");

    w.setCell("NamesGrid", 10, "MINT");
    w.exit();
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_EQ(w.window->result(), QDialog::Accepted);
    EXPECT_EQ(w.settings.field(9).caption, "Mint");
    EXPECT_EQ(w.settings.field(10).caption, "MINT");
}

TEST(ViewerConfigWindow, BlankAndUnwritableCaptionsAreRefusedNotStored) {
    Window w;
    w.open();
    w.setCell("NamesGrid", 2, "   ");
    w.exit();
    ASSERT_EQ(w.ui.messages().size(), 1u);
    EXPECT_EQ(w.ui.messages()[0].text, "The field Descriptio has no name.  Please give it one.");
    EXPECT_TRUE(w.window->isVisible());

    w.setCell("NamesGrid", 2, QString::fromUtf8("Opis \u0141"));
    w.exit();
    ASSERT_EQ(w.ui.messages().size(), 2u);
    EXPECT_TRUE(w.ui.messages()[1].text.contains("\"\u0141\" (U+0141)"));
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.settings.field(2).caption, "Description");

    w.setCell("NamesGrid", 2, "  Opis  ");
    w.exit();
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_EQ(w.settings.field(2).caption, "Opis");
}

TEST(ViewerConfigWindow, WidthsOfZeroThreeHundredAndEmptyBecomeTen) {
    Window w;
    w.open();
    w.setCell("WidthsGrid", 1, "0");
    w.setCell("WidthsGrid", 2, "300");
    w.setCell("WidthsGrid", 3, "");
    w.setCell("WidthsGrid", 4, "42");
    w.exit();
    EXPECT_EQ(w.settings.field(1).width, 10);
    EXPECT_EQ(w.settings.field(2).width, 10);
    EXPECT_EQ(w.settings.field(3).width, 10);
    EXPECT_EQ(w.settings.field(4).width, 42);
    EXPECT_EQ(w.grid("WidthsGrid")->item(1, 1)->text(), "10");
}

TEST(ViewerConfigWindow, OrderIsKeptAcrossARenameInTheSameOpening) {
    Window w;
    w.open();
    auto* list = w.child<QListWidget>("OrderList");
    list->setCurrentRow(2);  // Country
    w.child<QPushButton>("UpButton")->click();
    w.child<QPushButton>("UpButton")->click();
    EXPECT_EQ(list->currentRow(), 0);
    // Country becomes "Land"; Catalog takes the name "Country".
    w.setCell("NamesGrid", 3, "Land");
    w.setCell("NamesGrid", 1, "Country");
    EXPECT_EQ(w.orderList().mid(0, 3), QStringList({"Land", "Country", "Description"}));
    w.exit();
    EXPECT_EQ(w.settings.field(3).order, 1);
    EXPECT_EQ(w.settings.field(1).order, 2);
    EXPECT_EQ(w.settings.field(2).order, 3);
}

TEST(ViewerConfigWindow, UpOnTheFirstRowDownOnTheLastAndDefaultsAnsweredYesOrNo) {
    Window w;
    w.settings.field(1).order = 2;
    w.settings.field(2).order = 1;
    w.open();
    auto* list = w.child<QListWidget>("OrderList");
    const QStringList opened = w.orderList();
    list->setCurrentRow(0);
    w.child<QPushButton>("UpButton")->click();
    list->setCurrentRow(24);
    w.child<QPushButton>("DownButton")->click();
    EXPECT_EQ(w.orderList(), opened);
    EXPECT_EQ(list->currentRow(), 24);

    w.ui.answers.push_back(Answer::No);
    w.child<QPushButton>("DefaultsButton")->click();
    EXPECT_EQ(w.orderList(), opened);
    ASSERT_EQ(w.ui.messages().size(), 1u);
    EXPECT_EQ(w.ui.messages()[0].caption, "Re-Order");
    EXPECT_EQ(w.ui.messages()[0].text,
              "This will set the order of fields to the program defaults.  Continue?");
    EXPECT_EQ(w.ui.messages()[0].defaultButton, Answer::No);
    EXPECT_EQ(w.ui.beeps(), 1);

    w.ui.answers.push_back(Answer::Yes);
    w.child<QPushButton>("DefaultsButton")->click();
    EXPECT_EQ(w.orderList().mid(0, 2), QStringList({"Alpha Catalog", "Description"}));
    w.exit();
    EXPECT_EQ(w.settings.field(1).order, 1);
    EXPECT_EQ(w.settings.field(2).order, 2);
}

TEST(ViewerConfigWindow, DoubleClickSwitchesOnlyTheDisplayCells) {
    Window w;
    w.open();
    QTableWidget* show = w.grid("ShowGrid");
    emit show->cellDoubleClicked(4, 1);
    emit show->cellDoubleClicked(5, 0);  // the field's caption: nothing
    EXPECT_EQ(show->item(4, 1)->text(), "No");
    EXPECT_EQ(show->item(5, 1)->text(), "Yes");
    emit show->cellDoubleClicked(6, 1);
    emit show->cellDoubleClicked(6, 1);
    w.exit();
    EXPECT_FALSE(w.settings.field(5).display);
    EXPECT_TRUE(w.settings.field(6).display);
    EXPECT_TRUE(w.settings.field(7).display);
}

TEST(ViewerConfigWindow, ChecksAlignmentColoursAndFontsTakeEffectAtOnce) {
    Window w;
    w.open();
    w.child<QCheckBox>("ShowTitlesCheck")->click();
    w.child<QCheckBox>("RowLinesCheck")->click();
    w.child<QCheckBox>("FieldEditingCheck")->click();
    w.child<QRadioButton>("LeftJustifyRadio")->click();
    EXPECT_FALSE(w.settings.gridTitle.showTitles);
    EXPECT_FALSE(w.settings.gridOptions.rowLines);
    EXPECT_TRUE(w.settings.gridOptions.columnLines);
    EXPECT_TRUE(w.settings.gridOptions.fieldEditing);
    EXPECT_EQ(w.settings.gridTitle.alignment, 1);

    w.ui.colors.push_back(QColor(0, 0, 255));
    w.child<QPushButton>("CellColourButton")->click();
    EXPECT_EQ(w.settings.gridOptions.cellColour, 0xFF0000);  // blue in the high byte
    w.ui.colors.push_back(std::nullopt);                     // cancelled
    w.child<QPushButton>("TitleColourButton")->click();
    EXPECT_EQ(w.settings.gridTitle.backgroundColour, 8553090);

    QFont courier(QStringLiteral("Courier New"), 14);
    courier.setItalic(true);
    courier.setUnderline(true);
    w.ui.fonts.push_back(courier);
    w.ui.fontColours.push_back(QColor(255, 0, 0));
    w.child<QPushButton>("TitleFontButton")->click();
    EXPECT_EQ(w.ui.presetFonts.back().family(), "Arial");
    EXPECT_EQ(w.ui.presetFonts.back().pointSize(), 12);
    const data::GridFontSettings& f = w.settings.gridTitleFont;
    EXPECT_EQ(f.name, "Courier New");
    EXPECT_EQ(f.size, 14);
    EXPECT_TRUE(f.italic);
    EXPECT_TRUE(f.underline);
    EXPECT_FALSE(f.bold);
    EXPECT_EQ(f.colour, 0x0000FF);
    EXPECT_EQ(w.child<QLineEdit>("TitleFontBox")->text(), "14pt Courier New");
    EXPECT_EQ(w.settings.gridFont.name, "Arial");
}

TEST(ViewerConfigWindow, HelpOpensAtThePageShown) {
    Window w;
    w.open();
    auto* notebook = w.child<QTabWidget>("Notebook");
    QStringList keywords;
    for (int page = 0; page < notebook->count(); ++page) {
        notebook->setCurrentIndex(page);
        w.child<QPushButton>("HelpButton")->click();
        keywords << w.ui.shown.back().detail;
    }
    EXPECT_EQ(keywords, QStringList({"Viewer Configuration Title", "Viewer Configuration Look",
                                     "Viewer Configuration Show", "Viewer Configuration Widths",
                                     "Viewer Configuration Order", "Viewer Configuration Names"}));
}

// The Viewer command: the grid takes the new layout over the rows it has, the edit window's
// labels the new captions, and all of it is there again after a restart.
TEST(ViewerConfigWindow, TheMainGridEditWindowAndARestartFollowTheChanges) {
    Session s;
    s.addStamps({"Peru", "Chile", "Togo"});
    {
        TMain w(*s.program);
        w.show();
        ASSERT_TRUE(w.action(TMain::Command::Viewer)->isEnabled());
        QSignalSpy captions(&w, &TMain::fieldCaptionsChanged);
        const int rows = w.viewerModel()->rowCount();
        QTimer::singleShot(0, [] {
            auto* config = qobject_cast<TViewConfig*>(QApplication::activeModalWidget());
            if (config == nullptr) return;
            auto cell = [config](const char* grid, int field) {
                return config->findChild<QTableWidget*>(grid)->item(field - 1, 1);
            };
            cell("NamesGrid", 3)->setText("Land");
            cell("WidthsGrid", 3)->setText("30");
            emit config->findChild<QTableWidget*>("ShowGrid")
                ->cellDoubleClicked(0, 1);  // Alpha Catalog off
            auto* list = config->findChild<QListWidget*>("OrderList");
            list->setCurrentRow(2);
            config->findChild<QPushButton*>("UpButton")->click();
            config->findChild<QPushButton*>("UpButton")->click();
            config->findChild<QCheckBox*>("RowLinesCheck")->click();
            config->findChild<QCheckBox*>("RowIndicatorCheck")->click();
            config->findChild<QCheckBox*>("FieldEditingCheck")->click();
            config->findChild<QPushButton*>("ExitButton")->click();
        });
        w.action(TMain::Command::Viewer)->trigger();
        EXPECT_TRUE(s.ui.messages().empty());
        EXPECT_EQ(captions.count(), 1);

        QTableView* grid = w.grid();
        mainwin::ViewerModel* model = w.viewerModel();
        EXPECT_EQ(model->rowCount(), rows);
        EXPECT_EQ(model->fieldOfColumn(0), 3);
        EXPECT_EQ(model->fieldOfColumn(1), 2);
        EXPECT_EQ(model->columnOfField(1), -1);
        EXPECT_EQ(headerTitles(grid).mid(0, 2), QStringList({"Land", "Description"}));
        const int digit = QFontMetrics(grid->font()).horizontalAdvance(QLatin1Char('0'));
        EXPECT_EQ(grid->columnWidth(0), digit * 30 + 6);
        EXPECT_FALSE(grid->verticalHeader()->isVisible());
        auto* delegate = qobject_cast<mainwin::ViewerDelegate*>(grid->itemDelegate());
        ASSERT_NE(delegate, nullptr);
        EXPECT_FALSE(delegate->rowLines());
        EXPECT_TRUE(delegate->columnLines());
        EXPECT_TRUE(model->editable());
        EXPECT_EQ(model->data(model->index(0, 0)).toString(), "Chile");

        // The edit window names the field by its new caption the next time it opens, on its
        // label and on the printed record.
        QString label;
        const QString pdf = s.dir.filePath("record.pdf");
        PrintChoice toPdf;
        toPdf.outputFile = pdf;
        s.ui.printers.push_back(toPdf);
        QTimer::singleShot(0, [&label] {
            auto* edit = qobject_cast<edit::TMyEdit*>(QApplication::activeModalWidget());
            if (edit == nullptr) return;
            label = edit->findChild<QLabel*>("CountryLabel")->text();
            edit->DoPrintRecord();
            edit->reject();
        });
        w.DoEdit();
        EXPECT_EQ(label, "Land");
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        text.waitForFinished(30000);
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(printed.contains(QRegularExpression("Land: (Chile|Peru|Togo)")))
            << printed.toStdString();

        // Opening again and closing without a caption change re-applies without the signal.
        QTimer::singleShot(0, [] {
            if (auto* config = qobject_cast<TViewConfig*>(QApplication::activeModalWidget()))
                config->findChild<QPushButton*>("ExitButton")->click();
        });
        w.DoViewer();
        EXPECT_EQ(captions.count(), 1);
        w.close();
    }
    s.start();
    const data::DatabaseSettings& d = s.program->settings().database;
    EXPECT_EQ(d.field(3).caption, "Land");
    EXPECT_EQ(d.field(3).width, 30);
    EXPECT_EQ(d.field(3).order, 1);
    EXPECT_FALSE(d.field(1).display);
    EXPECT_FALSE(d.gridOptions.rowLines);
    EXPECT_FALSE(d.gridOptions.rowIndicator);
    EXPECT_TRUE(d.gridOptions.fieldEditing);
    TMain w(*s.program);
    w.show();
    EXPECT_EQ(headerTitles(w.grid()).front(), "Land");
    EXPECT_FALSE(w.grid()->verticalHeader()->isVisible());
    EXPECT_TRUE(w.viewerModel()->editable());
}

TEST(ViewerConfigWindow, BrowseOnlyModeOpensNothing) {
    Session s;
    TMain w(*s.program, {QStringLiteral("/BROWSE")});
    EXPECT_FALSE(w.action(TMain::Command::Viewer)->isEnabled());
    w.DoViewer();  // reached some other way: still nothing
    EXPECT_EQ(s.program->settings().database.field(1).caption, "Alpha Catalog");
    EXPECT_TRUE(s.ui.shown.empty());
}

// The grid font dialog of the running program: OK without picking another face gives back the
// name it was given, even one the system shows under a stand-in; Escape cancels the whole dialog.
TEST(ViewerConfigWindow, TheGridFontDialogKeepsTheNameItCameWith) {
    QtInteraction ui;
    QFont arial(QStringLiteral("Arial"), 12);
    QTimer::singleShot(0, [] {
        if (QWidget* d = QApplication::activeModalWidget())
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    const auto chosen = ui.chooseFontAndColour(arial, QColor(1, 2, 3), "Title Font");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->first.family(), "Arial");
    EXPECT_EQ(chosen->first.pointSize(), 12);
    EXPECT_EQ(chosen->second, QColor(1, 2, 3));

    QTimer::singleShot(0, [] {
        if (QWidget* d = QApplication::activeModalWidget()) {
            QWidget* inner = d->findChild<QFontDialog*>();
            QTest::keyClick(inner->focusWidget() ? inner->focusWidget() : inner, Qt::Key_Escape);
        }
    });
    EXPECT_FALSE(ui.chooseFontAndColour(arial, QColor(1, 2, 3), "Title Font"));
}
