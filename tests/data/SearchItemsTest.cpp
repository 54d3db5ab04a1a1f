#include <gtest/gtest.h>

#include <random>

#include "TempFolder.h"
#include "common/ProgramFolder.h"
#include "data/Schema.h"
#include "engine/Table.h"
#include "search/SearchCriteria.h"
#include "search/SearchItems.h"

using namespace vz;
using search::ItemOperator;
using search::RowOperator;
using search::SaveOutcome;
using search::SearchItem;
using search::SearchItems;

namespace {

// One generated stamp: the fields the tests search on.
struct Stamp {
    QString description;
    QString country;
    QString marketValue;  // as typed, "" for blank
    int year = 0;         // 0: blank
    engine::Date date;    // blank or a day
};

constexpr int kDescription = 2, kCountry = 3, kMarket = 5, kYear = 7, kDate = 14;

std::vector<engine::FieldDef> collectionFields() {
    return data::collectionFieldDefs();
}

std::unique_ptr<engine::Table> makeTable(
    const QString& path, const std::vector<Stamp>& stamps,
    engine::CodePage::Id cp = engine::CodePage::Id::Windows1252) {
    EXPECT_TRUE(engine::Table::create(toNativePath(path), collectionFields(), cp));
    auto t = engine::Table::open(toNativePath(path), engine::OpenMode::Exclusive);
    EXPECT_TRUE(t);
    engine::Table& table = **t;
    for (const Stamp& s : stamps) {
        EXPECT_TRUE(table.append());
        EXPECT_TRUE(table.setText(kDescription - 1, s.description.toStdString()));
        EXPECT_TRUE(table.setText(kCountry - 1, s.country.toStdString()));
        if (!s.marketValue.isEmpty()) {
            EXPECT_TRUE(table.setText(kMarket - 1, s.marketValue.toStdString()));
        }
        if (s.year) {
            EXPECT_TRUE(table.setWhole(kYear - 1, s.year));
        }
        if (!s.date.isBlank()) {
            EXPECT_TRUE(table.setDate(kDate - 1, s.date));
        }
        EXPECT_TRUE(table.post());
    }
    return std::move(t.value());
}

// Record numbers (1-based) that pass `items`.
std::vector<int> passing(engine::Table& t, const SearchItems& items) {
    std::vector<int> out;
    for (uint32_t r = 1; r <= t.recordCount(); ++r) {
        EXPECT_TRUE(t.go(r));
        if (items.test(t)) out.push_back(int(r));
    }
    return out;
}

std::array<QString, search::kSearchRows> cells(
    std::initializer_list<std::pair<int, QString>> filled) {
    std::array<QString, search::kSearchRows> c;
    for (const auto& [row, text] : filled) c[size_t(row - 1)] = text;
    return c;
}

bool readIso(QStringView text, engine::Date& d) {
    return engine::Date::parse(text.toString().toStdString(), d);
}

SearchItems saved(std::initializer_list<std::pair<int, QString>> filled,
                  search::RowOperators ops = search::defaultRowOperators()) {
    SearchItems items;
    EXPECT_EQ(items.saveLevel(cells(filled), ops, readIso).outcome, SaveOutcome::Saved);
    return items;
}

// --- The hand-written model: what the record test must answer, read from the generated data.

struct ModelItem {
    int field;
    ItemOperator op;
    QString text;
    double value;
};

double modelNumber(const Stamp& s, int field) {
    if (field == kMarket) return s.marketValue.isEmpty() ? 0 : s.marketValue.toDouble();
    if (field == kYear) return s.year;
    return search::dayNumber(s.date);
}

bool modelHolds(const Stamp& s, const ModelItem& m) {
    if (m.op == ItemOperator::Contains) {
        const QString& field = m.field == kDescription ? s.description : s.country;
        return field.toUpper().contains(m.text.toUpper());
    }
    const double v = modelNumber(s, m.field);
    return m.op == ItemOperator::Equal     ? v == m.value
           : m.op == ItemOperator::Greater ? v > m.value
                                           : v < m.value;
}

bool modelPasses(const Stamp& s, const std::vector<std::vector<ModelItem>>& levels) {
    for (const auto& level : levels) {
        bool all = true;
        for (const ModelItem& m : level) all = all && modelHolds(s, m);
        if (all) return true;
    }
    return false;
}

}  // namespace

