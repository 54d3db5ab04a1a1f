#include <gtest/gtest.h>

#include <QDate>
#include <tuple>

#include "edit/FieldChecks.h"

using namespace vz;
using namespace vz::edit;

namespace {

DisplayFormats usFormats(int dateCode = 1) {
    DisplayFormats f;
    f.setDateFormat(dateCode, false);
    return f;
}

// Decimal comma, full stop between groups, as much of continental Europe writes numbers.
DisplayFormats commaFormats() {
    DisplayFormats f;
    f.setCurrencyFormat(kFormatRegional);
    f.setNumericFormat(kFormatRegional);
    f.setRegional({QStringLiteral(","), QStringLiteral("."), 2});
    return f;
}

}  // namespace

TEST(FieldChecks, MoneyAmountsReadUnderBothFormats) {
    struct Case {
        const char* typed;
        bool regional;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"1,234.5", false, 1234.5},  {" 12.50 ", false, 12.5},  {".5", false, 0.5},
        {"-3", false, -3.0},         {"+1e3", false, 1000.0},   {"2.5E-1", false, 0.25},
        {"12.", false, {}},          {".", false, {}},          {"1.2.3", false, {}},
        {"$10", false, {}},          {"1e", false, {}},         {"1e999", false, {}},
        {"12 34", false, {}},        {"1.234,5", true, 1234.5}, {"12.50", true, 1250.0},
        {"0,5", true, 0.5},          {"1,2,3", true, {}},       {"abc", false, {}},
        {"\xd9\xa3", false, {}},  // an Arabic-Indic digit is not a digit here
    };
    const auto us = usFormats();
    const auto comma = commaFormats();
    for (const Case& c : cases) {
        const auto got = moneyFromBox(QString::fromUtf8(c.typed), c.regional ? comma : us);
        EXPECT_EQ(got, c.value) << c.typed << (c.regional ? " (regional)" : " (U.S.)");
    }
}

TEST(FieldChecks, WholeNumbersStayWithinTheSigned32BitRange) {
    struct Case {
        const char* typed;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"2147483647", 2147483647},
        {"2147483648", {}},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-2147483649", {}},
        {"99999999999999999999999", {}},
        {"0000000000042", 42},
        {"$7FFFFFFF", 2147483647},
        {"$7fffffff", 2147483647},
        {"$80000000", {}},
        {"$FFFFFFFF", {}},
        {"$", {}},
        {"-$10", {}},
        {"$1G", {}},
        {"1,234", 1234},
        {"+5", 5},
        {"-", {}},
        {"1.5", {}},
        {"1e3", {}},
    };
    const auto us = usFormats();
    for (const Case& c : cases) EXPECT_EQ(wholeFromBox(QString::fromLatin1(c.typed), us), c.value) << c.typed;
    // Under the regional format with a decimal comma the full stop is a group separator.
    EXPECT_EQ(wholeFromBox(u"1.234", commaFormats()), 1234);
    EXPECT_EQ(wholeFromBox(u"1,5", commaFormats()), std::nullopt);
}

TEST(FieldChecks, BlankSeparatorsFromAnEmptyRegionalSetting) {
    DisplayFormats f;
    f.setCurrencyFormat(kFormatRegional);
    f.setRegional({QStringLiteral(","), QStringLiteral(" "), 2});
    EXPECT_EQ(normaliseNumber(u" 1 234 567,25 ", kFormatRegional, f.regional()), "1234567.25");
    EXPECT_EQ(moneyFromBox(u"1 234,5", f), 1234.5);
}

