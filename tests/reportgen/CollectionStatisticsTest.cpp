#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../data/TempFolder.h"
#include "common/DisplayFormats.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "reports/BuiltInReports.h"
#include "reports/CollectionStatistics.h"
#include "reports/PageEngine.h"
#include "reports/PageStream.h"
#include "reports/ReportRun.h"

using namespace vz;
using namespace vz::reports;

namespace {

// Field indexes of the collection table (field number - 1).
enum {
    Country = 2,
    MarketValu = 4,
    Quantity = 5,
    Year = 6,
    Condition = 8,
    Date = 13,
    Cost = 14,
    Wanted = 24
};

// A generated stamp; an empty optional or text is a blank field.
struct Stamp {
    std::string country;
    std::string condition;
    std::string wanted;
    std::optional<int> quantity, year;
    std::optional<double> value, cost;
    std::optional<engine::Date> bought;
    bool deleted = false;
};

// Deterministic records with every kind of gap: blank countries, conditions, years, dates,
// quantities and amounts, quantities of 0, wanted and deleted records, and more countries than
// the country breakdown names.
std::vector<Stamp> generate(int n) {
    uint64_t state = 0x1234567;
    auto below = [&](int k) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return int((state >> 33) % uint64_t(k));
    };
    const char* conditions[] = {"Mint", "Used", "Fine", "VF"};
    std::vector<Stamp> out;
    for (int i = 0; i < n; ++i) {
        Stamp s;
        if (below(10) != 0) {
            const int land = below(22);  // 22 countries, one of them spelled with an accent
            s.country = land == 7 ? "C\xc3\xb4te d'Ivoire" : "Land " + std::to_string(land);
        }
        if (below(8) != 0) s.condition = conditions[below(4)];
        s.wanted = below(5) == 0 ? "Yes" : below(6) == 0 ? "" : "No";
        if (below(9) != 0) s.quantity = below(6);  // 0 to 5
        if (below(7) != 0) s.year = 1840 + below(185);
        if (below(6) != 0) s.value = below(100000) / 100.0;
        if (below(6) != 0) s.cost = below(50000) / 100.0;
        if (below(4) != 0) s.bought = engine::Date{1980 + below(45), 1 + below(12), 1 + below(28)};
        s.deleted = below(25) == 0;
        out.push_back(s);
    }
    return out;
}

class Collection {
public:
    explicit Collection(const std::vector<Stamp>& stamps) : stamps_(stamps) {
        path = dir.file("STAMPS.DBF").toStdString();
        EXPECT_TRUE(engine::Table::create(path, data::collectionFieldDefs()));
        auto opened = engine::Table::open(path, engine::OpenMode::Shared);
        EXPECT_TRUE(opened.isOk());
        table = std::move(opened.value());
        for (const Stamp& s : stamps) {
            EXPECT_TRUE(table->append());
            if (!s.country.empty()) {
                EXPECT_TRUE(table->setText(Country, s.country));
            }
            if (!s.condition.empty()) {
                EXPECT_TRUE(table->setText(Condition, s.condition));
            }
            if (!s.wanted.empty()) {
                EXPECT_TRUE(table->setText(Wanted, s.wanted));
            }
            if (s.quantity) {
                EXPECT_TRUE(table->setWhole(Quantity, *s.quantity));
            }
            if (s.year) {
                EXPECT_TRUE(table->setWhole(Year, *s.year));
            }
            if (s.value) {
                EXPECT_TRUE(table->setFloat(MarketValu, *s.value));
            }
            if (s.cost) {
                EXPECT_TRUE(table->setFloat(Cost, *s.cost));
            }
            if (s.bought) {
                EXPECT_TRUE(table->setDate(Date, *s.bought));
            }
            EXPECT_TRUE(table->post());
            if (s.deleted) {
                EXPECT_TRUE(table->deleteRecord());
            }
        }
    }
    test::TempFolder dir;
    std::string path;
    std::unique_ptr<engine::Table> table;

private:
    std::vector<Stamp> stamps_;
};

// The figures worked out from the generated records themselves, without the table.
struct Expected {
    int64_t records = 0, wanted = 0;
    double totalStamps = 0, value = 0, cost = 0;
    std::map<QString, StatisticsRow> country, decade, year, condition;

    explicit Expected(const std::vector<Stamp>& stamps,
                      const std::function<bool(const Stamp&)>& admit = {}) {
        const QString none = QStringLiteral("(none)");
        for (const Stamp& s : stamps) {
            if (s.deleted || (admit && !admit(s))) continue;
            const double q = s.quantity.value_or(0);
            const double v = q * s.value.value_or(0), c = q * s.cost.value_or(0);
            ++records;
            wanted += s.wanted == "Yes";
            totalStamps += q, value += v, cost += c;
            auto add = [&](std::map<QString, StatisticsRow>& m, const QString& key) {
                StatisticsRow& r = m[key];
                r.label = key;
                ++r.records, r.stamps += q, r.marketValue += v, r.purchasePrice += c;
            };
            add(country, s.country.empty() ? none : QString::fromStdString(s.country));
            add(condition, s.condition.empty() ? none : QString::fromStdString(s.condition));
            add(decade, s.year ? QStringLiteral("%1s").arg(*s.year / 10 * 10) : none);
            add(year, s.bought ? QString::number(s.bought->year) : none);
        }
    }
};