TEST(SearchItems, RandomSearchesAgreeWithAModelOnGeneratedRecords) {
    std::mt19937 rng(11);
    const QStringList countries = {"Peru",    "ÖSTERREICH", "Österreich", "Curaçao",
                                   "CURAÇAO", "Chile",      "Togo",       ""};
    const QStringList words = {"lake",   "Lake",   "MOUNTAIN", "bird", "Bridge",
                               "ÉCLAIR", "éclair", "ship",     "ñandu"};
    std::vector<Stamp> stamps;
    for (int i = 0; i < 300; ++i) {
        Stamp s;
        s.country = countries[int(rng() % countries.size())];
        s.description = words[int(rng() % words.size())] + " " + words[int(rng() % words.size())];
        const int cents = int(rng() % 12);
        s.marketValue = cents == 0 ? QString() : QString::number(cents * 0.25, 'f', 2);
        s.year = rng() % 5 == 0 ? 0 : 1900 + int(rng() % 10);
        if (rng() % 4) s.date = {1990 + int(rng() % 3), 1 + int(rng() % 12), 1 + int(rng() % 28)};
        stamps.push_back(s);
    }
    test::TempFolder dir;
    auto table = makeTable(dir.file("GEN.DBF"), stamps);

    const QStringList needles = {"la", "ÖSTER", "österreich", "curaçao", "IRD", "éclair", "Ñ", "e"};
    for (int round = 0; round < 200; ++round) {
        SearchItems items;
        std::vector<std::vector<ModelItem>> model;
        const int levels = 1 + int(rng() % 3);
        for (int l = 0; l < levels; ++l) {
            std::vector<ModelItem> level;
            const int n = 1 + int(rng() % 3);
            for (int k = 0; k < n; ++k) {
                SearchItem item;
                switch (rng() % 4) {
                    case 0:
                    case 1:
                        item.field = rng() % 2 ? kDescription : kCountry;
                        item.op = ItemOperator::Contains;
                        item.text = needles[int(rng() % needles.size())].toUpper();
                        level.push_back({item.field, item.op, item.text, 0});
                        break;
                    case 2:
                        item.field = rng() % 2 ? kMarket : kYear;
                        item.op = ItemOperator(1 + rng() % 3);
                        item.numeric =
                            item.field == kMarket ? (rng() % 12) * 0.25 : 1900 + int(rng() % 10);
                        level.push_back({item.field, item.op, {}, item.numeric});
                        break;
                    default: {
                        item.field = kDate;
                        item.isDate = true;
                        item.op = ItemOperator(1 + rng() % 3);
                        item.date =
                            search::dayNumber({1990 + int(rng() % 3), 1 + int(rng() % 12), 1});
                        level.push_back({item.field, item.op, {}, item.date});
                    }
                }
                ASSERT_TRUE(items.add(item));
            }
            items.closeLevel();
            items.nextLevel();
            model.push_back(level);
        }
        std::vector<int> expected;
        for (size_t i = 0; i < stamps.size(); ++i)
            if (modelPasses(stamps[i], model)) expected.push_back(int(i + 1));
        ASSERT_EQ(passing(*table, items), expected) << "round " << round;
    }
}

