#include "reports/ReportDesign.h"

#include <algorithm>

namespace vz::reports {

ReportDefinition newReportDefinition() {
    ReportDefinition def;
    def.name.clear();
    def.width = kWidth90;
    def.columnHeaders = def.pageNumbers = def.dateOnPages = def.useTotals = true;
    def.landscape = false;
    def.numberOfLines = 1;
    def.topMargin = def.bottomMargin = def.leftMargin = def.rightMargin = 0.5;
    def.verticalLines = def.horizontalLines = true;
    def.groupByLevel1 = true;
    def.groupByLevel2 = false;
    def.titles = {};
    ReportFontSpec font;
    font.faceName = QStringLiteral("Courier New");
    font.size = 10;
    def.bodyFont = def.fourthFont = font;
    font.bold = true;
    def.titleFont = def.columnHeaderFont = def.footnoteFont = font;
    def.reportLines = blankReportLines();
    def.totalsLine = blankReportLine();
    return def;
}

void refitLine(ReportLine& line, int width) {
    int sum = 0;
    int last = 0;
    for (int j = 0; j < kItemsPerLine; ++j) {
        ReportItem& item = line[size_t(j)];
        if (item.width < 1) item.width = width;
        sum += item.width;
        last = j;
        if (sum >= width) break;
    }
    line[size_t(last)].width += width - sum;
    for (int j = last + 1; j < kItemsPerLine; ++j) line[size_t(j)].width = 0;
}

std::optional<WidthSwitch> widthSwitch(int from, int to) {
    if (from == to) return std::nullopt;
    WidthSwitch s;
    switch (to) {
        case kWidth90:
            s.question = QStringLiteral(
                "Switching to 90 characters from 120 or 150 will truncate the current defined "
                "lines.  In "
                "addition, the font size will be reset to a 10 point as a default.  Are you sure "
                "you wish to do "
                "this?");
            s.bodyFontSize = 10;
            break;
        case kWidth120:
            if (from == kWidth150)
                s.question = QStringLiteral(
                    "Switching to 120 characters from 150 will truncate the current defined lines. "
                    " In addition, "
                    "the font size will be reset to a 8 point as a default.  Are you sure you wish "
                    "to do this?");
            s.bodyFontSize = 8;
            s.notice = QStringLiteral(
                "The Report Body font size has been set to a 8 Point default size as a result of "
                "switching to 120 "
                "characters per line.");
            break;
        case kWidth150:
            s.bodyFontSize = 6;
            s.notice = QStringLiteral(
                "The Report Body font size has been set to a 6 Point default size as a result of "
                "switching to 150 "
                "characters per line.");
            break;
        default:
            return std::nullopt;
    }
    return s;
}

void applyWidth(ReportDefinition& def, int width, int bodyFontSize) {
    def.width = width;
    const int used = std::clamp(def.numberOfLines, 0, kMaxReportLines);
    for (int l = 0; l < used; ++l) refitLine(def.reportLines[size_t(l)], width);
    def.bodyFont.size = bodyFontSize;
}

}  // namespace vz::reports
