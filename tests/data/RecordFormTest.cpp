#include <gtest/gtest.h>

#include <tuple>

#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "data/Schema.h"
#include "edit/FieldChecks.h"
#include "edit/RecordForm.h"
#include "engine/Table.h"

using namespace vz;
using edit::CheckResult;
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
    DisplayFormats formats;
};

// The date box always shows the whole year, so that a date loaded and stored again under a
// two-digit-year format keeps its century.
TEST(RecordFormDates, EveryFormatShowsADateThatReadsBackAsTheSameDay) {
    const engine::Date day{1998, 3, 5};
    for (int code = 1; code <= 12; ++code) {
        for (bool zeros : {false, true}) {
            DisplayFormats f;
            f.setDateFormat(code, zeros);
            const QString shown = RecordForm::dateBoxText(day, f);
            EXPECT_EQ(shown.size(), 10) << code;
            EXPECT_EQ(shown.mid(2, 1), f.dateSeparator());
            const std::optional<engine::Date> back = edit::dateFromBox(shown, f);
            ASSERT_TRUE(back.has_value()) << code << " " << shown.toStdString();
            EXPECT_EQ(*back, day) << code << " " << shown.toStdString();
        }
    }
    DisplayFormats f;
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
    DisplayFormats f;
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
    ASSERT_FALSE(RecordForm::copyToDefaults(typed, d, defaultCaptions(), f));
    for (int n = 1; n <= 24; ++n) EXPECT_EQ(d.text[size_t(n - 1)].size(), data::RecordDefaults::maxLength(n)) << n;
    EXPECT_EQ(d.text[17 - 1].size(), 15);  // Color keeps 15 of its 16
}

// Defaults were kept as typed: "1.25" saved under U.S. formats came back as 125 under a decimal
// comma. They are kept in a plain form and shown in the formats in force.
TEST(RecordFormDefaults, SavedDefaultsKeepTheirValueAcrossAChangeOfFormats) {
    DisplayFormats us;
    us.setDateFormat(1, false);  // m/d/yy
    RecordValues typed;
    typed[5] = "1.25";       // Market Value
    typed[15] = "1,234.50";  // Purchase Price
    typed[6] = "1,200";      // Quantity
    typed[7] = "1998";       // Year
    typed[14] = "3 /5 /1998";
    typed[21] = "42";
    typed[3] = "Peru";
    data::RecordDefaults d;
    ASSERT_FALSE(RecordForm::copyToDefaults(typed, d, defaultCaptions(), us));
    EXPECT_TRUE(d.plainValues);

    // Through the settings file and back.
    QTemporaryDir dir;
    data::GlobalSettings g;
    g.defaults = d;
    ASSERT_TRUE(data::saveGlobalSettings(g, dir.filePath("DUZEZIVA.INI")));
    data::GlobalSettings back;
    data::loadGlobalSettings(back, dir.filePath("DUZEZIVA.INI"), dir.path());
    ASSERT_EQ(back.defaults, d);

    DisplayFormats comma;
    comma.setRegional({QStringLiteral(","), QStringLiteral("."), 2});
    comma.setCurrencyFormat(kFormatRegional);
    comma.setNumericFormat(kFormatRegional);
    comma.setDateFormat(12, true);  // dd.mm.yyyy
    QString remembered;
    const RecordValues shown =
        RecordForm::cleared(ClearKind::LoadDefaults, back.defaults, comma, remembered);
    EXPECT_EQ(edit::moneyFromBox(shown[5], comma), 1.25) << shown[5].toStdString();
    EXPECT_EQ(edit::moneyFromBox(shown[15], comma), 1234.5) << shown[15].toStdString();
    EXPECT_EQ(edit::wholeFromBox(shown[6], comma), 1200) << shown[6].toStdString();
    EXPECT_EQ(edit::wholeFromBox(shown[7], comma), 1998);
    EXPECT_EQ(edit::wholeFromBox(shown[21], comma), 42);
    EXPECT_EQ(edit::dateFromBox(shown[14], comma), (engine::Date{1998, 3, 5}))
        << shown[14].toStdString();
    EXPECT_EQ(shown[3], "Peru");
    const CheckResult stored = edit::checkBeforeStoring(
        {shown[14], shown[15], shown[5], shown[6], shown[7], shown[21]}, comma);
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored.values.marketValue, 1.25);

    // Text that reads as no number is kept as typed; an empty date box stays empty.
    typed[5] = "about 3";
    typed[14] = "  /  /    ";
    ASSERT_FALSE(RecordForm::copyToDefaults(typed, d, defaultCaptions(), us));
    EXPECT_EQ(d.text[5 - 1], "about 3");
    EXPECT_EQ(d.text[14 - 1], "");
    EXPECT_EQ(RecordForm::cleared(ClearKind::LoadDefaults, d, comma, remembered)[14], "  .  .    ");

    // A long amount is saved with all its digits, or refused when they do not fit; never cut.
    typed[5] = "9,999,999.9999";
    ASSERT_FALSE(RecordForm::copyToDefaults(typed, d, defaultCaptions(), us));
    EXPECT_EQ(d.text[5 - 1], "9999999.9999");
    EXPECT_EQ(RecordForm::cleared(ClearKind::LoadDefaults, d, comma, remembered)[5],
              "9.999.999,9999");
    typed[5] = "99,999,999,999,999.99";
    const data::RecordDefaults before = d;
    const std::optional<QString> refused =
        RecordForm::copyToDefaults(typed, d, defaultCaptions(), us);
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->contains("Market Value")) << refused->toStdString();
    EXPECT_EQ(d, before);
}

