// The export window and the two import windows, driven with scripted answers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "exchange/TMyExport.h"
#include "exchange/TMyImport.h"
#include "app/Program.h"

using namespace vz;
using exchange::TImportFormat;
using exchange::TMyExport;
using exchange::TMyImport;

namespace {

class ExchangeWindows : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        displayFormats() = DisplayFormats{};
        program = std::make_unique<mainwin::Program>(dir.path(), globalSettingsPath(), ui);
        ASSERT_TRUE(program->startUp());
        for (const char* c : {"Chile", "Peru", "Togo"}) {
            ASSERT_TRUE(table().append());
            ASSERT_TRUE(table().setText(0, std::string("C-") + c));
            ASSERT_TRUE(table().setText(2, c));
            ASSERT_TRUE(table().post());
        }
    }
    void TearDown() override { program->shutDown(); }

    engine::Table& table() { return *program->database().table(); }
    QString file(const char* name) { return dir.filePath(QLatin1String(name)); }
    QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString lastMessage() { return ui.messages().empty() ? QString() : ui.messages().back().text; }

    QTemporaryDir dir;
    ScriptedInteraction ui;
    std::unique_ptr<mainwin::Program> program;
};

TEST_F(ExchangeWindows, ExportGridOrderAndFlagsAreKeptWhenTheWindowCloses) {
    {
        TMyExport w(*program);
        QTableWidget* grid = w.grid();
        EXPECT_EQ(grid->rowCount(), 25);
        EXPECT_EQ(grid->item(0, 0)->text(), "Alpha Catalog");
        EXPECT_EQ(grid->item(0, 1)->text(), "Yes");
        emit grid->cellDoubleClicked(1, 1);  // Description: No
        emit grid->cellDoubleClicked(1, 0);  // the FIELD column does not toggle
        EXPECT_EQ(grid->item(1, 1)->text(), "No");
        grid->setCurrentCell(2, 0);
        w.UpButtonClick();  // Country to row 2
        EXPECT_EQ(grid->currentRow(), 1);
        w.findChild<QRadioButton*>("DBaseFile")->setChecked(true);
        EXPECT_FALSE(w.findChild<QCheckBox*>("FirstRow")->isEnabled());
        w.findChild<QPushButton*>("ExitButton")->click();
    }
    const data::DatabaseSettings& s = program->settings().database;
    EXPECT_EQ(s.field(3).exportOrder, 2);
    EXPECT_EQ(s.field(2).exportOrder, 3);
    EXPECT_FALSE(s.field(2).exported);
    EXPECT_EQ(s.exportOptions.fileType, 2);

    // Defaults asks first; No changes nothing, Yes restores every field in order.
    TMyExport w(*program);
    ui.answers = {Answer::No, Answer::Yes};
    w.DefaultsButtonClick();
    EXPECT_EQ(w.grid()->item(1, 0)->text(), "Country");
    w.DefaultsButtonClick();
    EXPECT_EQ(ui.messages().back().caption, "Re-Order");
    EXPECT_EQ(w.grid()->item(1, 0)->text(), "Description");
    EXPECT_EQ(w.grid()->item(1, 1)->text(), "Yes");
}

TEST_F(ExchangeWindows, ExportRefusalsAndACompletedTextExport) {
    TMyExport w(*program);
    for (int r = 0; r < 25; ++r) emit w.grid()->cellDoubleClicked(r, 1);
    w.StartExportButtonClick();
    EXPECT_EQ(lastMessage(), "No fields selected for export.");
    for (int r : {0, 2}) emit w.grid()->cellDoubleClicked(r, 1);

    w.findChild<QRadioButton*>("DBaseFile")->setChecked(true);
    ui.fileNames = {file("out.txt")};
    w.StartExportButtonClick();
    EXPECT_EQ(lastMessage(), "Invalid file type selected.");
    EXPECT_FALSE(QFile::exists(file("out.txt")));

    // The collection's own files are never written over.
    w.findChild<QRadioButton*>("AsciiFile")->setChecked(true);
    ui.fileNames = {QString::fromStdString(table().path())};
    w.StartExportButtonClick();
    EXPECT_EQ(ui.messages().back().caption, "Error");

    ui.fileNames = {file("out.txt")};
    w.show();
    w.StartExportButtonClick();
    EXPECT_EQ(lastMessage(), "Export Complete.");
    EXPECT_EQ(ui.messages().back().caption, "Ok");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(read(file("out.txt")),
              "\"Alpha "
              "Catalog\",\"Country\"\r\n\"C-Chile\",\"Chile\"\r\n\"C-Peru\",\"Peru\"\r\n\"C-Togo\","
              "\"Togo\"\r\n");
}

