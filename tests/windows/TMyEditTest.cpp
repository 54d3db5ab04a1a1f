#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/PrintJob.h"
#include "common/ProgramFolder.h"
#include "common/ScriptedInteraction.h"
#include "data/DataLists.h"
#include "common/ProfileFile.h"
#include "edit/TMyEdit.h"
#include "engine/Table.h"
#include "common/DisplayFormats.h"
#include "app/Program.h"

using namespace vz;
using edit::TMyEdit;

namespace {

// Field indexes of the collection table (field number - 1).
constexpr int kCatalog = 0, kDescription = 1, kCountry = 2, kMarketValue = 4, kQuantity = 5, kYear = 6,
              kCondition = 8, kGroup = 9, kTopic = 12, kDate = 13, kCost = 14, kMisc = 19, kUserDef1 = 21,
              kWanted = 24;

class EditWindow : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        DisplayFormats& f = displayFormats();
        f = DisplayFormats{};
        program = std::make_unique<mainwin::Program>(dir.path(), globalSettingsPath(), ui);
        ASSERT_TRUE(program->startUp());
        window = std::make_unique<TMyEdit>(*program);
    }
    void TearDown() override {
        window.reset();
        program->shutDown();
    }

    engine::Table& table() { return *program->database().table(); }
    uint32_t liveCount() { return *table().countLive(); }

    // Appends a record with a catalog number, a country and a quantity; it becomes current.
    void addRecord(const char* catalog, const char* country, int quantity = 1) {
        ASSERT_TRUE(table().append());
        ASSERT_TRUE(table().setText(kCatalog, catalog));
        ASSERT_TRUE(table().setText(kCountry, country));
        ASSERT_TRUE(table().setWhole(kQuantity, quantity));
        ASSERT_TRUE(table().setText(kWanted, "No"));
        ASSERT_TRUE(table().post());
    }
    // Three records A1, B2, C3; the table on the second.
    void threeRecords() {
        // The collection is ordered by country: these stand in catalog order.
        addRecord("A1", "Chile");
        addRecord("B2", "Peru");
        addRecord("C3", "Togo");
        ASSERT_TRUE(table().first());
        ASSERT_TRUE(table().next());
    }
    void open(int mode) {
        window->setEditMode(mode);
        window->FormShow();
        window->show();
    }
    QLineEdit* line(const char* name) { return window->findChild<QLineEdit*>(name); }
    QComboBox* combo(const char* name) { return window->findChild<QComboBox*>(name); }
    QAction* action(const char* name) { return window->findChild<QAction*>(name); }
    QString text(int index) { return QString::fromStdString(table().text(index)).trimmed(); }
    std::vector<QString> messageTexts() {
        std::vector<QString> out;
        for (const Message& m : ui.messages()) out.push_back(m.text);
        return out;
    }

    QTemporaryDir dir;
    ScriptedInteraction ui;
    std::unique_ptr<mainwin::Program> program;
    std::unique_ptr<TMyEdit> window;
};

// --- Loading and showing --------------------------------------------------------------------------

TEST_F(EditWindow, ShowingAnExistingRecordLoadsItsFieldsInTheDisplayFormats) {
    program->settings().database.field(4).caption = "Face";
    program->settings().database.field(25).caption = "Want List";
    ASSERT_TRUE(table().append());
    ASSERT_TRUE(table().setText(kCatalog, "12a"));
    ASSERT_TRUE(table().setText(kCountry, "Peru"));
    ASSERT_TRUE(table().setFloat(kCost, 1234.5));
    ASSERT_TRUE(table().setFloat(kMarketValue, 2));
    ASSERT_TRUE(table().setWhole(kQuantity, 1234));
    ASSERT_TRUE(table().setWhole(kYear, 0));
    ASSERT_TRUE(table().setDate(kDate, engine::Date{1998, 3, 5}));
    ASSERT_TRUE(table().setText(kWanted, "No"));
    ASSERT_TRUE(table().post());

    open(TMyEdit::ExistingRecord);
    EXPECT_EQ(line("AlphaCatalog")->text(), "12a");  // no trailing blanks of the stored field
    EXPECT_EQ(combo("Country")->currentText(), "Peru");
    EXPECT_EQ(line("PurchPrice")->text(), "1,234.50");
    EXPECT_EQ(line("MarketValue")->text(), "2.00");
    EXPECT_EQ(line("Quantity")->text(), "1,234");
    EXPECT_EQ(line("Year")->text(), "0");
    EXPECT_EQ(line("PurchDate")->displayText(), "3 /5 /1998");
    EXPECT_EQ(window->findChild<QLabel*>("PurchaseTotal")->text(), "1,523,373.00 ");
    EXPECT_EQ(window->findChild<QLabel*>("FaceValueLabel")->text(), "Face");
    EXPECT_EQ(window->findChild<QCheckBox*>("Wanted")->text(), "Want List");
    EXPECT_FALSE(window->ValuesChanged());

    // Leading zeros and a day-first format show in the date box; the year is always whole.
    displayFormats().setDateFormat(5, true);
    open(TMyEdit::ExistingRecord);
    EXPECT_EQ(line("PurchDate")->displayText(), "05-03-1998");
}

