// Index key expressions: parsing against a table's fields, the key bytes each function makes, the
// expressions refused, and the order of numeric and date keys.
#include "engine/KeyExpression.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace vz::engine;

namespace {

// Fields laid out the way a table header gives them.
std::vector<Field> stampFields() {
    struct Def {
        const char* name;
        FieldType type;
        int width, decimals;
    } const defs[] = {
        {"COUNTRY", FieldType::Character, 20, 0},
        {"YEAR", FieldType::Numeric, 11, 0},
        {"COST", FieldType::Numeric, 20, 4},
        {"DATE", FieldType::Date, 8, 0},
        {"CATALOG", FieldType::Character, 30, 0},
        {"QUANTITY", FieldType::Numeric, 11, 0},
        {"NAME", FieldType::Character, 10, 0},
        {"FLAG", FieldType::Logical, 1, 0},
        {"DESCRIPTIO", FieldType::Character, 110, 0},
        {"COMMENTS", FieldType::Character, 60, 0},
        {"RATE", FieldType::Float, 10, 2},
    };
    std::vector<Field> fields;
    int offset = 0;
    for (const Def& d : defs) {
        Field f;
        f.name = d.name;
        f.type = d.type;
        f.width = d.width;
        f.decimals = d.decimals;
        f.offset = offset;
        offset += d.width;
        fields.push_back(f);
    }
    return fields;
}

const std::vector<Field>& fields() {
    static const std::vector<Field> f = stampFields();
    return f;
}

const CodePage& cp1252() {
    return CodePage::get(CodePage::Id::Windows1252);
}
const CodePage& cp437() {
    return CodePage::get(CodePage::Id::Dos437);
}

std::string pad(std::string s, size_t width) {
    s.resize(width, ' ');
    return s;
}

// A record buffer: deletion flag, then every field blank until set. Character fields are stored
// left-justified, numbers right-justified, dates as given.
class Record {
public:
    Record() {
        const Field& last = fields().back();
        bytes_.assign(size_t(1 + last.offset + last.width), ' ');
    }
    Record& set(const std::string& name, const std::string& stored) {
        for (const Field& f : fields()) {
            if (f.name != name) continue;
            EXPECT_LE(stored.size(), size_t(f.width)) << name;
            const size_t start = f.type == FieldType::Numeric || f.type == FieldType::Float
                                     ? size_t(f.width) - stored.size()
                                     : 0;
            bytes_.replace(size_t(1 + f.offset), size_t(f.width),
                           std::string(size_t(f.width), ' '));
            bytes_.replace(size_t(1 + f.offset) + start, stored.size(), stored);
            return *this;
        }
        ADD_FAILURE() << "no field " << name;
        return *this;
    }
    const char* data() const { return bytes_.data(); }

private:
    std::string bytes_;
};

Record stampRecord() {
    Record r;
    r.set("COUNTRY", "France").set("YEAR", "1995").set("COST", "12.5000").set("DATE", "19950314");
    r.set("CATALOG", "Mi 123a").set("QUANTITY", "-3").set("NAME", "  Alpha").set("FLAG", "T");
    r.set("DESCRIPTIO", "Perforated 14").set("COMMENTS", "mint").set("RATE", "1.5E+3");
    return r;
}

std::optional<KeyExpression> parsed(const std::string& text, const CodePage& cp = cp1252()) {
    Result<KeyExpression> e = KeyExpression::parse(text, fields(), cp);
    if (!e) {
        ADD_FAILURE() << e.status().message();
        return std::nullopt;
    }
    return std::move(e).value();
}

// The key of `record`; checks that evaluate() writes nothing past length().
std::string keyOf(const KeyExpression& e, const Record& record) {
    const size_t n = size_t(e.length());
    std::string out(n + 16, '\xAB');
    e.evaluate(record.data(), out.data());
    EXPECT_EQ(out.substr(n), std::string(16, '\xAB')) << e.text() << " wrote past its key";
    out.resize(n);
    return out;
}

std::string keyOf(const std::string& text, const Record& record, const CodePage& cp = cp1252()) {
    const auto e = parsed(text, cp);
    return e ? keyOf(*e, record) : std::string("<refused>");
}

std::string hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (char c : bytes) {
        if (!s.empty()) s += ' ';
        s += kDigits[uint8_t(c) >> 4];
        s += kDigits[uint8_t(c) & 15];
    }
    return s;
}

