// ReportDefinition: one report layout, as the program holds it in memory.
//
// A definition names the report, gives its width in characters, its five fonts, its flags, its
// margins, up to three title lines, up to twelve report lines and one totals line of twenty
// items each. ReportFile reads and writes it as one fixed-size record of the report definitions
// file; report generation lays pages out from it; the designer edits it.
//
// What a definition that ReportFile hands out (loaded, converted or built in) guarantees; report
// generation may rely on it without checking again:
//   - width is 90, 120 or 150;
//   - numberOfLines is 0 to 12;
//   - every item width is at most kMaxItemWidth (a width below 1 still ends its line);
//   - every margin is finite and from 0 to kMaxMargin inches;
//   - every font size is from kMinFontSize to kMaxFontSize points; colours are 0x00BBGGRR;
//   - texts hold no control characters (no tab, no line break) and are no longer than their
//     fields: name 30, titles 80, item kind/name 30, label text 40, font face 50 characters;
//   - a field item on a report line (not a filler or a label) has a field number from 1 to 25,
//     and on the totals line a total kind from 1 to 3; an item whose number is out of range is
//     read as a filler.
// It does not guarantee that one record fits on a page: generation must notice a page that made
// no progress (for example a large body font with many lines per record on small paper).
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace vz::reports {

// Sizes of the stored records, in bytes.
inline constexpr int kReportRecordSize = 20622;   // one ReportDefinition
inline constexpr int kFontSpecSize = 61;          // one ReportFontSpec
inline constexpr int kReportItemSize = 75;        // one ReportItem
inline constexpr int kReportLineSize = 1500;      // twenty items
inline constexpr int kEarlierRecordSize = 19831;  // a record of the earlier file "STAMP.URP"
inline constexpr int kReservedSize = 498;         // zeros at the end of every record

// Counts and limits.
inline constexpr int kItemsPerLine = 20;
inline constexpr int kMaxReportLines = 12;
inline constexpr int kFontCount = 5;
inline constexpr int kNameLength = 30;  // report name, item kind/name
inline constexpr int kTitleLength = 80;
inline constexpr int kLabelLength = 40;
inline constexpr int kFaceNameLength = 50;
inline constexpr int kMaxItemWidth = 150;  // the widest report
inline constexpr double kMaxMargin = 4.0;  // inches
inline constexpr int kMinFontSize = 4;     // points
inline constexpr int kMaxFontSize = 72;

// The three report widths, in characters.
inline constexpr int kWidth90 = 90;
inline constexpr int kWidth120 = 120;
inline constexpr int kWidth150 = 150;

// Item kinds besides field names; compared exactly and case-sensitively.
inline constexpr const char* kFillerKind = "<FILLER>";
inline constexpr const char* kLabelKind = "<LABEL>";

// Total kinds: the field number of a field item on the totals line.
inline constexpr int kTotalValue = 1;          // "Market Value"
inline constexpr int kTotalPurchasePrice = 2;  // "Purchase Price"
inline constexpr int kTotalQuantity = 3;       // "Quantity"

struct ReportFontSpec {
    QString faceName = QStringLiteral("Arial");  // "Arial", "Courier New", ...
    int size = 8;                                // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    uint32_t colour = 0;  // 0x00BBGGRR; 0 is black
    friend bool operator==(const ReportFontSpec&, const ReportFontSpec&) = default;
};

// One cell of a report line or of the totals line.
struct ReportItem {
    // "<FILLER>" (empty space), "<LABEL>" (constant text) or the name of a field: on a report
    // line the field's stored column name ("Catalog", "MarketValu", ...), on the totals line
    // "Market Value", "Purchase Price" or "Quantity".
    QString kind = QString::fromLatin1(kFillerKind);
    // On a report line the field number 1 to 25; on the totals line the total kind 1 to 3;
    // meaningless for fillers and labels.
    int fieldNumber = 0;
    // In characters of the report width. A width below 1 ends the line: this item and every
    // item after it are not part of the line.
    int width = 0;
    QString labelText;  // the text of a "<LABEL>"; empty otherwise

    bool isFiller() const { return kind == QLatin1String(kFillerKind); }
    bool isLabel() const { return kind == QLatin1String(kLabelKind); }
    bool isField() const { return !isFiller() && !isLabel(); }
    friend bool operator==(const ReportItem&, const ReportItem&) = default;
};

using ReportLine = std::array<ReportItem, kItemsPerLine>;

// A line that was never edited: one filler of width 150, then nineteen fillers of width 0.
inline ReportLine blankReportLine() {
    ReportLine line;
    line[0].width = kMaxItemWidth;
    return line;
}
inline std::array<ReportLine, kMaxReportLines> blankReportLines() {
    std::array<ReportLine, kMaxReportLines> lines;
    lines.fill(blankReportLine());
    return lines;
}

// The number of items a line prints: those before the first item whose width is below 1.
int usedItemCount(const ReportLine& line);

// A default-constructed definition holds the base values every built-in report starts from:
// no name, 120 characters, all fonts Arial 8 pt, every flag but landscape and level-2 grouping
// on, one line per record, half-inch margins, no titles, every line blank.
struct ReportDefinition {
    QString name;     // as listed, at most 30 characters
    int width = 120;  // 90, 120 or 150 characters

    ReportFontSpec titleFont;
    ReportFontSpec columnHeaderFont;
    ReportFontSpec bodyFont;      // report lines, group headings and totals
    ReportFontSpec fourthFont;    // stored and written, used by nobody
    ReportFontSpec footnoteFont;  // the page footer

    bool columnHeaders = true;
    bool pageNumbers = true;
    bool landscape = false;
    bool dateOnPages = true;
    bool useTotals = true;
    int numberOfLines = 1;  // report lines per record, 0 to 12

    ReportLine totalsLine = blankReportLine();

    double topMargin = 0.5;  // inches
    double bottomMargin = 0.5;
    double leftMargin = 0.5;
    double rightMargin = 0.5;

    bool verticalLines = false;    // cell borders left and right
    bool horizontalLines = false;  // cell borders top and bottom

    std::array<QString, 3> titles;  // title 1 to 3, at most 80 characters each

    std::array<ReportLine, kMaxReportLines> reportLines = blankReportLines();  // line 1 at index 0

    bool groupByLevel1 = true;   // group the rows by the first sort field
    bool groupByLevel2 = false;  // also by the second (only with level 1)

    friend bool operator==(const ReportDefinition&, const ReportDefinition&) = default;
};

}  // namespace vz::reports