// An amount written with its group separators can be longer than what may be typed into its
// box; cutting it would store another amount when the record is stored again.
TEST_F(EditWindow, ALoadedAmountLongerThanItsBoxIsKeptWholeAndStoredUnchanged) {
    addRecord("A1", "Peru");
    ASSERT_TRUE(table().edit());
    ASSERT_TRUE(table().setFloat(kMarketValue, 1234567890.25));
    ASSERT_TRUE(table().post());
    open(TMyEdit::ExistingRecord);
    EXPECT_EQ(line("MarketValue")->text(), "1,234,567,890.25");
    line("Description")->setText("touched");
    ASSERT_TRUE(window->DoUpdate());
    EXPECT_EQ(*table().number(kMarketValue), 1234567890.25);
}

// Amounts of more digits than a double holds (stored elsewhere, or typed over such an amount
// loaded into its box) are shown, rewritten and stored with every digit, under either number
// format; more decimals than the field holds are refused rather than rounded.
TEST_F(EditWindow, LongAmountsAreShownAndStoredExactly) {
    DisplayFormats& f = displayFormats();
    f.setRegional({QStringLiteral(","), QStringLiteral("."), 2});
    for (int format : {kFormatUS, kFormatRegional}) {
        f.setCurrencyFormat(format);
        const bool us = format == kFormatUS;
        addRecord("A1", "Peru");
        ASSERT_TRUE(table().edit());
        ASSERT_TRUE(table().setText(kCost, "99999999999999.99"));
        ASSERT_TRUE(table().setText(kMarketValue, "99999999999999.9999"));
        ASSERT_TRUE(table().post());
        open(TMyEdit::ExistingRecord);
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        EXPECT_EQ(line("PurchPrice")->text(),
                  us ? "99,999,999,999,999.99" : "99.999.999.999.999,99");
        EXPECT_EQ(line("MarketValue")->text(),
                  us ? "99,999,999,999,999.9999" : "99.999.999.999.999,9999");

        line("PurchPrice")->setFocus();
        line("PurchPrice")->setText(us ? "123456789012345.67" : "123456789012345,67");
        line("Quantity")->setFocus();
        EXPECT_EQ(line("PurchPrice")->text(),
                  us ? "123,456,789,012,345.67" : "123.456.789.012.345,67");
        ASSERT_TRUE(window->DoUpdate());
        EXPECT_EQ(text(kCost), "123456789012345.67");
        EXPECT_EQ(text(kMarketValue), "99999999999999.9999");
        EXPECT_TRUE(ui.messages().empty());
    }

    // Stored from a box never left: five decimals are refused, naming the box.
    line("MarketValue")->setText("1,23456");
    EXPECT_FALSE(window->DoUpdate());
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    EXPECT_TRUE(ui.messages()[0].text.startsWith("Market Value cannot take"))
        << ui.messages()[0].text.toStdString();
    EXPECT_EQ(text(kMarketValue), "99999999999999.9999");
}

