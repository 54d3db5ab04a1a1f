// FieldChecks: how the record edit window reads the numbers and the date the collector types,
// the checks a record passes before it is stored, the rewrites of the money and quantity boxes
// when the collector leaves them, and the two totals beside the price boxes.
//
// Everything here is pure: it takes box texts and the formats in force and answers texts and
// values, so the window only moves text between its boxes and these functions, shows the one
// failure message and focuses the box that failed. Money amounts (Purchase Price, Market Value)
// are read under the currency format, whole numbers (Quantity, Year, Numeric Catalog) under the
// numeric format; both are 1 = U.S. or 2 = the regional separators (DisplayFormats).
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

#include "engine/Date.h"
#include "common/DisplayFormats.h"

namespace vz::edit {

// --- Reading typed numbers -----------------------------------------------------------------

// The first step of reading any typed number: trims blanks; under U.S. (kFormatUS) removes every
// ","; under the regional format removes every group separator, then turns the first decimal
// separator into ".". `format` is kFormatUS or kFormatRegional.
QString normaliseNumber(QStringView typed, int format, const RegionalValues& regional);

// A normalised money amount: in full, an optional sign, digits with at most one "." that must be
// followed by a digit (the digits before it may be absent), then optionally "E"/"e", an optional
// sign and digits. Empty when the text is not that, or its value is not a finite number.
std::optional<double> readMoney(QStringView normalised);

// A normalised money amount (as readMoney accepts it) as plain decimal text, taken from its
// digits and never through a double: an optional "-" (not for zero), the whole digits without
// leading zeros ("0" when there are none), then "." and the fraction digits as typed when there
// are any; an exponent moves the point. Empty when readMoney refuses the text.
std::optional<QString> plainDecimal(QStringView normalised);

// A plain decimal (plainDecimal's form) as a money box shows it, in the currency format: the
// whole digits grouped, and the fraction padded with zeros to the currency decimals; fraction
// digits beyond those are kept when they are not zeros, so the text reads back as the same number.
QString moneyBoxText(QStringView plain,
                     const DisplayFormats& formats = displayFormats());

// A normalised whole number: in full, an optional sign and decimal digits, or "$" and
// hexadecimal digits; the value must lie in -2147483648 ... 2147483647. Empty otherwise.
std::optional<std::int32_t> readWholeNumber(QStringView normalised);

// A money box's text as the store and the totals read it: trimmed empty gives 0; otherwise the
// normalised text (currency format) read as a money amount; empty when that fails.
std::optional<double> moneyFromBox(QStringView boxText,
                                   const DisplayFormats& formats = displayFormats());
// A whole-number box's text: trimmed empty gives 0; otherwise the normalised text (numeric
// format) read as a whole number; empty when that fails.
std::optional<std::int32_t> wholeFromBox(QStringView boxText,
                                         const DisplayFormats& formats = displayFormats());

// True when the date box holds nothing but blanks and date separators ("/", "-", "."): the
// record then stores an empty date, whatever the separator of the format in force.
bool isEmptyDateBox(QStringView boxText);
// The date box as the store reads it: a blank Date for an empty box (above), the date read with
// the date format in force otherwise; empty when the text names no real day in that format.
std::optional<engine::Date> dateFromBox(QStringView boxText,
                                        const DisplayFormats& formats = displayFormats());

// --- The checks before storing -------------------------------------------------------------

// The six checked boxes, in the order they are checked.
enum class CheckedBox { PurchDate, PurchPrice, MarketValue, Quantity, Year, NumericCatalog };

// The texts of the checked boxes as they stand in the window.
struct CheckedTexts {
    QString purchDate;
    QString purchPrice;
    QString marketValue;
    QString quantity;
    QString year;
    QString numericCatalog;
};

// What the store writes for the checked boxes; an empty box gives a blank date or 0.
struct CheckedValues {
    engine::Date date;  // blank: empty
    double cost = 0;    // for the totals; the store writes the texts below
    double marketValue = 0;
    QString costText = QStringLiteral("0");  // the amounts as typed, in plainDecimal's form
    QString marketValueText = QStringLiteral("0");
    std::int32_t quantity = 0;
    std::int32_t year = 0;
    std::int32_t numericCatalog = 0;
};

struct CheckFailure {
    CheckedBox box;   // the box that gets the focus
    QString message;  // shown in an "Error" box with OK
};

struct CheckResult {
    std::optional<CheckFailure> failure;  // the first check that failed, if any
    CheckedValues values;                 // meaningful only when nothing failed
    bool ok() const { return !failure.has_value(); }
};

// The message of a failed check: "Invalid purchase price specified.  Please correct." ...
QString checkMessage(CheckedBox box);

// Runs the six checks in order and stops at the first that fails. Nothing is shown here.
[[nodiscard]] CheckResult checkBeforeStoring(const CheckedTexts& texts,
                                             const DisplayFormats& formats = displayFormats());

// --- Rewrites on leaving a box and on loading ----------------------------------------------

// The text of Purchase Price or Market Value after the collector leaves it: a valid amount is
// written back in the money display format, rounded to the currency decimals from its digits;
// when that rounding would change the whole part (99.999 to 100.00) the fraction digits stay as
// typed instead. Empty or unreadable text stays exactly as typed.
QString moneyBoxOnLeave(const QString& boxText,
                        const DisplayFormats& formats = displayFormats());
// The text of Quantity after the collector leaves it: a number (whole, hexadecimal or with
// decimals) is written back in the number display format with no decimals, rounded from its
// digits (half away from zero); empty or
// unreadable text stays exactly as typed. The window remembers the result as the quantity that
// unticking Wanted puts back.
QString quantityBoxOnLeave(const QString& boxText,
                           const DisplayFormats& formats = displayFormats());

// --- Totals --------------------------------------------------------------------------------

struct TotalTexts {
    QString purchaseTotal;  // quantity x purchase price, money display format and one blank
    QString marketTotal;    // quantity x market value, likewise
};

// The two total labels from the Quantity, Purchase Price and Market Value box texts. An empty
// box counts as 0, and so does text that does not read as a number (the store refuses such
// text, so only these labels see it). Never shows anything.
TotalTexts CalcTotals(const QString& quantityText, const QString& purchPriceText, const QString& marketValueText,
                      const DisplayFormats& formats = displayFormats());

}  // namespace vz::edit