TEST_F(ExchangeWindows, ExportOfTheWholeCollectionDuringASearch) {
    program->searchTest = [](const engine::Table& t) { return t.text(2).rfind("Peru", 0) == 0; };
    program->setSearchMode(true);
    for (bool entire : {true, false}) {
        TMyExport w(*program);
        EXPECT_TRUE(w.findChild<QRadioButton*>("ExportSearch")->isChecked());
        w.findChild<QRadioButton*>(entire ? "ExportEntire" : "ExportSearch")->setChecked(true);
        w.findChild<QCheckBox*>("FirstRow")->setChecked(false);
        ui.fileNames = {file("s.txt")};
        w.StartExportButtonClick();
        EXPECT_EQ(lastMessage(), "Export Complete.");
        EXPECT_EQ(read(file("s.txt")).count("\r\n"), entire ? 3 : 1);
        EXPECT_TRUE(program->searchMode());
    }
    program->setSearchMode(false);
    TMyExport w(*program);
    EXPECT_FALSE(w.findChild<QRadioButton*>("ExportSearch")->isEnabled());
    EXPECT_TRUE(w.findChild<QRadioButton*>("ExportEntire")->isChecked());
}

TEST_F(ExchangeWindows, ImportFormatRefusesBadFiles) {
    TImportFormat w(*program);
    write(file("bad.txt"), "a,b,c\r\n");
    ui.fileNames = {file("bad.txt")};
    w.FileButtonClick();
    EXPECT_TRUE(lastMessage().endsWith("most likely due to an unmatched quote."))
        << lastMessage().toStdString();
    w.findChild<QRadioButton*>("DBFFormat")->setChecked(true);
    ui.fileNames = {file("bad.txt")};
    w.FileButtonClick();
    EXPECT_EQ(lastMessage(), "Invalid file type selected.");
    ui.fileNames = {std::nullopt};  // cancelled
    const size_t shown = ui.messages().size();
    w.FileButtonClick();
    EXPECT_EQ(ui.messages().size(), shown);
    w.reject();
    EXPECT_EQ(program->settings().database.importOptions.fileType, 2);
}

TEST_F(ExchangeWindows, ImportThroughBothWindowsWithAMovedField) {
    write(file("in.txt"), "\"Number\",\"Land\"\r\n\"N-1\",\"Fiji\"\r\n\"N-2\",\"Chad\"\r\n");
    program->settings().database.importOptions.skipFirst = true;
    TImportFormat format(*program);
    ui.fileNames = {file("in.txt")};
    QTimer::singleShot(0, [this] {
        auto* w = qobject_cast<TMyImport*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), "Ascii Delimited Text Import");
        EXPECT_EQ(w->grid()->item(1, 1)->text(), "Land");
        w->grid()->setCurrentCell(1, 1);
        w->DownButtonClick();  // Land beside Country
        EXPECT_EQ(w->grid()->item(2, 1)->text(), "Land");
        EXPECT_EQ(w->grid()->item(1, 1)->text(), "<EMPTY>");
        w->StartButtonClick();
    });
    format.show();
    format.FileButtonClick();
    EXPECT_EQ(lastMessage(), "Import Complete.");
    EXPECT_FALSE(format.isVisible());
    EXPECT_EQ(format.added(), 2u);
    EXPECT_EQ(table().recordCount(), 5u);
    ASSERT_TRUE(table().go(5));
    EXPECT_EQ(table().text(0).substr(0, 3), "N-2");
    EXPECT_EQ(table().text(2).substr(0, 4), "Chad");
}

TEST_F(ExchangeWindows, ImportStopsAtABadValueAndSaysHowManyWereAdded) {
    write(file("in.txt"), "\"A\",\"d\",\"c\",\"f\",\"1\"\r\n\"B\",\"d\",\"c\",\"f\",\"lots\"\r\n");
    TMyImport w(*program, TMyImport::Kind::Text, file("in.txt"), {"A", "d", "c", "f", "1"});
    w.findChild<QCheckBox*>("SkipFirst")->setChecked(false);
    EXPECT_FALSE(program->settings().database.importOptions.skipFirst);
    w.StartButtonClick();
    EXPECT_EQ(ui.messages().back().caption, "Error");
    EXPECT_TRUE(lastMessage().contains("line 2")) << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains("\"lots\""));
    EXPECT_TRUE(lastMessage().endsWith("1 record was added before it."));
    EXPECT_EQ(w.added(), 1u);
    EXPECT_EQ(table().recordCount(), 4u);
}

}  // namespace