TEST_F(EditWindow, WantedShowsQuantityZeroAndUntickingPutsTheQuantityBack) {
    addRecord("A1", "Peru", 7);
    open(TMyEdit::ExistingRecord);
    QCheckBox* wanted = window->findChild<QCheckBox*>("Wanted");
    wanted->click();
    EXPECT_EQ(line("Quantity")->text(), "0");
    EXPECT_FALSE(line("Quantity")->isEnabled());
    EXPECT_EQ(window->findChild<QLabel*>("PurchaseTotal")->text(), "0.00 ");
    EXPECT_TRUE(window->ValuesChanged());
    wanted->click();
    EXPECT_EQ(line("Quantity")->text(), "7");
    EXPECT_TRUE(line("Quantity")->isEnabled());

    // A wanted record stores quantity 0.
    wanted->click();
    ASSERT_TRUE(window->DoUpdate());
    EXPECT_EQ(text(kWanted), "Yes");
    EXPECT_EQ(text(kQuantity), "0");
}

// --- The questions of each edit mode ------------------------------------------------------------------

TEST_F(EditWindow, NewRecordAsksNothingOnExitButAsksBeforeMovingEvenWhenUntouched) {
    threeRecords();
    open(TMyEdit::NewRecord);
    EXPECT_EQ(line("Quantity")->text(), "1");
    EXPECT_EQ(line("PurchPrice")->text(), "0");
    EXPECT_EQ(line("PurchDate")->displayText(), "  /  /    ");

    ui.answers.push_back(Answer::Cancel);
    window->DoNextRecord();
    ASSERT_EQ(ui.messages().size(), 1u);
    const Message asked = ui.messages()[0];
    EXPECT_EQ(asked.caption, "Warning");
    EXPECT_EQ(asked.text, "This record has not been updated yet.  Update this record before moving to the next record?");
    EXPECT_EQ(asked.buttons, Buttons::YesNoCancel);
    EXPECT_EQ(asked.defaultButton, Answer::No);
    EXPECT_TRUE(asked.beep);
    EXPECT_EQ(window->editMode(), TMyEdit::NewRecord);
    EXPECT_EQ(table().recNo(), 2u);

    ui.answers.push_back(Answer::No);
    window->DoNextRecord();
    EXPECT_EQ(window->editMode(), TMyEdit::ExistingRecord);
    EXPECT_EQ(line("AlphaCatalog")->text(), "C3");
    EXPECT_EQ(liveCount(), 3u);

    ui.shown.clear();
    open(TMyEdit::NewRecord);
    window->DoExit();
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(liveCount(), 3u);
}

TEST_F(EditWindow, ExistingRecordAsksOnlyWhenChangedAndYesStoresBeforeMoving) {
    threeRecords();
    open(TMyEdit::ExistingRecord);
    window->DoPreviousRecord();
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(line("AlphaCatalog")->text(), "A1");
    window->DoPreviousRecord();  // at the first record the table stays where it is
    EXPECT_EQ(line("AlphaCatalog")->text(), "A1");

    line("Description")->setText("changed");
    ui.answers.push_back(Answer::Yes);
    window->DoNextRecord();
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, "Data has changed.  Update this record before moving to the next record?");
    EXPECT_EQ(line("AlphaCatalog")->text(), "B2");
    ASSERT_TRUE(table().first());
    EXPECT_EQ(text(kDescription), "changed");
    EXPECT_EQ(liveCount(), 3u);
}

TEST_F(EditWindow, YesWhoseStoreFailsStaysOnTheRecord) {
    threeRecords();
    open(TMyEdit::ExistingRecord);
    line("Year")->setText("19x8");
    ui.answers.push_back(Answer::Yes);
    window->DoPreviousRecord();
    const std::vector<QString> shown = messageTexts();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Data has changed.  Update this record before moving to the previous record?");
    EXPECT_EQ(shown[1], "Invalid year specified.  Please correct.");
    EXPECT_EQ(table().recNo(), 2u);
    EXPECT_EQ(line("Year")->text(), "19x8");
}

