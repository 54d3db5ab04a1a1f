// CollectionStatistics: the figures that describe a collection at a glance, computed in one pass
// over its table.
//
// The totals are those of a report's closing totals over the same records (each record counts
// its Quantity, read as a whole number, so a blank quantity counts no stamps): stamps, market
// value and purchase price, each amount multiplied by the record's quantity. Beside them come
// the number of records, the number of wanted records (Wanted "Yes") and four breakdowns:
// market value by country, stamps by decade of issue (Year), purchase price by year of purchase
// (Date) and records by condition. Every record lands in exactly one row of every breakdown: a
// blank or unreadable value goes to the row "(none)", so the rows of a breakdown always add up
// to the totals.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/Status.h"

namespace vz::engine {
class Table;
}

namespace vz::reports {

// One row of a breakdown: the records whose value is `label`, and what they hold.
struct StatisticsRow {
    QString label;
    int64_t records = 0;
    double stamps = 0;         // quantities summed
    double marketValue = 0;    // quantity times market value, summed
    double purchasePrice = 0;  // quantity times purchase price, summed
};

class CollectionStatistics {
public:
    // The label of the row of blank values, and of the row that gathers the countries beyond
    // the largest ones.
    static const QString& noneLabel();
    static const QString& otherLabel();
    // How many countries the country breakdown names; the rest are summed as one row "Other".
    static constexpr int kTopCountries = 15;

    // Walks `table` with first() and next(), so over the records its navigation admits (live
    // ones that its filter accepts) and in its active order; with no active order that is one
    // sequential read of the file. The current record is left at the end of the table. Fails
    // with the engine's status when a record cannot be read; nothing is counted then.
    static engine::Result<CollectionStatistics> compute(engine::Table& table);

    // Opens the table at `path` shared, in its natural order and with `filter` (none: every
    // live record), and computes its figures; the caller's own opens of the table are left
    // alone. Without a filter, a table of `splitFrom` records or more is read as two halves side
    // by side, through two opens, when the machine has two processors or more; the figures are
    // the same, but for the last bits of the sums, which are added in another order. Fails with
    // the engine's status when the table cannot be opened or read.
    static constexpr uint32_t kSplitRecords = 100000;
    static engine::Result<CollectionStatistics> computeFile(
        const std::string& path, std::function<bool(const engine::Table&)> filter = {},
        uint32_t splitFrom = kSplitRecords);

    // Totals.
    int64_t records() const { return records_; }
    double stamps() const { return stamps_; }
    double marketValue() const { return marketValue_; }
    double purchasePrice() const { return purchasePrice_; }
    // Market value less purchase price.
    double difference() const { return marketValue_ - purchasePrice_; }
    int64_t wantedRecords() const { return wanted_; }

    // Breakdowns. Countries: the kTopCountries rows of largest market value, largest first (equal
    // values by name), then "(none)" when some records have no country, then "Other" when more
    // countries were found. Decades ("1840s") and purchase years ("1997") in ascending order,
    // "(none)" last. Conditions: most records first (equal counts by name), "(none)" last.
    const std::vector<StatisticsRow>& byCountry() const { return byCountry_; }
    const std::vector<StatisticsRow>& byDecade() const { return byDecade_; }
    const std::vector<StatisticsRow>& byPurchaseYear() const { return byPurchaseYear_; }
    const std::vector<StatisticsRow>& byCondition() const { return byCondition_; }

private:
    class Pass;
    static engine::Status walk(engine::Table& table, uint32_t last, Pass& pass);

    int64_t records_ = 0;
    double stamps_ = 0;
    double marketValue_ = 0;
    double purchasePrice_ = 0;
    int64_t wanted_ = 0;
    std::vector<StatisticsRow> byCountry_;
    std::vector<StatisticsRow> byDecade_;
    std::vector<StatisticsRow> byPurchaseYear_;
    std::vector<StatisticsRow> byCondition_;
};

}  // namespace vz::reports