struct TextCase {
    const char* expression;
    std::string key;
};

TEST(KeyExpression, CharacterFunctions) {
    const Record r = stampRecord();
    const TextCase cases[] = {
        {"COUNTRY", pad("France", 20)},
        {"upper(country)", pad("FRANCE", 20)},
        {"UpPeR( CoUnTrY )", pad("FRANCE", 20)},
        {"Left(Country,3)", "Fra"},
        {"LEFT(Country,80)", pad("France", 20)},  // at most the whole field
        {"RIGHT(Country,3)", "   "},              // the field's trailing blanks count
        {"RIGHT(LEFT(Country,6),3)", "nce"},
        {"SUBSTR(Catalog,4,3)", "123"},
        {"SUBSTR(Catalog,4)", pad("123a", 27)},
        {"SUBSTR(Catalog,29,5)", "  "},
        {"SUBSTR(Country,25,3)+'|'", "|"},
        {"SUBSTR(UPPER(Country),2,3)", "RAN"},
        {"LEFT('abcdef',2)+RIGHT([xyz],1)+\"!\"", "abz!"},
        {"LTRIM(Name)", pad("Alpha", 10)},
        {"LTRIM(Name)+'|'", pad("Alpha", 10) + "|"},
        {"LEFT(LTRIM(Name),3)", "Alp"},
        {"RIGHT(LTRIM(Name),6)", "a     "},
        {"LTRIM('   ')+'|'", "   |"},
        {"TRIM(Country)+'|'", pad("France", 20) + "|"},  // padded back to the field's width
        {"RTRIM(Name)", "  Alpha   "},
        {"Name+'|'", "  Alpha   |"},
        {"Name-'|'", "  Alpha|   "},  // trailing blanks move to the end
        {"Name-LTRIM(Name)", "  AlphaAlpha        "},
        {"STR(Year)", "      1995"},
        {"STR(Year,3)", "***"},
        {"STR(Quantity,5)", "   -3"},
        {"STR(Cost,12,2)", "       12.50"},
        {"STR(Cost)", "        13"},
        {"STR(Rate,6)", "  1500"},
        {"STR(Year+1,6)", "  1996"},
        {"STR(Year-Quantity,6)", "  1998"},
        {"STR(-Quantity,3)", "  3"},
        {"STR(Year+Cost,8,1)", "  2007.5"},
        {"STR(VAL(SUBSTR(Catalog,4)),5)", "  123"},
        {"STR(VAL(Catalog),5)", "    0"},
        {"STR(VAL(' -2.5kg'),5,1)", " -2.5"},
        {"STR(VAL('1.5.5'),5,2)", " 1.50"},
        {"STR(VAL(Name+Country),4)", "   0"},
        {"DTOS(Date)", "19950314"},
        {"dtos(DATE)+upper(left(country,2))", "19950314FR"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(keyOf(c.expression, r), c.key) << c.expression;
    }
}

// Functions that take part of a joined value, and scans over text longer than one buffer.
TEST(KeyExpression, PartsOfJoinedAndLongText) {
    Record r = stampRecord();
    r.set("DESCRIPTIO", std::string(70, ' ') + "42 mm");
    r.set("COMMENTS", "ab");
    const TextCase cases[] = {
        {"RIGHT(Country+Name,5)", "ha   "},
        {"SUBSTR('ab'+'cd'+'ef',4,2)", "de"},
        {"SUBSTR(Name-'xyz',9,4)", "yz  "},
        {"RIGHT(Name-'|',4)", "|   "},
        {"LTRIM(Name+Country)", pad("Alpha   France", 30)},
        {"LEFT(LTRIM(Descriptio),7)", "42 mm  "},
        {"LEFT(Comments-'|',5)", "ab|  "},
        {"RIGHT(Comments-'|',3)", "   "},
        {"SUBSTR(Descriptio-'|',74,3)", "mm|"},
        {"STR(VAL(Descriptio),4)", "  42"},
        {"UPPER(SUBSTR(LTRIM(Descriptio)+Country,4,6))", "MM    "},
    };
    for (const TextCase& c : cases) EXPECT_EQ(keyOf(c.expression, r), c.key) << c.expression;
}

TEST(KeyExpression, StrRoundsDecimallyAndOverflowsToAsterisks) {
    struct Case {
        const char* stored;
        const char* expression;
        const char* key;
    } const cases[] = {
        {"2.5", "STR(Cost)", "         3"},
        {"-2.5", "STR(Cost)", "        -3"},
        {"2.675", "STR(Cost,6,2)", "  2.68"},  // a binary double would round down
        {"1.005", "STR(Cost,5,2)", " 1.01"},
        {"0.004", "STR(Cost,10,2)", "      0.00"},
        {"-0.004", "STR(Cost,10,2)", "      0.00"},  // no minus on a rounded zero
        {"-0.005", "STR(Cost,10,2)", "     -0.01"},
        {"0.1", "STR(Cost,5,3)", "0.100"},
        {"123456", "STR(Cost,4)", "****"},
        {"9999.4", "STR(Cost,4)", "9999"},
        {"9999.5", "STR(Cost,4)", "****"},  // rounds up to five digits
        {"-123", "STR(Cost,4)", "-123"},
        {"-1234", "STR(Cost,4)", "****"},
        {"99.995", "STR(Cost,5,2)", "*****"},
        {"0.5", "STR(Cost,3,2)", "***"},
        {"1234567.891", "STR(Cost,12,2)", "  1234567.89"},
        {"12345678901234.5678", "STR(Cost,20,4)", " 12345678901234.5678"},
        {"-9999999999999999999", "STR(Cost,20)", "-9999999999999999999"},
        {"", "STR(Cost,6,2)", "  0.00"},
    };
    for (const auto& c : cases) {
        Record r;
        r.set("COST", c.stored);
        EXPECT_EQ(keyOf(c.expression, r), c.key) << c.expression << " of " << c.stored;
    }
}

TEST(KeyExpression, BlankAndUnreadableValues) {
    const Record blank;
    EXPECT_EQ(keyOf("STR(Year)", blank), "         0");
    EXPECT_EQ(keyOf("STR(Cost,12,2)", blank), "        0.00");
    EXPECT_EQ(keyOf("DTOS(Date)", blank), "        ");
    EXPECT_EQ(keyOf("DTOS(Date+1)", blank), "        ");  // blank plus days stays blank
    EXPECT_EQ(keyOf("STR(Date-Date,3)", blank), "  0");
    EXPECT_EQ(keyOf("Country", blank), std::string(20, ' '));
    EXPECT_EQ(keyOf("STR(VAL(Country),3)", blank), "  0");

    for (const char* stored : {"12x", "1.2.3", "-", ".", "*****", "1 2", "+-1"}) {
        Record r;
        r.set("YEAR", stored);
        EXPECT_EQ(keyOf("STR(Year)", r), "         0") << stored;
        EXPECT_EQ(keyOf("Year", r), keyOf("Year", blank)) << stored;
    }
    for (const char* stored :
         {"20230230", "20231301", "00000000", "2023013 ", " 2023013", "abcdefgh"}) {
        Record r;
        r.set("DATE", stored);
        EXPECT_EQ(keyOf("DTOS(Date)", r), "        ") << stored;
        EXPECT_EQ(keyOf("Date", r), std::string(8, '\0')) << stored;
    }
}

TEST(KeyExpression, DateArithmetic) {
    struct Case {
        const char* date;
        const char* expression;
        const char* key;
    } const cases[] = {
        {"19950314", "DTOS(Date+20)", "19950403"},
        {"19950314", "DTOS(20+Date)", "19950403"},
        {"19950314", "DTOS(Date-14)", "19950228"},
        {"19950314", "DTOS(Date-14.9)", "19950228"},  // whole days only
        {"20000228", "DTOS(Date+1)", "20000229"},
        {"20000228", "DTOS(Date+2)", "20000301"},
        {"19000228", "DTOS(Date+1)", "19000301"},  // 1900 was no leap year
        {"20241231", "DTOS(Date+1)", "20250101"},
        {"00010101", "DTOS(Date-1)", "        "},  // before the calendar
        {"99991231", "DTOS(Date+1)", "        "},
        {"19950314", "STR(Date-(Date-40),4)", "  40"},
        {"19950314", "STR((Date-40)-Date,4)", " -40"},
    };
    for (const auto& c : cases) {
        Record r;
        r.set("DATE", c.date);
        EXPECT_EQ(keyOf(c.expression, r), c.key) << c.expression << " of " << c.date;
    }
}

TEST(KeyExpression, SortStringsTheProgramBuilds) {
    struct Case {
        const char* expression;
        int length;
        std::string key;
        std::vector<int> fieldsUsed;
    } const cases[] = {
        {"Upper(Left(Country,80))", 20, pad("FRANCE", 20), {0}},
        {"Upper(Left(Country,40))+STR(Year,12,0)", 32, pad("FRANCE", 20) + "        1995", {0, 1}},
        {"DTOS(Date)+STR(Cost,12,2)", 20, "19950314       12.50", {2, 3}},
        {"Upper(Left(Catalog,20))+STR(Quantity,12,0)+STR(Cost,12,2)+DTOS(Date)",
         52,
         pad("MI 123A", 20) + "          -3" + "       12.50" + "19950314",
         {2, 3, 4, 5}},
    };
    const Record r = stampRecord();
    for (const auto& c : cases) {
        const auto e = parsed(c.expression);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->text(), c.expression);
        EXPECT_EQ(e->type(), KeyType::Character) << c.expression;
        EXPECT_EQ(e->length(), c.length) << c.expression;
        EXPECT_EQ(e->fieldsUsed(), c.fieldsUsed) << c.expression;
        EXPECT_EQ(keyOf(*e, r), c.key) << c.expression;
    }
    // A field read twice is listed once.
    EXPECT_EQ(parsed("Country+LEFT(COUNTRY,2)+STR(Year)")->fieldsUsed(), (std::vector<int>{0, 1}));
    EXPECT_EQ(parsed("'constant'")->fieldsUsed(), std::vector<int>{});
}