TEST_F(EditWindow, ExitAsksAboutChangesAndTheCloseBoxDoesNot) {
    threeRecords();
    open(TMyEdit::ExistingRecord);
    line("Comments")->setText("typed");
    window->DoExit();  // an empty script answers No, the default
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, "Data has changed.  Do you want to exit without updating?");
    EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(window->isVisible());

    ui.answers.push_back(Answer::Yes);
    window->DoExit();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(text(8 - 1), "");

    ui.shown.clear();
    open(TMyEdit::ExistingRecord);
    line("Comments")->setText("typed again");
    window->close();
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_FALSE(window->isVisible());
    // Closing is a save point of the data lists.
    EXPECT_TRUE(QFile::exists(dir.filePath("MASTER.001")));
}

TEST_F(EditWindow, NewAndCopyRecordAskBeforeLeavingChangedValues) {
    threeRecords();
    open(TMyEdit::ExistingRecord);
    line("Description")->setText("mint pair");

    ui.answers.push_back(Answer::Cancel);
    window->DoNewRecord();
    EXPECT_EQ(ui.messages().back().text, "Data has changed.  Update this record before creating new one?");
    EXPECT_EQ(line("Description")->text(), "mint pair");
    EXPECT_EQ(window->editMode(), TMyEdit::ExistingRecord);

    ui.answers.push_back(Answer::No);
    window->DoCopyRecord();
    EXPECT_EQ(ui.messages().back().text,
              "Data has changed.  Update this record before creating new one with the current data?");
    EXPECT_EQ(window->editMode(), TMyEdit::NewRecord);
    EXPECT_EQ(window->windowTitle(), "Edit (New Copied Record)");
    EXPECT_EQ(line("Description")->text(), "mint pair");
    EXPECT_FALSE(window->ValuesChanged());

    // The copy is stored as a new record; the one copied keeps its values.
    window->DoAnUpdate();
    EXPECT_EQ(liveCount(), 4u);
    EXPECT_EQ(window->editMode(), TMyEdit::ExistingRecord);
    EXPECT_EQ(text(kCatalog), "B2");
    EXPECT_EQ(text(kDescription), "mint pair");
    ASSERT_TRUE(table().go(2));
    EXPECT_EQ(text(kDescription), "");

    window->DoNewRecord();
    EXPECT_EQ(window->windowTitle(), "Edit (New Record)");
    EXPECT_EQ(line("AlphaCatalog")->text(), "");
    EXPECT_EQ(window->editMode(), TMyEdit::NewRecord);
    open(TMyEdit::ExistingRecord);
    EXPECT_EQ(window->windowTitle(), "Input Vazovi");
}

TEST_F(EditWindow, ACopyFromTheMainWindowIsNotStoredWhenLeftUntouched) {
    threeRecords();
    open(TMyEdit::CopyRecord);
    EXPECT_EQ(line("AlphaCatalog")->text(), "B2");
    window->DoExit();
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(liveCount(), 3u);
}

