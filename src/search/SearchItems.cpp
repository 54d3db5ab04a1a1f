#include "search/SearchItems.h"

#include <charconv>

#include "data/Schema.h"
#include "engine/Table.h"

namespace vz::search {
namespace {

using K = RowKind;

constexpr std::array<SearchRow, kSearchRows> kRows = {{
    {1, K::Character, 12, false},  {2, K::Character, 110, false}, {3, K::Character, 20, true},
    {4, K::Character, 20, false},  {5, K::Numeric, 12, false},    {6, K::Numeric, 5, false},
    {7, K::Numeric, 4, false},     {8, K::Character, 110, false}, {9, K::Character, 9, true},
    {10, K::Character, 20, true},  {11, K::Character, 16, true},  {12, K::Character, 13, true},
    {13, K::Character, 20, true},  {14, K::Date, 10, false},      {15, K::Numeric, 12, false},
    {16, K::Character, 8, true},   {17, K::Character, 16, false}, {18, K::Character, 90, true},
    {19, K::Character, 7, false},  {20, K::Character, 110, true}, {21, K::Numeric, 12, false},
    {22, K::Character, 40, false}, {23, K::Character, 40, false}, {24, K::Character, 40, false},
    {25, K::Character, 3, false},
}};

// Upper case letter by letter, so that each character keeps its place (no "SS" for "ß").
QString upperLetters(const QString& s) {
    QString out = s;
    for (QChar& c : out) c = c.toUpper();
    return out;
}

QString removeFirst(QString s, QChar c) {
    const qsizetype at = s.indexOf(c);
    if (at >= 0) s.remove(at, 1);
    return s;
}

// A date part with nothing typed: empty, or the template's separators alone.
bool blankDatePart(const QString& s) {
    return s.isEmpty() || s == QLatin1String("/  /") || s == QLatin1String("-  -") ||
           s == QLatin1String(".  .");
}

int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
}

// The stored form of a number field: blanks around optional sign, digits and a point.
bool storedNumber(std::string_view s, double& out) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (s.empty()) {
        out = 0;
        return true;
    }
    if (s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool storedDay(std::string_view s, double& out) {
    if (s.size() != 8) return false;
    if (s == "        " || s == "00000000") {
        out = 0;
        return true;
    }
    engine::Date d;
    if (!engine::Date::parse(s, d)) return false;
    out = dayNumber(d);
    return true;
}

template <typename T>
bool compare(ItemOperator op, T field, T value) {
    switch (op) {
        case ItemOperator::Equal:
            return field == value;
        case ItemOperator::Greater:
            return field > value;
        case ItemOperator::Less:
            return field < value;
        case ItemOperator::Contains:
            break;
    }
    return false;
}

}  // namespace

const SearchRow& searchRow(int row) {
    return kRows[size_t(row - 1)];
}

double dayNumber(const engine::Date& d) {
    if (d.isBlank()) return 0;
    return double(daysFromCivil(d.year, d.month, d.day) - daysFromCivil(1899, 12, 30));
}

bool readCriterionNumber(QStringView text, double& out) {
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    if (text.size() != bytes.size()) return false;
    const char* start = p;
    if (p != end && (*p == '+' || *p == '-')) ++p;
    int digits = 0;
    while (p != end && *p >= '0' && *p <= '9') ++p, ++digits;
    if (p != end && *p == '.') {
        ++p;
        while (p != end && *p >= '0' && *p <= '9') ++p, ++digits;
    }
    if (digits == 0) return false;
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != end && (*p == '+' || *p == '-')) ++p;
        int exponent = 0;
        while (p != end && *p >= '0' && *p <= '9') ++p, ++exponent;
        if (exponent == 0) return false;
    }
    if (p != end) return false;
    if (*start == '+') ++start;
    double v = 0;
    const auto r = std::from_chars(start, end, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != end) return false;
    out = v;
    return true;
}