TEST(FieldChecks, DatesReadInTheFormatInForce) {
    const int century = QDate::currentDate().year() / 100 * 100;
    struct Case {
        int code;
        const char* typed;
        std::optional<engine::Date> date;
    };
    const Case cases[] = {
        {1, "  /  /    ", engine::Date{}},
        {11, "  -  -    ", engine::Date{}},
        {1, "  -  -    ", engine::Date{}},  // a separator of another format: still empty
        {1, "", engine::Date{}},
        {1, "02/30/1998", {}},
        {1, "02/28/1998", engine::Date{1998, 2, 28}},
        {1, "00/00/0000", {}},
        {1, "12/25/97  ", engine::Date{century + 97, 12, 25}},
        {7, " 3/ 5/1998", engine::Date{1998, 3, 5}},
        {10, "05/03/1998", engine::Date{1998, 3, 5}},
        {10, "29/02/2000", engine::Date{2000, 2, 29}},
        {10, "29/02/1900", {}},
        {12, "05.03.1998", engine::Date{1998, 3, 5}},
        {12, "05/03/1998", {}},  // the slash is not this format's separator
        {7, "12/25/1997x", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dateFromBox(QString::fromLatin1(c.typed), usFormats(c.code)), c.date)
            << "format " << c.code << ": \"" << c.typed << "\"";
}

TEST(FieldChecks, TheFirstFailingCheckNamesItsBoxAndMessage) {
    const CheckedTexts good{"  /  /    ", "1,234.50", "", "3", "1998", "$1F"};
    struct Case {
        CheckedBox box;
        QString CheckedTexts::*member;
        const char* bad;
        const char* message;
    };
    const Case cases[] = {
        {CheckedBox::PurchDate, &CheckedTexts::purchDate, "13/01/1998",
         "Invalid acquired date specified.  Please correct."},
        {CheckedBox::PurchPrice, &CheckedTexts::purchPrice, "12.", "Invalid purchase price specified.  Please correct."},
        {CheckedBox::MarketValue, &CheckedTexts::marketValue, "x", "Invalid market value specified.  Please correct."},
        {CheckedBox::Quantity, &CheckedTexts::quantity, "1.5", "Invalid quantity specified.  Please correct."},
        {CheckedBox::Year, &CheckedTexts::year, "1998a", "Invalid year specified.  Please correct."},
        {CheckedBox::NumericCatalog, &CheckedTexts::numericCatalog, "2147483648",
         "Invalid numeric catalog specified.  Please correct."},
    };
    const auto f = usFormats();
    for (const Case& c : cases) {
        CheckedTexts texts = good;
        texts.*c.member = QString::fromLatin1(c.bad);
        const CheckResult r = checkBeforeStoring(texts, f);
        ASSERT_FALSE(r.ok()) << c.bad;
        EXPECT_EQ(r.failure->box, c.box) << c.bad;
        EXPECT_EQ(r.failure->message, c.message);
    }
    // Everything wrong at once: the date is reported, as it is checked first.
    const CheckResult all = checkBeforeStoring({"x", "x", "x", "x", "x", "x"}, f);
    ASSERT_FALSE(all.ok());
    EXPECT_EQ(all.failure->box, CheckedBox::PurchDate);

    const CheckResult r = checkBeforeStoring(good, f);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.values.date.isBlank());
    EXPECT_EQ(r.values.cost, 1234.5);
    EXPECT_EQ(r.values.marketValue, 0.0);
    EXPECT_EQ(r.values.quantity, 3);
    EXPECT_EQ(r.values.year, 1998);
    EXPECT_EQ(r.values.numericCatalog, 31);
}

TEST(FieldChecks, EmptyBoxesStoreZeroAndNegativesPass) {
    const CheckResult r = checkBeforeStoring({"", " ", "", "  ", "", "-7"}, usFormats());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.values.cost, 0.0);
    EXPECT_EQ(r.values.quantity, 0);
    EXPECT_EQ(r.values.year, 0);
    EXPECT_EQ(r.values.numericCatalog, -7);
}

TEST(FieldChecks, LeavingABoxRewritesOnlyWhatReadsAsANumber) {
    const auto us = usFormats();
    const auto comma = commaFormats();
    EXPECT_EQ(moneyBoxOnLeave("1,234.5", us), "1,234.50");
    EXPECT_EQ(moneyBoxOnLeave(" -0.004", us), "0.00");
    EXPECT_EQ(moneyBoxOnLeave("12.", us), "12.");  // left for the store's check to refuse
    EXPECT_EQ(moneyBoxOnLeave("   ", us), "   ");
    EXPECT_EQ(moneyBoxOnLeave("1.234,5", comma), "1.234,50");
    EXPECT_EQ(quantityBoxOnLeave("1234", us), "1,234");
    EXPECT_EQ(quantityBoxOnLeave("1.5", us), "2");
    EXPECT_EQ(quantityBoxOnLeave("$10", us), "16");
    EXPECT_EQ(quantityBoxOnLeave("many", us), "many");
    // What a rewrite writes reads back as the same number.
    EXPECT_EQ(wholeFromBox(quantityBoxOnLeave("98765", comma), comma), 98765);
    EXPECT_EQ(moneyFromBox(moneyBoxOnLeave("98765,4", comma), comma), 98765.4);
}

