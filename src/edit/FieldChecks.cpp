#include "edit/FieldChecks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vz::edit {

namespace {

bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

// Blanks are the space character only; tabs and other white space are text like any other.
QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

QString normaliseMoney(QStringView typed, const DisplayFormats& f) {
    return normaliseNumber(typed, f.currencyFormat(), f.regional());
}

QString normaliseWhole(QStringView typed, const DisplayFormats& f) {
    return normaliseNumber(typed, f.numericFormat(), f.regional());
}

// A plain decimal split into its parts.
struct DecimalParts {
    bool negative = false;
    QString whole;     // at least one digit, no leading zeros
    QString fraction;  // possibly empty
};

DecimalParts splitPlain(QStringView plain) {
    DecimalParts p;
    if (plain.startsWith(QLatin1Char('-'))) {
        p.negative = true;
        plain = plain.mid(1);
    }
    const qsizetype dot = plain.indexOf(QLatin1Char('.'));
    p.whole = (dot < 0 ? plain : plain.left(dot)).toString();
    if (dot >= 0) p.fraction = plain.mid(dot + 1).toString();
    if (p.whole.isEmpty()) p.whole = QStringLiteral("0");
    return p;
}

bool allZeros(const QString& digits) {
    return digits.count(QLatin1Char('0')) == digits.size();
}

// Adds one to the last digit of `digits`; true when a carry runs out of its first digit (the
// caller puts a "1" in front).
bool incrementDigits(QString& digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != QLatin1Char('9')) {
            digits[i] = QChar(digits[i].unicode() + 1);
            return false;
        }
        digits[i] = QLatin1Char('0');
    }
    return true;
}

// Rounds to `decimals` fraction digits, half away from zero, on the digits themselves, so no
// digit is lost to a binary fraction however long the amount.
DecimalParts roundParts(DecimalParts p, int decimals) {
    if (p.fraction.size() <= decimals) {
        p.fraction = p.fraction.leftJustified(decimals, QLatin1Char('0'));
        return p;
    }
    const bool up = p.fraction[decimals].unicode() >= '5';
    QString kept = p.fraction.left(decimals);
    QString whole = p.whole;
    if (up && incrementDigits(kept) && incrementDigits(whole)) whole.prepend(QLatin1Char('1'));
    p.whole = whole;
    p.fraction = kept;
    return p;
}

QString groupedParts(const DecimalParts& p, const QString& point, const QString& group) {
    QString out;
    if (p.negative && !(allZeros(p.whole) && allZeros(p.fraction))) out += QLatin1Char('-');
    const qsizetype len = p.whole.size();
    for (qsizetype k = 0; k < len; ++k) {
        if (k > 0 && (len - k) % 3 == 0) out += group;
        out += p.whole[k];
    }
    if (!p.fraction.isEmpty()) out += point + p.fraction;
    return out;
}

QString moneyPoint(const DisplayFormats& f) {
    return f.currencyFormat() == kFormatRegional ? f.regional().decimal
                                                          : QStringLiteral(".");
}
QString moneyGroup(const DisplayFormats& f) {
    return f.currencyFormat() == kFormatRegional ? f.regional().thousand
                                                          : QStringLiteral(",");
}
int moneyDecimals(const DisplayFormats& f) {
    return f.currencyFormat() == kFormatRegional
               ? std::clamp(f.regional().currencyDigits, 0, 15)
               : 2;
}

}  // namespace

QString normaliseNumber(QStringView typed, int format, const RegionalValues& regional) {
    QString text = trimBlanks(typed).toString();
    if (format == kFormatRegional) {
        if (!regional.thousand.isEmpty()) text.remove(regional.thousand);
        if (!regional.decimal.isEmpty()) {
            const qsizetype at = text.indexOf(regional.decimal);
            if (at >= 0) text.replace(at, regional.decimal.size(), QStringLiteral("."));
        }
    } else {
        text.remove(QLatin1Char(','));
    }
    return text;
}

