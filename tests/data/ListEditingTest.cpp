#include <gtest/gtest.h>

#include "edit/ListEditor.h"
#include "edit/ValueSelection.h"

using namespace vz;
using namespace vz::edit;

TEST(ValueSelection, SplitsAtCommasAndKeepsBlanksBeforeThem) {
    struct Case {
        const char* box;
        QStringList values;
    };
    const Case cases[] = {
        {"Mint, Used, Plate Block", {"Mint", "Used", "Plate Block"}},
        {"thin , crease", {"thin ", "crease"}},
        {"  single  ", {"single"}},
        {"a,b,", {"a", "b"}},
        {"a,,  ,b", {"a", "b"}},
        {",,,", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitValues(QString::fromLatin1(c.box)), c.values) << c.box;
}

TEST(ValueSelection, SelectsTheBoxValuesAndAddsThoseTheListLacks) {
    ValueSelection s({"Used", "mint hinged", "Mint", "Cancelled"}, "Mint, Used, Plate Block");
    EXPECT_EQ(s.entries(), (QStringList{"Cancelled", "Mint", "mint hinged", "Plate Block", "Used"}));
    std::vector<bool> selected;
    for (int row = 0; row < s.entries().size(); ++row) selected.push_back(s.isSelected(row));
    EXPECT_EQ(selected, (std::vector<bool>{false, true, false, true, true}));
    // Ok without changes: the three back in alphabetical order.
    EXPECT_EQ(s.join(110).text, "Mint, Plate Block, Used");

    // A value with a blank before its comma matches no entry and comes in as it stands.
    ValueSelection f({"thin", "crease"}, "thin , crease");
    EXPECT_EQ(f.entries(), (QStringList{"crease", "thin", "thin "}));
    EXPECT_EQ(f.join(90).text, "crease, thin ");

    // Equal entries: the first is the one selected, however often the box names it.
    ValueSelection d({"Gum", "Gum"}, "Gum, Gum");
    EXPECT_EQ(d.selectedCount(), 1);
    EXPECT_TRUE(d.isSelected(0));
}

TEST(ValueSelection, JoinReportsWhatTheFieldCannotHold) {
    ValueSelection s({"alpha", "beta", "gamma"}, "");
    EXPECT_EQ(s.selectedCount(), 0);
    EXPECT_EQ(s.join(90).text, "");
    EXPECT_TRUE(s.join(0).fits());
    s.toggle(0);
    s.toggle(2);
    const JoinedValues j = s.join(12);  // "alpha, gamma" is 12 characters
    EXPECT_EQ(j.text, "alpha, gamma");
    EXPECT_TRUE(j.fits());
    EXPECT_FALSE(s.join(11).fits());
    s.toggle(0);
    EXPECT_EQ(s.join(90).text, "gamma");
}

TEST(ListEditor, AddAppendsTrimmedTextWithinTheListsLimit) {
    ListEditor e(data::DataList::Condition, {"Mint"});
    EXPECT_EQ(e.caption(), "Edit \"Condition\" List");
    EXPECT_EQ(e.maxLength(), 9);
    EXPECT_FALSE(e.add("   "));
    EXPECT_TRUE(e.add(" Mint "));
    EXPECT_TRUE(e.add("Very Fine Used"));
    EXPECT_EQ(e.entries(), (QStringList{"Mint", "Mint", "Very Fine"}));
    EXPECT_EQ(ListEditor(data::DataList::StampType, {}).caption(), "Edit \"Stamp Type\" List");
}

TEST(ListEditor, TextTheListFileCannotHoldIsRefusedNamingTheCharacter) {
    ListEditor e(data::DataList::Country, {"Peru"});
    const QString lodz = QString::fromUtf8("\xc5\x81\xc3\xb3\x64\xc5\xba");
    const QString refusal = e.refusal(lodz);
    EXPECT_TRUE(refusal.contains(QString::fromUtf8("\"\xc5\x81\" (U+0141)")))
        << refusal.toStdString();
    EXPECT_TRUE(refusal.contains("Country"));
    EXPECT_FALSE(e.add(lodz));
    EXPECT_EQ(e.entries(), (QStringList{"Peru"}));
    EXPECT_EQ(e.refusal(QString::fromUtf8("K\xc3\xb6ln")), QString());
    EXPECT_TRUE(e.add(QString::fromUtf8("K\xc3\xb6ln")));
}

TEST(ListEditor, DeleteSelectsTheEntryThatTakesItsPlace) {
    ListEditor e(data::DataList::Gum, {"a", "b", "c"});
    EXPECT_EQ(e.current(), 0);
    e.setCurrent(1);
    e.removeCurrent();
    EXPECT_EQ(e.entries(), (QStringList{"a", "c"}));
    EXPECT_EQ(e.current(), 1);
    e.removeCurrent();  // the last: the new last one is selected
    EXPECT_EQ(e.current(), 0);
    e.removeCurrent();
    EXPECT_TRUE(e.entries().isEmpty());
    EXPECT_EQ(e.current(), -1);
    e.removeCurrent();  // nothing selected: nothing happens
    EXPECT_TRUE(e.entries().isEmpty());
}

TEST(ListEditor, SortIgnoresCaseKeepsEqualEntriesInOrderAndFollowsTheSelection) {
    ListEditor e(data::DataList::Country, {"peru", "Chile", "Peru", "argentina"});
    e.setCurrent(2);  // "Peru"
    e.sort();
    EXPECT_EQ(e.entries(), (QStringList{"argentina", "Chile", "peru", "Peru"}));
    EXPECT_EQ(e.entries()[e.current()], "Peru");
    e.add("Bolivia");
    EXPECT_EQ(e.entries().last(), "Bolivia");  // sorting happens once, not for later entries
}