void expectRow(const StatisticsRow& got, const StatisticsRow& want) {
    SCOPED_TRACE(want.label.toStdString());
    EXPECT_EQ(got.label, want.label);
    EXPECT_EQ(got.records, want.records);
    EXPECT_NEAR(got.stamps, want.stamps, 1e-9);
    EXPECT_NEAR(got.marketValue, want.marketValue, 1e-6);
    EXPECT_NEAR(got.purchasePrice, want.purchasePrice, 1e-6);
}

// Every row of `rows` matches the expected row of its label, each label once, and together they
// hold every record.
void expectBreakdown(const std::vector<StatisticsRow>& rows,
                     const std::map<QString, StatisticsRow>& want, int64_t records) {
    int64_t sum = 0;
    for (const StatisticsRow& r : rows) {
        sum += r.records;
        auto it = want.find(r.label);
        ASSERT_NE(it, want.end()) << r.label.toStdString();
        expectRow(r, it->second);
    }
    EXPECT_EQ(rows.size(), want.size());
    EXPECT_EQ(sum, records);
}

void expectTotals(const CollectionStatistics& s, const Expected& e) {
    EXPECT_EQ(s.records(), e.records);
    EXPECT_EQ(s.wantedRecords(), e.wanted);
    EXPECT_NEAR(s.stamps(), e.totalStamps, 1e-9);
    EXPECT_NEAR(s.marketValue(), e.value, 1e-6);
    EXPECT_NEAR(s.purchasePrice(), e.cost, 1e-6);
    EXPECT_NEAR(s.difference(), e.value - e.cost, 1e-6);
}

// The closing totals of the "Statistic/Summary Report" run over `table` as it stands.
TotalsAccumulator summaryReportTotals(engine::Table& table) {
    ReportDefinition def;
    for (const ReportDefinition& d : builtInReports())
        if (d.name == QLatin1String("Statistic/Summary Report")) def = d;
    EXPECT_EQ(def.name, QStringLiteral("Statistic/Summary Report"));
    ReportContext context = ReportContext::fromSettings(data::DatabaseSettings{});
    context.today = engine::Date{2024, 3, 5};
    test::TempFolder out;
    ReportRun run(def, table, context, ReportMode::TextFile, out.file("SUMMARY.TXT"));
    PageStream stream;
    PageEngine engine(stream);
    EXPECT_EQ(engine.run(run), PageEngine::Outcome::Completed) << engine.error().toStdString();
    return run.totals();
}

TEST(CollectionStatistics, FiguresMatchTheRecordsWithBlanksZerosWantedAndDeletedOnes) {
    const std::vector<Stamp> stamps = generate(600);
    Collection c(stamps);
    const Expected e(stamps);
    ASSERT_GT(e.country.size(), size_t(CollectionStatistics::kTopCountries) + 2);
    ASSERT_TRUE(e.country.count(QStringLiteral("(none)")));

    auto got = CollectionStatistics::compute(*c.table);
    ASSERT_TRUE(got.isOk()) << got.status().message();
    const CollectionStatistics& s = *got;
    expectTotals(s, e);
    expectBreakdown(s.byDecade(), e.decade, e.records);
    expectBreakdown(s.byPurchaseYear(), e.year, e.records);
    expectBreakdown(s.byCondition(), e.condition, e.records);

    // Decades and years ascend with "(none)" last; conditions by count with "(none)" last.
    for (const auto* rows : {&s.byDecade(), &s.byPurchaseYear(), &s.byCondition()}) {
        ASSERT_FALSE(rows->empty());
        EXPECT_EQ(rows->back().label, QStringLiteral("(none)"));
    }
    for (size_t i = 1; i + 1 < s.byDecade().size(); ++i)
        EXPECT_LT(s.byDecade()[i - 1].label, s.byDecade()[i].label);
    for (size_t i = 1; i + 1 < s.byCondition().size(); ++i)
        EXPECT_GE(s.byCondition()[i - 1].records, s.byCondition()[i].records);

    // Countries: the fifteen of largest value in order, then "(none)", then "Other" holding the
    // rest.
    std::vector<StatisticsRow> named;
    for (const auto& [label, row] : e.country)
        if (label != QStringLiteral("(none)")) named.push_back(row);
    std::sort(named.begin(), named.end(), [](const StatisticsRow& a, const StatisticsRow& b) {
        return a.marketValue > b.marketValue;
    });
    const auto& rows = s.byCountry();
    ASSERT_EQ(rows.size(), size_t(CollectionStatistics::kTopCountries) + 2);
    for (int i = 0; i < CollectionStatistics::kTopCountries; ++i)
        expectRow(rows[size_t(i)], named[size_t(i)]);
    expectRow(rows[15], e.country.at(QStringLiteral("(none)")));
    StatisticsRow other;
    other.label = QStringLiteral("Other");
    for (size_t i = 15; i < named.size(); ++i) {
        other.records += named[i].records, other.stamps += named[i].stamps;
        other.marketValue += named[i].marketValue, other.purchasePrice += named[i].purchasePrice;
    }
    expectRow(rows[16], other);
}

