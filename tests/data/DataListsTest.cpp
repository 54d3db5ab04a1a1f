#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIdentityProxyModel>
#include <QStringListModel>

#include "FileSizeLimit.h"
#include "TempFolder.h"
#include "common/ProgramFolder.h"
#include "common/ScriptedInteraction.h"
#include "data/DataLists.h"
#include "data/ListFile.h"

using namespace vz;
using namespace vz::data;

namespace {

constexpr DataList kNine[] = {DataList::Country, DataList::Topic,     DataList::Condition,
                              DataList::Group,   DataList::StampType, DataList::Cancellation,
                              DataList::Gum,     DataList::Color,     DataList::Hinged};

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

QByteArray crlfLines(const QStringList& entries) {
    QByteArray b;
    for (const QString& e : entries) b += e.toLatin1() + "\r\n";
    return b;
}

// Two entries that name their list and where they came from: "Country MINE", "Gum 2 default".
QStringList sample(DataList list, const QString& source) {
    const QString title = dataListInfo(list).title;
    return {title + " " + source, title + " 2 " + source};
}

class DataListsTest : public ::testing::Test {
protected:
    DataListsTest() : lists(program.path(), ui) {}

    QString base(const QString& name) const { return joinPath(databases.path(), name); }
    QString file(const QString& baseName, DataList l) const {
        return baseName + dataListInfo(l).extension;
    }
    void writeDefaults() {
        for (DataList l : kNine)
            writeBytes(lists.programListPath(l), crlfLines(sample(l, "default")));
    }
    void writeDatabaseLists(const QString& baseName, const QString& tag) {
        for (DataList l : kNine) writeBytes(file(baseName, l), crlfLines(sample(l, tag)));
    }
    void setAll(const QString& tag) {
        for (DataList l : kNine) lists.model(l)->setStringList(sample(l, tag));
    }
    void expectLists(const QString& tag) {
        for (DataList l : kNine)
            EXPECT_EQ(lists.entries(l), sample(l, tag)) << dataListInfo(l).title;
    }
    void expectFiles(const QString& baseName, const QString& tag) {
        for (DataList l : kNine)
            EXPECT_EQ(readBytes(file(baseName, l)), crlfLines(sample(l, tag)))
                << dataListInfo(l).title;
    }

    test::TempFolder program, databases;
    ScriptedInteraction ui;
    DataLists lists;
};

}  // namespace

TEST_F(DataListsTest, OnlyAMissingCountryFileBringsInTheDefaults) {
    writeDefaults();
    writeDatabaseLists(base("MINE"), "MINE");
    lists.setBaseName(base("MINE"));
    EXPECT_TRUE(lists.LoadAllList());
    expectLists("MINE");

    // A missing file beside the Country file is an empty list, not the default one.
    QFile::remove(file(base("MINE"), DataList::StampType));
    EXPECT_TRUE(lists.LoadAllList());
    EXPECT_TRUE(lists.entries(DataList::StampType).isEmpty());
    EXPECT_EQ(lists.entries(DataList::Gum), sample(DataList::Gum, "MINE"));

    // Without a Country file, or with a folder of that name, every list is a default one.
    QFile::remove(file(base("MINE"), DataList::Country));
    EXPECT_TRUE(lists.LoadAllList());
    expectLists("default");
    ASSERT_TRUE(QDir(databases.path()).mkdir("MINE.001"));
    EXPECT_TRUE(lists.LoadAllList());
    expectLists("default");

    // Without default files the lists are empty. None of this is worth a message.
    for (DataList l : kNine) QFile::remove(lists.programListPath(l));
    EXPECT_TRUE(lists.LoadAllList());
    for (DataList l : kNine) EXPECT_TRUE(lists.entries(l).isEmpty());
    EXPECT_TRUE(ui.shown.empty());
}

