#include <gtest/gtest.h>

#include "TempFolder.h"
#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "data/Schema.h"
#include "engine/Table.h"
#include "search/Locate.h"
#include "search/SortOrder.h"

using namespace vz;
using search::LocateMatch;
using search::LocateOutcome;
using search::LocateRequest;

namespace {

constexpr int kCatalog = 0, kCountry = 2, kMarket = 4, kYear = 6, kDate = 13;

struct Stamp {
    const char* catalog;
    const char* country;
    const char* market;
    int year;
    engine::Date date;
};

std::unique_ptr<engine::Table> makeTable(const QString& path, const std::vector<Stamp>& stamps) {
    EXPECT_TRUE(engine::Table::create(toNativePath(path), data::collectionFieldDefs()));
    auto t = engine::Table::open(toNativePath(path), engine::OpenMode::Exclusive);
    EXPECT_TRUE(t);
    for (const Stamp& s : stamps) {
        EXPECT_TRUE((*t)->append());
        EXPECT_TRUE((*t)->setText(kCatalog, s.catalog));
        EXPECT_TRUE((*t)->setText(kCountry, s.country));
        if (*s.market) {
            EXPECT_TRUE((*t)->setText(kMarket, s.market));
        }
        if (s.year) {
            EXPECT_TRUE((*t)->setWhole(kYear, s.year));
        }
        if (!s.date.isBlank()) {
            EXPECT_TRUE((*t)->setDate(kDate, s.date));
        }
        EXPECT_TRUE((*t)->post());
    }
    (*t)->setDateFormatter(
        [](const engine::Date& d) { return displayFormats().formatDate(d).toStdString(); });
    return std::move(t.value());
}

// The catalog of the record a locate lands on, or "-" when it finds nothing ("!" on failure).
std::string locate(engine::Table& t, int field, const QString& value, LocateMatch match,
                   bool fromFirst = true, bool caseSensitive = false) {
    LocateRequest r;
    r.field = field;
    r.value = value;
    r.match = match;
    r.fromFirst = fromFirst;
    r.caseSensitive = caseSensitive;
    // Both ways of walking: step by step, and one pass in file order over the order shown.
    const uint32_t before = t.recNo();
    const auto stepped = search::locateRecord(t, r);
    const uint32_t steppedTo = t.recNo();
    if (before != 0) {
        EXPECT_TRUE(t.go(before));
    }
    std::vector<uint32_t> order;
    EXPECT_TRUE(t.collectOrder(order));
    r.order = &order;
    const auto result = search::locateRecord(t, r);
    EXPECT_EQ(result.outcome, stepped.outcome);
    EXPECT_EQ(t.recNo(), steppedTo);
    if (result.outcome == LocateOutcome::Failed) return "!";
    if (result.outcome == LocateOutcome::NotFound) return "-";
    std::string c = t.text(kCatalog);
    return c.substr(0, c.find_last_not_of(' ') + 1);
}

class Locate : public ::testing::Test {
protected:
    void SetUp() override {
        displayFormats().setDateFormat(1, false);  // m/d/yy
        table = makeTable(dir.file("L.DBF"), {{"A1", "Peru", "2.5", 1901, {1990, 5, 17}},
                                              {"A2", "Österreich", "10", 1950, {}},
                                              {"A3", "peruvian post", "", 2001, {2001, 1, 2}},
                                              {"A4", "CURAÇAO", "-3.25", 1901, {}},
                                              {"A5", "", "2.50", 0, {}}});
        ASSERT_TRUE(table->first());
    }
    test::TempFolder dir;
    std::unique_ptr<engine::Table> table;
};

}  // namespace

