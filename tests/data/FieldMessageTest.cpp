// A value the table refuses: the windows name the field by its caption, the engine (and with it
// the command-line tool) by its stored name and type.
#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "data/FieldMessage.h"
#include "data/Schema.h"
#include "edit/RecordForm.h"
#include "engine/Table.h"
#include "common/DisplayFormats.h"
#include "main/ViewerModel.h"

using namespace vz;

namespace {

constexpr int kCountry = 2, kMarketValue = 4, kWanted = 24;  // field indexes

class RefusedValue : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir.filePath("COLL.DBF").toStdString();
        ASSERT_TRUE(engine::Table::create(path, data::collectionFieldDefs()));
        auto t = engine::Table::open(path, engine::OpenMode::Shared);
        ASSERT_TRUE(t);
        table = std::move(*t);
        ASSERT_TRUE(table->append());
        ASSERT_TRUE(table->setText(0, "A1"));
        ASSERT_TRUE(table->setText(kWanted, "No"));
        ASSERT_TRUE(table->post());
    }

    QTemporaryDir dir;
    std::unique_ptr<engine::Table> table;
};

}  // namespace

TEST_F(RefusedValue, TheWindowsNameTheFieldByItsCaptionTheEngineByItsStoredName) {
    ASSERT_TRUE(table->edit());
    const engine::Status notANumber = table->setText(kMarketValue, "abc");
    const engine::Status notInCodePage = table->setText(kCountry,
                                                        "\xC5\x81\xC3\xB3"
                                                        "d\xC5\xBA");  // Łódź
    table->cancel();

    ASSERT_FALSE(notANumber);
    EXPECT_NE(notANumber.message().find("MARKETVALU (N 20,4)"), std::string::npos)
        << notANumber.message();
    EXPECT_EQ(data::windowMessage(notANumber, "Market Value"),
              "Market Value cannot take \"abc\": it is not a number.  Please correct.");
    // A renamed column goes by its new name.
    EXPECT_TRUE(data::windowMessage(notANumber, "Worth").startsWith("Worth cannot take"));

    ASSERT_FALSE(notInCodePage);
    const QString country = data::windowMessage(notInCodePage, "Country");
    EXPECT_TRUE(country.contains("cannot be stored in Country:")) << country.toStdString();
    EXPECT_FALSE(country.contains("COUNTRY")) << country.toStdString();

    // Without a caption, and for a status about no field, the engine's words stay.
    EXPECT_EQ(data::windowMessage(notANumber, QString()),
              QString::fromStdString(notANumber.message()));
    const engine::Status noField = engine::Status::invalid("COLL.DBF is open read-only.");
    EXPECT_EQ(data::windowMessage(noField, "Market Value"), "COLL.DBF is open read-only.");
}

TEST_F(RefusedValue, TheGridNamesTheColumnOfARefusedCell) {
    QStringList reported;
    mainwin::ViewerModel model([this] { return table.get(); },
                               [&reported](const QString& m) { reported << m; });
    model.setColumns({1, 5}, {"Alpha Catalog", "Market Value"});
    model.setEditable(true);
    ASSERT_TRUE(model.reload());
    EXPECT_FALSE(model.setData(model.index(0, 1), "abc"));
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported.front(),
              "Market Value cannot take \"abc\": it is not a number.  Please correct.");
}

TEST_F(RefusedValue, TheEditWindowNamesTheBoxOfAValueTheTableRefuses) {
    edit::RecordValues v;
    v[1] = "B2";
    v[15] = "1e30";  // a valid amount, too wide for its field
    v[6] = "1";
    std::array<QString, 25> captions;
    for (int n = 1; n <= 25; ++n)
        captions[size_t(n - 1)] = QString::fromUtf8(data::schemaField(n).caption.data(),
                                                    qsizetype(data::schemaField(n).caption.size()));
    captions[14] = "Price Paid";
    const std::optional<edit::StoreProblem> p =
        edit::RecordForm::write(*table, v, true, DisplayFormats{}, captions);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->field, 15);
    EXPECT_TRUE(p->message.startsWith("Price Paid cannot take")) << p->message.toStdString();
    EXPECT_TRUE(p->message.endsWith("Please correct.")) << p->message.toStdString();
}
