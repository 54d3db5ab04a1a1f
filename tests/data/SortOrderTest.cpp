#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "TempFolder.h"
#include "common/ProgramFolder.h"
#include "common/ScriptedInteraction.h"
#include "data/NewDatabase.h"
#include "engine/Table.h"
#include "search/SortOrder.h"

using namespace vz;
using search::BuildSortString;
using search::SortLevels;

TEST(SortString, BuildsOnePiecePerChosenLevelWithSharedTextWidth) {
    EXPECT_EQ(BuildSortString(SortLevels{}), "Upper(Left(Country,80))");
    EXPECT_EQ(BuildSortString(SortLevels{{0, 0, 0, 0}}), "");
    EXPECT_EQ(BuildSortString(SortLevels{{3, 7, 0, 0}}), "Upper(Left(Country,40))+STR(Year,12,0)");
    EXPECT_EQ(BuildSortString(SortLevels{{14, 15, 0, 0}}), "DTOS(Date)+STR(Cost,12,2)");
    EXPECT_EQ(BuildSortString(SortLevels{{0, 3, 0, 0}}), "Upper(Left(Country,80))");
    EXPECT_EQ(BuildSortString(SortLevels{{1, 3, 13, 0}}),
              "Upper(Left(Catalog,26))+Upper(Left(Country,26))+Upper(Left(Topic,26))");
    EXPECT_EQ(BuildSortString(SortLevels{{3, 3, 6, 5}}),
              "Upper(Left(Country,20))+Upper(Left(Country,20))+STR(Quantity,12,0)+STR(MarketValu,12,2)");
}

namespace {

std::unique_ptr<engine::Table> collection(const QString& path, const std::vector<const char*>& countries) {
    ScriptedInteraction ui;
    EXPECT_TRUE(data::MakeNewDB(path, ui));
    auto t = engine::Table::open(toNativePath(path), engine::OpenMode::Exclusive);
    EXPECT_TRUE(t);
    for (const char* c : countries) {
        EXPECT_TRUE((*t)->append());
        EXPECT_TRUE((*t)->setText(2, c));
        EXPECT_TRUE((*t)->post());
    }
    return std::move(t.value());
}

std::vector<std::string> countries(engine::Table& t) {
    std::vector<std::string> out;
    EXPECT_TRUE(t.first());
    for (; !t.eof(); (void)t.next()) {
        std::string s = t.text(2);
        out.push_back(s.substr(0, s.find_last_not_of(' ') + 1));
    }
    return out;
}

}  // namespace

TEST(SortString, ApplyingItOrdersTheTableWithoutRegardToCase) {
    test::TempFolder dir;
    auto t = collection(dir.file("MINE.DBF"), {"peru", "Chile", "togo", "Angola", "chad"});
    ASSERT_TRUE(search::applySortString(*t, BuildSortString(SortLevels{})));
    EXPECT_EQ(t->activeTag(), "NewIndex");
    EXPECT_EQ(countries(*t), (std::vector<std::string>{"Angola", "chad", "Chile", "peru", "togo"}));

    // Another order replaces the tag; no levels give the entry order and no tag is active.
    ASSERT_TRUE(search::applySortString(*t, BuildSortString(SortLevels{{13, 0, 0, 0}})));
    EXPECT_EQ(t->tagNames(), std::vector<std::string>{"NewIndex"});
    EXPECT_EQ(t->tagExpression("NewIndex"), "UPPER(LEFT(TOPIC,80))");
    ASSERT_TRUE(search::applySortString(*t, QString()));
    EXPECT_EQ(t->activeTag(), "");
    EXPECT_EQ(countries(*t), (std::vector<std::string>{"peru", "Chile", "togo", "Angola", "chad"}));
}

TEST(SortString, StartUpUsesAnExistingIndexAsItIs) {
    test::TempFolder dir;
    const QString path = dir.file("MINE.DBF");
    {
        auto t = collection(path, {"b", "a"});
        ASSERT_TRUE(search::applySortString(*t, "Upper(Left(Country,80))"));
    }
    auto t = engine::Table::open(toNativePath(path), engine::OpenMode::Shared);
    ASSERT_TRUE(t);
    // A shared table cannot take a new tag, and need not: the existing one is used unchanged.
    ASSERT_TRUE(search::applySortStringAtStartUp(**t, "Upper(Left(Catalog,80))"));
    EXPECT_EQ((*t)->tagExpression("NewIndex"), "UPPER(LEFT(COUNTRY,80))");
    EXPECT_EQ(countries(**t), (std::vector<std::string>{"a", "b"}));
}

// A production index named in the other letter case ("MINE.mdx" beside "MINE.DBF") is the one
// whose NewIndex a new order replaces; a failed order keeps the old tag and order.
TEST(SortString, ANewOrderReplacesTheTagOfAnIndexInTheOtherLetterCaseAndAFailureKeepsIt) {
    test::TempFolder dir;
    const QString path = dir.file("MINE.DBF");
    {
        auto t = collection(path, {"peru", "Chile", "Angola"});
        ASSERT_TRUE(search::applySortString(*t, "Upper(Left(Country,80))"));
    }
    ASSERT_TRUE(QFile::rename(dir.file("MINE.MDX"), dir.file("MINE.mdx")));
    auto opened = engine::Table::open(toNativePath(path), engine::OpenMode::Exclusive);
    ASSERT_TRUE(opened);
    engine::Table& t = **opened;
    ASSERT_TRUE(t.setOrder("NewIndex"));
    engine::Status s =
        search::applySortString(t, "Country+Country+Country+Country+Country+Country");
    EXPECT_FALSE(s);  // a key of 120 bytes
    s = search::applySortString(t, "Upper(Left(Nowhere,80))");
    EXPECT_FALSE(s);
    EXPECT_EQ(t.tagExpression("NewIndex"), "UPPER(LEFT(COUNTRY,80))");
    EXPECT_EQ(countries(t), (std::vector<std::string>{"Angola", "Chile", "peru"}));

    s = search::applySortString(t, "Upper(Left(Country,80))+STR(Year,12,0)");
    ASSERT_TRUE(s) << s.message();
    EXPECT_EQ(t.tagExpression("NewIndex"), "UPPER(LEFT(COUNTRY,80))+STR(YEAR,12,0)");
    EXPECT_EQ(QDir(dir.path()).entryList({"*.mdx"}, QDir::Files | QDir::Hidden),
              QStringList{"MINE.mdx"});
    std::vector<std::string> problems;
    ASSERT_TRUE(t.checkIndex(problems));
    EXPECT_EQ(problems, std::vector<std::string>{});
}
