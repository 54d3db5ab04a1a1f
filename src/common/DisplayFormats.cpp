#include "common/DisplayFormats.h"

#include <QDate>
#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>

namespace vz {

namespace {

// A one-character separator from the locale. An empty value is the locale giving none (the C
// locale has no group separator), so the default stands.
QString separatorOf(const char* text, const QString& fallback) {
    if (text == nullptr) return fallback;
    QString s = QString::fromLocal8Bit(text);
    if (s.isEmpty()) return fallback;
    return s.left(1);
}

}  // namespace

RegionalValues RegionalValues::fromLocale() {
    RegionalValues r;
    std::setlocale(LC_ALL, "");
    const std::lconv* lc = std::localeconv();
    if (lc != nullptr) {
        r.decimal = separatorOf(lc->decimal_point, r.decimal);
        r.thousand = separatorOf(lc->thousands_sep, r.thousand);
        if (lc->frac_digits != CHAR_MAX && lc->frac_digits >= 0 && lc->frac_digits <= 9)
            r.currencyDigits = lc->frac_digits;
    }
    // The program parses and writes numbers itself; leave the C library in its own locale.
    std::setlocale(LC_NUMERIC, "C");
    return r;
}

void DisplayFormats::setDateFormat(int code, bool leadingZeros) {
    if (code < 1 || code > kDateFormatCount) return;
    dateCode_ = code;
    leadingZeros_ = leadingZeros;
}

QString DisplayFormats::dateSeparator() const {
    static const char* const kSeparators[] = {"/", "-", "."};
    return QString::fromLatin1(kSeparators[(dateCode_ - 1) % 3]);
}

bool DisplayFormats::dayFirst() const { return ((dateCode_ - 1) / 3) % 2 == 1; }

bool DisplayFormats::fourDigitYear() const { return dateCode_ > 6; }

QString DisplayFormats::datePattern() const {
    const QString d = leadingZeros_ ? QStringLiteral("dd") : QStringLiteral("d");
    const QString m = leadingZeros_ ? QStringLiteral("mm") : QStringLiteral("m");
    const QString y = fourDigitYear() ? QStringLiteral("yyyy") : QStringLiteral("yy");
    const QString sep = dateSeparator();
    return dayFirst() ? d + sep + m + sep + y : m + sep + d + sep + y;
}

QString DisplayFormats::dateCaption(int code) {
    if (code < 1 || code > kDateFormatCount) return {};
    DisplayFormats f;
    f.setDateFormat(code, true);
    return f.datePattern();
}

QString DisplayFormats::formatDate(const engine::Date& date) const {
    if (date.isBlank()) return {};
    const int width = leadingZeros_ ? 2 : 1;
    const QString day = QStringLiteral("%1").arg(date.day, width, 10, QLatin1Char('0'));
    const QString month = QStringLiteral("%1").arg(date.month, width, 10, QLatin1Char('0'));
    const QString year = fourDigitYear() ? QString::number(date.year)
                                         : QStringLiteral("%1").arg(date.year % 100, 2, 10, QLatin1Char('0'));
    const QString sep = dateSeparator();
    return dayFirst() ? day + sep + month + sep + year : month + sep + day + sep + year;
}

bool DisplayFormats::parseDate(QStringView text, engine::Date& out) const {
    const QChar sep = dateSeparator().at(0);
    int numbers[3] = {0, 0, 0};
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i] == QLatin1Char(' ')) ++i;
    };
    for (int part = 0; part < 3; ++part) {
        skipBlanks();
        if (part > 0) {
            if (i >= n || text[i] != sep) return false;
            ++i;
            skipBlanks();
        }
        const qsizetype start = i;
        long value = 0;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            value = value * 10 + (text[i].unicode() - '0');
            if (value > 99999) return false;
            ++i;
        }
        if (i == start) return false;
        numbers[part] = int(value);
    }
    skipBlanks();
    if (i != n) return false;

    engine::Date d;
    d.day = dayFirst() ? numbers[0] : numbers[1];
    d.month = dayFirst() ? numbers[1] : numbers[0];
    d.year = numbers[2];
    if (d.year < 100) d.year += QDate::currentDate().year() / 100 * 100;
    if (!d.isValid()) return false;
    out = d;
    return true;
}

QString groupedNumber(double value, int decimals, const QString& point, const QString& group) {
    decimals = std::clamp(decimals, 0, 15);
    if (!std::isfinite(value)) return QString::number(value);
    QString digits = QString::number(std::fabs(value), 'f', decimals);
    // Rounding may leave "-0.00" for tiny negatives: those are written without a sign.
    bool negative = value < 0;
    QString whole = digits;
    QString fraction;
    if (decimals > 0) {
        const qsizetype dot = digits.indexOf(QLatin1Char('.'));
        whole = digits.left(dot);
        fraction = digits.mid(dot + 1);
    }
    if (negative && whole.count(QLatin1Char('0')) == whole.size() &&
        fraction.count(QLatin1Char('0')) == fraction.size())
        negative = false;
    QString grouped;
    const qsizetype len = whole.size();
    for (qsizetype k = 0; k < len; ++k) {
        if (k > 0 && (len - k) % 3 == 0) grouped += group;
        grouped += whole[k];
    }
    QString result = negative ? QStringLiteral("-") + grouped : grouped;
    if (decimals > 0) result += point + fraction;
    return result;
}

QString DisplayFormats::formatMoney(double amount) const {
    if (currencyFormat_ == kFormatRegional)
        return groupedNumber(amount, regional_.currencyDigits, regional_.decimal, regional_.thousand);
    return groupedNumber(amount, 2, QStringLiteral("."), QStringLiteral(","));
}

QString DisplayFormats::formatNumber(double value, int decimals) const {
    if (numericFormat_ == kFormatRegional)
        return groupedNumber(value, decimals, regional_.decimal, regional_.thousand);
    return groupedNumber(value, decimals, QStringLiteral("."), QStringLiteral(","));
}

DisplayFormats& displayFormats() {
    static DisplayFormats formats;
    return formats;
}

}  // namespace vz
