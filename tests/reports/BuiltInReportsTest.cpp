// The built-in reports, checked byte for byte against records laid out here from their table.
#include "reports/BuiltInReports.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <cstring>

#include "../data/TempFolder.h"
#include "reports/ReportFile.h"

namespace vz::reports {
namespace {

// One report as its table row and item lists give it. Lines use the notation
// `Name (n) w`, `label "text" w` and `filler w`, separated by "; ".
struct Expected {
    const char* name;
    int width;
    int fontSize;
    int lines;
    bool ruled;  // column headers, vertical and horizontal lines
    std::vector<const char*> items;
};

const char* const kFull1 =
    "label \"Catalog:\" 8; filler 1; Catalog (1) 12; label \"Country:\" 10; filler 1; Country (3) "
    "20; "
    "label \"Yr:\" 5; filler 1; Year (7) 5; label \"Face:\" 7; filler 1; FaceValue (4) 20; "
    "label \"Topic:\" 8; filler 1; Topic (13) 20";
const char* const kFull2 = "label \"Desc:\" 5; filler 1; Descriptio (2) 110";
const char* const kFull3 =
    "label \"Group:\" 6; filler 1; Group (10) 20; label \"Type:\" 7; filler 1; StampType (11) 16; "
    "label \"Qty:\" 6; filler 1; Quantity (6) 5; label \"Cost:\" 7; filler 1; Cost (15) 8; "
    "label \"Value:\" 8; filler 1; MarketValu (5) 8; label \"Date:\" 7; filler 1; Date (14) 11";
const char* const kFull4 =
    "label \"Condition:\" 10; filler 1; Condition (9) 9; label \"Cancellation:\" 15; filler 1; "
    "Cancellati (12) 13; label \"Gum:\" 6; filler 1; Gum (16) 8; label \"Hinged:\" 9; filler 1; "
    "Hinged (19) 7; label \"Color:\" 8; filler 1; Color (17) 15";
const char* const kTotals =
    "label \"TOTALS:\" 7; label \"Purchase Price:\" 20; filler 1; Purchase Price (2) 12; "
    "label \"Value:\" 10; filler 1; Market Value (1) 12; label \"Quantity:\" 13; filler 1; "
    "Quantity (3) 10";

const std::vector<Expected>& expectedReports() {
    static const std::vector<Expected> reports = {
        {"120 Column 1 Line Report",
         120,
         8,
         1,
         true,
         {"Catalog (1) 8; Country (3) 20; Year (7) 5; FaceValue (4) 20; Quantity (6) 4; "
          "Descriptio (2) 63"}},
        {"120 Column 2 Line Report",
         120,
         8,
         2,
         false,
         {"label \"Country:\" 8; filler 1; Country (3) 20; label \"Yr:\" 5; filler 1; Year (7) 5; "
          "label \"Face Value:\" 13; filler 1; FaceValue (4) 20; label \"Market Value:\" 16; "
          "filler 1; MarketValu (5) 12; label \"Cond:\" 8; filler 1; Condition (9) 11",
          "label \"Desc:\" 7; filler 1; Descriptio (2) 58; label \"Grp:\" 6; filler 1; Group (10) "
          "12; "
          "label \"Type:\" 7; filler 1; StampType (11) 16; label \"#\" 3; Catalog (1) 8"}},
        {"Full Report",
         120,
         8,
         8,
         false,
         {kFull1, kFull2, kFull3, kFull4, "label \"Faults:\" 7; filler 1; Faults (18) 90",
          "label \"Comments:\" 9; filler 1; Comments (8) 110",
          "label \"Misc:\" 5; filler 1; Miscellane (20) 110", "filler 150"}},
        {"Statistic/Summary Report", 90, 10, 0, false, {}},
        {"90 Column 1 Line Report",
         90,
         9,
         1,
         true,
         {"Catalog (1) 8; Country (3) 20; Year (7) 5; FaceValue (4) 20; Descriptio (2) 37"}},
        {"120 Column 5 Line Report",
         120,
         8,
         5,
         false,
         {kFull1, kFull2, kFull3, kFull4, "filler 150"}},
    };
    return reports;
}

void putShort(std::string& b, size_t at, const std::string& s) {
    b[at] = char(s.size());
    std::memcpy(&b[at + 1], s.data(), s.size());
}
void put16(std::string& b, size_t at, int v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

// Writes one item line in the notation above at `at`; the unlisted items stay fillers of width 0.
void putLine(std::string& b, size_t at, const std::string& text) {
    static const QRegularExpression filler(QStringLiteral("^filler (\\d+)$"));
    static const QRegularExpression label(QStringLiteral("^label \"([^\"]*)\" (\\d+)$"));
    static const QRegularExpression field(QStringLiteral("^(.+) \\((\\d+)\\) (\\d+)$"));
    const QStringList items = QString::fromStdString(text).split(QStringLiteral("; "));
    ASSERT_LE(items.size(), 20);
    for (int j = 0; j < 20; ++j) {
        const size_t p = at + size_t(j) * 75;
        if (j >= items.size()) {
            putShort(b, p, "<FILLER>");
            continue;
        }
        if (auto m = filler.match(items[j]); m.hasMatch()) {
            putShort(b, p, "<FILLER>");
            put16(b, p + 32, m.captured(1).toInt());
        } else if (auto m = label.match(items[j]); m.hasMatch()) {
            putShort(b, p, "<LABEL>");
            putShort(b, p + 34, m.captured(1).toStdString());
            put16(b, p + 32, m.captured(2).toInt());
        } else if (auto m = field.match(items[j]); m.hasMatch()) {
            putShort(b, p, m.captured(1).toStdString());
            b[p + 31] = char(m.captured(2).toInt());
            put16(b, p + 32, m.captured(3).toInt());
        } else {
            FAIL() << "unreadable item " << items[j].toStdString();
        }
    }
}

std::string expectedRecord(const Expected& e) {
    std::string b(20622, '\0');
    putShort(b, 0, e.name);
    put16(b, 31, e.width);
    for (size_t font : {33, 94, 155, 216, 277}) {
        putShort(b, font, "Arial");
        put16(b, font + 51, e.fontSize);
    }
    b[338] = e.ruled;  // column headers
    b[339] = 1;        // page numbers
    b[340] = 0;        // landscape
    b[341] = 1;        // date on pages
    b[342] = 1;        // use totals
    put16(b, 343, e.lines);
    putLine(b, 345, kTotals);
    const char half[8] = {0, 0, 0, 0, 0, 0, '\xE0', '\x3F'};  // 0.5 as a little-endian double
    for (size_t m : {1845, 1853, 1861, 1869}) std::memcpy(&b[m], half, 8);
    b[1877] = e.ruled;
    b[1878] = e.ruled;
    for (size_t l = 0; l < 12; ++l)
        putLine(b, 2122 + l * 1500, l < e.items.size() ? e.items[l] : "filler 150");
    b[20122] = 1;
    b[20123] = 0;
    return b;
}

TEST(BuiltInReports, TheFileHoldsTheSixReportsByteForByte) {
    test::TempFolder dir;
    const QString file = dir.file(QStringLiteral("DUZEZIVA.URP"));
    ASSERT_TRUE(CreateDefaultReports(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::string bytes = f.readAll().toStdString();
    ASSERT_EQ(bytes.size(), 6u * 20622u);
    for (size_t r = 0; r < 6; ++r) {
        SCOPED_TRACE(expectedReports()[r].name);
        const std::string expected = expectedRecord(expectedReports()[r]);
        const std::string actual = bytes.substr(r * 20622, 20622);
        size_t firstDiff = 0;
        while (firstDiff < expected.size() && expected[firstDiff] == actual[firstDiff]) ++firstDiff;
        EXPECT_EQ(firstDiff, expected.size()) << "first difference at offset " << firstDiff;
    }
}

TEST(BuiltInReports, NamesAreRecognisedExactly) {
    EXPECT_TRUE(isBuiltInReportName(QStringLiteral("Full Report")));
    EXPECT_FALSE(isBuiltInReportName(QStringLiteral("full report")));
    EXPECT_FALSE(isBuiltInReportName(QStringLiteral("Full Report ")));
}

TEST(BuiltInReports, SecondReportRunsPastItsWidthAndTheSummaryHasNoLines) {
    const auto reports = builtInReports();
    int sum = 0;
    const ReportLine& line = reports[1].reportLines[0];
    for (int j = 0; j < usedItemCount(line); ++j) sum += line[size_t(j)].width;
    EXPECT_EQ(sum, 123);  // kept as it is: nothing is rescaled
    EXPECT_EQ(reports[3].numberOfLines, 0);
}

}  // namespace
}  // namespace vz::reports
