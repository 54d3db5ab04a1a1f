#include <gtest/gtest.h>

#include "data/Settings.h"
#include "main/ColourSets.h"

using namespace vz;
using namespace vz::mainwin;
using data::ColourRole;
using data::ColourSet;
using data::WindowGroup;

TEST(ColourValues, RedIsTheLowByteBothWays) {
    EXPECT_EQ(toQColor(12632256), QColor(192, 192, 192));
    EXPECT_EQ(toQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(toQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(fromQColor(QColor(1, 2, 3)), 0x030201);
    EXPECT_EQ(fromQColor(QColor(0, 128, 128, 10)), rgbColour(0, 128, 128));  // alpha dropped
    // A stored value with bits above the three colour bytes still gives a colour, not garbage.
    EXPECT_EQ(toQColor(int(0x80FFFFFF)), QColor(255, 255, 255));
    EXPECT_EQ(toQColor(-1), QColor(255, 255, 255));
}

TEST(ColourCombinations, EachGivesItsSixColoursAndTheSevenDerivedOnes) {
    struct Rgb { int r, g, b; };
    struct Row {
        const char* name;
        Rgb main, major, minor, editBack, editText, radioText;
    };
    const Row rows[] = {
        {"Monochrome", {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}},
        {"Gray Mist", {192, 192, 192}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}},
        {"Midnight Black", {0, 0, 0}, {192, 192, 192}, {255, 255, 255}, {127, 127, 127}, {0, 0, 0},
         {255, 255, 255}},
        {"Desert Sunset", {255, 255, 128}, {0, 0, 0}, {0, 0, 0}, {255, 255, 0}, {0, 0, 0}, {0, 0, 0}},
        {"Easter Pastel", {255, 128, 255}, {0, 0, 255}, {0, 0, 0}, {128, 0, 128}, {0, 255, 255},
         {0, 0, 0}},
        {"Ocean Blue", {0, 255, 255}, {255, 0, 0}, {0, 0, 0}, {255, 255, 255}, {0, 0, 128}, {0, 0, 0}},
        {"Fiery Red", {255, 0, 0}, {0, 0, 128}, {0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 0}},
        {"Christmas Season", {0, 255, 0}, {255, 255, 255}, {255, 0, 0}, {255, 0, 0}, {255, 255, 255},
         {255, 0, 0}},
        {"Wine", {128, 0, 64}, {255, 0, 0}, {255, 0, 255}, {128, 0, 128}, {255, 0, 0}, {255, 0, 255}},
        {"More Pastels", {0, 255, 128}, {255, 0, 255}, {128, 0, 128}, {0, 255, 255}, {0, 0, 255},
         {128, 0, 128}},
        {"Green Glow", {0, 0, 0}, {0, 255, 0}, {0, 255, 0}, {0, 255, 0}, {0, 0, 0}, {0, 255, 0}},
        {"Camouflage", {128, 128, 0}, {0, 128, 0}, {127, 127, 127}, {0, 128, 128}, {192, 192, 192},
         {127, 127, 127}},
    };
    const QStringList entries = combinationListEntries();
    ASSERT_EQ(entries.size(), 13);
    EXPECT_EQ(entries.front(), QString());
    auto c = [](Rgb v) { return rgbColour(v.r, v.g, v.b); };
    for (int i = 1; i <= 12; ++i) {
        const Row& row = rows[i - 1];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(entries[i], QString::fromLatin1(row.name));
        ColourSet s;
        s.colour.fill(0x123456);  // nothing of what was there may survive
        ASSERT_TRUE(applyCombination(s, i));
        const std::array<int, 13> expected = {
            c(row.main),     c(row.major),    c(row.minor),     c(row.editBack), c(row.editText),
            c(row.editBack), c(row.editText), c(row.editBack),  c(row.editText), c(row.main),
            c(row.radioText), c(row.main),    c(row.radioText),
        };
        EXPECT_EQ(s.colour, expected);
    }
}

TEST(ColourCombinations, TheEmptyEntryAndNumbersOutOfRangeChangeNothing) {
    ColourSet s;
    s[ColourRole::EditText] = 42;
    const ColourSet before = s;
    for (int index : {0, -1, 13, 100}) {
        EXPECT_FALSE(applyCombination(s, index)) << index;
        EXPECT_EQ(s, before) << index;
    }
}

TEST(ColourMenu, FiveSetsThenAllFiveUnderASeparatorOnCtrlF4ToF9) {
    const auto& items = colourMenuItems();
    EXPECT_EQ(items[1].caption, "&Edit Window Color");
    EXPECT_EQ(items[1].section, "Edit Window Color");
    EXPECT_EQ(items[4].section, "Configure Window Color");
    EXPECT_EQ(items[5].caption, "&ALL Windows Color");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(items[size_t(i)].setNumber, i + 1);
        EXPECT_EQ(items[size_t(i)].shortcut, QStringLiteral("Ctrl+F%1").arg(i + 4));
        EXPECT_EQ(items[size_t(i)].separatorAbove, i == 5);
    }
}

TEST(ColourCommit, OneSetOrAllFiveAndNothingForABadNumber) {
    data::Settings settings;
    settings.database.colourSet(WindowGroup::Main)[ColourRole::MajorTitle] = 255;
    ColourSet working = workingColours(settings, 3);
    EXPECT_EQ(working, ColourSet{});
    // "All windows" starts from the main window's set.
    EXPECT_EQ(workingColours(settings, 6)[ColourRole::MajorTitle], 255);

    ASSERT_TRUE(applyCombination(working, 3));
    const data::Settings before = settings;
    EXPECT_FALSE(commitColours(settings, 0, working));
    EXPECT_FALSE(commitColours(settings, 7, working));
    EXPECT_EQ(settings, before);

    EXPECT_TRUE(commitColours(settings, 3, working));
    EXPECT_EQ(settings.database.colourSet(WindowGroup::Search), working);
    EXPECT_EQ(settings.database.colourSet(WindowGroup::Edit), ColourSet{});
    EXPECT_EQ(settings.database.colourSet(WindowGroup::Main)[ColourRole::MajorTitle], 255);
    EXPECT_FALSE(commitColours(settings, 3, working));  // the same again changes nothing

    EXPECT_TRUE(commitColours(settings, 6, working));
    for (const ColourSet& s : settings.database.colours) EXPECT_EQ(s, working);
}
