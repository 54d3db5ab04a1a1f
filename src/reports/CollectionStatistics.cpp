#include "reports/CollectionStatistics.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "data/Schema.h"
#include "engine/Table.h"
#include "reports/TotalsAccumulator.h"

namespace vz::reports {
namespace {

// Field numbers of the fields the figures read.
constexpr int kCountry = 3;
constexpr int kMarketValue = 5;
constexpr int kQuantity = 6;
constexpr int kYear = 7;
constexpr int kCondition = 9;
constexpr int kDate = 14;
constexpr int kCost = 15;
constexpr int kWanted = 25;

constexpr int kNoYear = INT_MIN;  // the key of "(none)" among decades and years
constexpr int kMaxYear = 9999;

double finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}

std::string_view trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

// Reads plain decimal text ("-12.50", "7", ".5"): an optional minus, digits and at most one
// point, at most 15 significant digits and 22 decimals. Then the digits as a whole number and the
// power of ten are both exact doubles, and their quotient is the correctly rounded value, the
// same double std::from_chars gives. False for anything else.
bool readPlainDecimal(std::string_view s, double& out) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) ++i;
    uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false, any = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            any = true;
            if (digits != 0 || c != '0') ++count;
            if (count > 15) return false;
            digits = digits * 10 + uint64_t(c - '0');
            if (point && ++decimals > 22) return false;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!any) return false;
    const double v = double(digits) / kPowers[decimals];
    out = negative ? -v : v;
    return true;
}

// What one record adds to a row.
struct Amounts {
    double stamps;
    double value;
    double price;
};

void addRow(StatisticsRow& row, const StatisticsRow& more) {
    row.records += more.records;
    row.stamps += more.stamps;
    row.marketValue += more.marketValue;
    row.purchasePrice += more.purchasePrice;
}

void addTo(StatisticsRow& row, const Amounts& a) {
    ++row.records;
    row.stamps += a.stamps;
    row.marketValue += a.value;
    row.purchasePrice += a.price;
}

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

const QString& CollectionStatistics::noneLabel() {
    static const QString label = QStringLiteral("(none)");
    return label;
}

const QString& CollectionStatistics::otherLabel() {
    static const QString label = QStringLiteral("Other");
    return label;
}

// One walk over a table: reads each record's fields once and adds it to the totals and to one
// row of each breakdown.
class CollectionStatistics::Pass {
    struct TextHash {
        using is_transparent = void;
        // FNV-1a: the keys are short names, and this runs once per record and key.
        size_t operator()(std::string_view s) const {
            uint64_t h = 0xcbf29ce484222325ull;
            for (const char c : s) h = (h ^ uint8_t(c)) * 0x100000001b3ull;
            return size_t(h);
        }
    };
    using TextRows = std::unordered_map<std::string, StatisticsRow, TextHash, std::equal_to<>>;

public:
    explicit Pass(const engine::Table& table) : table_(table) {
        for (int n : {kCountry, kMarketValue, kQuantity, kYear, kCondition, kDate, kCost, kWanted})
            index_[size_t(n)] = table.fieldIndex(data::schemaField(n).storedName);
        numeric_.resize(size_t(table.fieldCount()));
        for (int i = 0; i < table.fieldCount(); ++i)
            numeric_[size_t(i)] = table.field(i).isNumber();
    }

    void addCurrent() {
        // Read as a report reads them for its totals: blank or unreadable is 0, the quantity
        // rounded to a whole number.
        const double q = double(std::llround(numberOf(kQuantity)));
        const double mv = numberOf(kMarketValue), cost = numberOf(kCost);
        totals_.add(q, mv, cost);
        const Amounts a{finite(q), finite(finite(q) * finite(mv)),
                        finite(finite(q) * finite(cost))};
        ++records_;
        if (textOf(kWanted) == "Yes") ++wanted_;
        addTo(rowOf(countries_, textOf(kCountry)), a);
        addTo(rowOf(conditions_, textOf(kCondition)), a);
        const int year = issueYear();
        addTo(decades_[slotOf(year == kNoYear ? kNoYear : year - year % 10)], a);
        addTo(purchaseYears_[slotOf(purchaseYear())], a);
    }

