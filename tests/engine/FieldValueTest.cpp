// Values of every field kind written, read back from the file, and refused when they do not fit.
#include <cstring>

#include "TestSupport.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

enum { kName, kWhole, kFloat, kDate };

class FieldValueTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder.file("values.dbf");
        ASSERT_OK(Table::create(path, {FieldDef::text("NAME", 10), FieldDef::whole("WHOLE"),
                                       FieldDef::floating("FLOAT"), FieldDef::date("WHEN")}));
    }
    // Appends one record whose fields get these texts (nullptr leaves a field untouched).
    void appendTexts(std::initializer_list<const char*> texts) {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_OK(t->append());
        int f = 0;
        for (const char* s : texts) {
            if (s != nullptr) ASSERT_OK(t->setText(f, s));
            ++f;
        }
        ASSERT_OK(t->post());
    }
    // The texts of record `recNo`, read by a fresh open so they come from the file.
    std::vector<std::string> readBack(uint32_t recNo) {
        std::vector<std::string> out;
        auto t = Table::open(path, OpenMode::Shared);
        EXPECT_TRUE(t) << t.status().message();
        if (!t || !(*t)->go(recNo)) return out;
        for (int f = 0; f < (*t)->fieldCount(); ++f) {
            std::string s;
            EXPECT_OK((*t)->readText(f, s));
            out.push_back(s);
        }
        return out;
    }

    TempFolder folder;
    std::string path;
};

using Texts = std::vector<std::string>;

TEST_F(FieldValueTest, EveryKindRoundTripsThroughTheFile) {
    appendTexts({"héllo", "42", "2.50", "2024-02-29"});
    appendTexts({"a  b", "-17", "-0.0001", "20231231"});
    EXPECT_EQ(readBack(1), (Texts{"héllo     ", "42", "2.5", "2024-02-29"}));
    EXPECT_EQ(readBack(2), (Texts{"a  b      ", "-17", "-0.0001", "2023-12-31"}));
}

TEST_F(FieldValueTest, NumbersReadBackInShortestForm) {
    struct Case {
        double value;
        const char* text;
    } const cases[] = {
        {2.50, "2.5"}, {0, "0"}, {-0.0, "0"}, {-2.5, "-2.5"}, {1234.5678, "1234.5678"},
        {0.1 + 0.2, "0.3"}, {7, "7"}, {123456789012345.5, "123456789012345.5"},
        {-12345678901234.5, "-12345678901234.5"}, {99999999999999.0, "99999999999999"},
    };
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (const Case& c : cases) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setFloat(kFloat, c.value));
            ASSERT_OK(t->post());
        }
    }
    uint32_t rec = 1;
    for (const Case& c : cases) {
        EXPECT_EQ(readBack(rec)[kFloat], c.text) << "value " << c.value;
        ++rec;
    }
}

// Text reaches a number field digit for digit: the widest numbers of N(20,4) used to pass
// through a double and be stored as another number ("99999999999999.9999" as 1e14).
TEST_F(FieldValueTest, NumberTextIsStoredFromItsDigitsExactly) {
    struct Case {
        const char* typed;
        const char* stored;  // the field's bytes, without the blanks before them
        const char* read;
    } const cases[] = {
        {"99999999999999.9999", "99999999999999.9999", "99999999999999.9999"},
        {"123456789012345.6789", "123456789012345.6789", "123456789012345.6789"},
        {"-1234567890123.4567", "-1234567890123.4567", "-1234567890123.4567"},
        {"+0.10", "0.1000", "0.1"},
        {".5", "0.5000", "0.5"},
        {"-0.000", "0.0000", "0"},
        {"1.25E3", "1250.0000", "1250"},
        {"12345e-4", "1.2345", "1.2345"},
        {"0007.00000", "7.0000", "7"},
    };
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (const Case& c : cases) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setText(kFloat, c.typed));
            ASSERT_OK(t->setText(kWhole, "99999999999"));
            ASSERT_OK(t->post());
        }
    }
    const std::string bytes = readBytes(path);
    const DbfHeader h = *DbfHeader::parse(bytes, bytes.size(), path);
    const Field& f = h.fields[kFloat];
    uint32_t rec = 1;
    for (const Case& c : cases) {
        const std::string raw = bytes.substr(h.dataOffset(rec) + 1 + f.offset, size_t(f.width));
        EXPECT_EQ(raw, std::string(size_t(f.width) - std::strlen(c.stored), ' ') + c.stored)
            << c.typed;
        const Texts back = readBack(rec);
        EXPECT_EQ(back[kFloat], c.read) << c.typed;
        EXPECT_EQ(back[kWhole], "99999999999") << c.typed;
        ++rec;
    }
}

// A number the field cannot hold as it is typed is refused, never stored as another number.
TEST_F(FieldValueTest, NumberTextThatCannotBeStoredExactlyIsRefused) {
    appendTexts({"keep", "5", "1.25", nullptr});
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->edit());
    for (const char* typed : {"1.23456", "0.00001", "1234567890123456.5", "-123456789012345.6789",
                              "1e20", "1e-5", "1.5.2", "1e", "--1", "0x10", "nan"}) {
        const Status s = t->setText(kFloat, typed);
        EXPECT_EQ(s.code(), Status::Code::InvalidArgument) << typed;
        EXPECT_EQ(t->text(kFloat), "1.25") << typed;
    }
    EXPECT_NE(t->setText(kFloat, "1.23456").message().find("4 decimal places"), std::string::npos);
    EXPECT_FALSE(t->setText(kWhole, "123456789012"));
    EXPECT_FALSE(t->setText(kWhole, "1.5"));
    EXPECT_OK(t->setText(kWhole, "12.000"));
    EXPECT_EQ(t->text(kWhole), "12");
}

