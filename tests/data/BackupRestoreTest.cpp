#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>

#include "CollectionFixture.h"
#include "FileSizeLimit.h"
#include "backup/BackupPlaces.h"
#include "backup/BackupRestore.h"
#include "backup/FileCopy.h"
#include "common/WholeFile.h"
#include "data/DataLists.h"
#include "data/NewDatabase.h"

using namespace vz;
using backup::Kind;

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

class BackupRestore : public test::CollectionFixture {
protected:
    void SetUp() override {
        CollectionFixture::SetUp();
        ASSERT_TRUE(QDir(dir.path()).mkpath("media/STICK"));
        for (int i = 0; i < 30; ++i) add({{"Catalog", std::to_string(i)}, {"Country", "Chile"}});
    }
    QString media() const { return dir.file("media/STICK"); }
};

TEST(FileCopy, AFailedCopyLeavesTheDestinationAsItWasAndNoTemporaryFile) {
    test::TempFolder dir;
    write(dir.file("source"), QByteArray(200000, 'n'));
    write(dir.file("dest"), QByteArray("old content"));
    QString why;
    {
        test::FileSizeLimit limit(100000);
        EXPECT_FALSE(backup::copyFileSafely(dir.file("source"), dir.file("dest"), &why));
    }
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(bytes(dir.file("dest")), "old content");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_TRUE(backup::copyFileSafely(dir.file("source"), dir.file("dest"), &why));
    EXPECT_EQ(bytes(dir.file("dest")), bytes(dir.file("source")));
}

TEST(FileCopy, SameFileSeesThroughLinksAndDotDot) {
    test::TempFolder dir;
    write(dir.file("a.dbf"), "x");
    ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
    ASSERT_EQ(::symlink(dir.file("a.dbf").toLocal8Bit().constData(),
                        dir.file("sub/l.dbf").toLocal8Bit().constData()),
              0);
    ASSERT_EQ(::link(dir.file("a.dbf").toLocal8Bit().constData(),
                     dir.file("h.dbf").toLocal8Bit().constData()),
              0);
    EXPECT_TRUE(backup::sameFile(dir.file("a.dbf"), dir.file("sub/../a.dbf")));
    EXPECT_TRUE(backup::sameFile(dir.file("a.dbf"), dir.file("sub/l.dbf")));
    EXPECT_TRUE(backup::sameFile(dir.file("a.dbf"), dir.file("h.dbf")));
    EXPECT_FALSE(backup::sameFile(dir.file("a.dbf"), dir.file("sub/a.dbf")));
}

TEST(BackupPlaces, ProgramFolderHomeAndEachMountedMediumOnce) {
    test::TempFolder dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("media/u/STICK"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("run/u/CARD"));
    const auto places = backup::backupPlaces(
        dir.path(), dir.path(), {dir.file("media/u"), dir.file("run/u"), dir.file("none")});
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0].path, dir.path());
    EXPECT_EQ(places[1].label, "STICK");
    EXPECT_EQ(places[2].path, dir.file("run/u/CARD"));
}

TEST_F(BackupRestore, TheTableIsCopiedWholeAndSearchModeComesBack) {
    program->setSearchMode(true);
    const backup::Outcome r = backup::backUp(*host, ui, Kind::Table, media());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(bytes(media() + "/MASTER.DBF"), bytes(tablePath()));
    EXPECT_FALSE(QFileInfo::exists(media() + "/MASTER.MDX"));
    EXPECT_EQ(texts(), (std::vector<QString>{"Backup completed successfully."}));
    EXPECT_TRUE(program->searchMode());
    ASSERT_NE(program->database().table(), nullptr);
}

TEST_F(BackupRestore, BackingUpToTheCollectionsOwnFolderIsRefused) {
    EXPECT_FALSE(backup::backUp(*host, ui, Kind::Table, dir.path()).ok);
    EXPECT_TRUE(
        shown("Destination File and Source File are identical.  You cannot copy a file  over top "
              "of itself.  "
              "Please choose a different directory/folder to backup to."));
    EXPECT_FALSE(backup::backUp(*host, ui, Kind::Reports, dir.path()).ok);
    EXPECT_TRUE(
        shown("Destination File and Source File are identical.  You cannot copy a file  over top "
              "of itself.  "
              "Please choose a different directory to backup to."));
    ASSERT_NE(program->database().table(), nullptr);
}

