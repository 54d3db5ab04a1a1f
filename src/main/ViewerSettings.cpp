#include "main/ViewerSettings.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <vector>

#include "main/ColourSets.h"
#include "main/GridChoiceBoxes.h"
#include "main/ViewerModel.h"

namespace vz::mainwin {

QFont viewerFont(const data::GridFontSettings& s) {
    QFont f(s.name);
    f.setPointSize(std::clamp(s.size, 4, 72));
    f.setBold(s.bold);
    f.setItalic(s.italic);
    f.setUnderline(s.underline);
    f.setStrikeOut(s.strikeout);
    return f;
}

void applyViewerSettings(QTableView& grid, ViewerModel& model, ViewerDelegate& delegate,
                         const data::DatabaseSettings& s, bool browseOnly) {
    const data::GridOptions& o = s.gridOptions;
    // Always: Tab moves between cells, the selection shows without the focus.
    grid.setTabKeyNavigation(true);
    QPalette p = grid.palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    p.setColor(QPalette::Base, toQColor(o.cellColour));
    p.setColor(QPalette::Text, toQColor(s.gridFont.colour));
    grid.setPalette(p);
    grid.verticalHeader()->setVisible(o.rowIndicator);
    grid.horizontalHeader()->setVisible(s.gridTitle.showTitles);
    delegate.setLines(o.rowLines, o.columnLines, Qt::darkGray);
    const bool fieldEditing = o.fieldEditing && !browseOnly;
    model.setEditable(fieldEditing);
    if (fieldEditing) {
        grid.setSelectionBehavior(QAbstractItemView::SelectItems);
        grid.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    } else {
        grid.setSelectionBehavior(QAbstractItemView::SelectRows);
        grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    grid.setSelectionMode(QAbstractItemView::SingleSelection);

    // Fonts, title colour and alignment.
    const QFont cellFont = viewerFont(s.gridFont);
    grid.setFont(cellFont);
    const QFont titleFont = viewerFont(s.gridTitleFont);
    grid.horizontalHeader()->setFont(titleFont);
    model.setTitleFont(titleFont);
    grid.horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; color: %2; }")
            .arg(toQColor(s.gridTitle.backgroundColour).name(),
                 toQColor(s.gridTitleFont.colour).name()));
    switch (s.gridTitle.alignment) {
        case 1:
            model.setTitleAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            break;
        case 2:
            model.setTitleAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            break;
        case 3:
            model.setTitleAlignment(Qt::AlignRight | Qt::AlignVCenter);
            break;
        default:
            break;  // other values leave it as it is
    }

    // Columns: placed, captioned and sized as the settings say.
    std::vector<int> order;
    std::vector<bool> display;
    for (int f = 1; f <= data::kFieldCount; ++f) {
        order.push_back(s.field(f).order);
        display.push_back(s.field(f).display);
    }
    const std::vector<int> columns = viewerColumns(order, display);
    QStringList captions;
    for (int f : columns) captions << s.field(f).caption;
    model.setColumns(columns, captions);
    const int charWidth = QFontMetrics(cellFont).horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < int(columns.size()); ++c)
        grid.setColumnWidth(c,
                            charWidth * std::clamp(s.field(columns[size_t(c)]).width, 1, 255) + 6);
    grid.verticalHeader()->setDefaultSectionSize(QFontMetrics(cellFont).height() + 4);
}

}  // namespace vz::mainwin
