#include "search/Locate.h"

#include <QLocale>
#include <algorithm>
#include <charconv>

#include "common/DisplayFormats.h"
#include "engine/Table.h"

namespace vz::search {
namespace {

using engine::FieldType;

std::string_view rightTrimmed(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return rightTrimmed(s);
}

bool storedNumber(std::string_view s, double& out) {
    s = trimmed(s);
    out = 0;
    if (s.empty()) return true;
    if (s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool isDecimalField(const engine::Field& f) {
    return f.isNumber() && f.decimals > 0;
}

QString upperLetters(QString s) {
    for (QChar& c : s) c = c.toUpper();
    return s;
}

bool matches(QStringView field, QStringView value, LocateMatch match) {
    switch (match) {
        case LocateMatch::Exact:
            return field == value;
        case LocateMatch::PartialStart:
            return !value.isEmpty() && field.startsWith(value);
        case LocateMatch::PartialAny:
            return !value.isEmpty() && field.contains(value);
    }
    return false;
}

// Compares stored bytes with a value in the same code page, folding both unless `fold` is null.
bool matchesBytes(std::string_view field, std::string_view value, LocateMatch match,
                  const engine::CodePage* fold) {
    auto same = [&](size_t at) {
        for (size_t k = 0; k < value.size(); ++k) {
            unsigned char a = static_cast<unsigned char>(field[at + k]);
            if (fold) a = fold->upper(a);
            if (a != static_cast<unsigned char>(value[k])) return false;
        }
        return true;
    };
    switch (match) {
        case LocateMatch::Exact:
            return field.size() == value.size() && same(0);
        case LocateMatch::PartialStart:
            return !value.empty() && field.size() >= value.size() && same(0);
        case LocateMatch::PartialAny:
            if (value.empty() || field.size() < value.size()) return false;
            for (size_t i = 0; i + value.size() <= field.size(); ++i)
                if (same(i)) return true;
            return false;
    }
    return false;
}

}  // namespace

QString locateFieldText(const engine::Table& table, int field) {
    const engine::Field& f = table.field(field);
    const std::string_view stored = table.storedBytes(field);
    if (f.type == FieldType::Character) {
        std::string utf8;
        const std::string_view kept = rightTrimmed(stored);
        table.codePage().decodeAppend(kept.data(), kept.size(), utf8);
        return QString::fromStdString(utf8);
    }
    if (isDecimalField(f)) {
        double v = 0;
        if (trimmed(stored).empty() || !storedNumber(stored, v)) return {};
        QString text = QString::number(v, 'g', QLocale::FloatingPointShortest);
        return text.replace(QLatin1Char('.'), displayFormats().regional().decimal);
    }
    if (f.type == FieldType::Date) {
        engine::Date d;
        if (!engine::Date::parse(stored, d)) return {};
        return displayFormats().formatDate(d);
    }
    return QString::fromStdString(table.text(field));
}

LocateResult locateRecord(engine::Table& table, const LocateRequest& request) {
    if (request.field < 0 || request.field >= table.fieldCount())
        return {LocateOutcome::NotFound, {}};
    if (table.state() != engine::Table::State::Browse) {
        if (engine::Status s = table.post(); !s)
            return {LocateOutcome::Failed, QString::fromStdString(s.message())};
    }
    const uint32_t noted = table.recNo();
    const engine::Field& f = table.field(request.field);
    const bool fold = !request.caseSensitive;

    // How one record is tested.
    enum class Kind { Bytes, Number, Text, Nothing } kind = Kind::Text;
    std::string valueBytes;
    double number = 0;
    QString valueText = fold ? upperLetters(request.value) : request.value;
    if (f.type == FieldType::Character) {
        kind = Kind::Bytes;
        const auto e = table.codePage().encodeAppend(request.value.toStdString(), valueBytes);
        if (e.kind != engine::CodePage::EncodeError::Kind::None)
            kind = Kind::Nothing;  // no record can hold it
        if (fold)
            for (char& c : valueBytes)
                c = char(table.codePage().upper(static_cast<unsigned char>(c)));
    } else if (request.match == LocateMatch::Exact && isDecimalField(f)) {
        QStringView v = request.value;
        if (v.startsWith(QLatin1Char('-'))) v = v.mid(1);
        bool plain = true;
        for (QChar c : v)
            plain = plain && ((c.isDigit() && c.unicode() < 128) || c == QLatin1Char('.'));
        if (!plain) {
            kind = Kind::Nothing;
        } else {
            const QByteArray bytes = request.value.toLatin1();
            const auto r = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(),
                                           number, std::chars_format::fixed);
            if (bytes.isEmpty() || r.ec != std::errc() || r.ptr != bytes.constData() + bytes.size())
                return {
                    LocateOutcome::Failed,
                    QStringLiteral("'%1' is not a valid floating point value").arg(request.value)};
            kind = Kind::Number;
        }
    }
    const engine::CodePage* folding = fold ? &table.codePage() : nullptr;
    auto test = [&]() {
        switch (kind) {
            case Kind::Nothing:
                return false;
            case Kind::Bytes:
                return matchesBytes(rightTrimmed(table.storedBytes(request.field)), valueBytes,
                                    request.match, folding);
            case Kind::Number: {
                double v = 0;
                return storedNumber(table.storedBytes(request.field), v) && v == number;
            }
            case Kind::Text: {
                const QString text = locateFieldText(table, request.field);
                return matches(fold ? upperLetters(text) : text, valueText, request.match);
            }
        }
        return false;
    };

    // Where the walk starts in the caller's order; without an order, or when the current record is
    // not in it, the walk steps through the table instead.
    size_t from = 0;
    const bool inOrder = request.order != nullptr && [&] {
        if (request.fromFirst || noted == 0) return true;
        const auto at = std::find(request.order->begin(), request.order->end(), noted);
        from = size_t(at - request.order->begin()) + 1;
        return at != request.order->end();
    }();
    if (inOrder) {
        // Every match in one pass over the file, then the first of them after the current row.
        const engine::Table::Filter shown = table.filter();
        table.setFilter([&](const engine::Table& t) { return (!shown || shown(t)) && test(); });
        std::vector<uint32_t> matches;
        const engine::Status s = table.collectOrder(matches);
        table.setFilter(shown);
        if (!s) return {LocateOutcome::Failed, QString::fromStdString(s.message())};
        uint32_t found = 0;
        if (!matches.empty()) {
            const std::vector<uint32_t>& order = *request.order;
            std::vector<bool> isMatch(size_t(table.recordCount()) + 1);
            for (uint32_t r : matches)
                if (r < isMatch.size()) isMatch[r] = true;
            for (size_t i = from; i < order.size() && found == 0; ++i)
                if (order[i] < isMatch.size() && isMatch[order[i]]) found = order[i];
        }
        if (found == 0) return {LocateOutcome::NotFound, {}};
        if (const engine::Status g = table.go(found); !g)
            return {LocateOutcome::Failed, QString::fromStdString(g.message())};
        return {LocateOutcome::Found, {}};
    }

    engine::Status s =
        request.fromFirst ? table.first() : (noted == 0 ? table.first() : table.next());
    while (s && !table.eof() && table.hasRecord()) {
        if (test()) return {LocateOutcome::Found, {}};
        s = table.next();
    }
    LocateResult result{LocateOutcome::NotFound, {}};
    if (!s) result = {LocateOutcome::Failed, QString::fromStdString(s.message())};
    if (noted != 0) (void)table.go(noted);
    return result;
}

}  // namespace vz::search
