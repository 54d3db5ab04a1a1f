#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "backup/TMyBackup.h"
#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/ProgramHost.h"
#include "main/TMain.h"
#include "search/TSearchAndReplace.h"

using namespace vz;

namespace {

struct Fixture {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    mainwin::Program program{dir.path(), dir.filePath("DUZEZIVA.INI"), ui};
    std::unique_ptr<mainwin::ProgramHost> host;

    Fixture() {
        EXPECT_TRUE(program.startUp());
        host = std::make_unique<mainwin::ProgramHost>(program);
        engine::Table& t = *program.database().table();
        for (const char* country : {"Chile", "chile", "Peru"}) {
            EXPECT_TRUE(t.append().isOk());
            EXPECT_TRUE(t.setText(t.fieldIndex("Country"), country).isOk());
            EXPECT_TRUE(t.post().isOk());
        }
    }
    std::vector<std::string> countries() {
        std::vector<std::string> out;
        auto t = engine::Table::open(program.database().tablePath().toStdString(),
                                     engine::OpenMode::Shared);
        for (auto s = (*t)->first(); s.isOk() && !(*t)->eof(); s = (*t)->next()) {
            std::string v = (*t)->text((*t)->fieldIndex("Country"));
            out.push_back(v.substr(0, v.find_last_not_of(' ') + 1));
        }
        return out;
    }
};

TEST(SearchAndReplaceWindow, ChoosingAFieldSetsTheBoxesAndStartRunsTheReplace) {
    Fixture f;
    search::TSearchAndReplace window(f.program, *f.host);
    window.show();
    EXPECT_EQ(window.FieldBox->count(), 25);
    EXPECT_FALSE(window.ConfirmBox->isChecked());
    window.StartButton->click();
    EXPECT_EQ(f.ui.messages().back().text, "No field has been selected.");
    EXPECT_TRUE(window.isVisible());

    window.SearchText->setText("x");
    window.FieldBox->setCurrentIndex(2);  // Country
    EXPECT_TRUE(window.SearchText->text().isEmpty());
    EXPECT_EQ(window.SearchText->maxLength(), 20);  // the width of Country
    window.SearchText->setText("CHILE");
    window.ReplaceText->setText("Bolivia");
    window.ConfirmBox->setChecked(true);
    f.ui.answers = {Answer::Yes, Answer::No};
    window.StartButton->click();
    EXPECT_EQ(f.countries(), (std::vector<std::string>{"Bolivia", "chile", "Peru"}));
    EXPECT_EQ(window.ProcessedCount->text(), "3");
    EXPECT_EQ(window.FoundCount->text(), "2");
    EXPECT_EQ(window.ChangedCount->text(), "1");
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST(BackupWindow, BacksUpToTheChosenFolderAndOffersClose) {
    Fixture f;
    QTemporaryDir stick;
    backup::TMyBackup window(f.program, *f.host);
    window.show();
    EXPECT_TRUE(window.BackDBF->isChecked());
    ASSERT_GE(window.DriveBox->count(), 1);
    EXPECT_EQ(window.backupFolder(), f.dir.path());  // the program folder, where the table is
    window.StartButton->click();
    EXPECT_TRUE(
        f.ui.messages().back().text.startsWith("Destination File and Source File are identical."));
    EXPECT_EQ(window.CancelButton->text(), "&Cancel");

    // A folder typed into the chooser's tree: the tree shows the place's folders.
    QDir(f.dir.path()).mkdir("stick");
    window.selectFolder(f.dir.filePath("stick"));
    if (window.backupFolder() != f.dir.filePath("stick"))
        GTEST_SKIP() << "the folder model has not listed it yet";
    window.StartButton->click();
    EXPECT_EQ(f.ui.messages().back().text, "Backup completed successfully.");
    EXPECT_TRUE(QFile::exists(f.dir.filePath("stick/MASTER.DBF")));
    EXPECT_EQ(window.CancelButton->text(), "&Close");
}

TEST(RestoreWindow, AskesForTheSourceAndCancellingDoesNothing) {
    Fixture f;
    backup::TMyRestore window(f.program, *f.host);
    window.show();
    f.ui.fileNames.push_back(std::nullopt);
    window.StartButton->click();
    ASSERT_FALSE(f.ui.shown.empty());
    EXPECT_EQ(f.ui.shown.back().detail, "Restore Database File");
    EXPECT_TRUE(f.ui.messages().empty());
    EXPECT_NE(f.program.database().table(), nullptr);
}

TEST(MainWindowMaintenance, TheCommandsAreOfferedAndPackAsksFirst) {
    Fixture f;
    mainwin::TMain main(f.program);
    using C = mainwin::TMain::Command;
    for (C c : {C::SearchAndReplace, C::PackDatabase, C::RebuildIndexes, C::Backup, C::Restore})
        EXPECT_TRUE(main.action(c)->isEnabled());
    f.ui.answers = {Answer::No};
    main.action(C::PackDatabase)->trigger();
    EXPECT_TRUE(
        f.ui.messages().back().text.startsWith("Deleted items are not permanently removed"));
    EXPECT_NE(f.program.database().table(), nullptr);
}

}  // namespace
