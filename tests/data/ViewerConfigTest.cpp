#include <gtest/gtest.h>

#include "data/Settings.h"
#include "main/ViewerConfig.h"

using namespace vz;
using mainwin::ViewerConfig;

namespace {

std::vector<int> rows(const ViewerConfig& c) {
    std::vector<int> r;
    for (int row = 0; row < data::kFieldCount; ++row) r.push_back(c.fieldAtRow(row));
    return r;
}

QString problemOf(const ViewerConfig& c) {
    const auto p = c.checkNames();
    return p ? p->message : QString();
}

}  // namespace

TEST(ViewerConfig, DuplicateCaptionsAreRefusedExactlyAsTheyWouldBeStored) {
    data::DatabaseSettings s;
    ViewerConfig c(s);
    EXPECT_FALSE(c.checkNames());

    // Letter case makes two captions different.
    c.setName(9, "Mint");
    c.setName(10, "MINT");
    EXPECT_FALSE(c.checkNames());

    c.setName(10, "Mint");
    auto p = c.checkNames();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->message, "Two field names have the same name \"Mint\".  Please change one.");
    EXPECT_EQ(p->field, 10);

    // Blanks around a caption are not kept, so " Mint " would be stored as "Mint".
    c.setName(10, "  Mint ");
    EXPECT_EQ(problemOf(c), "Two field names have the same name \"Mint\".  Please change one.");

    // Captions keep 20 characters: two that differ only after that would be stored alike.
    c.setName(9, "Catalogue number one A");
    c.setName(10, "Catalogue number one B");
    EXPECT_EQ(problemOf(c),
              "Two field names have the same name \"Catalogue number one\".  Please change one.");
}

TEST(ViewerConfig, BlankCaptionsAndCharactersTheSettingsFileCannotHoldAreRefusedNamingTheField) {
    data::DatabaseSettings s;
    ViewerConfig c(s);
    c.setName(3, "   ");
    auto p = c.checkNames();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->field, 3);
    EXPECT_EQ(p->message, "The field Country has no name.  Please give it one.");

    c.setName(3, "Land");
    c.setName(5, QString::fromUtf8("Wert in \u0141"));
    p = c.checkNames();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->field, 5);
    EXPECT_TRUE(p->message.startsWith(
        "The name of the field MarketValu holds the character \"\u0141\" (U+0141)"))
        << p->message.toStdString();

    // Windows-1252 holds these.
    c.setName(5, QString::fromUtf8("Wert \u20AC \u00E9"));
    EXPECT_FALSE(c.checkNames());
}

TEST(ViewerConfig, WidthsOutsideOneTo255BecomeTen) {
    EXPECT_EQ(ViewerConfig::widthOf("0"), 10);
    EXPECT_EQ(ViewerConfig::widthOf("300"), 10);
    EXPECT_EQ(ViewerConfig::widthOf(""), 10);
    EXPECT_EQ(ViewerConfig::widthOf("-4"), 10);
    EXPECT_EQ(ViewerConfig::widthOf("99999999999999999999999"), 10);
    EXPECT_EQ(ViewerConfig::widthOf(" 12abc "), 12);
    EXPECT_EQ(ViewerConfig::widthOf("1"), 1);
    EXPECT_EQ(ViewerConfig::widthOf("255"), 255);

    data::DatabaseSettings s;
    ViewerConfig c(s);
    c.setWidthText(1, "300");
    c.setWidthText(2, "");
    c.setWidthText(3, "40");
    c.takeOver(s);
    EXPECT_EQ(s.field(1).width, 10);
    EXPECT_EQ(s.field(2).width, 10);
    EXPECT_EQ(s.field(3).width, 40);
    EXPECT_EQ(c.widthText(1), "10");  // the cell is put right too
}

TEST(ViewerConfig, OrderFollowsTheFieldsThroughARenameInTheSameOpening) {
    data::DatabaseSettings s;
    ViewerConfig c(s);
    // Country up to the top, then Country and Catalog renamed, Catalog to the old name of Country.
    EXPECT_TRUE(c.moveUp(2));
    EXPECT_TRUE(c.moveUp(1));
    c.setName(3, "Land");
    c.setName(1, "Country");
    ASSERT_FALSE(c.checkNames());
    c.takeOver(s);
    EXPECT_EQ(s.field(3).order, 1);
    EXPECT_EQ(s.field(1).order, 2);
    EXPECT_EQ(s.field(2).order, 3);
    EXPECT_EQ(s.field(3).caption, "Land");
    EXPECT_EQ(s.field(1).caption, "Country");
}

TEST(ViewerConfig, UpOnTheFirstRowDownOnTheLastAndDefaults) {
    data::DatabaseSettings s;
    for (int f = 1; f <= data::kFieldCount; ++f) s.field(f).order = data::kFieldCount + 1 - f;
    ViewerConfig c(s);
    const std::vector<int> opened = rows(c);
    EXPECT_EQ(opened.front(), 25);
    EXPECT_EQ(opened.back(), 1);
    EXPECT_FALSE(c.moveUp(0));
    EXPECT_FALSE(c.moveDown(data::kFieldCount - 1));
    EXPECT_FALSE(c.moveUp(-1));
    EXPECT_EQ(rows(c), opened);
    c.defaultOrder();
    for (int row = 0; row < data::kFieldCount; ++row) EXPECT_EQ(c.fieldAtRow(row), row + 1);
}

TEST(ViewerConfig, PositionsThatCollideOrFallOutsideStillGiveEveryFieldOneColumn) {
    data::DatabaseSettings s;
    s.field(2).order = 1;   // shares position 1 with field 1
    s.field(7).order = 99;  // out of range
    ViewerConfig c(s);
    c.takeOver(s);
    std::vector<int> positions;
    for (int f = 1; f <= data::kFieldCount; ++f) positions.push_back(s.field(f).order);
    std::sort(positions.begin(), positions.end());
    for (int i = 0; i < data::kFieldCount; ++i) EXPECT_EQ(positions[size_t(i)], i + 1);
    EXPECT_EQ(s.field(1).order, 1);
    EXPECT_EQ(s.field(2).order, 2);
    EXPECT_EQ(s.field(7).order, 25);
}

TEST(ViewerConfig, TakeOverStoresTrimmedCaptionsAndShownFields) {
    data::DatabaseSettings s;
    ViewerConfig c(s);
    c.setName(1, "  Scott No.  ");
    c.toggleShown(4);
    c.takeOver(s);
    EXPECT_EQ(s.field(1).caption, "Scott No.");
    EXPECT_EQ(c.name(1), "Scott No.");
    EXPECT_FALSE(s.field(4).display);
    EXPECT_TRUE(s.field(5).display);
}
