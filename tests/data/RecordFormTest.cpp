#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "data/Schema.h"
#include "edit/FieldChecks.h"
#include "edit/RecordForm.h"
#include "engine/Table.h"

using namespace vz;
using edit::ClearKind;
using edit::RecordForm;
using edit::RecordValues;

namespace {

std::array<QString, 25> defaultCaptions() {
    std::array<QString, 25> c;
    for (int n = 1; n <= 25; ++n) c[size_t(n - 1)] = QString::fromUtf8(data::schemaField(n).caption.data(), qsizetype(data::schemaField(n).caption.size()));
    return c;
}

class RecordFormTable : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir.filePath("COLL.DBF").toStdString();
        ASSERT_TRUE(engine::Table::create(path, data::collectionFieldDefs()));
        auto t = engine::Table::open(path, engine::OpenMode::Shared);
        ASSERT_TRUE(t);
        table = std::move(*t);
    }
    RecordValues blankValues() {
        QString remembered;
        return RecordForm::cleared(ClearKind::Clear, data::RecordDefaults{}, formats, remembered);
    }

    QTemporaryDir dir;
    std::unique_ptr<engine::Table> table;
    mainwin::DisplayFormats formats;
};

// The date box always shows the whole year, so that a date loaded and stored again under a
// two-digit-year format keeps its century.
TEST(RecordFormDates, EveryFormatShowsADateThatReadsBackAsTheSameDay) {
    const engine::Date day{1998, 3, 5};
    for (int code = 1; code <= 12; ++code) {
        for (bool zeros : {false, true}) {
            mainwin::DisplayFormats f;
            f.setDateFormat(code, zeros);
            const QString shown = RecordForm::dateBoxText(day, f);
            EXPECT_EQ(shown.size(), 10) << code;
            EXPECT_EQ(shown.mid(2, 1), f.dateSeparator());
            const std::optional<engine::Date> back = edit::dateFromBox(shown, f);
            ASSERT_TRUE(back.has_value()) << code << " " << shown.toStdString();
            EXPECT_EQ(*back, day) << code << " " << shown.toStdString();
        }
    }
    mainwin::DisplayFormats f;
    f.setDateFormat(4, false);
    EXPECT_EQ(RecordForm::dateBoxText(day, f), "5 /3 /1998");
    EXPECT_EQ(RecordForm::dateBoxText(engine::Date{}, f), "  /  /    ");
    EXPECT_TRUE(edit::dateFromBox(RecordForm::dateBoxText(engine::Date{}, f), f)->isBlank());
}

TEST(RecordFormDates, TextPutIntoTheDateBoxKeepsItsDigitsUnderTheSeparatorInForce) {
    EXPECT_EQ(RecordForm::fitDateBox("12-25-1997", "/"), "12/25/1997");
    EXPECT_EQ(RecordForm::fitDateBox("1.2", "."), "1 .  .    ");
    EXPECT_EQ(RecordForm::fitDateBox(" 1/ 2/ 199", "/"), "1 /2 /199 ");
    EXPECT_EQ(RecordForm::fitDateBox("", "-"), "  -  -    ");
    EXPECT_EQ(RecordForm::fitDateBox("ab/cd/19x9 and more", "/"), "  /  /199 ");
}

