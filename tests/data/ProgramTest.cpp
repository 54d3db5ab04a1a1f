#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "TempFolder.h"
#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "app/Program.h"

using namespace vz;

// Everything a run saves comes back in the next run: the database last used, the recent files,
// and that database's own settings and lists.
TEST(Program, ASecondRunBringsBackWhatTheFirstSaved) {
    test::TempFolder dir;
    const QString global = dir.file("config/DUZEZIVA.INI");
    {
        ScriptedInteraction ui;
        mainwin::Program first(dir.path(), global, ui);
        ASSERT_TRUE(first.startUp());
        ui.fileNames.push_back(dir.file("MINE.DBF"));
        first.database().DoNew();
        first.settings().database.sortLevels = search::SortLevels{{7, 0, 0, 0}};
        first.settings().database.field(3).caption = "Land";
        first.lists().AddToList(data::DataList::Country, "Atlantis");
        first.settings().global.misc.dateFormat = 4;
        first.shutDown();
        first.lists().SaveAllLists();
        EXPECT_TRUE(ui.messages().empty()) << ui.messages().front().text.toStdString();
    }
    ScriptedInteraction ui;
    mainwin::Program second(dir.path(), global, ui);
    ASSERT_TRUE(second.startUp());
    EXPECT_EQ(second.settings().global.misc.lastDatabase, dir.file("MINE.DBF"));
    EXPECT_EQ(second.recentFiles().entry(0), dir.file("MASTER.DBF"));
    EXPECT_EQ(second.settings().global.misc.dateFormat, 4);
    EXPECT_EQ(second.settings().database.sortLevels, (search::SortLevels{{7, 0, 0, 0}}));
    EXPECT_EQ(second.settings().database.field(3).caption, "Land");
    EXPECT_TRUE(second.lists().entries(data::DataList::Country).contains("Atlantis"));
    ASSERT_NE(second.database().table(), nullptr);
    // At start-up an existing index is used as it stands.
    EXPECT_EQ(second.database().table()->activeTag(), "NewIndex");
    EXPECT_TRUE(ui.messages().empty());
}