TEST(RecordFormDefaults, DefaultsOfEarlierFilesAreTheTextsAsTyped) {
    QTemporaryDir dir;
    QFile f(dir.filePath("DUZEZIVA.INI"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Defaults]\r\nMarket Value=1.25\r\nQuantity=3\r\nPurchase Date=03/05/1998\r\n");
    f.close();
    data::GlobalSettings g;
    data::loadGlobalSettings(g, dir.filePath("DUZEZIVA.INI"), dir.path());
    EXPECT_FALSE(g.defaults.plainValues);
    DisplayFormats us;
    QString remembered;
    const RecordValues shown =
        RecordForm::cleared(ClearKind::LoadDefaults, g.defaults, us, remembered);
    EXPECT_EQ(shown[5], "1.25");
    EXPECT_EQ(shown[6], "3");
    EXPECT_EQ(shown[14], "03/05/1998");
}

// A default the settings file cannot hold was written as "?"; it is refused by name.
TEST(RecordFormDefaults, ACharacterTheSettingsFileCannotHoldIsRefused) {
    DisplayFormats f;
    data::RecordDefaults d;
    d.text[3 - 1] = "Peru";
    const data::RecordDefaults before = d;
    RecordValues typed;
    typed[3] = QString::fromUtf8("\xc5\x81\xc3\xb3\x64\xc5\xba");  // Łódź
    const std::optional<QString> refusal =
        RecordForm::copyToDefaults(typed, d, defaultCaptions(), f);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_TRUE(refusal->contains(QString::fromUtf8("\"\xc5\x81\" (U+0141)")))
        << refusal->toStdString();
    EXPECT_TRUE(refusal->contains("Country"));
    EXPECT_EQ(d, before);
    typed[3] = QString::fromUtf8("Malm\xc3\xb6 \xe2\x82\xac");  // "Malmö €": Windows-1252 has both
    EXPECT_FALSE(RecordForm::copyToDefaults(typed, d, defaultCaptions(), f));
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

// Amounts of more digits than a double holds are stored as typed, under either number format,
// shown again with all their digits and stored unchanged when the record is stored again; an
// amount with more decimals than the field holds is refused, naming its box.
TEST_F(RecordFormTable, LongAmountsAreStoredAndShownExactly) {
    DisplayFormats comma;
    comma.setRegional({QStringLiteral(","), QStringLiteral("."), 2});
    comma.setCurrencyFormat(kFormatRegional);
    for (const auto& [f, price, market] :
         {std::tuple{formats, "99,999,999,999,999.99", "123456789012345.6789"},
          std::tuple{comma, "99.999.999.999.999,99", "123456789012345,6789"}}) {
        RecordValues v = blankValues();
        v[1] = "A1";
        v[15] = price;
        v[5] = market;
        ASSERT_FALSE(RecordForm::check(v, *table, defaultCaptions(), f).has_value());
        ASSERT_FALSE(RecordForm::write(*table, v, true, f).has_value());
        EXPECT_EQ(table->text(14), "99999999999999.99");
        EXPECT_EQ(table->text(4), "123456789012345.6789");

        QString remembered;
        const RecordValues back = RecordForm::fromRecord(*table, f, remembered);
        EXPECT_EQ(back[15], price);
        EXPECT_EQ(back[5], f.currencyFormat() == kFormatUS ? "123,456,789,012,345.6789"
                                                                    : "123.456.789.012.345,6789");
        ASSERT_FALSE(RecordForm::write(*table, back, false, f).has_value());
        EXPECT_EQ(table->text(14), "99999999999999.99");
        EXPECT_EQ(table->text(4), "123456789012345.6789");
    }

    RecordValues v = blankValues();
    v[5] = "1.23456";
    std::array<QString, 25> captions = defaultCaptions();
    const std::optional<edit::StoreProblem> p =
        RecordForm::write(*table, v, true, formats, captions);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->field, 5);
    EXPECT_TRUE(p->message.startsWith("Market Value cannot take")) << p->message.toStdString();
    EXPECT_EQ(*table->countLive(), 2u);
}

}  // namespace