// A.B.DBF, A.C.DBF and A.DBF in one folder each keep their own lists (A.B.001 ...). Lists that
// earlier versions kept under the name up to the first "." (A.001 ...) are read while the new
// files are missing, and are not written to again.
TEST_F(DataListsTest, TablesWhoseNamesShareTheirFirstPartKeepTheirOwnLists) {
    writeDefaults();
    writeDatabaseLists(base("A"), "earlier");
    lists.setBaseName(base("A.B"));
    EXPECT_TRUE(lists.LoadAllList());
    expectLists("earlier");
    setAll("AB");
    EXPECT_TRUE(lists.switchToOpenedDatabase(base("A.C")));
    expectFiles(base("A.B"), "AB");
    expectFiles(base("A"), "earlier");
    expectLists("earlier");
    setAll("AC");
    EXPECT_TRUE(lists.switchToOpenedDatabase(base("A")));
    expectLists("earlier");
    setAll("A");
    EXPECT_TRUE(lists.switchToOpenedDatabase(base("A.B")));
    expectLists("AB");
    expectFiles(base("A.C"), "AC");
    expectFiles(base("A"), "A");
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(DataListsTest, BothHoldersOfAListSeeEveryLoadAndChange) {
    writeDefaults();
    writeDatabaseLists(base("MINE"), "MINE");
    // The edit window's box and the grid's choice box, each with its own view of the list.
    QIdentityProxyModel editBox, gridBox;
    editBox.setSourceModel(lists.model(DataList::Country));
    gridBox.setSourceModel(lists.model(DataList::Country));
    auto shown = [](const QAbstractItemModel& m) {
        QStringList s;
        for (int r = 0; r < m.rowCount(); ++r) s << m.index(r, 0).data().toString();
        return s;
    };

    lists.setBaseName(base("MINE"));
    lists.LoadAllList();
    EXPECT_EQ(shown(editBox), sample(DataList::Country, "MINE"));
    EXPECT_EQ(shown(gridBox), shown(editBox));
    lists.AddToList(DataList::Country, "Aden");
    EXPECT_EQ(shown(gridBox).last(), "Aden");
    lists.LoadDefaultList();
    EXPECT_EQ(shown(gridBox), sample(DataList::Country, "default"));
    lists.applyListEditor(DataList::Country, {"Zanzibar", "Aden"});
    EXPECT_EQ(shown(editBox), QStringList({"Zanzibar", "Aden"}));
    EXPECT_EQ(shown(gridBox), shown(editBox));
}

TEST_F(DataListsTest, SavedListsReadBackAsTheyWere) {
    lists.setBaseName(base("MINE"));
    setAll("saved");
    lists.model(DataList::Condition)->setStringList({"  Mint ", QString::fromUtf8("Très bon")});
    lists.model(DataList::Hinged)->setStringList({});
    EXPECT_TRUE(lists.SaveAllLists());
    EXPECT_EQ(readBytes(file(base("MINE"), DataList::Condition)), "  Mint \r\nTr\xE8s bon\r\n");
    EXPECT_EQ(QFileInfo(file(base("MINE"), DataList::Hinged)).size(), 0);

    DataLists again(program.path(), ui);
    again.setBaseName(base("MINE"));
    EXPECT_TRUE(again.LoadAllList());
    for (DataList l : kNine) EXPECT_EQ(again.entries(l), lists.entries(l));

    // While no database is open there is nowhere to save to.
    DataLists unopened(program.path(), ui);
    unopened.model(DataList::Country)->setStringList({"Aden"});
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(program.path()));
    EXPECT_TRUE(unopened.SaveAllLists());
    QDir::setCurrent(before);
    EXPECT_TRUE(QDir(program.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(DataListsTest, AddToListAddsATrimmedNewValueAtTheEnd) {
    lists.model(DataList::Condition)->setStringList({"Used", "Mint"});
    EXPECT_FALSE(lists.AddToList(DataList::Condition, " Mint"));
    EXPECT_FALSE(lists.AddToList(DataList::Condition, "   "));
    EXPECT_TRUE(lists.AddToList(DataList::Condition, "mint"));
    EXPECT_TRUE(lists.AddToList(DataList::Condition, "  CTO  "));
    // The grid's side finds the value the edit window's side has just added.
    EXPECT_FALSE(lists.AddToListTwwDB(DataList::Condition, "CTO"));
    EXPECT_EQ(lists.entries(DataList::Condition), QStringList({"Used", "Mint", "mint", "CTO"}));
}

TEST_F(DataListsTest, TheDefaultListQuestionsActOnlyOnYes) {
    writeDefaults();
    writeDatabaseLists(base("MINE"), "MINE");
    lists.setBaseName(base("MINE"));
    lists.LoadAllList();

    ui.answers = {Answer::No, Answer::No};
    EXPECT_FALSE(lists.SaveAsDefaults());
    EXPECT_FALSE(lists.LoadInDefaults());
    expectLists("MINE");
    for (DataList l : kNine)
        EXPECT_EQ(readBytes(lists.programListPath(l)), crlfLines(sample(l, "default")));
    const std::vector<Message> asked = ui.messages();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text,
              "Your current Data Lists will become your default list values.  These values will be "
              "used when new databases are created.  Previous default values will be lost.  Do you "
              "want to proceed?");
    EXPECT_EQ(asked[1].text,
              "Your current Data Lists will be overridden with your default list values. Previous  "
              "values will be lost.  Do you want to proceed?");
    for (const Message& m : asked) {
        EXPECT_EQ(m.caption, "Warning");
        EXPECT_EQ(m.buttons, Buttons::YesNo);
        EXPECT_EQ(m.defaultButton, Answer::No);
    }
    EXPECT_EQ(ui.beeps(), 2);

    lists.AddToList(DataList::Gum, "OG");
    ui.answers = {Answer::Yes};
    EXPECT_TRUE(lists.SaveAsDefaults());
    EXPECT_EQ(readBytes(lists.programListPath(DataList::Gum)),
              crlfLines(sample(DataList::Gum, "MINE") << "OG"));

    // Loaded defaults reach the database's files at the next save point, not before: the
    // program may end first, and the database keeps its own lists.
    writeDefaults();
    ui.answers = {Answer::Yes};
    EXPECT_TRUE(lists.LoadInDefaults());
    expectLists("default");
    expectFiles(base("MINE"), "MINE");
    EXPECT_TRUE(lists.saveAtEditWindowClose());
    expectFiles(base("MINE"), "default");
}

TEST_F(DataListsTest, AListThatCannotBeWrittenKeepsItsOldFile) {
    writeDatabaseLists(base("MINE"), "old");
    lists.setBaseName(base("MINE"));
    QStringList many;
    for (int i = 0; i < 50; ++i) many << QString("Country %1").arg(i);
    lists.model(DataList::Country)->setStringList(many);
    {
        test::FileSizeLimit limit(64);  // a full disk
        EXPECT_FALSE(lists.SaveAllLists());
    }
    // One error box, and the save stopped there: every file holds what it held.
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    EXPECT_TRUE(ui.messages()[0].text.contains(file(base("MINE"), DataList::Country)));
    expectFiles(base("MINE"), "old");
    EXPECT_EQ(QDir(databases.path()).entryList(QDir::Files).size(), 9);  // no temporary file left
    EXPECT_EQ(lists.entries(DataList::Country), many);

    // A folder where a list file should be is passed over without a word; the rest are written.
    ASSERT_TRUE(QFile::remove(file(base("MINE"), DataList::Condition)));
    ASSERT_TRUE(QDir(databases.path()).mkdir("MINE.003"));
    EXPECT_FALSE(lists.SaveAllLists());
    EXPECT_EQ(ui.messages().size(), 1u);
    EXPECT_TRUE(QFileInfo(file(base("MINE"), DataList::Condition)).isDir());
    EXPECT_EQ(readBytes(file(base("MINE"), DataList::Country)), crlfLines(many));
    EXPECT_EQ(readBytes(file(base("MINE"), DataList::Hinged)), "");

    // A file that breaks off while read is reported too.
    EXPECT_FALSE(lists.LoadList("/proc/self/mem", DataList::Country));  // EIO at address 0
    EXPECT_EQ(ui.messages().size(), 2u);
    EXPECT_TRUE(lists.entries(DataList::Country).isEmpty());
}

TEST_F(DataListsTest, ListEditorOkStoresItsEntriesThenSavesTheDatabaseLists) {
    lists.setBaseName(base("MINE"));
    setAll("mine");
    EXPECT_TRUE(lists.applyListEditor(DataList::Faults, {"thin ", "crease"}));
    EXPECT_EQ(readBytes(lists.programListPath(DataList::Faults)), "thin \r\ncrease\r\n");
    expectFiles(base("MINE"), "mine");

    // A Miscellaneous file that cannot be written keeps no database list from being saved.
    ASSERT_TRUE(QDir(program.path()).mkdir("MISC.LST"));
    lists.model(DataList::Topic)->setStringList({"Birds"});
    EXPECT_FALSE(lists.applyListEditor(DataList::Miscellaneous, {"Pair"}));
    EXPECT_EQ(readBytes(file(base("MINE"), DataList::Topic)), "Birds\r\n");
    EXPECT_TRUE(ui.shown.empty());
}

TEST(ShippedLists, EveryListShipsWithEntriesThatFitIt) {
    for (const DataListInfo& info : dataListTable()) {
        SCOPED_TRACE(info.defaultFile);
        const QString shipped = joinPath(VZ_SOURCE_DIR "/resources/lists", info.defaultFile);
        const ListFileRead r = readListFile(shipped);
        ASSERT_EQ(r.outcome, ListFileRead::Outcome::Read);
        EXPECT_GE(r.entries.size(), info.list == DataList::Country ? 200 : 5);
        for (const QString& e : r.entries) {
            EXPECT_LE(e.size(), info.longestEntry) << e.toStdString();
            EXPECT_EQ(e, e.trimmed()) << e.toStdString();
        }
        EXPECT_EQ(QSet<QString>(r.entries.begin(), r.entries.end()).size(), r.entries.size());
        // Written as the program writes lists: CR LF, no blank lines, nothing outside Windows-1252.
        test::TempFolder dir;
        ASSERT_EQ(writeListFile(dir.file("copy"), r.entries).outcome,
                  ListFileWrite::Outcome::Written);
        EXPECT_EQ(readBytes(dir.file("copy")), readBytes(shipped));
        // A build holds them beside its executables.
        EXPECT_TRUE(QFileInfo(joinPath(VZ_BUILD_DIR, info.defaultFile)).isFile());
    }
}
