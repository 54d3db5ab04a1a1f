#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "TempFolder.h"
#include "common/ProgramFolder.h"
#include "common/ScriptedInteraction.h"
#include "data/DatabaseFiles.h"
#include "data/NewDatabase.h"
#include "data/Schema.h"
#include "engine/Table.h"

using namespace vz;
using vz::engine::OpenMode;
using vz::engine::Table;

namespace {

std::unique_ptr<Table> openTable(const QString& path, OpenMode mode) {
    auto t = Table::open(toNativePath(path), mode);
    EXPECT_TRUE(t) << t.status().message();
    return t ? std::move(t.value()) : nullptr;
}

void appendOne(Table& t, const std::string& country) {
    ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.setText(2, country));
    ASSERT_TRUE(t.post());
}

}  // namespace

TEST(MakeNewDB, CreatesAnEmptyCollectionTableWithoutIndex) {
    test::TempFolder dir;
    const QString path = dir.file("MINE.DBF");
    QFile stale(dir.file("MINE.MDX"));  // left over from an earlier table of that name
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    ScriptedInteraction ui;
    ASSERT_TRUE(data::MakeNewDB(path, ui));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_FALSE(QFileInfo::exists(dir.file("MINE.MDX")));

    auto t = openTable(path, OpenMode::Shared);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->recordCount(), 0u);
    EXPECT_EQ(t->header().mdxFlag, 0);
    EXPECT_EQ(t->header().languageDriver, 0x57);
    std::vector<std::string> names;
    for (int i = 0; i < t->fieldCount(); ++i) names.push_back(t->field(i).name);
    EXPECT_TRUE(data::hasCollectionFieldNames(names));
}

TEST(MakeNewDB, ReplacesATableNobodyHolds) {
    test::TempFolder dir;
    const QString path = dir.file("MINE.DBF");
    ScriptedInteraction ui;
    ASSERT_TRUE(data::MakeNewDB(path, ui));
    {
        auto t = openTable(path, OpenMode::Shared);
        appendOne(*t, "France");
    }
    ASSERT_TRUE(data::MakeNewDB(path, ui));
    EXPECT_EQ(openTable(path, OpenMode::Shared)->recordCount(), 0u);
}

TEST(MakeNewDB, RefusesATableInUseAndLeavesItAlone) {
    test::TempFolder dir;
    const QString path = dir.file("MASTER.DBF");
    ScriptedInteraction ui;
    ASSERT_TRUE(data::MakeNewDB(path, ui));
    auto open = openTable(path, OpenMode::Shared);  // the program's own collection table
    appendOne(*open, "Chile");

    EXPECT_TRUE(data::DBaseInUse(path));
    EXPECT_FALSE(data::MakeNewDB(path, ui));
    const auto messages = ui.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[0].buttons, Buttons::Ok);
    EXPECT_EQ(messages[0].text, "The table \"" + path +
                                    "\" is currently in use by another program.  New table creation will be aborted.");

    ASSERT_TRUE(open->refresh());
    ASSERT_TRUE(open->first());
    EXPECT_EQ(open->recordCount(), 1u);
    EXPECT_EQ(open->text(2), "Chile               ");
    open.reset();
    EXPECT_FALSE(data::DBaseInUse(path));
}

TEST(MakeNewDB, ReportsAnEngineFailureInAnErrorBox) {
    test::TempFolder dir;
    ScriptedInteraction ui;
    // A folder that is a file: nothing can be created in it, whoever we are.
    QFile blocker(dir.file("notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(data::MakeNewDB(dir.file("notafolder/NEW.DBF"), ui));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    EXPECT_TRUE(ui.messages()[0].text.contains("notafolder")) << ui.messages()[0].text.toStdString();
}

TEST(DatabaseFiles, CaptionAndTableName) {
    // Without the last extension only, as the production index is named.
    EXPECT_EQ(data::tableNameOf("/home/ann/coll/MINE.V2.DBF"), "MINE.V2");
    EXPECT_EQ(data::tableNameOf("/home/ann/coll/MINE.DBF"), "MINE");
    EXPECT_EQ(data::tableNameOf("/home/ann/co.ll/MINE"), "MINE");
    EXPECT_EQ(data::legacyCompanionPath("/home/ann/coll/MINE.V2.INI"), "/home/ann/coll/MINE.INI");
    EXPECT_EQ(data::legacyCompanionPath("/home/ann/coll/A.B.C.001"), "/home/ann/coll/A.001");
    EXPECT_EQ(data::legacyCompanionPath("/home/ann/co.ll/MINE.INI"), "");
    EXPECT_EQ(data::legacyCompanionPath("MINE.INI"), "");
    EXPECT_EQ(data::windowCaption("MASTER"), "Kestrelhouse Vazovi 97 (MASTER)");
}

TEST(ScriptedInteraction, QuestionsBeepAndDefaultToNo) {
    ScriptedInteraction ui;
    EXPECT_FALSE(ui.confirm("Confirm", "Delete?"));
    EXPECT_EQ(ui.beeps(), 1);
    ui.answers.push_back(Answer::Yes);
    EXPECT_TRUE(ui.confirm("Confirm", "Delete?"));
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[0].defaultButton, Answer::No);
}