TEST(RecordFormDefaults, ClearKindsChooseBetweenEmptyBoxesAndTheSavedDefaults) {
    mainwin::DisplayFormats f;
    data::RecordDefaults d;
    d.text[3 - 1] = "Peru";
    d.text[6 - 1] = "12";
    d.wanted = true;
    QString remembered;

    RecordValues v = RecordForm::cleared(ClearKind::NewRecord, d, f, remembered);
    EXPECT_EQ(v[3], "");
    EXPECT_EQ(v[5], "0");
    EXPECT_EQ(v[6], "1");
    EXPECT_EQ(v[15], "0");
    EXPECT_FALSE(v.wanted);
    EXPECT_EQ(remembered, "1");

    d.loadWithAdd = true;
    v = RecordForm::cleared(ClearKind::NewRecord, d, f, remembered);
    EXPECT_EQ(v[3], "Peru");
    EXPECT_TRUE(v.wanted);
    EXPECT_EQ(v[6], "0");  // wanted shows quantity 0 ...
    EXPECT_EQ(remembered, "12");  // ... and keeps the saved one for unticking
    EXPECT_EQ(RecordForm::cleared(ClearKind::Clear, d, f, remembered)[3], "");
    d.loadWithClear = true;
    d.loadWithAdd = false;
    EXPECT_EQ(RecordForm::cleared(ClearKind::Clear, d, f, remembered)[3], "Peru");
    d.loadWithClear = false;
    EXPECT_EQ(RecordForm::cleared(ClearKind::LoadDefaults, d, f, remembered)[3], "Peru");

    RecordValues typed;
    for (int n = 1; n <= 24; ++n) typed[n] = QString(120, QLatin1Char('x'));
    RecordForm::copyToDefaults(typed, d);
    for (int n = 1; n <= 24; ++n) EXPECT_EQ(d.text[size_t(n - 1)].size(), data::RecordDefaults::maxLength(n)) << n;
    EXPECT_EQ(d.text[17 - 1].size(), 15);  // Color keeps 15 of its 16
}

TEST(RecordFormSnapshot, AnyBoxOrWantedDifferingCountsAsChanged) {
    RecordForm form;
    RecordValues v;
    v[2] = "Mint";
    form.SaveValues(v);
    EXPECT_FALSE(form.ValuesChanged(v));
    v[2] = "mint";
    EXPECT_TRUE(form.ValuesChanged(v));
    v[2] = "Mint";
    v.wanted = true;
    EXPECT_TRUE(form.ValuesChanged(v));
    v.wanted = false;
    v[24] = " ";
    EXPECT_TRUE(form.ValuesChanged(v));
}

TEST_F(RecordFormTable, ARecordTheTableRefusesHalfwayIsNotWrittenAtAll) {
    RecordValues v = blankValues();
    v[1] = "A1";
    v[15] = "1e30";  // a valid amount, too wide for the field
    ASSERT_FALSE(RecordForm::check(v, *table, defaultCaptions(), formats).has_value());
    std::optional<edit::StoreProblem> p = RecordForm::write(*table, v, true, formats);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->field, 15);
    EXPECT_EQ(table->state(), engine::Table::State::Browse);
    EXPECT_EQ(*table->countLive(), 0u);

    v[15] = "2.5";
    ASSERT_FALSE(RecordForm::write(*table, v, true, formats).has_value());
    EXPECT_EQ(*table->countLive(), 1u);
    v[1] = "B2";
    v[5] = "-1e30";
    ASSERT_TRUE(RecordForm::write(*table, v, false, formats).has_value());
    ASSERT_TRUE(table->first());
    EXPECT_EQ(table->text(0), "A1          ");
    EXPECT_EQ(*table->number(14), 2.5);
}

TEST_F(RecordFormTable, LoadingDropsTrailingBlanksAndWritesNumbersInTheDisplayFormats) {
    RecordValues v = blankValues();
    v[3] = " Peru";
    v[6] = "$10";
    v[15] = "1,000";
    v[22] = "  kept  ";
    v.wanted = true;
    ASSERT_FALSE(RecordForm::write(*table, v, true, formats).has_value());

    QString remembered;
    const RecordValues back = RecordForm::fromRecord(*table, formats, remembered);
    EXPECT_EQ(back[3], " Peru");
    EXPECT_EQ(back[22], "kept");
    EXPECT_EQ(back[15], "1,000.00");
    EXPECT_EQ(back[6], "0");  // wanted
    EXPECT_EQ(remembered, "16");
    EXPECT_TRUE(back.wanted);
    EXPECT_EQ(back[7], "0");  // an empty year box stored 0
    EXPECT_EQ(back[14], "  /  /    ");

    const QStringList lines = RecordForm::printLines(back, defaultCaptions());
    ASSERT_EQ(lines.size(), 25);
    EXPECT_EQ(lines[0], "Alpha Catalog: ");
    EXPECT_EQ(lines[2], "Country:  Peru");
    EXPECT_EQ(lines[24], "Wanted: Yes");
}

}  // namespace
