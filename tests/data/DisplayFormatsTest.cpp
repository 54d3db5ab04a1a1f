#include <gtest/gtest.h>

#include <QDate>
#include <QStringList>
#include <clocale>
#include <cstdlib>
#include <string>

#include "common/DisplayFormats.h"

using namespace vz;

namespace {

const engine::Date kFifthOfMarch1998{1998, 3, 5};

QString written(int code, bool zeros, const engine::Date& d = kFifthOfMarch1998) {
    DisplayFormats f;
    f.setDateFormat(code, zeros);
    return f.formatDate(d);
}

}  // namespace

TEST(DisplayFormatsDates, EachCodeWritesItsOrderSeparatorAndYear) {
    EXPECT_EQ(written(10, false), "5/3/1998");
    EXPECT_EQ(written(10, true), "05/03/1998");
    EXPECT_EQ(written(2, true), "03-05-98");
    EXPECT_EQ(written(1, false), "3/5/98");
    EXPECT_EQ(written(6, false), "5.3.98");
    EXPECT_EQ(written(9, true), "03.05.1998");
    EXPECT_EQ(written(11, false), "5-3-1998");
    EXPECT_EQ(written(12, true, {2003, 11, 23}), "23.11.2003");
    // Two-digit years keep their leading zero whatever the switch says.
    EXPECT_EQ(written(4, false, {2005, 1, 2}), "2/1/05");
    EXPECT_EQ(written(1, false, engine::Date{}), "");
}

TEST(DisplayFormatsDates, CaptionsAndPatterns) {
    QStringList captions;
    for (int code = 1; code <= kDateFormatCount; ++code) captions << DisplayFormats::dateCaption(code);
    EXPECT_EQ(captions, QStringList({"mm/dd/yy", "mm-dd-yy", "mm.dd.yy", "dd/mm/yy", "dd-mm-yy", "dd.mm.yy",
                                     "mm/dd/yyyy", "mm-dd-yyyy", "mm.dd.yyyy", "dd/mm/yyyy", "dd-mm-yyyy",
                                     "dd.mm.yyyy"}));
    EXPECT_TRUE(DisplayFormats::dateCaption(0).isEmpty());
    EXPECT_TRUE(DisplayFormats::dateCaption(13).isEmpty());

    DisplayFormats f;
    f.setDateFormat(5, false);
    EXPECT_EQ(f.datePattern(), "d-m-yy");
    EXPECT_EQ(f.dateSeparator(), "-");
    // A code outside 1 to 12 leaves the format in force.
    f.setDateFormat(13, true);
    EXPECT_EQ(f.dateCode(), 5);
    EXPECT_EQ(f.datePattern(), "d-m-yy");
    f.setDateFormat(0, true);
    EXPECT_EQ(f.dateCode(), 5);
}

TEST(DisplayFormatsDates, ReadingTakesTheFormatsOrderAndCentury) {
    DisplayFormats f;
    f.setDateFormat(1, false);
    engine::Date d;
    ASSERT_TRUE(f.parseDate(u"12/25/97", d));
    const int century = QDate::currentDate().year() / 100 * 100;
    EXPECT_EQ(d, (engine::Date{century + 97, 12, 25}));

    ASSERT_TRUE(f.parseDate(u" 3 / 5 /1998 ", d));
    EXPECT_EQ(d, (engine::Date{1998, 3, 5}));

    f.setDateFormat(11, true);
    ASSERT_TRUE(f.parseDate(u"05-03-1998", d));
    EXPECT_EQ(d, (engine::Date{1998, 3, 5}));
}

TEST(DisplayFormatsDates, ReadingRefusesWhatIsNoRealDayAndKeepsTheOldValue) {
    DisplayFormats f;
    f.setDateFormat(7, false);
    const engine::Date before{2001, 2, 3};
    for (const char16_t* text : {u"02/30/1998", u"13/01/1998", u"02/29/1999", u"1/2", u"1/2/3/4", u"1-2-1998",
                                 u"a/2/1998", u"", u"  ", u"1/2/1998x", u"0/0/0", u"99999999/1/1"}) {
        engine::Date d = before;
        EXPECT_FALSE(f.parseDate(text, d)) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(d, before);
    }
    engine::Date leap;
    EXPECT_TRUE(f.parseDate(u"02/29/2000", leap));
}

TEST(DisplayFormatsMoney, USFormat) {
    DisplayFormats f;
    f.setCurrencyFormat(kFormatUS);
    EXPECT_EQ(f.formatMoney(-123456), "-123,456.00");
    EXPECT_EQ(f.formatMoney(1234567.891), "1,234,567.89");
    EXPECT_EQ(f.formatMoney(0), "0.00");
    EXPECT_EQ(f.formatMoney(-1234.5), "-1,234.50");
    EXPECT_EQ(f.formatMoney(-0.001), "0.00");
    EXPECT_EQ(f.formatMoney(999.999), "1,000.00");
    EXPECT_EQ(f.formatMoney(-100), "-100.00");
}

TEST(DisplayFormatsMoney, RegionalSeparatorsAndDigits) {
    DisplayFormats f;
    f.setCurrencyFormat(kFormatRegional);
    f.setRegional({QStringLiteral(","), QStringLiteral("."), 2});
    EXPECT_EQ(f.formatMoney(1234567.891), "1.234.567,89");
    EXPECT_EQ(f.formatMoney(-123456), "-123.456,00");

    f.setRegional({QStringLiteral("."), QStringLiteral(","), 0});
    EXPECT_EQ(f.formatMoney(1234567), "1,234,567");
    EXPECT_EQ(f.formatMoney(-123456), "-123,456");

    f.setRegional({QStringLiteral("."), QStringLiteral(" "), 3});
    EXPECT_EQ(f.formatMoney(1234.5), "1 234.500");

    // The U.S. format ignores the regional values.
    f.setCurrencyFormat(kFormatUS);
    EXPECT_EQ(f.formatMoney(1234.5), "1,234.50");
}

TEST(DisplayFormatsNumbers, GroupsCountFromTheEndWithoutDecimals) {
    DisplayFormats f;
    EXPECT_EQ(f.formatNumber(1234, 0), "1,234");
    EXPECT_EQ(f.formatNumber(123, 0), "123");
    EXPECT_EQ(f.formatNumber(-1234567, 0), "-1,234,567");
    EXPECT_EQ(f.formatNumber(1234.5678, 2), "1,234.57");
    f.setNumericFormat(kFormatRegional);
    f.setRegional({QStringLiteral(","), QStringLiteral("."), 2});
    EXPECT_EQ(f.formatNumber(1234.5, 1), "1.234,5");
    EXPECT_EQ(f.formatNumber(1234, 0), "1.234");
    // The currency format is separate from the numeric one.
    EXPECT_EQ(f.formatMoney(1234), "1,234.00");
}

TEST(RegionalValues, TheCLocaleGivesTheDefaults) {
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    setenv("LC_ALL", "C", 1);
    const RegionalValues r = RegionalValues::fromLocale();
    if (old) setenv("LC_ALL", saved.c_str(), 1);
    else unsetenv("LC_ALL");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(r.decimal, ".");
    EXPECT_EQ(r.thousand, ",");
    EXPECT_EQ(r.currencyDigits, 2);
}