Message searchMessage(SearchMessage which) {
    switch (which) {
        case SearchMessage::InvalidCriteria:
            return {"Error",
                    "Invalid search criteria entered.  Please correct.",
                    Buttons::Ok,
                    Answer::Ok,
                    MessageIcon::Error,
                    false};
        case SearchMessage::NoCriteria:
            return {
                "Error", "No search criteria entered.", Buttons::Ok, Answer::Ok, MessageIcon::Error,
                false};
        case SearchMessage::TooManyItems:
            return {"Error",
                    "More than 75 search items have been entered.  This exceeds the maximum "
                    "allowable.  Search "
                    "criteria will be cleared.",
                    Buttons::Ok,
                    Answer::Ok,
                    MessageIcon::Error,
                    false};
        case SearchMessage::NoMatches:
            return {"Notice",
                    "No valid matches found.  Search criteria will be cleared.",
                    Buttons::Ok,
                    Answer::Ok,
                    MessageIcon::Information,
                    false};
    }
    return {};
}

void SearchItems::clear() {
    items_.clear();
    level_ = 1;
    ++generation_;
}

bool SearchItems::add(const SearchItem& item) {
    if (count() >= kMaxSearchItems) return false;
    SearchItem copy = item;
    copy.endOfLevel = false;
    items_.push_back(std::move(copy));
    ++generation_;
    return true;
}

void SearchItems::closeLevel() {
    if (!items_.empty()) items_.back().endOfLevel = true;
    ++generation_;
}

SaveResult SearchItems::saveLevel(const std::array<QString, kSearchRows>& cells,
                                  const RowOperators& operators, const DateReader& readDate) {
    const size_t atEntry = items_.size();
    ++generation_;
    auto invalid = [&](int row) {
        items_.resize(atEntry);
        return SaveResult{SaveOutcome::Invalid, row};
    };
    // Stores one item; false after the 76th, when everything has been dropped.
    auto store = [&](SearchItem item) {
        if (count() + 1 > kMaxSearchItems) {
            clear();
            return false;
        }
        items_.push_back(std::move(item));
        return true;
    };
    for (int row = 1; row <= kSearchRows; ++row) {
        const SearchRow& r = searchRow(row);
        const QString cell = cells[size_t(row - 1)].trimmed();
        if (r.kind == RowKind::Character) {
            if (cell.isEmpty()) continue;
            SearchItem item;
            item.text = upperLetters(cell.left(r.width));
            item.field = row;
            item.op = ItemOperator::Contains;
            if (!store(std::move(item))) return {SaveOutcome::TooManyItems, row};
            continue;
        }
        const bool isDate = r.kind == RowKind::Date;
        auto blank = [&](const QString& s) { return isDate ? blankDatePart(s) : s.isEmpty(); };
        // Reads one value into an item; false when it does not convert.
        auto read = [&](const QString& text, ItemOperator op, SearchItem& item) {
            item.field = row;
            item.op = op;
            item.isDate = isDate;
            if (isDate) {
                engine::Date d;
                if (!readDate || !readDate(text, d) || !d.isValid()) return false;
                item.date = dayNumber(d);
                item.text = QString::number(qint64(item.date));
                return true;
            }
            if (!readCriterionNumber(text, item.numeric)) return false;
            item.text = text.left(kMaxItemText);
            return true;
        };
        const RowOperator op = operators[size_t(row - 1)];
        if (op != RowOperator::Between) {
            static constexpr char kSign[] = {0, '=', '>', '<'};
            const QString value = removeFirst(cell, QLatin1Char(kSign[int(op)])).trimmed();
            if (blank(value)) continue;
            SearchItem item;
            if (!read(value, ItemOperator(int(op)), item)) return invalid(row);
            if (!store(std::move(item))) return {SaveOutcome::TooManyItems, row};
            continue;
        }
        const QString rest =
            removeFirst(removeFirst(cell, QLatin1Char('<')), QLatin1Char('>')).trimmed();
        const qsizetype andAt = rest.indexOf(QLatin1String("AND"));
        const QString low = (andAt < 0 ? rest : rest.left(andAt)).trimmed();
        const QString high = andAt < 0 ? QString() : rest.mid(andAt + 3).trimmed();
        if (blank(low) && blank(high)) continue;
        if (blank(low) || blank(high)) return invalid(row);
        SearchItem lowItem, highItem;
        if (!read(low, ItemOperator::Greater, lowItem) || !read(high, ItemOperator::Less, highItem))
            return invalid(row);
        if (!store(std::move(lowItem)) || !store(std::move(highItem)))
            return {SaveOutcome::TooManyItems, row};
    }
    if (items_.size() == atEntry) return {SaveOutcome::NoCriteria, 0};
    items_.back().endOfLevel = true;
    return {SaveOutcome::Saved, 0};
}