    // Adds what `other` counted over another part of the table.
    void merge(const Pass& other) {
        records_ += other.records_;
        wanted_ += other.wanted_;
        for (int k = 0; k < 3; ++k)
            merged_[size_t(k)] += other.totals_.report(k + 1) + other.merged_[size_t(k)];
        for (const auto& [key, row] : other.countries_) addRow(rowOf(countries_, key), row);
        for (const auto& [key, row] : other.conditions_) addRow(rowOf(conditions_, key), row);
        for (size_t k = 0; k < decades_.size(); ++k) addRow(decades_[k], other.decades_[k]);
        for (size_t k = 0; k < purchaseYears_.size(); ++k)
            addRow(purchaseYears_[k], other.purchaseYears_[k]);
    }

    void finish(CollectionStatistics& s) {
        s.records_ = records_;
        s.wanted_ = wanted_;
        s.marketValue_ = totals_.report(kTotalValueKind) + merged_[kTotalValueKind - 1];
        s.purchasePrice_ = totals_.report(kTotalPriceKind) + merged_[kTotalPriceKind - 1];
        s.stamps_ = totals_.report(kTotalQuantityKind) + merged_[kTotalQuantityKind - 1];

        // Countries: the largest by market value, then the blanks, then the rest as one row.
        std::vector<StatisticsRow> named;
        StatisticsRow none, other;
        none.label = noneLabel();
        other.label = otherLabel();
        for (auto& [key, row] : countries_) {
            if (key.empty()) {
                none = row, none.label = noneLabel();
                continue;
            }
            row.label = labelOf(key);
            named.push_back(row);
        }
        std::sort(named.begin(), named.end(), [](const StatisticsRow& a, const StatisticsRow& b) {
            return a.marketValue != b.marketValue ? a.marketValue > b.marketValue
                                                  : a.label < b.label;
        });
        for (size_t i = size_t(kTopCountries); i < named.size(); ++i) {
            other.records += named[i].records;
            other.stamps += named[i].stamps;
            other.marketValue += named[i].marketValue;
            other.purchasePrice += named[i].purchasePrice;
        }
        if (named.size() > size_t(kTopCountries)) named.resize(size_t(kTopCountries));
        s.byCountry_ = std::move(named);
        if (none.records > 0) s.byCountry_.push_back(none);
        if (other.records > 0) s.byCountry_.push_back(other);

        // Conditions: most records first, the blanks last.
        StatisticsRow noCondition;
        for (auto& [key, row] : conditions_) {
            row.label = key.empty() ? noneLabel() : labelOf(key);
            if (key.empty())
                noCondition = row;
            else
                s.byCondition_.push_back(row);
        }
        std::sort(s.byCondition_.begin(), s.byCondition_.end(),
                  [](const StatisticsRow& a, const StatisticsRow& b) {
                      return a.records != b.records ? a.records > b.records : a.label < b.label;
                  });
        if (noCondition.records > 0) s.byCondition_.push_back(noCondition);

        s.byDecade_ = yearRows(decades_, QStringLiteral("%1s"));
        s.byPurchaseYear_ = yearRows(purchaseYears_, QStringLiteral("%1"));
    }

private:
    static constexpr int kTotalValueKind = 1, kTotalPriceKind = 2, kTotalQuantityKind = 3;

    // A blank or unreadable number reads as 0.
    double numberOf(int number) const {
        const int i = index_[size_t(number)];
        if (i < 0) return 0;
        const std::optional<double> v = valueOf(i);
        return v && std::isfinite(*v) ? *v : 0;
    }

    // The value of number field `i` as Table::number() reads it (blank: 0), or nothing when it
    // reads none. The usual stored form, plain digits with a sign and a point, is read here from
    // the stored bytes, which spares a copy and a general parse per field and record; anything
    // else is left to Table::number().
    std::optional<double> valueOf(int i) const {
        if (numeric_[size_t(i)]) {
            const std::string_view s = trimmed(table_.storedBytes(i));
            if (s.empty()) return 0.0;
            double v = 0;
            if (readPlainDecimal(s, v)) return v;
        }
        const auto v = table_.number(i);
        return v ? std::optional<double>(*v) : std::nullopt;
    }

    // The field's stored bytes without surrounding blanks, in the table's code page (decoded
    // only for the labels of the rows); empty for a blank or missing field.
    std::string_view textOf(int number) const {
        const int i = index_[size_t(number)];
        return i < 0 ? std::string_view() : trimmed(table_.storedBytes(i));
    }

    QString labelOf(const std::string& stored) const {
        std::string utf8;
        table_.codePage().decodeAppend(stored.data(), stored.size(), utf8);
        return fromUtf8(utf8);
    }