std::optional<double> readMoney(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto digitsFrom = [&] {
        const qsizetype start = i;
        while (i < n && isAsciiDigit(text[i])) ++i;
        return i - start;
    };
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
    const qsizetype whole = digitsFrom();
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        if (digitsFrom() == 0) return std::nullopt;
    } else if (whole == 0) {
        return std::nullopt;
    }
    if (i < n && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
        if (digitsFrom() == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;

    // The text is plain ASCII by now; QString's conversion ignores the process locale.
    bool ok = false;
    const double value = text.toString().toDouble(&ok);
    // An exponent beyond what a double holds: no amount a field could store.
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<QString> plainDecimal(QStringView text) {
    if (!readMoney(text)) return std::nullopt;
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))
        negative = text[i++] == QLatin1Char('-');
    QString digits;
    qsizetype point = -1;
    for (; i < n && text[i] != QLatin1Char('E') && text[i] != QLatin1Char('e'); ++i) {
        if (text[i] == QLatin1Char('.'))
            point = digits.size();
        else
            digits += text[i];
    }
    if (point < 0) point = digits.size();
    if (i < n) {
        // The exponent: readMoney has checked its form. One beyond any field's width gives a
        // number no field holds; it is refused rather than written out in full.
        const QStringView exponent = text.mid(i + 1);
        bool ok = false;
        const int shift = exponent.toInt(&ok);
        if (!ok || shift > 400 || shift < -400) return std::nullopt;
        point += shift;
    }
    if (point < 0) {
        digits.prepend(QString(-point, QLatin1Char('0')));
        point = 0;
    }
    if (point > digits.size()) digits += QString(point - digits.size(), QLatin1Char('0'));
    DecimalParts p;
    p.negative = negative;
    p.whole = digits.left(point);
    p.fraction = digits.mid(point);
    qsizetype lead = 0;
    while (lead + 1 < p.whole.size() && p.whole[lead] == QLatin1Char('0')) ++lead;
    p.whole = p.whole.mid(lead);
    if (p.whole.isEmpty()) p.whole = QStringLiteral("0");
    return groupedParts(p, QStringLiteral("."), QString());
}

QString moneyBoxText(QStringView plain, const DisplayFormats& formats) {
    DecimalParts p = splitPlain(plain);
    const int decimals = moneyDecimals(formats);
    while (p.fraction.size() > decimals && p.fraction.endsWith(QLatin1Char('0')))
        p.fraction.chop(1);
    if (p.fraction.size() < decimals)
        p.fraction = p.fraction.leftJustified(decimals, QLatin1Char('0'));
    return groupedParts(p, moneyPoint(formats), moneyGroup(formats));
}

std::optional<std::int32_t> readWholeNumber(QStringView text) {
    const qsizetype n = text.size();
    if (n == 0) return std::nullopt;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();

    if (text[0] == QLatin1Char('$')) {
        if (n == 1) return std::nullopt;
        std::int64_t value = 0;
        for (qsizetype i = 1; i < n; ++i) {
            const int digit = hexValue(text[i]);
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
            if (value > kMax) return std::nullopt;
        }
        return std::int32_t(value);
    }

    qsizetype i = 0;
    bool negative = false;
    if (text[0] == QLatin1Char('+') || text[0] == QLatin1Char('-')) {
        negative = text[0] == QLatin1Char('-');
        ++i;
    }
    if (i == n) return std::nullopt;
    std::int64_t value = 0;
    for (; i < n; ++i) {
        if (!isAsciiDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i].unicode() - '0');
        if (value > kMax + 1) return std::nullopt;  // leading zeros never get here
    }
    if (negative) value = -value;
    if (value < kMin || value > kMax) return std::nullopt;
    return std::int32_t(value);
}

std::optional<double> moneyFromBox(QStringView boxText, const DisplayFormats& formats) {
    if (trimBlanks(boxText).isEmpty()) return 0.0;
    return readMoney(normaliseMoney(boxText, formats));
}

std::optional<std::int32_t> wholeFromBox(QStringView boxText, const DisplayFormats& formats) {
    if (trimBlanks(boxText).isEmpty()) return 0;
    return readWholeNumber(normaliseWhole(boxText, formats));
}

bool isEmptyDateBox(QStringView boxText) {
    for (QChar c : boxText)
        if (c != QLatin1Char(' ') && c != QLatin1Char('/') && c != QLatin1Char('-') && c != QLatin1Char('.'))
            return false;
    return true;
}

std::optional<engine::Date> dateFromBox(QStringView boxText, const DisplayFormats& formats) {
    if (isEmptyDateBox(boxText)) return engine::Date{};
    engine::Date date;
    if (!formats.parseDate(trimBlanks(boxText), date)) return std::nullopt;
    return date;
}

