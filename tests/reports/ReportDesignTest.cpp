#include "reports/ReportDesign.h"

#include <gtest/gtest.h>

using namespace vz::reports;

namespace {

ReportLine lineOf(std::initializer_list<int> widths) {
    ReportLine line;
    size_t j = 0;
    for (int w : widths) line[j++].width = w;
    return line;
}

std::vector<int> widthsOf(const ReportLine& line) {
    std::vector<int> out;
    for (const ReportItem& item : line) out.push_back(item.width);
    while (!out.empty() && out.back() == 0) out.pop_back();
    return out;
}

}  // namespace

TEST(ReportDesign, ReFitMakesEveryLineExactlyTheReportWidth) {
    ReportLine line = lineOf({50, 30, 30});  // item 1 changed from 30 to 50
    refitLine(line, 90);
    EXPECT_EQ(widthsOf(line), (std::vector<int>{50, 30, 10}));

    line = lineOf({30, 0, 30});  // an item set to 0 takes the rest
    refitLine(line, 90);
    EXPECT_EQ(widthsOf(line), (std::vector<int>{30, 60}));

    line = lineOf({10, 10});  // too short: the next, unused item takes the rest
    refitLine(line, 90);
    EXPECT_EQ(widthsOf(line), (std::vector<int>{10, 10, 70}));

    line = blankReportLine();  // a line never edited: one filler of 150
    refitLine(line, 120);
    EXPECT_EQ(widthsOf(line), (std::vector<int>{120}));

    ReportLine twenty;
    for (ReportItem& item : twenty) item.width = 2;  // 20 items short of the width
    refitLine(twenty, 90);
    EXPECT_EQ(twenty[19].width, 52);
}

TEST(ReportDesign, WidthSwitchesAskWhenTheyTruncate) {
    EXPECT_FALSE(widthSwitch(90, 90));
    EXPECT_FALSE(widthSwitch(120, 100));
    auto to90 = widthSwitch(150, 90);
    ASSERT_TRUE(to90);
    EXPECT_FALSE(to90->question.isEmpty());
    EXPECT_EQ(to90->bodyFontSize, 10);
    EXPECT_TRUE(to90->notice.isEmpty());
    EXPECT_TRUE(widthSwitch(90, 120)->question.isEmpty());
    EXPECT_FALSE(widthSwitch(150, 120)->question.isEmpty());
    EXPECT_EQ(widthSwitch(90, 120)->bodyFontSize, 8);
    EXPECT_EQ(widthSwitch(90, 150)->bodyFontSize, 6);
    EXPECT_TRUE(widthSwitch(120, 150)->question.isEmpty());

    ReportDefinition def = newReportDefinition();
    def.numberOfLines = 2;
    def.reportLines[0] = lineOf({100, 50});
    def.reportLines[2] = lineOf({150});  // not in use: left alone
    applyWidth(def, 90, 10);
    EXPECT_EQ(widthsOf(def.reportLines[0]), (std::vector<int>{90}));
    EXPECT_EQ(widthsOf(def.reportLines[1]), (std::vector<int>{90}));
    EXPECT_EQ(widthsOf(def.reportLines[2]), (std::vector<int>{150}));
}