TEST(KeyExpression, RefusedExpressions) {
    struct Case {
        std::string expression;
        const char* says;
    } const cases[] = {
        {"FOO(Country)", "unknown function FOO"},
        {"Cuntry", "no field named Cuntry"},
        {"UPPER(Year)", "type mismatch: UPPER needs character text, but Year is numeric"},
        {"\"a\"+1", "type mismatch: '+' cannot combine character \"a\" and numeric 1"},
        {"Year+Country", "type mismatch: '+' cannot combine numeric Year and character Country"},
        {"Date+Date", "type mismatch"},
        {"Country-Year", "type mismatch"},
        {"-Country", "type mismatch: '-' before character Country needs a number"},
        {"DTOS(Year)", "DTOS needs a date, but Year is numeric"},
        {"STR(Country)", "STR needs a number, but Country is character"},
        {"VAL(Year)", "VAL needs character text"},
        {"Flag", "Flag is a logical field"},
        {"LEFT(Country)", "LEFT takes 2 arguments, not 1"},
        {"UPPER(Country,1)", "UPPER takes 1 argument, not 2"},
        {"STR()", "STR takes 1 to 3 arguments, not 0"},
        {"SUBSTR(Country)", "SUBSTR takes 2 or 3 arguments, not 1"},
        {"LEFT(Country,Year)",
         "the length argument of LEFT must be a whole number written in the expression, not Year"},
        {"LEFT(Country,1+1)", "written in the expression, not 1+1"},
        {"LEFT(Country,2.5)", "must be a whole number, not 2.5"},
        {"RIGHT(Country,-1)", "the length argument of RIGHT must be at least 0, not -1"},
        {"SUBSTR(Country,0,2)", "the start argument of SUBSTR must be at least 1, not 0"},
        {"STR(Year,0)", "the length argument of STR must be at least 1"},
        {"STR(Year,300)", "STR length 300 is over 254"},
        {"STR(Year,4,5)", "STR decimals 5 exceed its length 4"},
        {"Descriptio", "the key is 110 bytes long; an index key holds at most 100"},
        {"LEFT(Descriptio,60)+LEFT(Comments,60)", "the key is 120 bytes long"},
        {"STR(Year,101)", "the key is 101 bytes long"},
        {"SUBSTR(Country,25)", "the key is empty"},
        {"''", "the key is empty"},
        {"UPPER(Country", "')' expected at position 14"},
        {"LEFT(Country,3", "')' expected at position 15"},
        {"Country)", "unexpected ')' at position 8"},
        {"Country Year", "unexpected 'Y' at position 9"},
        {"Country, Year", "unexpected ','"},
        {"Country * 2", "unexpected '*' at position 9"},
        {"Country +", "the expression ends too soon"},
        {"UPPER(,Country)", "unexpected ','"},
        {"Country\xC3\xA9", "unexpected byte 0xC3 at position 8"},
        {"", "the expression is empty"},
        {"'abc", "the text starting at position 1 has no closing '"},
        {"Country+[abc", "the text starting at position 9 has no closing ]"},
        {"'\xC3'", "is not valid UTF-8"},
        {std::string(100, '(') + "Year" + std::string(100, ')'), "nested too deeply"},
        {std::string(100, '-') + "Year", "nested too deeply"},
    };
    for (const auto& c : cases) {
        Result<KeyExpression> e = KeyExpression::parse(c.expression, fields(), cp1252());
        ASSERT_FALSE(e) << c.expression << " was accepted";
        const Status status = e.status();
        EXPECT_EQ(status.code(), Status::Code::InvalidArgument) << c.expression;
        const std::string& m = status.message();
        EXPECT_EQ(m.rfind("key expression \"" + c.expression + "\": ", 0), 0u) << m;
        EXPECT_NE(m.find(c.says), std::string::npos) << c.expression << " gave: " << m;
    }
    // A literal the table's code page cannot hold.
    Result<KeyExpression> euro = KeyExpression::parse("'\xE2\x82\xAC'+Country", fields(), cp437());
    ASSERT_FALSE(euro);
    EXPECT_NE(euro.status().message().find("\"\xE2\x82\xAC\" (U+20AC), which code page 437 lacks"),
              std::string::npos)
        << euro.status().message();
}

