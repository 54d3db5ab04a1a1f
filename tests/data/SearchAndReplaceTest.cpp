#include <gtest/gtest.h>

#include "CollectionFixture.h"
#include "FileSizeLimit.h"
#include "data/TableMaintenance.h"
#include "search/SearchAndReplace.h"

using namespace vz;
using vz::search::ReplaceCallbacks;
using vz::search::ReplaceCounters;
using vz::search::ReplaceFault;
using vz::search::ReplaceValues;

namespace {

bool isoDate(QStringView text, engine::Date& d) {
    return engine::Date::parse(text.toString().toStdString(), d);
}

class SearchAndReplace : public test::CollectionFixture {
protected:
    // Field numbers: 1 Catalog, 3 Country, 5 MarketValu, 14 Date.
    bool run(int field, const QString& from, const QString& to, ReplaceCounters& counters,
             ReplaceCallbacks callbacks = {}) {
        ReplaceValues values;
        if (search::prepareReplace(field, from, to, isoDate, ui, values) != ReplaceFault::None)
            return false;
        return search::runSearchAndReplace(*host, ui, values, callbacks, counters);
    }
};

TEST_F(SearchAndReplace, TextMatchesTheWholeValueInAnyCaseAndWritesTheReplacementAsTyped) {
    add({{"Catalog", "1"}, {"Country", "France"}});
    add({{"Catalog", "2"}, {"Country", "FRANCE"}});
    add({{"Catalog", "3"}, {"Country", "French Guiana"}});  // holds the text, but is not it
    add({{"Catalog", "4"}, {"Country", "Spain"}});
    ReplaceCounters c;
    ASSERT_TRUE(run(3, "  france ", "République Française", c));
    EXPECT_EQ(column("Country"),
              (std::vector<std::string>{"République Française", "République Française",
                                        "French Guiana", "Spain"}));
    EXPECT_EQ(c.processed, 4u);
    EXPECT_EQ(c.found, 2u);
    EXPECT_EQ(c.changed, 2u);
    EXPECT_EQ(ui.messages().back().caption, "Finished");
    EXPECT_EQ(ui.messages().back().text, "Global Search and Replace Complete.");
    // Afterwards the table is shared again, in the sort order.
    ASSERT_NE(program->database().table(), nullptr);
    EXPECT_EQ(table().mode(), engine::OpenMode::Shared);
    EXPECT_EQ(table().activeTag(), "NewIndex");
    EXPECT_EQ(table().countLive().value(), 4u);
    // Accented letters fold as plain ones do, in the table's code page.
    ASSERT_TRUE(run(3, "RÉPUBLIQUE FRANÇAISE", "France", c));
    EXPECT_EQ(c.changed, 2u);
    ASSERT_TRUE(run(3, "RÉPUBLIQUE", "x", c));
    EXPECT_EQ(c.changed, 0u);
    add({{"Catalog", "5"}, {"Country", "CURAÇAO"}});
    ASSERT_TRUE(run(3, "curaçao", "Curaçao", c));
    EXPECT_EQ(c.changed, 1u);
    EXPECT_EQ(column("Country").back(), "Curaçao");
}

TEST_F(SearchAndReplace, AnEmptySearchFillsTheEmptyFields) {
    add({{"Catalog", "1"}, {"Country", "Chile"}});
    add({{"Catalog", "2"}});
    ReplaceCounters c;
    ASSERT_TRUE(run(3, "", "Peru", c));
    EXPECT_EQ(column("Country"), (std::vector<std::string>{"Chile", "Peru"}));
}

TEST_F(SearchAndReplace, ConfirmNoLeavesTheRecordButCountsItFound) {
    add({{"Catalog", "A1"}, {"Country", "Chile"}});
    add({{"Catalog", "A2"}, {"Country", "Chile"}});
    std::vector<QString> asked;
    ReplaceCallbacks cb;
    cb.confirm = [&asked](const QString& catalog) {
        asked.push_back(catalog);
        return catalog == "A2";
    };
    ReplaceCounters c;
    ASSERT_TRUE(run(3, "chile", "Peru", c, cb));
    EXPECT_EQ(asked, (std::vector<QString>{"A1", "A2"}));
    EXPECT_EQ(column("Country"), (std::vector<std::string>{"Chile", "Peru"}));
    EXPECT_EQ(c.found, 2u);
    EXPECT_EQ(c.changed, 1u);
}

TEST_F(SearchAndReplace, NumbersAndDatesCompareByValue) {
    add({{"Catalog", "1"}, {"MarketValu", "5.0"}, {"Date", "2001-02-03"}});
    add({{"Catalog", "2"}, {"MarketValu", "5.5"}});
    add({{"Catalog", "3"}});  // blank: neither 0 nor any date
    ReplaceCounters c;
    ASSERT_TRUE(run(5, "5", "7.25", c));
    EXPECT_EQ(column("MarketValu"), (std::vector<std::string>{"7.25", "5.5", ""}));
    ASSERT_TRUE(run(5, "0", "1", c));
    EXPECT_EQ(c.found, 0u);
    ASSERT_TRUE(run(14, "2001-02-03", "1999-12-31", c));
    EXPECT_EQ(c.changed, 1u);
    auto t = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Shared);
    ASSERT_TRUE((*t)->go(1).isOk());
    EXPECT_EQ((*t)->date((*t)->fieldIndex("Date")).value().toIso(), "1999-12-31");
}