TEST_F(EditWindow, BrowseOnlyDisablesStoringAndNeverAsks) {
    threeRecords();
    window->setBrowseOnly(true);
    open(TMyEdit::ExistingRecord);
    for (const char* name : {"NewRecordItem", "ClearRecordItem", "UpdateRecordItem", "UpdateExitItem", "CutItem",
                             "PasteItem", "LoadDefaultsItem", "SaveDefaultsItem"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    for (const char* name : {"CopyRecordItem", "PrintRecordItem", "PreviousItem", "NextItem", "ExitItem"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    EXPECT_FALSE(window->findChild<QPushButton*>("UpdateButton")->isEnabled());
    EXPECT_TRUE(window->findChild<QPushButton*>("NextButton")->isEnabled());

    line("Description")->setText("not to be kept");
    EXPECT_FALSE(window->DoUpdate());
    window->DoCopyRecord();
    window->DoNextRecord();
    EXPECT_EQ(line("AlphaCatalog")->text(), "C3");
    window->DoExit();
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(table().go(2));
    EXPECT_EQ(text(kDescription), "");
}

// --- Storing -------------------------------------------------------------------------------------

TEST_F(EditWindow, AFailingCheckStoresNothingAndFocusesItsBox) {
    open(TMyEdit::NewRecord);
    QApplication::setActiveWindow(window.get());
    combo("Country")->setEditText("Narnia");
    line("NumericCatalog")->setText("12.5");
    EXPECT_FALSE(window->DoUpdate());
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    EXPECT_EQ(ui.messages()[0].text, "Invalid numeric catalog specified.  Please correct.");
    EXPECT_EQ(QApplication::focusWidget(), line("NumericCatalog"));
    EXPECT_EQ(liveCount(), 0u);
    EXPECT_FALSE(program->lists().entries(data::DataList::Country).contains("Narnia"));
    EXPECT_EQ(window->editMode(), TMyEdit::NewRecord);
}

TEST_F(EditWindow, StoringWritesEveryBoxAndExtendsOnlyCountryTopicAndCondition) {
    displayFormats().setDateFormat(2, false);  // mm-dd-yy
    open(TMyEdit::NewRecord);
    combo("Country")->setEditText("Narnia");
    combo("Topic")->setEditText("Ships");
    combo("Condition")->setEditText(" Mint ");
    combo("Group")->setEditText("Odd Group");
    line("PurchPrice")->setText("1,234.5");
    line("Quantity")->setText("3");
    line("Year")->setText("");
    line("UserDef1")->setText("  spaced  ");
    line("PurchDate")->setText("12-25-97");

    window->DoAnUpdate();
    ASSERT_TRUE(ui.messages().empty()) << ui.messages()[0].text.toStdString();
    EXPECT_EQ(liveCount(), 1u);
    EXPECT_EQ(window->editMode(), TMyEdit::ExistingRecord);
    EXPECT_EQ(table().recNo(), 1u);
    EXPECT_EQ(text(kCountry), "Narnia");
    EXPECT_EQ(QString::fromStdString(table().text(kCondition)).trimmed(), "Mint");
    EXPECT_EQ(*table().number(kCost), 1234.5);
    EXPECT_EQ(*table().wholeNumber(kQuantity), 3);
    EXPECT_EQ(text(kYear), "0");
    EXPECT_EQ(QString::fromStdString(table().text(kUserDef1)).trimmed(), "spaced");
    EXPECT_EQ(QString::fromStdString(table().text(kUserDef1)).left(6), "spaced");
    EXPECT_EQ(table().date(kDate)->year, 2097);
    EXPECT_EQ(text(kWanted), "No");
    EXPECT_FALSE(window->ValuesChanged());

    const data::DataLists& lists = program->lists();
    EXPECT_TRUE(lists.entries(data::DataList::Country).contains("Narnia"));
    EXPECT_TRUE(lists.entries(data::DataList::Topic).contains("Ships"));
    EXPECT_TRUE(lists.entries(data::DataList::Condition).contains("Mint"));
    EXPECT_FALSE(lists.entries(data::DataList::Group).contains("Odd Group"));
    EXPECT_EQ(combo("Condition")->currentText(), " Mint ");

    // Stored again in mode 2 it changes the same record; an empty date box stores an empty date.
    line("PurchDate")->setText("");
    window->DoAnUpdate();
    EXPECT_EQ(liveCount(), 1u);
    EXPECT_TRUE(table().date(kDate)->isBlank());
}

TEST_F(EditWindow, TextTheTableCannotHoldIsRefusedWithNothingStored) {
    threeRecords();
    open(TMyEdit::ExistingRecord);
    combo("Country")->setEditText("Atlantis");
    line("Description")->setText(QString::fromUtf8("Ligne \xe2\x82\xac ok, then \xe4\xb8\xad"));
    EXPECT_FALSE(window->DoUpdate());
    ASSERT_EQ(ui.messages().size(), 1u);
    const QString message = ui.messages()[0].text;
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    EXPECT_TRUE(message.contains("Description")) << message.toStdString();
    EXPECT_TRUE(message.contains("U+4E2D")) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8("\xe4\xb8\xad")));
    EXPECT_EQ(QApplication::focusWidget() == line("Description") || !window->isActiveWindow(), true);
    EXPECT_EQ(text(kCountry), "Peru");
    EXPECT_EQ(text(kDescription), "");
    EXPECT_FALSE(program->lists().entries(data::DataList::Country).contains("Atlantis"));

    // The same in a new record appends nothing.
    open(TMyEdit::NewRecord);
    line("UserDef1")->setText(QString::fromUtf8("\xf0\x9f\x90\xa6"));
    EXPECT_FALSE(window->DoUpdate());
    EXPECT_EQ(liveCount(), 3u);
    EXPECT_EQ(window->editMode(), TMyEdit::NewRecord);
}

TEST_F(EditWindow, OverlongTextIsCutToItsBoxWhenPastedAndToItsFieldWhenStored) {
    open(TMyEdit::NewRecord);
    QApplication::setActiveWindow(window.get());
    line("Description")->setFocus();
    QApplication::clipboard()->setText(QString(200, QLatin1Char('d')));
    action("PasteItem")->trigger();
    EXPECT_EQ(line("Description")->text(), QString(110, QLatin1Char('d')));

    // The value selection can give a box more than its field holds.
    edit::RecordValues v = window->values();
    v[20] = QString(150, QLatin1Char('m'));
    window->setValues(v);
    EXPECT_EQ(line("Misc")->text().size(), 150);
    ASSERT_TRUE(window->DoUpdate());
    EXPECT_EQ(QString::fromStdString(table().text(kMisc)), QString(110, QLatin1Char('m')));
}

// The list boxes accept any text: what the collector types is stored, even when it is the
// beginning of a list entry ("VF" while the list holds "VF-XF").
TEST_F(EditWindow, TypedTextInAListBoxIsStoredAsTypedNotCompletedFromTheList) {
    const struct {
        data::DataList list;
        const char* box;
        int field;
        const char* entry;
        const char* typed;
    } boxes[] = {
        {data::DataList::Country, "Country", 3, "Australia", "Austral"},
        {data::DataList::Condition, "Condition", 9, "VF-XF", "VF"},
        {data::DataList::Group, "Group", 10, "Airmail", "Air"},
        {data::DataList::StampType, "StampType", 11, "Definitive", "Def"},
        {data::DataList::Cancellation, "Cancellation", 12, "Postmarked", "Post"},
        {data::DataList::Topic, "Topic", 13, "Birds", "bird"},
        {data::DataList::Gum, "Gum", 16, "Original Gum", "Original"},
        {data::DataList::Color, "ColorBox", 17, "Red-brown", "Red"},
        {data::DataList::Hinged, "Hinged", 19, "Lightly Hinged", "Lightly"},
    };
    for (const auto& b : boxes) program->lists().model(b.list)->setStringList({b.entry, "Zebra"});
    open(TMyEdit::NewRecord);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const auto& b : boxes) {
        QComboBox* box = combo(b.box);
        box->setFocus();
        QTest::keyClicks(box->lineEdit(), QString::fromLatin1(b.typed));
        EXPECT_EQ(box->currentText().toStdString(), b.typed) << b.box;
        // Enter moves on to the next box; the typed text stays.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(box->currentText().toStdString(), b.typed) << b.box;
    }
    ASSERT_TRUE(window->DoUpdate());
    for (const auto& b : boxes) EXPECT_EQ(text(b.field - 1).toStdString(), b.typed) << b.box;
}

// --- Clearing and the defaults --------------------------------------------------------------------

TEST_F(EditWindow, ClearAndTheDefaultsFollowTheirSwitches) {
    data::RecordDefaults& d = program->settings().global.defaults;
    d.text[size_t(3 - 1)] = "Peru";
    d.text[size_t(6 - 1)] = "5";
    d.text[size_t(14 - 1)] = "01-02-1990";  // saved under another separator
    d.wanted = false;

    threeRecords();
    open(TMyEdit::ExistingRecord);
    window->DoClear(2);  // switch off: empty boxes
    EXPECT_EQ(combo("Country")->currentText(), "");
    EXPECT_EQ(line("MarketValue")->text(), "0");
    EXPECT_TRUE(window->ValuesChanged());
    window->DoClear(3);  // always the defaults
    EXPECT_EQ(combo("Country")->currentText(), "Peru");
    EXPECT_EQ(line("PurchDate")->displayText(), "01/02/1990");

    window->DoToggleLoadWithAdd();
    EXPECT_TRUE(d.loadWithAdd);
    EXPECT_TRUE(action("LoadWithAddItem")->isChecked());
    open(TMyEdit::NewRecord);
    EXPECT_EQ(combo("Country")->currentText(), "Peru");
    EXPECT_EQ(line("Quantity")->text(), "5");
    window->DoExit();
    EXPECT_TRUE(ui.messages().empty());

    // Saving the boxes as defaults cuts each to its saved length and writes the global file.
    open(TMyEdit::NewRecord);
    combo("ColorBox")->setEditText("Sixteen chars ok");
    window->findChild<QCheckBox*>("Wanted")->click();
    window->DoSaveDefaults();
    EXPECT_EQ(d.text[size_t(17 - 1)], "Sixteen chars o");
    EXPECT_TRUE(d.wanted);
    const ProfileFile ini = ProfileFile::load(globalSettingsPath());
    EXPECT_EQ(ini.value("Defaults", "Color"), "Sixteen chars o");
    EXPECT_EQ(ini.value("Defaults", "Load Defaults With Add"), "Yes");
}

// --- Keys, totals and help --------------------------------------------------------------------------

TEST_F(EditWindow, EnterMovesThroughTheCycleAndNeverPressesAButton) {
    threeRecords();
    open(TMyEdit::ExistingRecord);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    combo("Country")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), line("FaceValue"));
    line("MarketValue")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), combo("Country"));

    line("Description")->setText("not stored by Enter");
    QPushButton* update = window->findChild<QPushButton*>("UpdateButton");
    update->setFocus();
    QTest::keyClick(update, Qt::Key_Return);
    EXPECT_EQ(text(kDescription), "");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(EditWindow, LeavingAMoneyOrQuantityBoxRewritesItAndTheTotals) {
    open(TMyEdit::NewRecord);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    line("PurchPrice")->setFocus();
    line("PurchPrice")->setText("2.5");
    line("Quantity")->setFocus();
    EXPECT_EQ(line("PurchPrice")->text(), "2.50");
    line("Quantity")->setText("3");
    line("MarketValue")->setFocus();
    EXPECT_EQ(window->findChild<QLabel*>("PurchaseTotal")->text(), "7.50 ");

    // A menu shortcut stores without leaving the box: "12." is refused.
    line("PurchPrice")->setText("12.");
    line("PurchPrice")->setFocus();
    QTest::keyClick(line("PurchPrice"), Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, "Invalid purchase price specified.  Please correct.");
}