    int issueYear() const {
        const int i = index_[size_t(kYear)];
        if (i < 0) return kNoYear;
        const auto v = valueOf(i);  // a blank year reads as 0
        if (!v || !std::isfinite(*v) || *v < 1 || *v > kMaxYear) return kNoYear;
        return int(std::llround(*v));
    }

    int purchaseYear() const {
        const int i = index_[size_t(kDate)];
        if (i < 0) return kNoYear;
        const auto d = table_.date(i);
        return d && d->year >= 1 && d->year <= kMaxYear ? d->year : kNoYear;
    }

    // Looked up without making a string of the key, which is copied only for a new row.
    static StatisticsRow& rowOf(TextRows& rows, std::string_view key) {
        auto it = rows.find(key);
        if (it == rows.end()) it = rows.emplace(std::string(key), StatisticsRow{}).first;
        return it->second;
    }

    // Years and decades are kept in a row per possible year: slot 0 holds "(none)", slot y + 1
    // the year (or decade) y.
    static size_t slotOf(int year) { return year == kNoYear ? 0 : size_t(year) + 1; }

    static std::vector<StatisticsRow> yearRows(const std::vector<StatisticsRow>& byYear,
                                               const QString& pattern) {
        std::vector<StatisticsRow> out;
        for (size_t k = 1; k < byYear.size(); ++k) {
            if (byYear[k].records == 0) continue;
            out.push_back(byYear[k]);
            out.back().label = pattern.arg(k - 1);
        }
        if (byYear[0].records > 0) {
            out.push_back(byYear[0]);
            out.back().label = noneLabel();
        }
        return out;
    }

    const engine::Table& table_;
    std::array<int, data::kFieldCount + 1> index_{};  // by field number
    std::vector<bool> numeric_;                       // by field index: a number field
    int64_t records_ = 0;
    int64_t wanted_ = 0;
    TotalsAccumulator totals_;
    std::array<double, 3> merged_{};  // the totals of merged passes, by total kind - 1
    TextRows countries_;
    TextRows conditions_;
    std::vector<StatisticsRow> decades_ = std::vector<StatisticsRow>(kMaxYear + 2);
    std::vector<StatisticsRow> purchaseYears_ = std::vector<StatisticsRow>(kMaxYear + 2);
};

engine::Result<CollectionStatistics> CollectionStatistics::compute(engine::Table& table) {
    Pass pass(table);
    VZ_RETURN_IF_ERROR(table.first());
    VZ_RETURN_IF_ERROR(walk(table, 0, pass));
    CollectionStatistics s;
    pass.finish(s);
    return s;
}

// Adds the records from the current one on, up to record number `last` (0: to the end).
engine::Status CollectionStatistics::walk(engine::Table& table, uint32_t last, Pass& pass) {
    while (!table.eof() && table.hasRecord() && (last == 0 || table.recNo() <= last)) {
        pass.addCurrent();
        VZ_RETURN_IF_ERROR(table.next());
    }
    return engine::Status::ok();
}

engine::Result<CollectionStatistics> CollectionStatistics::computeFile(
    const std::string& path, std::function<bool(const engine::Table&)> filter, uint32_t splitFrom) {
    auto table = engine::Table::open(path, engine::OpenMode::Shared);
    if (!table) return table.status();
    engine::Table& first = **table;
    const uint32_t count = first.recordCount();
    if (filter || count < std::max<uint32_t>(splitFrom, 2) ||
        std::thread::hardware_concurrency() < 2) {
        if (filter) first.setFilter(std::move(filter));
        return compute(first);
    }

    // Two halves read side by side, each through an open of its own, then added together. (A
    // search's record test keeps state of its own, so a filtered pass stays in one thread.)
    auto other = engine::Table::open(path, engine::OpenMode::Shared);
    if (!other) return other.status();
    engine::Table& second = **other;
    const uint32_t half = count / 2;
    Pass front(first), back(second);
    engine::Status backStatus;
    std::thread reader([&] {
        // The back half starts at its first live record.
        for (uint32_t r = half + 1; r <= count; ++r) {
            backStatus = second.go(r);
            if (backStatus) break;
            if (backStatus.code() != engine::Status::Code::NotFound) return;
        }
        backStatus = backStatus ? walk(second, 0, back) : engine::Status::ok();
    });
    engine::Status frontStatus = first.first();
    if (frontStatus) frontStatus = walk(first, half, front);
    reader.join();
    VZ_RETURN_IF_ERROR(frontStatus);
    VZ_RETURN_IF_ERROR(backStatus);
    front.merge(back);
    CollectionStatistics s;
    front.finish(s);
    return s;
}

}  // namespace vz::reports