TEST_F(SearchAndReplace, TypedValuesAreCheckedWithTheirMessages) {
    ReplaceValues v;
    EXPECT_EQ(search::prepareReplace(0, "a", "b", isoDate, ui, v), ReplaceFault::NoField);
    EXPECT_EQ(search::prepareReplace(5, "", "1", isoDate, ui, v), ReplaceFault::SearchValue);
    EXPECT_EQ(search::prepareReplace(5, "1", "1,5", isoDate, ui, v),
              ReplaceFault::ReplacementValue);
    EXPECT_EQ(search::prepareReplace(14, "2001-02-30", "2001-02-03", isoDate, ui, v),
              ReplaceFault::SearchValue);
    EXPECT_EQ(search::prepareReplace(14, "2001-02-03", "", isoDate, ui, v),
              ReplaceFault::ReplacementValue);
    EXPECT_EQ(texts(), (std::vector<QString>{
                           "No field has been selected.",
                           "Invalid search value entered.  Please correct.",
                           "Invalid replacement value entered.  Please correct.",
                           "Invalid search date entered.  Please correct.",
                           "Invalid replacement date entered.  Please correct.",
                       }));
}

TEST_F(SearchAndReplace, AReplacementTheFieldCannotHoldIsRefusedBeforeAnyChange) {
    add({{"Catalog", "1"}, {"Country", "Chile"}});
    add({{"Catalog", "2"}, {"Country", "Chile"}});
    ReplaceCounters c;
    EXPECT_FALSE(run(3, "Chile", std::string(41, 'x').c_str(), c));  // Country holds 40
    EXPECT_FALSE(run(3, "Chile", "Ελλάδα", c));                      // not in Windows-1252
    EXPECT_FALSE(run(5, "0", "123456789012345678", c));              // too wide for N(20,4)
    EXPECT_EQ(c.processed, 0u);
    EXPECT_EQ(column("Country"), (std::vector<std::string>{"Chile", "Chile"}));
    EXPECT_FALSE(shown("Global Search"));
    EXPECT_EQ(table().mode(), engine::OpenMode::Shared);
    EXPECT_EQ(table().activeTag(), "NewIndex");
}

TEST_F(SearchAndReplace, RefusedWhileAnotherOpenHoldsTheTable) {
    add({{"Catalog", "1"}, {"Country", "Chile"}});
    auto other = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Shared);
    ASSERT_TRUE(other.isOk());
    ReplaceCounters c;
    EXPECT_FALSE(run(3, "Chile", "Peru", c));
    EXPECT_TRUE(shown("Search and Replace requires exclusive use of the DBase File."));
    other->reset();
    EXPECT_EQ(column("Country"), (std::vector<std::string>{"Chile"}));
    ASSERT_NE(program->database().table(), nullptr);
}

TEST_F(SearchAndReplace, EveryRecordIsVisitedWhateverTheSearchAndTheSearchComesBack) {
    add({{"Catalog", "1"}, {"Country", "Chile"}});
    add({{"Catalog", "2"}, {"Country", "Chile"}});
    program->searchTest = [](const engine::Table& t) { return t.text(0).rfind("1", 0) == 0; };
    program->setSearchMode(true);
    ReplaceCounters c;
    ASSERT_TRUE(run(3, "Chile", "Peru", c));
    EXPECT_EQ(c.changed, 2u);
    EXPECT_TRUE(program->searchMode());
}