// ---------------------------------------------------------------------------------------------
// The record test

bool SearchItems::preparedFor(const engine::Table& table) const {
    if (preparedGeneration_ != generation_ || preparedTable_ != &table ||
        preparedCodePage_ != &table.codePage() ||
        preparedRecordLength_ != table.header().recordLength)
        return false;
    // The same object may since have been opened on another file: the fields must still be there.
    for (const Prepared& p : prepared_) {
        if (p.index < 0) continue;
        if (p.index >= table.fieldCount()) return false;
        const engine::Field& f = table.field(p.index);
        if (f.offset != p.offset || f.width != p.width || char(f.type) != p.type) return false;
    }
    return true;
}

void SearchItems::prepare(const engine::Table& table) const {
    prepared_.clear();
    const engine::CodePage& cp = table.codePage();
    for (const SearchItem& item : items_) {
        Prepared p;
        p.op = item.op;
        p.isDate = item.isDate;
        p.endOfLevel = item.endOfLevel;
        p.value = item.isDate ? item.date : item.numeric;
        if (item.field >= 1 && item.field <= kSearchRows)
            p.index = table.fieldIndex(data::schemaField(item.field).storedName);
        if (p.index >= 0) {
            const engine::Field& f = table.field(p.index);
            p.offset = f.offset;
            p.width = f.width;
            p.type = char(f.type);
        }
        if (item.op == ItemOperator::Contains) {
            std::string bytes;
            const auto e = cp.encodeAppend(item.text.toStdString(), bytes);
            if (e.kind != engine::CodePage::EncodeError::Kind::None ||
                int(bytes.size()) > p.width) {
                p.impossible = true;
            } else {
                for (char& c : bytes) c = char(cp.upper(static_cast<unsigned char>(c)));
                p.needle = std::move(bytes);
            }
        }
        prepared_.push_back(std::move(p));
    }
    preparedTable_ = &table;
    preparedCodePage_ = &cp;
    preparedRecordLength_ = table.header().recordLength;
    preparedGeneration_ = generation_;
}

bool SearchItems::evaluate(const Prepared& p, const engine::Table& table) const {
    if (p.index < 0) return false;
    const std::string_view v = table.storedBytes(p.index);
    if (v.empty()) return false;
    if (p.op == ItemOperator::Contains) {
        if (p.impossible) return false;
        const engine::CodePage& cp = table.codePage();
        const size_t n = p.needle.size();
        if (n == 0) return true;
        if (n > v.size()) return false;
        const unsigned char first = static_cast<unsigned char>(p.needle[0]);
        for (size_t i = 0; i + n <= v.size(); ++i) {
            if (cp.upper(static_cast<unsigned char>(v[i])) != first) continue;
            size_t k = 1;
            while (k < n && cp.upper(static_cast<unsigned char>(v[i + k])) ==
                                static_cast<unsigned char>(p.needle[k]))
                ++k;
            if (k == n) return true;
        }
        return false;
    }
    double field = 0;
    if (p.isDate) {
        if (p.type != char(engine::FieldType::Date) || !storedDay(v, field)) return false;
    } else if (p.type == char(engine::FieldType::Numeric) ||
               p.type == char(engine::FieldType::Float)) {
        if (!storedNumber(v, field)) return false;
    } else {
        return false;
    }
    return compare(p.op, field, p.value);
}

bool SearchItems::test(const engine::Table& table) const {
    if (items_.empty()) return false;
    if (!preparedFor(table)) prepare(table);
    bool level = true;
    for (const Prepared& p : prepared_) {
        if (level) level = evaluate(p, table);
        if (p.endOfLevel) {
            if (level) return true;
            level = true;
        }
    }
    return false;
}

}  // namespace vz::search