TEST_F(Locate, MatchTypesAndLetterCase) {
    engine::Table& t = *table;
    EXPECT_EQ(locate(t, kCountry, "per", LocateMatch::PartialStart), "A1");
    EXPECT_EQ(locate(t, kCountry, "per", LocateMatch::PartialStart, true, true), "A3");
    EXPECT_EQ(locate(t, kCountry, "Per", LocateMatch::PartialStart, true, true), "A1");
    EXPECT_EQ(locate(t, kCountry, "post", LocateMatch::PartialStart), "-");
    EXPECT_EQ(locate(t, kCountry, "POST", LocateMatch::PartialAny), "A3");
    EXPECT_EQ(locate(t, kCountry, "peru", LocateMatch::Exact), "A1");
    // Every letter of the code page folds, not only A to Z.
    EXPECT_EQ(locate(t, kCountry, "österreich", LocateMatch::Exact), "A2");
    EXPECT_EQ(locate(t, kCountry, "curaçao", LocateMatch::PartialAny), "A4");
    EXPECT_EQ(locate(t, kCountry, "curaçao", LocateMatch::PartialAny, true, true), "-");
    // An empty value: exact finds the empty field, partial matches find nothing.
    EXPECT_EQ(locate(t, kCountry, "", LocateMatch::Exact), "A5");
    EXPECT_EQ(locate(t, kCountry, "", LocateMatch::PartialAny), "-");
    // A value longer than the field finds nothing and overruns nothing.
    EXPECT_EQ(locate(t, kCountry, QString(255, QLatin1Char('P')), LocateMatch::PartialAny), "-");
}

TEST_F(Locate, NumbersAndDates) {
    engine::Table& t = *table;
    // Decimal fields compare numbers on an exact match.
    EXPECT_EQ(locate(t, kMarket, "2.50", LocateMatch::Exact), "A1");
    EXPECT_EQ(locate(t, kMarket, "2.50", LocateMatch::Exact, false), "A5");
    EXPECT_EQ(locate(t, kMarket, "-3.25", LocateMatch::Exact), "A4");
    EXPECT_EQ(locate(t, kMarket, "2,5", LocateMatch::Exact), "-");
    EXPECT_EQ(locate(t, kMarket, "1..2", LocateMatch::Exact), "!");
    EXPECT_EQ(locate(t, kMarket, "", LocateMatch::Exact), "!");
    EXPECT_EQ(locate(t, kMarket, "2.5", LocateMatch::PartialStart), "A1");
    // Whole numbers compare their digits: a leading zero prevents a match.
    EXPECT_EQ(locate(t, kYear, "1950", LocateMatch::Exact), "A2");
    EXPECT_EQ(locate(t, kYear, "01950", LocateMatch::Exact), "-");
    EXPECT_EQ(locate(t, kYear, "19", LocateMatch::PartialStart), "A1");
    // Dates in the program's date format.
    EXPECT_EQ(locate(t, kDate, "1/2/01", LocateMatch::Exact), "A3");
    EXPECT_EQ(locate(t, kDate, "5/17", LocateMatch::PartialStart), "A1");
}

TEST_F(Locate, NextStartsAfterTheCurrentRecordAndNeverWraps) {
    engine::Table& t = *table;
    EXPECT_EQ(locate(t, kYear, "1901", LocateMatch::Exact), "A1");
    EXPECT_EQ(locate(t, kYear, "1901", LocateMatch::Exact, false), "A4");
    // Past the last match: nothing, and the table stays where it was.
    EXPECT_EQ(locate(t, kYear, "1901", LocateMatch::Exact, false), "-");
    EXPECT_EQ(t.text(kCatalog).substr(0, 2), "A4");
    // The active order and the record filter decide what locate sees.
    t.setFilter([](const engine::Table& x) { return x.text(kCatalog).substr(0, 2) != "A1"; });
    EXPECT_EQ(locate(t, kYear, "1901", LocateMatch::Exact), "A4");
    t.setFilter(nullptr);
    ASSERT_TRUE(
        search::applySortString(t, search::BuildSortString(search::SortLevels{{3, 0, 0, 0}})));
    EXPECT_EQ(locate(t, kCountry, "PERU", LocateMatch::PartialStart), "A1");
    EXPECT_EQ(locate(t, kCountry, "PERU", LocateMatch::PartialStart, false), "A3");
    EXPECT_EQ(locate(t, kCountry, "PERU", LocateMatch::PartialStart, false), "-");
    EXPECT_EQ(locate(t, kCountry, "", LocateMatch::Exact), "A5");  // the blank country sorts first
}