TEST_F(FieldValueTest, WholeNumbersUseTheFullWidth) {
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        for (int64_t v : {int64_t(0), int64_t(99999999999), int64_t(-9999999999)}) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->setWhole(kWhole, v));
            ASSERT_OK(t->post());
            EXPECT_EQ(*t->wholeNumber(kWhole), v);
        }
    }
    EXPECT_EQ(readBack(1)[kWhole], "0");
    EXPECT_EQ(readBack(2)[kWhole], "99999999999");
    EXPECT_EQ(readBack(3)[kWhole], "-9999999999");
}

TEST_F(FieldValueTest, BlankIsDistinctFromZero) {
    appendTexts({nullptr, nullptr, nullptr, nullptr});
    appendTexts({"", "0", "0", ""});
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->go(1));
    for (int f : {kWhole, kFloat, kDate}) {
        EXPECT_TRUE(t->isBlank(f)) << f;
        EXPECT_EQ(t->text(f), "") << f;
    }
    ASSERT_OK(t->go(2));
    for (int f : {kWhole, kFloat}) {
        EXPECT_FALSE(t->isBlank(f)) << f;
        EXPECT_EQ(t->text(f), "0") << f;
    }
    EXPECT_TRUE(t->isBlank(kDate));
    // Setting a number back to blank stores blanks, not a zero.
    ASSERT_OK(t->edit());
    ASSERT_OK(t->setBlank(kWhole));
    ASSERT_OK(t->post());
    EXPECT_TRUE(t->isBlank(kWhole));
}

TEST_F(FieldValueTest, BlankDateIsStoredAsEightBlanks) {
    appendTexts({"x", nullptr, nullptr, "2024-01-02"});
    {
        OPEN_TABLE(t, path, OpenMode::Exclusive);
        ASSERT_OK(t->edit());
        ASSERT_OK(t->setDate(kDate, Date{}));
        ASSERT_OK(t->post());
    }
    const std::string bytes = readBytes(path);
    const DbfHeader h = *DbfHeader::parse(bytes, bytes.size(), path);
    const Field& d = h.fields[kDate];
    EXPECT_EQ(bytes.substr(h.dataOffset(1) + 1 + d.offset, 8), "        ");
    EXPECT_EQ(readBack(1)[kDate], "");
}

TEST_F(FieldValueTest, RefusedValuesLeaveTheRecordUnchanged) {
    appendTexts({"keep", "5", "1.25", "2020-05-06"});
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->edit());
    struct Refusal {
        const char* what;
        std::function<Status()> attempt;
        const char* field;
    } const refusals[] = {
        {"text into a number", [&] { return t->setText(kWhole, "abc"); }, "WHOLE"},
        {"text into a float", [&] { return t->setText(kFloat, "1,5"); }, "FLOAT"},
        {"no such day", [&] { return t->setText(kDate, "2023-02-30"); }, "WHEN"},
        {"not a date", [&] { return t->setText(kDate, "tomorrow"); }, "WHEN"},
        {"fraction into whole", [&] { return t->setFloat(kWhole, 12.5); }, "WHOLE"},
        {"fraction text into whole", [&] { return t->setText(kWhole, "12.5"); }, "WHOLE"},
        {"whole too wide", [&] { return t->setWhole(kWhole, 123456789012); }, "WHOLE"},
        {"float too wide", [&] { return t->setFloat(kFloat, 1e16); }, "FLOAT"},
        {"infinite", [&] { return t->setText(kFloat, "inf"); }, "FLOAT"},
        {"text too long", [&] { return t->setText(kName, "12345678901"); }, "NAME"},
        {"accent makes it too long", [&] { return t->setText(kName, "ééééééééééé"); }, "NAME"},
        {"broken UTF-8", [&] { return t->setText(kName, "\xC3("); }, "NAME"},
        {"date into a number", [&] { return t->setDate(kWhole, Date{2020, 1, 1}); }, "WHOLE"},
        {"invalid date", [&] { return t->setDate(kDate, Date{2021, 2, 29}); }, "WHEN"},
    };
    for (const Refusal& r : refusals) {
        Status s = r.attempt();
        EXPECT_EQ(s.code(), Status::Code::InvalidArgument) << r.what;
        EXPECT_NE(s.message().find(r.field), std::string::npos) << r.what << ": " << s.message();
        EXPECT_EQ(t->text(kName), "keep      ") << r.what;
        EXPECT_EQ(t->text(kWhole), "5") << r.what;
        EXPECT_EQ(t->text(kFloat), "1.25") << r.what;
        EXPECT_EQ(t->text(kDate), "2020-05-06") << r.what;
    }
    ASSERT_OK(t->post());
    t.reset();
    EXPECT_EQ(readBack(1), (Texts{"keep      ", "5", "1.25", "2020-05-06"}));
}

TEST_F(FieldValueTest, FieldIndexOutOfRangeIsAnErrorNotACrash) {
    OPEN_TABLE(t, path, OpenMode::Exclusive);
    ASSERT_OK(t->append());
    for (int f : {-1, 4, 1000}) {
        EXPECT_FALSE(t->setText(f, "1")) << f;
        EXPECT_FALSE(t->setWhole(f, 1)) << f;
        EXPECT_FALSE(t->setFloat(f, 1)) << f;
        EXPECT_FALSE(t->setDate(f, Date{2020, 1, 1})) << f;
        EXPECT_FALSE(t->setBlank(f)) << f;
        std::string s;
        EXPECT_FALSE(t->readText(f, s)) << f;
        EXPECT_FALSE(t->number(f)) << f;
        EXPECT_FALSE(t->date(f)) << f;
    }
}

}  // namespace
