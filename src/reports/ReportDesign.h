// ReportDesign: the rules the report designer edits a definition by: the values of a new report,
// the re-fit that keeps a line exactly as wide as the report, and what switching the report width
// asks and changes.
#pragma once

#include <QString>
#include <optional>

#include "reports/ReportDefinition.h"

namespace vz::reports {

// A new report: no name, 90 characters, Courier New 10 pt (bold for titles, column headers and
// footnotes), one line per record, cell borders on, every line blank.
ReportDefinition newReportDefinition();

// Re-fits `line` to `width` characters: from item 1 on, an item of width below 1 takes the whole
// width, and widths are added until they reach `width` or item 20; the last item added then
// grows or shrinks by the difference and every item after it gets width 0. The line then fills
// exactly `width` characters.
void refitLine(ReportLine& line, int width);

// What switching the report width from `from` to `to` asks first (empty: nothing), the body font
// size it sets and the notice it shows afterwards (empty: none). Nothing when the width stays.
struct WidthSwitch {
    QString question;
    int bodyFontSize = 10;
    QString notice;
};
std::optional<WidthSwitch> widthSwitch(int from, int to);

// Sets the width, re-fits every line in use (1 to the number of lines) and sets the body font's
// size.
void applyWidth(ReportDefinition& def, int width, int bodyFontSize);

}  // namespace vz::reports
