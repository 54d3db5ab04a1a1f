#include <gtest/gtest.h>

#include <QFile>

#include "CollectionFixture.h"
#include "FileSizeLimit.h"
#include "data/Conversion.h"
#include "data/Schema.h"
#include "engine/Field.h"

using namespace vz;

namespace {

using Record = std::map<std::string, std::string>;

engine::FieldDef currentDef(const std::string& name) {
    for (const engine::FieldDef& d : data::collectionFieldDefs())
        if (QString::fromStdString(d.name).compare(QString::fromStdString(name),
                                                   Qt::CaseInsensitive) == 0)
            return d;
    return engine::FieldDef::text(name, 3);  // the version 1.x flags ("Yes")
}

// Writes an old table: a first field nobody reads, then `names` with the current layout's types.
void writeOld(const QString& path, const std::vector<std::string>& names,
              const std::vector<Record>& records) {
    std::vector<engine::FieldDef> defs{engine::FieldDef::whole("RecID")};
    for (const std::string& n : names) {
        if (n == "PurchDay" || n == "PurchMonth" || n == "PurchYear")
            defs.push_back(engine::FieldDef::text(n, 4));
        else
            defs.push_back(currentDef(n));
    }
    ASSERT_TRUE(engine::Table::create(path.toStdString(), defs).isOk());
    auto t = engine::Table::open(path.toStdString(), engine::OpenMode::Exclusive);
    ASSERT_TRUE(t.isOk());
    for (const Record& r : records) {
        ASSERT_TRUE((*t)->append().isOk());
        for (const auto& [name, value] : r)
            ASSERT_TRUE((*t)->setText((*t)->fieldIndex(name), value).isOk()) << name;
        ASSERT_TRUE((*t)->post().isOk());
    }
}

const std::vector<std::string> kV2 = {
    "Catalog",  "Descriptio", "Country", "FaceValue", "MarketValu", "Quantity",  "Year",
    "Comments", "Condition",  "Group",   "StampType", "Cancellati", "Topic",     "Date",
    "Cost",     "Gum",        "Color",   "Faults",    "Hinged",     "Miscellane"};
const std::vector<std::string> kV1 = {
    "Catalog",    "Descriptio", "Country",   "FaceValue",  "MarketValu", "Quantity",
    "Year",       "Comments",   "Condition", "Group",      "StampType",  "Cancellati",
    "OverPrint",  "PreCancel",  "Surcharge", "FirstDayCo", "SouvenirCa", "PenCancell",
    "PostalCard", "Topic",      "PurchDay",  "PurchMonth", "PurchYear"};

class Conversion : public test::CollectionFixture {
protected:
    QString v1() { return dir.file("SLOG.DBF"); }
    QString v2() { return dir.file("S2LOG.DBF"); }
};

TEST_F(Conversion, Version1FlagsDatesAndCatalogueDigits) {
    writeOld(v1(), kV1,
             {{{"Catalog", "12a-4"},
               {"Country", "Chile"},
               {"OverPrint", "Yes"},
               {"PostalCard", "Yes"},
               {"PreCancel", "No"},
               {"PurchDay", "7"},
               {"PurchMonth", "Mar"},
               {"PurchYear", "1985"}},
              {{"Catalog", "X"}, {"PurchDay", "31"}, {"PurchMonth", "Feb"}, {"PurchYear", "1985"}},
              {{"Catalog", "Y"}, {"PurchDay", "2"}, {"PurchMonth", "12"}, {"PurchYear", "85"}}});
    EXPECT_TRUE(data::CheckDBaseFormatV1(v1()));
    EXPECT_FALSE(data::CheckDBaseFormatV2(v1()));
    const data::ConversionResult r = data::ConvertV1(v1(), table());
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.added, 3);
    EXPECT_EQ(r.badDates, 1);
    EXPECT_EQ(column("Miscellane"), (std::vector<std::string>{"Overprint, Postal Card", "", ""}));
    EXPECT_EQ(column("CatalogI"), (std::vector<std::string>{"124", "", ""}));
    EXPECT_EQ(column("Country"), (std::vector<std::string>{"Chile", "", ""}));
    auto t = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Shared);
    const int date = (*t)->fieldIndex("Date");
    ASSERT_TRUE((*t)->go(1).isOk());
    EXPECT_EQ((*t)->date(date).value().toIso(), "1985-03-07");
    ASSERT_TRUE((*t)->go(2).isOk());
    EXPECT_TRUE((*t)->isBlank(date));  // 31 February: the record is kept without its date
    ASSERT_TRUE((*t)->go(3).isOk());
    EXPECT_EQ((*t)->date(date).value().toIso(), "1985-12-02");
}