TEST(FieldChecks, TotalsAreQuantityTimesEachAmount) {
    const auto us = usFormats();
    TotalTexts t = CalcTotals("3", "2.5", "1,000", us);
    EXPECT_EQ(t.purchaseTotal, "7.50 ");
    EXPECT_EQ(t.marketTotal, "3,000.00 ");
    // Wanted sets the quantity to 0; unreadable text counts as nothing.
    t = CalcTotals("0", "2.5", "9", us);
    EXPECT_EQ(t.purchaseTotal, "0.00 ");
    EXPECT_EQ(t.marketTotal, "0.00 ");
    t = CalcTotals("1.5", "12.", "", us);
    EXPECT_EQ(t.purchaseTotal, "0.00 ");
    EXPECT_EQ(t.marketTotal, "0.00 ");
    t = CalcTotals("1.000", "2,5", "-1", commaFormats());
    EXPECT_EQ(t.purchaseTotal, "2.500,00 ");
    EXPECT_EQ(t.marketTotal, "-1.000,00 ");
}

// Amounts of more digits than a double holds keep every digit: the rewrite on leaving a box
// and the text the store writes come from the typed digits.
TEST(FieldChecks, LongAmountsKeepTheirDigits) {
    const auto us = usFormats();
    const auto comma = commaFormats();
    EXPECT_EQ(moneyBoxOnLeave("99999999999999.99", us), "99,999,999,999,999.99");
    EXPECT_EQ(moneyBoxOnLeave("123456789012345.67", us), "123,456,789,012,345.67");
    EXPECT_EQ(moneyBoxOnLeave("123.456.789.012.345,67", comma), "123.456.789.012.345,67");
    EXPECT_EQ(moneyBoxOnLeave("-1234567890123,4", comma), "-1.234.567.890.123,40");
    // Rounding to the currency decimals works on the digits, carrying into the whole part.
    EXPECT_EQ(moneyBoxOnLeave("1.2349", us), "1.23");
    EXPECT_EQ(moneyBoxOnLeave("1.235", us), "1.24");
    EXPECT_EQ(moneyBoxOnLeave("1.995", us), "2.00");
    EXPECT_EQ(moneyBoxOnLeave("99999999999999.9999", us), "100,000,000,000,000.00");
    EXPECT_EQ(moneyBoxOnLeave("1.25E3", us), "1,250.00");
    EXPECT_EQ(quantityBoxOnLeave("99999999999999.5", us), "100,000,000,000,000");
    EXPECT_EQ(quantityBoxOnLeave("-2,5", comma), "-3");

    EXPECT_EQ(plainDecimal(u"+0007.50"), "7.50");
    EXPECT_EQ(plainDecimal(u"-.5"), "-0.5");
    EXPECT_EQ(plainDecimal(u"-0.000"), "0.000");
    EXPECT_EQ(plainDecimal(u"12345e-6"), "0.012345");
    EXPECT_EQ(plainDecimal(u"1.5e+2"), "150");
    EXPECT_EQ(plainDecimal(u"12."), std::nullopt);
    EXPECT_EQ(moneyBoxText(u"1234.5", us), "1,234.50");
    EXPECT_EQ(moneyBoxText(u"99999999999999.9999", comma), "99.999.999.999.999,9999");
    EXPECT_EQ(moneyBoxText(u"7.1000", us), "7.10");

    for (const auto& [box, f, stored] :
         {std::tuple{"99,999,999,999,999.99", us, "99999999999999.99"},
          std::tuple{"123.456.789.012.345,67", comma, "123456789012345.67"},
          std::tuple{" ", us, "0"}}) {
        const CheckResult r = checkBeforeStoring({"", box, box, "1", "", ""}, f);
        ASSERT_TRUE(r.ok()) << box;
        EXPECT_EQ(r.values.costText, stored);
        EXPECT_EQ(r.values.marketValueText, stored);
    }
}