TEST_F(SearchAndReplace, AFailureBeforeTheRunAbortsWithNothingChanged) {
    for (int i = 0; i < 50; ++i) add({{"Catalog", std::to_string(i)}, {"Country", "Chile"}});
    ReplaceCounters c;
    ReplaceValues v;
    ASSERT_EQ(search::prepareReplace(3, "Chile", "Peru", isoDate, ui, v), ReplaceFault::None);
    {
        test::FileSizeLimit limit(1);  // nothing can be written
        EXPECT_FALSE(search::runSearchAndReplace(*host, ui, v, {}, c));
    }
    EXPECT_TRUE(shown("Error in running search and replace.  Search and replace will be aborted."));
    EXPECT_FALSE(shown("Global Search"));
    EXPECT_EQ(c.changed, 0u);
    EXPECT_EQ(column("Country"), std::vector<std::string>(50, "Chile"));
    ASSERT_NE(program->database().table(), nullptr);
    EXPECT_EQ(table().mode(), engine::OpenMode::Shared);
    // The sort tag comes back with the next rebuild at the latest.
    ui.answers = {Answer::Yes};
    EXPECT_TRUE(data::MenuRebuildClick(*host, ui));
    EXPECT_EQ(table().activeTag(), "NewIndex");
}

TEST_F(SearchAndReplace, OtherTagsOfTheIndexAreKept) {
    add({{"Catalog", "1"}, {"Country", "Chile"}});
    program->database().closeTable();
    {
        auto t = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Exclusive);
        ASSERT_TRUE((*t)->addTag("BYCAT", "CATALOG").isOk());
    }
    ASSERT_TRUE(program->database().openTable(engine::OpenMode::Shared));
    ReplaceCounters c;
    ASSERT_TRUE(run(3, "Chile", "Peru", c));
    EXPECT_TRUE(table().hasTag("BYCAT"));
    EXPECT_EQ(table().activeTag(), "NewIndex");
}

// Pack and rebuild share the exclusive-use pattern.
TEST_F(SearchAndReplace, PackAsksRefusesWhenHeldAndRemovesDeletedRecords) {
    for (int i = 0; i < 20; ++i)
        add({{"Catalog", std::to_string(i)}, {"Descriptio", "secret-" + std::to_string(i)}});
    ASSERT_TRUE(table().go(3).isOk());
    ASSERT_TRUE(table().deleteRecord().isOk());
    const qint64 before = QFileInfo(tablePath()).size();

    ui.answers.push_back(Answer::No);
    EXPECT_FALSE(data::MenuPackClick(*host, ui));
    EXPECT_EQ(QFileInfo(tablePath()).size(), before);

    auto other = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Shared);
    ui.answers.push_back(Answer::Yes);
    EXPECT_FALSE(data::MenuPackClick(*host, ui));
    EXPECT_TRUE(
        shown("Unable to pack table.  Packing requires exclusive use of the DBase File.  Make sure "
              "that the "
              "DBase File is not in use by another program  or"));
    ASSERT_NE(program->database().table(), nullptr);
    EXPECT_EQ(table().mode(), engine::OpenMode::Shared);
    other->reset();

    ui.answers.push_back(Answer::Yes);
    EXPECT_TRUE(data::MenuPackClick(*host, ui));
    EXPECT_LT(QFileInfo(tablePath()).size(), before);
    QFile f(tablePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().contains("secret-2 "));
    EXPECT_EQ(table().countLive().value(), 19u);
    EXPECT_EQ(table().activeTag(), "NewIndex");
}

TEST_F(SearchAndReplace, PackAndRebuildThatFailSaySo) {
    for (int i = 0; i < 200; ++i)
        add({{"Catalog", std::to_string(i)}, {"Descriptio", std::string(40, 'd')}});
    ASSERT_TRUE(table().go(3).isOk());
    ASSERT_TRUE(table().deleteRecord().isOk());
    ui.answers = {Answer::Yes, Answer::Ok, Answer::Yes};  // the pack's error box takes the Ok
    {
        test::FileSizeLimit limit(4096);
        EXPECT_FALSE(data::MenuPackClick(*host, ui));
        EXPECT_FALSE(data::MenuRebuildClick(*host, ui));
    }
    EXPECT_TRUE(shown("The table could not be packed"));
    EXPECT_TRUE(shown("The index could not be rebuilt"));
    ASSERT_NE(program->database().table(), nullptr);
    EXPECT_EQ(table().countLive().value(), 199u);
    ui.answers = {Answer::Yes};
    EXPECT_TRUE(data::MenuRebuildClick(*host, ui));
}

TEST_F(SearchAndReplace, RebuildGivesATableWithoutAnIndexItsSortTag) {
    add({{"Catalog", "1"}, {"Country", "Chile"}});
    program->database().closeTable();
    QFile::remove(dir.file("MASTER.MDX"));
    engine::removeMdxByte(tablePath().toStdString());
    ASSERT_TRUE(program->database().openTable(engine::OpenMode::Shared));
    ui.answers = {Answer::Yes};
    EXPECT_TRUE(data::MenuRebuildClick(*host, ui));
    EXPECT_TRUE(QFileInfo::exists(dir.file("MASTER.MDX")));
    EXPECT_EQ(table().activeTag(), "NewIndex");
}

}  // namespace