TEST(KeyExpression, UpperFollowsTheCodePage) {
    // "été ÿß á" in Windows-1252: ÿ has its capital at 0x9F, ß has none.
    Record r1252;
    r1252.set("NAME", "\xE9t\xE9 \xFF\xDF \xE1");
    EXPECT_EQ(keyOf("UPPER(Name)", r1252, cp1252()), "\xC9T\xC9 \x9F\xDF \xC1  ");

    // "été äö á" in code page 437, which has no capital Á.
    Record r437;
    r437.set("NAME", "\x82t\x82 \x84\x94 \xA0");
    EXPECT_EQ(keyOf("UPPER(Name)", r437, cp437()), "\x90T\x90 \x8E\x99 \xA0  ");

    // Literals are stored in the table's code page before they are upper-cased.
    EXPECT_EQ(keyOf("UPPER('\xC3\xA9')+LEFT(Name,1)", r437, cp437()), "\x90\x82");
    EXPECT_EQ(keyOf("UPPER('\xC3\xA9')+LEFT(Name,1)", r1252, cp1252()), "\xC9\xE9");
}

// Numeric keys, from a stored COST value.
std::string numericKey(const std::string& stored) {
    Record r;
    r.set("COST", stored);
    return keyOf("Cost", r);
}

TEST(KeyExpression, NumericKeyBytes) {
    struct Case {
        const char* stored;
        const char* bytes;
    } const cases[] = {
        {"20.5", "36 0D 20 50 00 00 00 00 00 00 00 00"},
        {"-12.5", "36 8D 12 50 00 00 00 00 00 00 00 00"},
        {"1995", "38 11 19 95 00 00 00 00 00 00 00 00"},
        {"-3", "35 85 30 00 00 00 00 00 00 00 00 00"},
        {"100", "37 05 10 00 00 00 00 00 00 00 00 00"},
        {"0.05", "33 05 50 00 00 00 00 00 00 00 00 00"},
        {"0", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"-0.0000", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"1234567890123456789", "47 4D 12 34 56 78 90 12 34 56 78 90"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hex(numericKey(c.stored)), c.bytes) << c.stored;
        std::string made(12, '\0');
        if (*c.stored != '\0') {
            ASSERT_TRUE(KeyExpression::makeNumericKey(c.stored, made.data())) << c.stored;
            EXPECT_EQ(hex(made), c.bytes) << c.stored;
        }
    }
    std::string made(12, '\0');
    EXPECT_FALSE(KeyExpression::makeNumericKey("12 apples", made.data()));
    EXPECT_FALSE(KeyExpression::makeNumericKey("", made.data()));
    EXPECT_TRUE(KeyExpression::makeNumericKey("  -1.5e2 ", made.data()));
    EXPECT_EQ(KeyExpression::numericKeyValue(made.data()), -150);
    // Digits beyond the 19th round the last one kept.
    ASSERT_TRUE(KeyExpression::makeNumericKey("0.12345678901234567895", made.data()));
    EXPECT_EQ(hex(made), "34 49 12 34 56 78 90 12 34 56 79 00");
}