TEST_F(Conversion, Version2PerUnitAdjustmentFollowsTheOldSettings) {
    const std::vector<Record> records = {
        {{"Catalog", "1"}, {"Quantity", "4"}, {"MarketValu", "10.00"}, {"Cost", "2"}},
        {{"Catalog", "2"}, {"Quantity", "0"}, {"MarketValu", "3"}}};
    writeOld(v2(), kV2, records);
    data::ConversionResult r = data::ConvertV2(v2(), table(), dir.path());  // no KRSTAMP.INI: "Yes"
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(column("MarketValu"), (std::vector<std::string>{"10", "3"}));

    QFile ini(dir.file("KRSTAMP.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Reports]\r\nUse Quantity=No\r\n");
    ini.close();
    r = data::ConvertV2(v2(), table(), dir.path());
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.noQuantity, 1);
    EXPECT_EQ(column("MarketValu"), (std::vector<std::string>{"10", "3", "2.5", "3"}));
    EXPECT_EQ(column("Cost"), (std::vector<std::string>{"2", "", "0.5", ""}));
}

TEST_F(Conversion, StartUpAsks2xFirstThenDeletesOnlyWhatWasConverted) {
    writeOld(v2(), kV2, {{{"Catalog", "two"}}});
    writeOld(v1(), kV1, {{{"Catalog", "one"}}});
    ui.answers = {Answer::Yes, Answer::No};
    EXPECT_EQ(data::CheckForConversion(dir.path(), table(), ui), 1);
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(
        "A database from a previous version (2.X) has been detected."));
    EXPECT_EQ(ui.messages()[0].caption, "Convert");
    EXPECT_TRUE(
        ui.messages()[1].text.endsWith("You may wish to make a copy of \"SLOG.DBF\" first."));
    EXPECT_FALSE(QFileInfo::exists(v2()));
    EXPECT_TRUE(QFileInfo::exists(v1()));  // No: asked again next time
    EXPECT_EQ(column("Catalog"), (std::vector<std::string>{"two"}));
}

TEST_F(Conversion, OtherLayoutsAreNotOffered) {
    std::vector<std::string> twenty(kV2.begin(), kV2.end() - 1);
    writeOld(v2(), twenty, {});
    EXPECT_FALSE(data::CheckDBaseFormatV2(v2()));
    EXPECT_EQ(data::CheckForConversion(dir.path(), table(), ui), 0);
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(Conversion, AConversionThatStopsKeepsTheOldFileAndSaysHowFarItGot) {
    std::vector<Record> many;
    for (int i = 0; i < 400; ++i)
        many.push_back({{"Catalog", std::to_string(i)}, {"Descriptio", std::string(60, 'd')}});
    writeOld(v2(), kV2, many);
    const qint64 size = QFileInfo(tablePath()).size();
    ui.answers = {Answer::Yes};
    {
        test::FileSizeLimit limit(rlim_t(size + 20000));
        data::CheckForConversion(dir.path(), table(), ui);
    }
    EXPECT_TRUE(QFileInfo::exists(v2()));
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_TRUE(ui.messages()[1].text.startsWith("The conversion of \"S2LOG.DBF\" stopped after "));
    EXPECT_LT(column("Catalog").size(), 400u);
}

}  // namespace