TEST(CollectionStatistics, TotalsEqualTheSummaryReportsWithAndWithoutASearch) {
    displayFormats().setCurrencyFormat(kFormatUS);
    displayFormats().setNumericFormat(kFormatUS);
    const std::vector<Stamp> stamps = generate(400);
    Collection c(stamps);
    for (bool searching : {false, true}) {
        SCOPED_TRACE(searching ? "search on" : "whole collection");
        if (searching)
            c.table->setFilter([](const engine::Table& t) {
                const std::string country = t.text(Country);
                return country.rfind("Land 1", 0) == 0;  // Land 1, Land 10 to Land 19
            });
        const TotalsAccumulator report = summaryReportTotals(*c.table);
        auto s = CollectionStatistics::compute(*c.table);
        ASSERT_TRUE(s.isOk()) << s.status().message();
        EXPECT_DOUBLE_EQ(s->marketValue(), report.report(kTotalValue));
        EXPECT_DOUBLE_EQ(s->purchasePrice(), report.report(kTotalPurchasePrice));
        EXPECT_DOUBLE_EQ(s->stamps(), report.report(kTotalQuantity));
        EXPECT_GT(s->records(), 0);
    }
}

TEST(CollectionStatistics, ASearchLimitsEveryFigureToTheRecordsItAdmits) {
    const std::vector<Stamp> stamps = generate(300);
    Collection c(stamps);
    const auto wantedOnly = [](const engine::Table& t) { return t.text(Wanted) == "Yes"; };
    auto s = CollectionStatistics::computeFile(c.path, wantedOnly);
    ASSERT_TRUE(s.isOk()) << s.status().message();
    const Expected e(stamps, [](const Stamp& st) { return st.wanted == "Yes"; });
    ASSERT_GT(e.records, 0);
    expectTotals(*s, e);
    EXPECT_EQ(s->wantedRecords(), s->records());
    expectBreakdown(s->byDecade(), e.decade, e.records);
    expectBreakdown(s->byCondition(), e.condition, e.records);

    // A search that admits nothing gives zeros and empty breakdowns, not a failure.
    auto none =
        CollectionStatistics::computeFile(c.path, [](const engine::Table&) { return false; });
    ASSERT_TRUE(none.isOk());
    EXPECT_EQ(none->records(), 0);
    EXPECT_EQ(none->marketValue(), 0);
    EXPECT_TRUE(none->byCountry().empty());
    EXPECT_TRUE(none->byDecade().empty());
}

TEST(CollectionStatistics, ALargeTableReadInTwoHalvesGivesTheSameFigures) {
    std::vector<Stamp> stamps = generate(600);
    stamps[300].deleted = true;  // the back half starts past a deleted record
    stamps[301].deleted = true;
    stamps[299].deleted = false;  // and the front half ends on a live one
    Collection c(stamps);
    auto whole = CollectionStatistics::compute(*c.table);
    auto halves = CollectionStatistics::computeFile(c.path, {}, /*splitFrom=*/1);
    ASSERT_TRUE(whole.isOk() && halves.isOk()) << halves.status().message();
    const Expected e(stamps);
    expectTotals(*halves, e);
    for (const auto rows :
         {&CollectionStatistics::byCountry, &CollectionStatistics::byDecade,
          &CollectionStatistics::byPurchaseYear, &CollectionStatistics::byCondition}) {
        const auto& a = ((*whole).*rows)();
        const auto& b = ((*halves).*rows)();
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) expectRow(b[i], a[i]);
    }
}

TEST(CollectionStatistics, AMissingOrDamagedTableFailsNamingTheFile) {
    test::TempFolder dir;
    const std::string missing = dir.file("NONE.DBF").toStdString();
    auto s = CollectionStatistics::computeFile(missing);
    ASSERT_FALSE(s.isOk());
    EXPECT_NE(s.status().message().find("NONE.DBF"), std::string::npos);

    // A table cut short in its records: the pass stops with the engine's message.
    Collection c(generate(50));
    c.table.reset();
    {
        QFile f(QString::fromStdString(c.path));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(f.size() - 2000));
    }
    auto cut = CollectionStatistics::computeFile(c.path);
    if (cut.isOk()) GTEST_SKIP() << "the engine opens a cut table";  // damage found at open or read
    EXPECT_NE(cut.status().message().find("STAMPS.DBF"), std::string::npos)
        << cut.status().message();
}

}  // namespace
