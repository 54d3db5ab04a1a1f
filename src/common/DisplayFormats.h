// DisplayFormats: how the program writes and reads dates, money amounts and numbers.
//
// One instance is in force for the whole program (displayFormats()); the main window sets it
// from the "Misc" settings at start-up and whenever the collector picks another format in the
// Options menu, and every window, report and export writes and reads through it. Regional
// values (decimal and group separators, currency decimals) come from the process locale, read
// once at start-up.
#pragma once

#include <QString>
#include <QStringView>

#include "engine/Date.h"

namespace vz {

// The three regional values the "Windows setting" formats use.
struct RegionalValues {
    QString decimal = QStringLiteral(".");   // one character; the default when the locale gives none
    QString thousand = QStringLiteral(",");  // likewise
    int currencyDigits = 2;

    // From the process locale (setlocale(LC_ALL, "") then localeconv()), with the defaults above
    // where the locale gives nothing.
    static RegionalValues fromLocale();
    friend bool operator==(const RegionalValues&, const RegionalValues&) = default;
};

inline constexpr int kDateFormatCount = 12;
inline constexpr int kFormatUS = 1;       // currency and numeric format: U.S.
inline constexpr int kFormatRegional = 2;  // currency and numeric format: the system's setting

class DisplayFormats {
public:
    // Date format code 1 to 12 as the Options menu lists them; a code outside that range keeps
    // the format in force (code() then still answers the old code).
    void setDateFormat(int code, bool leadingZeros);
    int dateCode() const { return dateCode_; }
    bool leadingZeros() const { return leadingZeros_; }
    // "/", "-" or "."
    QString dateSeparator() const;
    // The pattern in force, for example "m/d/yy" or "dd.mm.yyyy".
    QString datePattern() const;
    bool dayFirst() const;
    bool fourDigitYear() const;
    // The menu caption of a code, "mm/dd/yy" to "dd.mm.yyyy"; empty outside 1 to 12.
    static QString dateCaption(int code);

    // A date in the pattern in force; a blank date gives "".
    QString formatDate(const engine::Date& d) const;
    // Three numbers separated by the separator in force, blanks allowed before each number and
    // separator and after the year, in the format's order; a year below 100 is taken in the
    // current century. False, with `out` untouched, unless the text names a real day.
    bool parseDate(QStringView text, engine::Date& out) const;

    void setCurrencyFormat(int format) { currencyFormat_ = format; }  // kFormatUS or kFormatRegional
    void setNumericFormat(int format) { numericFormat_ = format; }
    int currencyFormat() const { return currencyFormat_; }
    int numericFormat() const { return numericFormat_; }
    void setRegional(const RegionalValues& r) { regional_ = r; }
    const RegionalValues& regional() const { return regional_; }

    // A money amount in the currency format in force: U.S. "1,234,567.89", "-1,234.50";
    // regional: the locale's decimals and separators. No currency sign, no padding.
    QString formatMoney(double amount) const;
    // A number with `decimals` decimals in the numeric format in force: U.S. 1234 gives "1,234".
    QString formatNumber(double value, int decimals) const;

private:
    int dateCode_ = 1;
    bool leadingZeros_ = false;
    int currencyFormat_ = kFormatUS;
    int numericFormat_ = kFormatUS;
    RegionalValues regional_;
};

// The formats in force for the whole program.
DisplayFormats& displayFormats();

// Group-separated fixed-point text: `decimals` decimals (rounded), `point` before them, `group`
// between each three whole digits counted from the point, "-" first for negatives. Both
// display formats are this with their own separators.
QString groupedNumber(double value, int decimals, const QString& point, const QString& group);

}  // namespace vz
