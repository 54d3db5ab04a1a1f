#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "TempFolder.h"
#include "common/ProgramFolder.h"
#include "common/ScriptedInteraction.h"
#include "data/CollectionDatabase.h"
#include "data/NewDatabase.h"
#include "data/Schema.h"
#include "engine/Table.h"

using namespace vz;
using namespace vz::data;

namespace {

// Records what a switch asks of the program, in order.
class FakeHost : public DatabaseHost {
public:
    QString last;
    RecentFiles recent;
    QString sort = "Upper(Left(Country,80))";
    QStringList calls;
    bool searching = false;

    QString lastDatabase() const override { return last; }
    void setLastDatabase(const QString& p) override { last = p; }
    RecentFiles& recentFiles() override { return recent; }
    void showRecentFiles() override { calls << "recent"; }
    void saveDatabaseSettings(const QString& ini) override { calls << "saveSettings " + QFileInfo(ini).fileName(); }
    void saveAllLists(const QString& base) override { calls << "saveLists " + QFileInfo(base).fileName(); }
    void loadAllLists(const QString& base) override { calls << "loadLists " + QFileInfo(base).fileName(); }
    void loadDefaultLists() override { calls << "loadDefaultLists"; }
    void loadDatabaseSettings(const QString& ini) override { calls << "loadSettings " + QFileInfo(ini).fileName(); }
    void loadDatabaseSettingsFromGlobal() override { calls << "loadSettingsFromGlobal"; }
    QString sortString() const override { return sort; }
    void applyDatabaseDisplay() override { calls << "display"; }
    void showRecordCount() override { calls << "count"; }
    bool searchMode() const override { return searching; }
    void endSearch() override {
        searching = false;
        calls << "endSearch";
    }
};

void makeCollection(const QString& path, const std::vector<const char*>& countries = {}) {
    ScriptedInteraction ui;
    ASSERT_TRUE(MakeNewDB(path, ui));
    auto t = engine::Table::open(toNativePath(path), engine::OpenMode::Shared);
    ASSERT_TRUE(t);
    for (const char* c : countries) {
        ASSERT_TRUE((*t)->append());
        ASSERT_TRUE((*t)->setText(2, c));
        ASSERT_TRUE((*t)->post());
    }
}

QString firstCountry(engine::Table& t) {
    EXPECT_TRUE(t.first());
    return QString::fromStdString(t.text(2)).trimmed();
}

class Databases : public ::testing::Test {
protected:
    void SetUp() override {
        makeCollection(dir.file("MASTER.DBF"), {"Peru", "Chile"});
        host.last = dir.file("MASTER.DBF");
        ASSERT_TRUE(db.startUp());
        host.calls.clear();
    }
    test::TempFolder dir;
    FakeHost host;
    ScriptedInteraction ui;
    CollectionDatabase db{host, ui, dir.path()};
};

}  // namespace

TEST(RecentFilesList, OpeningAnEntryAgainMovesItToTheTop) {
    RecentFiles r;
    EXPECT_FALSE(r.SetMenuLastFiles().separatorVisible);
    r.DoLastFiles("X", "A");
    r.DoLastFiles("A", "B");
    r.DoLastFiles("B", "C");
    EXPECT_EQ(r.entry(0), "B");
    EXPECT_EQ(r.entry(1), "A");
    EXPECT_EQ(r.entry(2), "X");
    r.DoLastFiles("C", "A");  // A chosen from the menu
    EXPECT_EQ(r.entry(0), "C");
    EXPECT_EQ(r.entry(1), "B");
    EXPECT_EQ(r.entry(2), "X");
    EXPECT_EQ(r.entry(3), "");
    r.DoLastFiles("a", "c");  // letter case makes another file
    EXPECT_EQ(r.entry(1), "C");

    const RecentFiles::Menu m = r.SetMenuLastFiles();
    EXPECT_TRUE(m.separatorVisible);
    EXPECT_EQ(m.captions[0], "&1   a");
    EXPECT_TRUE(m.visible[3]);
    EXPECT_FALSE(m.visible[4]);
}