// A total longer than its label is shown whole, never cut on the left ("060,353,140.00").
TEST_F(EditWindow, LargeTotalsAreShownWhole) {
    open(TMyEdit::NewRecord);
    auto* total = window->findChild<QLabel*>("MarketTotal");
    // The first column of pixels with ink in it; -1 when there is none.
    auto firstInk = [&] {
        const QImage image = total->grab().toImage();
        const QRgb background = image.pixel(0, 0);
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (qGray(image.pixel(x, y)) + 15 < qGray(background)) return x;
        return -1;
    };
    for (const char* quantity : {"1", "1000", "99999"}) {
        line("Quantity")->setText(QString::fromLatin1(quantity));
        line("MarketValue")->setText(QStringLiteral("1060353140"));
        window->CalcTotals();
        EXPECT_TRUE(total->text().startsWith(QStringLiteral("1")));
        EXPECT_GE(firstInk(), 2) << quantity << ": " << total->text().toStdString();
    }
    line("Quantity")->setText(QStringLiteral("2"));
    line("MarketValue")->setText(QStringLiteral("1.5"));
    window->CalcTotals();
    EXPECT_EQ(total->text(), "3.00 ");
    EXPECT_GT(firstInk(), total->width() / 2);  // a short total at full size, to the right
}

TEST_F(EditWindow, MenuShortcutsComeBeforeTheBoxesOwnKeys) {
    open(TMyEdit::NewRecord);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    line("Description")->setFocus();
    QTest::keyClick(line("Description"), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(program->settings().global.defaults.loadWithAdd);
    QTest::keyClick(line("Description"), Qt::Key_H, Qt::ControlModifier);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().kind, ScriptedInteraction::Kind::Help);
    EXPECT_EQ(ui.shown.back().detail, "Input Window");
}