TEST(KeyExpression, NumericKeysOrderByValue) {
    const char* const ascending[] = {
        "-9999999999999999999",
        "-1000000",
        "-12.5",
        "-12.4999",
        "-1",
        "-0.5",
        "-0.001",
        "0",
        "0.0001",
        "0.001",
        "0.5",
        "1",
        "9.99",
        "10",
        "12.4999",
        "12.5",
        "100",
        "1995",
        "123456789012345678",
        "1234567890123456789",
        "9999999999999999999",
    };
    const auto e = parsed("Cost");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type(), KeyType::Numeric);
    EXPECT_EQ(e->length(), 12);
    std::vector<std::string> keys;
    for (const char* v : ascending) {
        keys.push_back(numericKey(v));
        EXPECT_DOUBLE_EQ(KeyExpression::numericKeyValue(keys.back().data()),
                         std::strtod(v, nullptr))
            << v;
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        for (size_t j = 0; j < keys.size(); ++j) {
            const int c = e->compare(keys[i].data(), keys[j].data());
            EXPECT_EQ(c < 0, i < j) << ascending[i] << " vs " << ascending[j];
            EXPECT_EQ(c == 0, i == j) << ascending[i] << " vs " << ascending[j];
        }
    }
    // The same value written differently makes the same key.
    for (const char* same : {"12.5", "  12.50", "12.500000", "1.25E1", "+12.5"})
        EXPECT_EQ(numericKey(same), numericKey("12.5000")) << same;

    // Keys written by other programs need not be normalised: a leading zero digit, or a zero
    // stored with a digit count, still compare by value.
    const std::string padded("\x37\x0D\x02\x05\x00\x00\x00\x00\x00\x00\x00\x00", 12);  // 0.0205e3
    EXPECT_EQ(e->compare(padded.data(), numericKey("20.5").data()), 0);
    EXPECT_EQ(KeyExpression::numericKeyValue(padded.data()), 20.5);
    const std::string zero("\x34\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 12);
    EXPECT_EQ(e->compare(zero.data(), numericKey("0").data()), 0);
    EXPECT_LT(e->compare(zero.data(), numericKey("0.0001").data()), 0);
}

