#include "reports/BuiltInReports.h"

#include <initializer_list>

namespace vz::reports {
namespace {

ReportItem field(const char* name, int number, int width) {
    ReportItem item;
    item.kind = QString::fromLatin1(name);
    item.fieldNumber = number;
    item.width = width;
    return item;
}

ReportItem label(const char* text, int width) {
    ReportItem item;
    item.kind = QString::fromLatin1(kLabelKind);
    item.labelText = QString::fromLatin1(text);
    item.width = width;
    return item;
}

ReportItem filler(int width) {
    ReportItem item;
    item.width = width;
    return item;
}

// The listed items, then fillers of width 0.
ReportLine line(std::initializer_list<ReportItem> items) {
    ReportLine l;  // all fillers of width 0
    size_t j = 0;
    for (const ReportItem& item : items) l[j++] = item;
    return l;
}

// Every built-in report prints the same totals: purchase price, value and quantity.
ReportLine totalsLine() {
    return line({label("TOTALS:", 7), label("Purchase Price:", 20), filler(1),
                 field("Purchase Price", kTotalPurchasePrice, 12), label("Value:", 10), filler(1),
                 field("Market Value", kTotalValue, 12), label("Quantity:", 13), filler(1),
                 field("Quantity", kTotalQuantity, 10)});
}

ReportDefinition base(const char* name, int width, int fontSize, int lines, bool ruled) {
    ReportDefinition def;  // the base values
    def.name = QString::fromLatin1(name);
    def.width = width;
    for (ReportFontSpec* f :
         {&def.titleFont, &def.columnHeaderFont, &def.bodyFont, &def.fourthFont, &def.footnoteFont})
        f->size = fontSize;
    def.numberOfLines = lines;
    def.columnHeaders = ruled;
    def.verticalLines = ruled;
    def.horizontalLines = ruled;
    def.totalsLine = totalsLine();
    return def;
}

// The first four lines of the full report, shared with the five-line report.
ReportLine fullLine1() {
    return line({label("Catalog:", 8), filler(1), field("Catalog", 1, 12), label("Country:", 10),
                 filler(1), field("Country", 3, 20), label("Yr:", 5), filler(1),
                 field("Year", 7, 5), label("Face:", 7), filler(1), field("FaceValue", 4, 20),
                 label("Topic:", 8), filler(1), field("Topic", 13, 20)});
}
ReportLine fullLine2() {
    return line({label("Desc:", 5), filler(1), field("Descriptio", 2, 110)});
}
ReportLine fullLine3() {
    return line({label("Group:", 6), filler(1), field("Group", 10, 20), label("Type:", 7),
                 filler(1), field("StampType", 11, 16), label("Qty:", 6), filler(1),
                 field("Quantity", 6, 5), label("Cost:", 7), filler(1), field("Cost", 15, 8),
                 label("Value:", 8), filler(1), field("MarketValu", 5, 8), label("Date:", 7),
                 filler(1), field("Date", 14, 11)});
}
ReportLine fullLine4() {
    return line({label("Condition:", 10), filler(1), field("Condition", 9, 9),
                 label("Cancellation:", 15), filler(1), field("Cancellati", 12, 13),
                 label("Gum:", 6), filler(1), field("Gum", 16, 8), label("Hinged:", 9), filler(1),
                 field("Hinged", 19, 7), label("Color:", 8), filler(1), field("Color", 17, 15)});
}

const std::array<const char*, kBuiltInReportCount> kNames = {
    "120 Column 1 Line Report", "120 Column 2 Line Report", "Full Report",
    "Statistic/Summary Report", "90 Column 1 Line Report",  "120 Column 5 Line Report",
};

}  // namespace

const std::array<const char*, kBuiltInReportCount>& builtInReportNames() {
    return kNames;
}

bool isBuiltInReportName(const QString& name) {
    for (const char* n : kNames)
        if (name == QLatin1String(n)) return true;
    return false;
}

std::vector<ReportDefinition> builtInReports() {
    std::vector<ReportDefinition> reports;

    ReportDefinition r1 = base(kNames[0], 120, 8, 1, true);
    r1.reportLines[0] =
        line({field("Catalog", 1, 8), field("Country", 3, 20), field("Year", 7, 5),
              field("FaceValue", 4, 20), field("Quantity", 6, 4), field("Descriptio", 2, 63)});
    reports.push_back(r1);

    // Line 1 adds up to 123 characters: its last cells run past the right margin.
    ReportDefinition r2 = base(kNames[1], 120, 8, 2, false);
    r2.reportLines[0] =
        line({label("Country:", 8), filler(1), field("Country", 3, 20), label("Yr:", 5), filler(1),
              field("Year", 7, 5), label("Face Value:", 13), filler(1), field("FaceValue", 4, 20),
              label("Market Value:", 16), filler(1), field("MarketValu", 5, 12), label("Cond:", 8),
              filler(1), field("Condition", 9, 11)});
    r2.reportLines[1] =
        line({label("Desc:", 7), filler(1), field("Descriptio", 2, 58), label("Grp:", 6), filler(1),
              field("Group", 10, 12), label("Type:", 7), filler(1), field("StampType", 11, 16),
              label("#", 3), field("Catalog", 1, 8)});
    reports.push_back(r2);

    ReportDefinition r3 = base(kNames[2], 120, 8, 8, false);
    r3.reportLines[0] = fullLine1();
    r3.reportLines[1] = fullLine2();
    r3.reportLines[2] = fullLine3();
    r3.reportLines[3] = fullLine4();
    r3.reportLines[4] = line({label("Faults:", 7), filler(1), field("Faults", 18, 90)});
    r3.reportLines[5] = line({label("Comments:", 9), filler(1), field("Comments", 8, 110)});
    r3.reportLines[6] = line({label("Misc:", 5), filler(1), field("Miscellane", 20, 110)});
    r3.reportLines[7] = line({filler(150)});  // an empty line between records
    reports.push_back(r3);

    // Group headings and totals only.
    reports.push_back(base(kNames[3], 90, 10, 0, false));

    ReportDefinition r5 = base(kNames[4], 90, 9, 1, true);
    r5.reportLines[0] = line({field("Catalog", 1, 8), field("Country", 3, 20), field("Year", 7, 5),
                              field("FaceValue", 4, 20), field("Descriptio", 2, 37)});
    reports.push_back(r5);

    ReportDefinition r6 = base(kNames[5], 120, 8, 5, false);
    r6.reportLines[0] = fullLine1();
    r6.reportLines[1] = fullLine2();
    r6.reportLines[2] = fullLine3();
    r6.reportLines[3] = fullLine4();
    r6.reportLines[4] = line({filler(150)});
    reports.push_back(r6);

    return reports;
}

}  // namespace vz::reports