// --- Print Record ----------------------------------------------------------------------------------

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(EditWindow, PrintRecordPrintsOneIdenticalPagePerCopy) {
    threeRecords();
    program->settings().database.field(3).caption = "Land";
    open(TMyEdit::ExistingRecord);
    line("Description")->setText(QString::fromUtf8("Unstored caf\xc3\xa9 text"));
    const QString pdf = dir.filePath("record.pdf");
    PrintChoice choice;
    choice.outputFile = pdf;
    choice.copies = 3;
    ui.printers.push_back(choice);
    window->DoPrintRecord();
    ASSERT_TRUE(ui.messages().empty()) << ui.messages()[0].text.toStdString();
    ASSERT_TRUE(QFile::exists(pdf));

    EXPECT_TRUE(run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+3\\n")));
    QStringList pages;
    for (int page = 1; page <= 3; ++page)
        pages << run("pdftotext", {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    EXPECT_EQ(pages[0], pages[1]);
    EXPECT_EQ(pages[1], pages[2]);
    EXPECT_TRUE(pages[0].contains("Land: Peru")) << pages[0].toStdString();
    EXPECT_TRUE(pages[0].contains(QString::fromUtf8("Description: Unstored caf\xc3\xa9 text")));
    EXPECT_TRUE(pages[0].contains("Wanted: No"));
    EXPECT_TRUE(pages[0].indexOf("Alpha Catalog: B2") < pages[0].indexOf("User Defined 3:"));
}

// Print Record to a PDF file wrote straight into the file named: over the collection it
// destroyed the table. The collection's and the program's files are refused, and any other file
// is replaced only by a finished PDF (through a link, the file it leads to).
TEST_F(EditWindow, PrintRecordToPdfNeverDestroysAFile) {
    threeRecords();
    open(TMyEdit::ExistingRecord);
    auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    ASSERT_TRUE(QFile::link(dir.filePath("MASTER.DBF"), dir.filePath("collection.pdf")));
    for (const char* name :
         {"MASTER.DBF", "MASTER.MDX", "master.mdx", "DUZEZIVA.URP", "collection.pdf"}) {
        const QString real = QFileInfo(dir.filePath(name)).canonicalFilePath();
        const QByteArray before = real.isEmpty() ? QByteArray() : bytes(real);
        PrintChoice choice;
        choice.outputFile = dir.filePath(name);
        ui.printers.push_back(choice);
        const size_t shown = ui.messages().size();
        window->DoPrintRecord();
        ASSERT_EQ(ui.messages().size(), shown + 1) << name;
        EXPECT_TRUE(ui.messages().back().text.contains("cannot be written"))
            << ui.messages().back().text.toStdString();
        if (!real.isEmpty()) {
            EXPECT_EQ(bytes(real), before) << name;
        }
    }
    EXPECT_EQ(liveCount(), 3u);

    const QString target = dir.filePath("old.pdf");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    ASSERT_TRUE(QFile::link(target, dir.filePath("link.pdf")));
    PrintChoice choice;
    choice.outputFile = dir.filePath("link.pdf");
    ui.printers.push_back(choice);
    const size_t shown = ui.messages().size();
    window->DoPrintRecord();
    EXPECT_EQ(ui.messages().size(), shown);
    EXPECT_TRUE(QFileInfo(dir.filePath("link.pdf")).isSymLink());
    EXPECT_TRUE(bytes(target).startsWith("%PDF"));
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.new-*"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(EditWindow, PrintRecordRefusesWhileAnotherJobPrintsAndStopsWhenCancelled) {
    open(TMyEdit::ExistingRecord);
    {
        PrintJob other;
        window->DoPrintRecord();
    }
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, "Other print job currently in progress.");
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    for (const ScriptedInteraction::Shown& s : ui.shown) EXPECT_NE(s.kind, ScriptedInteraction::Kind::Printer);

    window->DoPrintRecord();  // the dialog is cancelled: nothing more is shown
    EXPECT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.shown.back().kind, ScriptedInteraction::Kind::Printer);

    PrintChoice unwritable;
    unwritable.outputFile = dir.filePath("no/such/folder/record.pdf");
    ui.printers.push_back(unwritable);
    window->DoPrintRecord();
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_TRUE(ui.messages()[1].text.contains("could not be printed"));
}

}  // namespace