TEST_F(BackupRestore, BackupNeedsTheTableToItself) {
    auto other = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Shared);
    EXPECT_FALSE(backup::backUp(*host, ui, Kind::Table, media()).ok);
    EXPECT_TRUE(shown("Backing up the database requires exclusive use of the DBase File."));
    EXPECT_FALSE(QFileInfo::exists(media() + "/MASTER.DBF"));
    ASSERT_NE(program->database().table(), nullptr);
}

TEST_F(BackupRestore, AShortWriteIsAnErrorAndLeavesNoPartialCopy) {
    const qint64 size = QFileInfo(tablePath()).size();
    backup::Outcome r;
    {
        test::FileSizeLimit limit(rlim_t(size / 2));
        r = backup::backUp(*host, ui, Kind::Table, media());
    }
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(shown("An error occurred during backup.  Backup not completed."));
    EXPECT_FALSE(shown("Backup completed successfully."));
    EXPECT_TRUE(QDir(media()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    ASSERT_NE(program->database().table(), nullptr);
}

TEST_F(BackupRestore, ListsThatExistAreCopiedAndTheRestAreSkipped) {
    ASSERT_TRUE(program->lists().SaveAllLists());
    QFile::remove(dir.file("MASTER.004"));
    QFile::remove(dir.file("MASTER.009"));
    // The lists in memory are written first: the country list holds its new entry in the copy.
    program->lists().AddToList(data::DataList::Country, "Atlantis");
    const backup::Outcome r = backup::backUp(*host, ui, Kind::Lists, media());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.copied, 9);  // saving the lists wrote the two missing ones again
    EXPECT_TRUE(bytes(media() + "/MASTER.001").contains("Atlantis"));
}

TEST_F(BackupRestore, RestoringListsWarnsOfEachMissingFile) {
    ASSERT_TRUE(program->lists().SaveAllLists());
    ASSERT_TRUE(backup::backUp(*host, ui, Kind::Lists, media()).ok);
    QFile::remove(media() + "/MASTER.002");
    QFile::remove(media() + "/MASTER.007");
    ui.shown.clear();
    const backup::Outcome r =
        backup::restore(*host, ui, Kind::Lists, media() + "/MASTER.DBF", dir.path());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.copied, 7);
    EXPECT_EQ(
        texts(),
        (std::vector<QString>{
            "The following file \"MASTER.002\" could not be located on the specified source drive.",
            "The following file \"MASTER.007\" could not be located on the specified source drive.",
            "One or more files were not restored.  Restore may not have completed successfully.",
        }));
}

TEST_F(BackupRestore, ARestoreOverTheOpenTableThatFailsLeavesItWholeAndOpen) {
    ASSERT_TRUE(backup::backUp(*host, ui, Kind::Table, media()).ok);
    add({{"Catalog", "extra"}});
    const QByteArray before = bytes(tablePath());
    backup::Outcome r;
    {
        test::FileSizeLimit limit(rlim_t(before.size() / 2));
        r = backup::restore(*host, ui, Kind::Table, media() + "/MASTER.DBF", dir.path());
    }
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(shown("An error occurred during restore.  Restore not completed."));
    EXPECT_EQ(bytes(tablePath()), before);
    ASSERT_NE(program->database().table(), nullptr);
    EXPECT_EQ(table().countLive().value(), 31u);
    EXPECT_EQ(table().activeTag(), "NewIndex");
}

TEST_F(BackupRestore, ARestoreOverATableInUseIsRefused) {
    ASSERT_TRUE(backup::backUp(*host, ui, Kind::Table, media()).ok);
    auto other = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Shared);
    EXPECT_FALSE(backup::restore(*host, ui, Kind::Table, media() + "/MASTER.DBF", dir.path()).ok);
    EXPECT_TRUE(
        shown("Unable to restore the database.  Make sure the database is not in use by any other "
              "users or by "
              "another copy of the software."));
    ASSERT_NE(program->database().table(), nullptr);
}