TEST(KeyExpression, NumericExpressionKeys) {
    Record a, b;
    a.set("YEAR", "1995").set("QUANTITY", "5");
    b.set("YEAR", "2001").set("QUANTITY", "-10");
    const auto descending = parsed("-Year");
    ASSERT_TRUE(descending);
    EXPECT_GT(descending->compare(keyOf(*descending, a).data(), keyOf(*descending, b).data()), 0);
    EXPECT_EQ(KeyExpression::numericKeyValue(keyOf(*descending, a).data()), -1995);

    const auto sum = parsed("Year+Quantity");
    ASSERT_TRUE(sum);
    EXPECT_EQ(KeyExpression::numericKeyValue(keyOf(*sum, a).data()), 2000);
    EXPECT_EQ(KeyExpression::numericKeyValue(keyOf(*sum, b).data()), 1991);
    EXPECT_EQ(KeyExpression::numericKeyValue(keyOf("VAL(SUBSTR(Catalog,4))", stampRecord()).data()),
              123);
    EXPECT_EQ(KeyExpression::numericKeyValue(keyOf("Rate", stampRecord()).data()), 1500);
}

TEST(KeyExpression, DateKeysAreDayNumbers) {
    const auto e = parsed("Date");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type(), KeyType::Date);
    EXPECT_EQ(e->length(), 8);

    Record r;
    r.set("DATE", "20000101");
    const std::string y2k = keyOf(*e, r);
    EXPECT_EQ(hex(y2k), "00 00 00 80 2C B4 42 41");  // 2451545.0, little-endian
    EXPECT_EQ(KeyExpression::dateKeyValue(y2k.data()), 2451545.0);

    struct Case {
        const char* stored;
        double day;
    } const ascending[] = {
        {"", 0},  // blank sorts first
        {"00010101", 1721426},
        {"18991231", 2415020},
        {"19700101", 2440588},
        {"19950314", 2449791},
        {"20000228", 2451603},
        {"20000229", 2451604},
        {"99991231", 5373484},
    };
    std::vector<std::string> keys;
    for (const auto& c : ascending) {
        r.set("DATE", c.stored);
        keys.push_back(keyOf(*e, r));
        EXPECT_EQ(KeyExpression::dateKeyValue(keys.back().data()), c.day) << c.stored;
    }
    for (size_t i = 0; i < keys.size(); ++i)
        for (size_t j = 0; j < keys.size(); ++j)
            EXPECT_EQ(e->compare(keys[i].data(), keys[j].data()) < 0, i < j)
                << ascending[i].stored << " vs " << ascending[j].stored;

    std::string made(8, '\x55');
    KeyExpression::makeDateKey(Date{2000, 1, 1}, made.data());
    EXPECT_EQ(made, y2k);
    KeyExpression::makeDateKey(Date{}, made.data());
    EXPECT_EQ(made, std::string(8, '\0'));

    // Date arithmetic keeps a date key.
    r.set("DATE", "20000228");
    const auto next = parsed("Date+1");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->type(), KeyType::Date);
    EXPECT_EQ(KeyExpression::dateKeyValue(keyOf(*next, r).data()), 2451604);
}

TEST(KeyExpression, CharacterKeysCompareAsUnsignedBytes) {
    const auto e = parsed("Name");
    ASSERT_TRUE(e);
    Record low, high;
    low.set("NAME", "Zebra");
    high.set("NAME", "\xC9mile");  // É is above every ASCII letter
    EXPECT_LT(e->compare(keyOf(*e, low).data(), keyOf(*e, high).data()), 0);
    EXPECT_GT(e->compare(keyOf(*e, high).data(), keyOf(*e, low).data()), 0);
    EXPECT_EQ(e->compare(keyOf(*e, low).data(), keyOf(*e, low).data()), 0);
}

}  // namespace