QString checkMessage(CheckedBox box) {
    switch (box) {
        case CheckedBox::PurchDate:
            return QStringLiteral("Invalid acquired date specified.  Please correct.");
        case CheckedBox::PurchPrice:
            return QStringLiteral("Invalid purchase price specified.  Please correct.");
        case CheckedBox::MarketValue:
            return QStringLiteral("Invalid market value specified.  Please correct.");
        case CheckedBox::Quantity:
            return QStringLiteral("Invalid quantity specified.  Please correct.");
        case CheckedBox::Year:
            return QStringLiteral("Invalid year specified.  Please correct.");
        case CheckedBox::NumericCatalog:
            return QStringLiteral("Invalid numeric catalog specified.  Please correct.");
    }
    return {};
}

CheckResult checkBeforeStoring(const CheckedTexts& texts, const DisplayFormats& formats) {
    CheckResult result;
    auto fail = [&](CheckedBox box) {
        result.failure = CheckFailure{box, checkMessage(box)};
        return result;
    };

    const auto date = dateFromBox(texts.purchDate, formats);
    if (!date) return fail(CheckedBox::PurchDate);
    result.values.date = *date;

    // The amounts are stored from their digits; the doubles serve the totals only.
    auto exactMoney = [&](const QString& box) -> std::optional<QString> {
        if (trimBlanks(box).isEmpty()) return QStringLiteral("0");
        return plainDecimal(normaliseMoney(box, formats));
    };
    const auto cost = moneyFromBox(texts.purchPrice, formats);
    const auto costText = exactMoney(texts.purchPrice);
    if (!cost || !costText) return fail(CheckedBox::PurchPrice);
    result.values.cost = *cost;
    result.values.costText = *costText;

    const auto market = moneyFromBox(texts.marketValue, formats);
    const auto marketText = exactMoney(texts.marketValue);
    if (!market || !marketText) return fail(CheckedBox::MarketValue);
    result.values.marketValue = *market;
    result.values.marketValueText = *marketText;

    const auto quantity = wholeFromBox(texts.quantity, formats);
    if (!quantity) return fail(CheckedBox::Quantity);
    result.values.quantity = *quantity;

    const auto year = wholeFromBox(texts.year, formats);
    if (!year) return fail(CheckedBox::Year);
    result.values.year = *year;

    const auto catalog = wholeFromBox(texts.numericCatalog, formats);
    if (!catalog) return fail(CheckedBox::NumericCatalog);
    result.values.numericCatalog = *catalog;

    return result;
}

QString moneyBoxOnLeave(const QString& boxText, const DisplayFormats& formats) {
    if (trimBlanks(boxText).isEmpty()) return boxText;
    const auto plain = plainDecimal(normaliseMoney(boxText, formats));
    if (!plain) return boxText;
    const DecimalParts rounded = roundParts(splitPlain(*plain), moneyDecimals(formats));
    return groupedParts(rounded, moneyPoint(formats), moneyGroup(formats));
}

QString quantityBoxOnLeave(const QString& boxText, const DisplayFormats& formats) {
    if (trimBlanks(boxText).isEmpty()) return boxText;
    const QString normalised = normaliseWhole(boxText, formats);
    if (const auto whole = readWholeNumber(normalised)) return formats.formatNumber(*whole, 0);
    // A quantity typed with decimals becomes the nearest whole number.
    const auto plain = plainDecimal(normalised);
    if (!plain) return boxText;
    const bool regional = formats.numericFormat() == kFormatRegional;
    return groupedParts(roundParts(splitPlain(*plain), 0),
                        regional ? formats.regional().decimal : QStringLiteral("."),
                        regional ? formats.regional().thousand : QStringLiteral(","));
}

TotalTexts CalcTotals(const QString& quantityText, const QString& purchPriceText, const QString& marketValueText,
                      const DisplayFormats& formats) {
    const double quantity = double(wholeFromBox(quantityText, formats).value_or(0));
    const double price = moneyFromBox(purchPriceText, formats).value_or(0.0);
    const double market = moneyFromBox(marketValueText, formats).value_or(0.0);
    const QString blank = QStringLiteral(" ");
    return {formats.formatMoney(quantity * price) + blank, formats.formatMoney(quantity * market) + blank};
}

}  // namespace vz::edit