TEST(SearchItems, RangesExcludeTheirBoundsAndBlankDatesAreTheOrigin) {
    test::TempFolder dir;
    auto table = makeTable(dir.file("R.DBF"), {{"a", "x", "10", 10, {1995, 5, 1}},
                                               {"b", "x", "15.5", 15, {}},
                                               {"c", "x", "20", 20, {1950, 1, 1}},
                                               {"d", "x", "", 0, {1900, 1, 1}}});
    search::RowOperators ops = search::defaultRowOperators();
    ops[kYear - 1] = RowOperator::Between;
    SearchItems range = saved({{kYear, "> 10 AND < 20"}}, ops);
    ASSERT_EQ(range.count(), 2);
    EXPECT_EQ(range.items()[0].op, ItemOperator::Greater);
    EXPECT_EQ(range.items()[1].op, ItemOperator::Less);
    EXPECT_TRUE(range.items()[1].endOfLevel);
    EXPECT_EQ(passing(*table, range), std::vector<int>{2});

    ops = search::defaultRowOperators();
    ops[kDate - 1] = RowOperator::Less;
    EXPECT_EQ(passing(*table, saved({{kDate, "< 1900-01-01"}}, ops)), std::vector<int>{2});
    ops[kDate - 1] = RowOperator::Greater;
    EXPECT_EQ(passing(*table, saved({{kDate, "> 1899-12-30"}}, ops)), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(passing(*table, saved({{kDate, "= 1995-05-01"}})), std::vector<int>{1});
    // Exact float comparison: 15.50 is 15.5; a blank market value is 0.
    EXPECT_EQ(passing(*table, saved({{kMarket, "= 15.50"}})), std::vector<int>{2});
    EXPECT_EQ(passing(*table, saved({{kMarket, "=0"}})), std::vector<int>{4});
    EXPECT_EQ(passing(*table, saved({{kMarket, "= 15.5000001"}})), std::vector<int>{});
}

TEST(SearchItems, TextFoldsEveryLetterOfTheTablesCodePage) {
    for (auto cp : {engine::CodePage::Id::Windows1252, engine::CodePage::Id::Dos850}) {
        test::TempFolder dir;
        auto table = makeTable(dir.file("A.DBF"),
                               {{"Lake Wörthersee", "ÖSTERREICH", "", 0, {}},
                                {"harbour", "CURAÇAO", "", 0, {}},
                                {"ÉGLISE", "France", "", 0, {}},
                                {"view", "Curacao", "", 0, {}}},
                               cp);
        EXPECT_EQ(passing(*table, saved({{kCountry, "österreich"}})), std::vector<int>{1});
        EXPECT_EQ(passing(*table, saved({{kCountry, "  curaçao "}})), std::vector<int>{2});
        EXPECT_EQ(passing(*table, saved({{kDescription, "WÖRTHER"}})), std::vector<int>{1});
        EXPECT_EQ(passing(*table, saved({{kDescription, "église"}})), std::vector<int>{3});
        // Not anchored at the start; all criteria of a level must hold.
        EXPECT_EQ(passing(*table, saved({{kDescription, "ak"}, {kCountry, "reich"}})),
                  std::vector<int>{1});
        EXPECT_EQ(passing(*table, saved({{kDescription, "ak"}, {kCountry, "curacao"}})),
                  std::vector<int>{});
        // A character the code page lacks, or text longer than the field, matches nothing.
        EXPECT_EQ(passing(*table, saved({{kCountry, "€"}})), std::vector<int>{});
    }
}

TEST(SearchItems, SavingALevelReportsBlankInvalidAndTooManyCriteria) {
    SearchItems items;
    search::RowOperators ops = search::defaultRowOperators();
    // Blank cells and date cells holding only the template's separators.
    ops[kDate - 1] = RowOperator::Between;
    auto r = items.saveLevel(
        cells({{kCountry, "   "}, {kDate, ">   /  /     AND <   /  /    "}, {kYear, "= "}}), ops,
        readIso);
    EXPECT_EQ(r.outcome, SaveOutcome::NoCriteria);
    EXPECT_TRUE(items.empty());

    // Level 1 stays when level 2 has a bad number; the failing row is named.
    ASSERT_EQ(items.saveLevel(cells({{kCountry, "peru"}}), ops, readIso).outcome,
              SaveOutcome::Saved);
    items.nextLevel();
    r = items.saveLevel(cells({{kCountry, "chile"}, {kMarket, "= 1,5"}}), ops, readIso);
    EXPECT_EQ(r.outcome, SaveOutcome::Invalid);
    EXPECT_EQ(r.row, kMarket);
    EXPECT_EQ(items.count(), 1);
    EXPECT_EQ(items.level(), 2);
    // A range with one side only, or a date that is no day.
    r = items.saveLevel(cells({{kDate, "> 1990-01-01 AND <   /  /    "}}), ops, readIso);
    EXPECT_EQ(r.outcome, SaveOutcome::Invalid);
    EXPECT_EQ(r.row, kDate);
    ops[kDate - 1] = RowOperator::Equal;
    EXPECT_EQ(items.saveLevel(cells({{kDate, "= 1990-02-30"}}), ops, readIso).outcome,
              SaveOutcome::Invalid);
    for (const char* bad : {"= 1e", "= .", "= 1.2.3", "= +", "= inf", "= 0x10"})
        EXPECT_EQ(items.saveLevel(cells({{kYear, bad}}), ops, readIso).outcome,
                  SaveOutcome::Invalid)
            << bad;
    EXPECT_EQ(items.count(), 1);

    // Numbers read with "." whatever the regional settings, with sign and exponent.
    for (const char* good : {"= -1.5", "=+2", "= .5", "= 1e3", "= 7."})
        EXPECT_EQ(saved({{kYear, good}}).count(), 1) << good;

    // A text longer than the row is cut to the row's width.
    EXPECT_EQ(saved({{25, "ABCDEF"}}).items()[0].text, "ABC");

    // Ranges count twice toward 75: 37 levels of one range (74 items), then one more range.
    SearchItems full;
    search::RowOperators rangeOps = search::defaultRowOperators();
    rangeOps[kYear - 1] = RowOperator::Between;
    for (int i = 0; i < 37; ++i) {
        ASSERT_EQ(full.saveLevel(cells({{kYear, "> 1 AND < 9"}}), rangeOps, readIso).outcome,
                  SaveOutcome::Saved);
    }
    EXPECT_EQ(full.count(), 74);
    EXPECT_EQ(full.saveLevel(cells({{kYear, "> 1 AND < 9"}}), rangeOps, readIso).outcome,
              SaveOutcome::TooManyItems);
    EXPECT_TRUE(full.empty());
    EXPECT_EQ(full.level(), 1);
}

TEST(SearchItems, NoItemsAdmitNothingAndMessagesCarryTheirCaptions) {
    test::TempFolder dir;
    auto table = makeTable(dir.file("E.DBF"), {{"a", "b", "", 0, {}}});
    EXPECT_EQ(passing(*table, SearchItems()), std::vector<int>{});
    EXPECT_EQ(search::searchMessage(search::SearchMessage::NoMatches).caption, "Notice");
    EXPECT_EQ(search::searchMessage(search::SearchMessage::TooManyItems).caption, "Error");
    EXPECT_EQ(search::searchMessage(search::SearchMessage::InvalidCriteria).text,
              "Invalid search criteria entered.  Please correct.");
}

// --- Command-line criteria

TEST(SearchCriteria, ReadsFieldsByNameOrCaptionAndLevelsSeparatedByOr) {
    search::FieldCaptions captions = search::defaultFieldCaptions();
    captions[kMarket - 1] = "Worth";
    auto p = search::parseSearchCriteria({"country~peru", "WORTH>2.5", "marketvalu<9", "--or",
                                          "Descriptio~Lake", "date<1990-01-02", "--format", "x"},
                                         captions);
    ASSERT_TRUE(p.ok()) << p.error.toStdString();
    EXPECT_EQ(p.consumed, 6u);
    const auto& it = p.items.items();
    ASSERT_EQ(it.size(), 5u);
    EXPECT_EQ(it[0].field, kCountry);
    EXPECT_EQ(it[0].text, "PERU");
    EXPECT_EQ(it[1].field, kMarket);
    EXPECT_EQ(it[1].op, ItemOperator::Greater);
    EXPECT_EQ(it[2].op, ItemOperator::Less);
    EXPECT_TRUE(it[2].endOfLevel);
    EXPECT_EQ(it[3].field, kDescription);
    EXPECT_TRUE(it[4].isDate);
    EXPECT_EQ(it[4].date, search::dayNumber({1990, 1, 2}));
    EXPECT_TRUE(it[4].endOfLevel);

    // The same criteria give the same items as the window's rows.
    search::RowOperators ops = search::defaultRowOperators();
    ops[kMarket - 1] = RowOperator::Between;
    SearchItems fromWindow = saved({{kCountry, "peru"}, {kMarket, "> 2.5 AND < 9"}}, ops);
    auto one =
        search::parseSearchCriteria({"Country~peru", "MarketValu>2.5", "MarketValu<9"}, captions);
    EXPECT_EQ(one.items.items(), fromWindow.items());
}

TEST(SearchCriteria, RefusesBadCriteriaNamingThem) {
    const auto captions = search::defaultFieldCaptions();
    auto refused = [&](std::vector<std::string> args, const char* naming) {
        auto p = search::parseSearchCriteria(args, captions);
        EXPECT_FALSE(p.ok());
        EXPECT_TRUE(p.items.empty());
        EXPECT_TRUE(p.error.contains(QString::fromUtf8(naming))) << p.error.toStdString();
    };
    refused({}, "no search criterion");
    refused({"Nothing~x"}, "\"Nothing~x\"");
    refused({"Country=Peru"}, "\"Country=Peru\"");
    refused({"Year~19"}, "\"Year~19\"");
    refused({"Year>abc"}, "not a number");
    refused({"Date=1990-13-01"}, "not a date");
    refused({"Date>"}, "\"Date>\"");
    refused({"~x"}, "\"~x\"");
    refused({"Wanted~ABCD"}, "longer than the field");
    refused({"--or", "Country~a"}, "--or");
    refused({"Country~a", "--or"}, "--or");
    refused({"Country~a", "--or", "--or", "Country~b"}, "--or");
    std::vector<std::string> eleven;
    for (int i = 0; i < 11; ++i) {
        if (i) eleven.push_back("--or");
        eleven.push_back("Country~a");
    }
    refused(eleven, "10 levels");
    std::vector<std::string> many(76, "Year>1");
    refused(many, "75 criteria");
    many.resize(75);
    EXPECT_TRUE(search::parseSearchCriteria(many, captions).ok());
}