TEST(FormatCheck, NamesDecideNotTypesAndForeignTablesAreRefused) {
    test::TempFolder dir;
    ScriptedInteraction ui;
    // The 25 names in upper case with other types pass.
    std::vector<engine::FieldDef> defs;
    for (const SchemaField& f : schema()) defs.push_back(engine::FieldDef::text(std::string(f.storedName), 5));
    for (auto& d : defs)
        for (char& c : d.name) c = char(std::toupper(uint8_t(c)));
    ASSERT_TRUE(engine::Table::create(toNativePath(dir.file("ODD.DBF")), defs));
    EXPECT_TRUE(CheckDBaseFormat(dir.file("ODD.DBF"), ui));

    defs.push_back(engine::FieldDef::text("EXTRA", 5));
    ASSERT_TRUE(engine::Table::create(toNativePath(dir.file("MORE.DBF")), defs));
    EXPECT_FALSE(CheckDBaseFormat(dir.file("MORE.DBF"), ui));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    EXPECT_EQ(ui.messages()[0].text,
              "This DBase file was not created with Kestrelhouse Vazovi 97.  It cannot be opened.  You may, however, "
              "import data from this file using the import function.");

    QFile junk(dir.file("JUNK.DBF"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(100, 'j'));
    junk.close();
    EXPECT_FALSE(CheckDBaseFormat(dir.file("JUNK.DBF"), ui));
    EXPECT_TRUE(ui.messages().back().text.contains("JUNK.DBF"));
}

TEST_F(Databases, OpeningCarriesSettingsAndListsInOrder) {
    makeCollection(dir.file("OTHER.DBF"), {"Togo", "Angola"});
    ui.fileNames.push_back(dir.file("OTHER.DBF"));
    db.DoOpen();
    EXPECT_EQ(host.calls, (QStringList{"saveSettings MASTER.INI", "saveLists MASTER", "loadLists OTHER",
                                       "loadSettings OTHER.INI", "display", "recent", "count"}));
    EXPECT_EQ(db.caption(), "Kestrelhouse Vazovi 97 (OTHER)");
    EXPECT_EQ(host.last, dir.file("OTHER.DBF"));
    EXPECT_EQ(host.recent.entry(0), dir.file("MASTER.DBF"));
    ASSERT_NE(db.table(), nullptr);
    EXPECT_EQ(db.table()->activeTag(), "NewIndex");
    EXPECT_EQ(firstCountry(*db.table()), "Angola");
    EXPECT_TRUE(QFileInfo::exists(dir.file("OTHER.MDX")));
}

TEST_F(Databases, WrongChoicesChangeNothing) {
    ui.fileNames.push_back(dir.file("notes.txt"));
    db.DoOpen();
    EXPECT_EQ(ui.messages().back().text, "Invalid file type selected.");
    ui.fileNames.push_back(std::nullopt);  // cancelled
    db.DoOpen();
    EXPECT_EQ(host.calls, (QStringList{"count", "count"}));
    EXPECT_EQ(db.caption(), "Kestrelhouse Vazovi 97 (MASTER)");
    EXPECT_EQ(firstCountry(*db.table()), "Chile");
}

TEST_F(Databases, ANewDatabaseStartsFromDefaultsAndLowerCaseDbfIsAccepted) {
    host.searching = true;
    ui.fileNames.push_back(dir.file("fresh.dbf"));
    db.DoNew();
    EXPECT_EQ(host.calls, (QStringList{"endSearch", "saveSettings MASTER.INI", "saveLists MASTER", "loadDefaultLists",
                                       "loadSettingsFromGlobal", "display", "recent", "count"}));
    ASSERT_NE(db.table(), nullptr);
    EXPECT_EQ(db.table()->recordCount(), 0u);
    EXPECT_TRUE(QFileInfo::exists(dir.file("fresh.mdx")));
}

TEST_F(Databases, CreatingOverATableInUseIsRefusedAndTheOpenDatabaseStays) {
    makeCollection(dir.file("BUSY.DBF"), {"Mali"});
    auto other = engine::Table::open(toNativePath(dir.file("BUSY.DBF")), engine::OpenMode::Shared);
    ASSERT_TRUE(other);
    ui.fileNames.push_back(dir.file("BUSY.DBF"));
    db.DoNew();
    EXPECT_TRUE(ui.messages().back().text.endsWith("is currently in use by another program.  New table creation will be aborted."));
    EXPECT_EQ(db.caption(), "Kestrelhouse Vazovi 97 (MASTER)");
    EXPECT_EQ((*other)->recordCount(), 1u);
}

TEST_F(Databases, ATableInUseElsewhereOpensWithoutTouchingItsIndex) {
    makeCollection(dir.file("SHARED.DBF"), {"b", "a"});
    auto other = engine::Table::open(toNativePath(dir.file("SHARED.DBF")), engine::OpenMode::Shared);
    ASSERT_TRUE(other);
    db.OpenSaveFile(dir.file("SHARED.DBF"));
    ASSERT_NE(db.table(), nullptr);
    EXPECT_EQ(db.table()->activeTag(), "");  // no tag could be made
    EXPECT_FALSE(QFileInfo::exists(dir.file("SHARED.MDX")));
    EXPECT_TRUE(ui.messages().empty());
}

TEST(StartUp, FallsBackToMasterAndCreatesIt) {
    test::TempFolder dir;
    FakeHost host;
    host.last = dir.file("GONE.DBF");
    ScriptedInteraction ui;
    CollectionDatabase db(host, ui, dir.path());
    ASSERT_TRUE(db.startUp());
    EXPECT_EQ(host.last, dir.file("MASTER.DBF"));
    EXPECT_EQ(host.calls, (QStringList{"loadSettings MASTER.INI"}));
    EXPECT_EQ(db.baseName(), dir.file("MASTER"));
    EXPECT_EQ(db.table()->activeTag(), "NewIndex");
}

TEST(StartUp, AForeignLastDatabaseAsksForAnotherUntilOneIsGiven) {
    test::TempFolder dir;
    ASSERT_TRUE(engine::Table::create(toNativePath(dir.file("FOREIGN.DBF")), {engine::FieldDef::text("A", 3)}));
    makeCollection(dir.file("GOOD.V2.DBF"), {"x"});
    FakeHost host;
    host.last = dir.file("FOREIGN.DBF");
    ScriptedInteraction ui;
    ui.fileNames = {dir.file("FOREIGN.DBF"), dir.file("GOOD.V2.DBF")};
    CollectionDatabase db(host, ui, dir.path());
    ASSERT_TRUE(db.startUp());
    EXPECT_TRUE(ui.messages()[1].text.startsWith("The last database used as recorded in the INI file is not a valid"));
    EXPECT_EQ(host.last, dir.file("GOOD.V2.DBF"));
    EXPECT_EQ(db.baseName(), dir.file("GOOD.V2"));  // named without the last extension
    // No old database to save while starting, and the lists come with the edit window.
    EXPECT_FALSE(host.calls.join(",").contains("save"));
    EXPECT_FALSE(host.calls.join(",").contains("loadLists"));

    FakeHost quitter;
    quitter.last = dir.file("FOREIGN.DBF");
    ScriptedInteraction cancels;  // the dialog is cancelled: the program ends instead of asking forever
    CollectionDatabase none(quitter, cancels, dir.path());
    EXPECT_FALSE(none.startUp());
}

TEST(StartUp, ADeletedIndexClearsTheFlagAndComesBackWithTheSortTag) {
    test::TempFolder dir;
    FakeHost host;
    ScriptedInteraction ui;
    {
        CollectionDatabase db(host, ui, dir.path());
        ASSERT_TRUE(db.startUp());
    }
    ASSERT_TRUE(QFile::remove(dir.file("MASTER.MDX")));
    CollectionDatabase db(host, ui, dir.path());
    ASSERT_TRUE(db.startUp());
    EXPECT_TRUE(QFileInfo::exists(dir.file("MASTER.MDX")));
    EXPECT_EQ(db.table()->activeTag(), "NewIndex");
    EXPECT_TRUE(db.table()->indexProblem().empty());
    EXPECT_TRUE(ui.messages().empty());
}

TEST(StartUp, ADamagedMasterIsReportedNotReplaced) {
    test::TempFolder dir;
    QFile f(dir.file("MASTER.DBF"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a table");
    f.close();
    FakeHost host;
    ScriptedInteraction ui;
    CollectionDatabase db(host, ui, dir.path());
    EXPECT_FALSE(db.startUp());  // nothing chosen instead
    ASSERT_GE(ui.messages().size(), 2u);
    EXPECT_TRUE(ui.messages()[0].text.contains("MASTER.DBF"));
    EXPECT_EQ(QFileInfo(dir.file("MASTER.DBF")).size(), 11);
}
