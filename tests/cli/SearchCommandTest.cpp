// vazovi-cli search: the records a search admits, in the saved order, in the dump format.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <random>
#include <sstream>

#include "CliCommands.h"
#include "CliRun.h"
#include "DelimitedText.h"
#include "common/ProgramFolder.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "search/SearchItems.h"
#include "search/SortOrder.h"
#include "search/TableInOrder.h"

using namespace vz::cli;
using namespace vz::cli::test;
namespace search = vz::search;

namespace {

std::string row(const std::string& description, const std::string& country,
                const std::string& value, const std::string& year, const std::string& date) {
    std::vector<std::string> v(25);
    v[1] = description;
    v[2] = country;
    v[4] = value;
    v[6] = year;
    v[13] = date;
    std::string line;
    for (size_t i = 0; i < v.size(); ++i) line += std::string(i ? "," : "") + vz::cli::quoted(v[i]);
    return line + "\n";
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

bool readIso(QStringView text, vz::engine::Date& d) {
    return vz::engine::Date::parse(text.toString().toStdString(), d);
}

class CliSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid() && configDir.isValid() && work.isValid());
        ::setenv("VAZOVI_PROGRAM_DIR", programDir.path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit().constData(), 1);
        table = work.filePath(QStringLiteral("COLL.DBF")).toStdString();
        ASSERT_EQ(cli({"create", table}).code, kOk);
        std::mt19937 rng(7);
        const char* countries[] = {"Peru", "ÖSTERREICH", "Chile", "Curaçao", "France", "togo"};
        const char* words[] = {"Lake", "lake view", "bird", "MOUNTAIN LAKE", "ship", "Église"};
        std::string input;
        for (int i = 0; i < 200; ++i) {
            const int day = 1 + int(rng() % 28);
            input +=
                row(words[rng() % 6], countries[rng() % 6], std::to_string(rng() % 8) + ".5",
                    std::to_string(1900 + rng() % 20),
                    rng() % 3 ? "1995-03-" + std::string(day < 10 ? "0" : "") + std::to_string(day)
                              : "");
        }
        const CliRun a = cli({"append", table}, input);
        ASSERT_EQ(a.code, kOk) << a.err;
        vz::data::DatabaseSettings database;
        database.sortLevels.level = {3, 7, 0, 0};  // country, then year
        database.field(7).caption = "Year of Issue";
        ASSERT_TRUE(
            vz::data::saveDatabaseSettings(database, work.filePath(QStringLiteral("COLL.INI"))));
    }
    void TearDown() override {
        ::unsetenv("VAZOVI_PROGRAM_DIR");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    // What the search window's items admit, read through the table in its saved order, in the
    // dump format.
    std::vector<std::string> windowResult(
        const std::vector<std::array<QString, search::kSearchRows>>& levels,
        const search::RowOperators& ops) {
        search::SearchItems items;
        for (const auto& cells : levels) {
            EXPECT_EQ(items.saveLevel(cells, ops, readIso).outcome, search::SaveOutcome::Saved);
            items.nextLevel();
        }
        const QString path = QString::fromStdString(table);
        auto t = search::openInSortOrder(
            path, search::BuildSortString(search::databaseSettingsOf(path).sortLevels));
        EXPECT_TRUE(t);
        vz::engine::Table& tb = **t;
        tb.setFilter([&](const vz::engine::Table& x) { return items.test(x); });
        std::vector<std::string> out;
        std::string v;
        EXPECT_TRUE(tb.first());
        for (; !tb.eof(); (void)tb.next()) {
            std::string line;
            for (int f = 0; f < tb.fieldCount(); ++f) {
                EXPECT_TRUE(tb.readText(f, v));
                const size_t b = v.find_first_not_of(' ');
                v = b == std::string::npos ? "" : v.substr(b, v.find_last_not_of(' ') - b + 1);
                line += std::string(f ? "," : "") + vz::cli::quoted(v);
            }
            out.push_back(line);
        }
        return out;
    }
    QTemporaryDir programDir, configDir, work;
    std::string table;
};

std::array<QString, search::kSearchRows> cells(
    std::initializer_list<std::pair<int, QString>> filled) {
    std::array<QString, search::kSearchRows> c;
    for (const auto& [r, text] : filled) c[size_t(r - 1)] = text;
    return c;
}

}  // namespace

TEST_F(CliSearch, PrintsWhatTheWindowsItemsAdmitInTheSavedOrder) {
    search::RowOperators ops = search::defaultRowOperators();
    ops[7 - 1] = search::RowOperator::Between;
    ops[14 - 1] = search::RowOperator::Less;

    const CliRun one = cli({"search", table, "descriptio~LAKE"});
    ASSERT_EQ(one.code, kOk) << one.err;
    const auto expectedOne = windowResult({cells({{2, "lake"}})}, ops);
    EXPECT_FALSE(expectedOne.empty());
    EXPECT_EQ(lines(one.out), expectedOne);

    const CliRun two = cli({"search", table, "Country~österreich", "year of issue>1905",
                            "YEAR<1915", "--or", "Description~église", "date<1995-03-10"});
    ASSERT_EQ(two.code, kOk) << two.err;
    const auto expectedTwo = windowResult({cells({{3, "ÖSTERREICH"}, {7, "> 1905 AND < 1915"}}),
                                           cells({{2, "ÉGLISE"}, {14, "< 1995-03-10"}})},
                                          ops);
    EXPECT_FALSE(expectedTwo.empty());
    EXPECT_EQ(lines(two.out), expectedTwo);
}

TEST_F(CliSearch, NoMatchPrintsNothingAndABadCriterionIsAUsageError) {
    const CliRun none = cli({"search", table, "Country~Atlantis"});
    EXPECT_EQ(none.code, kOk);
    EXPECT_EQ(none.out, "");

    const CliRun bad = cli({"search", table, "Country~a", "Year>nineteen"});
    EXPECT_EQ(bad.code, kUsage);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("\"Year>nineteen\""), std::string::npos) << bad.err;

    EXPECT_EQ(cli({"search", table}).code, kUsage);
    EXPECT_EQ(cli({"search", table, "Country~a", "--order", "x"}).code, kUsage);
    EXPECT_EQ(cli({"search", work.filePath("NONE.DBF").toStdString(), "Country~a"}).code, kFailed);
}