TEST_F(BackupRestore, ARestoredTableGetsItsIndexRebuiltFromTheSortOrder) {
    ASSERT_TRUE(backup::backUp(*host, ui, Kind::Table, media()).ok);
    add({{"Catalog", "extra"}});
    ASSERT_TRUE(backup::restore(*host, ui, Kind::Table, media() + "/MASTER.DBF", dir.path()).ok);
    EXPECT_EQ(ui.messages().back().text, "Restore completed successfully.");
    ASSERT_NE(program->database().table(), nullptr);
    EXPECT_EQ(table().countLive().value(), 30u);
    EXPECT_EQ(table().activeTag(), "NewIndex");
    EXPECT_TRUE(table().indexProblem().empty());
}

TEST_F(BackupRestore, ATableRestoredUnderAnotherNameIsOpenedWithItsOwnListsAndSettings) {
    // A second collection, backed up with its lists.
    ScriptedInteraction quiet;
    ASSERT_TRUE(data::MakeNewDB(media() + "/OTHER.DBF", quiet));
    program->lists().AddToList(data::DataList::Country, "Atlantis");
    write(dir.file("OTHER.001"), "Narnia\r\n");
    ASSERT_TRUE(backup::restore(*host, ui, Kind::Table, media() + "/OTHER.DBF", dir.path()).ok);
    EXPECT_EQ(program->database().tablePath(), dir.file("OTHER.DBF"));
    EXPECT_EQ(program->settings().global.misc.lastDatabase, dir.file("OTHER.DBF"));
    EXPECT_EQ(program->database().baseName(), dir.file("OTHER"));
    // The lists of the collection left were saved under its own name, and the restored one's read.
    EXPECT_TRUE(bytes(dir.file("MASTER.001")).contains("Atlantis"));
    EXPECT_FALSE(bytes(dir.file("OTHER.001")).contains("Atlantis"));
    EXPECT_TRUE(program->lists().entries(data::DataList::Country).contains("Narnia"));
    EXPECT_EQ(table().activeTag(), "NewIndex");
}

TEST_F(BackupRestore, ReportDefinitionsComeFromTheChosenFolderWhateverFileWasChosen) {
    write(media() + "/DUZEZIVA.URP", "reports from the stick");
    write(media() + "/OTHER.URP", "something else");
    int reloaded = 0;
    host->reportList = [&reloaded] { ++reloaded; };
    ASSERT_TRUE(backup::restore(*host, ui, Kind::Reports, media() + "/OTHER.URP", dir.path()).ok);
    EXPECT_EQ(bytes(dir.file("DUZEZIVA.URP")), "reports from the stick");
    EXPECT_EQ(reloaded, 1);
    QFile::remove(media() + "/DUZEZIVA.URP");
    EXPECT_FALSE(backup::restore(*host, ui, Kind::Reports, media() + "/OTHER.URP", dir.path()).ok);
    EXPECT_TRUE(shown("The Report Definitions file \"DUZEZIVA.URP\" could not be  located"));
}

TEST_F(BackupRestore, SettingsOfTheOpenDatabaseAreReadAgainAfterARestore) {
    program->settings().database.field(3).caption = "Land";
    ASSERT_TRUE(backup::backUp(*host, ui, Kind::Settings, media()).ok);
    EXPECT_TRUE(QFileInfo::exists(media() + "/MASTER.INI"));
    program->settings().database.field(3).caption = "Country";
    program->saveDatabaseSettings(program->database().settingsPath());
    ASSERT_TRUE(backup::restore(*host, ui, Kind::Settings, media() + "/MASTER.DBF", dir.path()).ok);
    EXPECT_EQ(program->settings().database.field(3).caption, "Land");
    EXPECT_EQ(ui.messages().back().text, "Configuration File restored successfully.");
}

}  // namespace
