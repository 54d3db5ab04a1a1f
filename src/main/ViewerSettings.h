// ViewerSettings: the viewer settings of the open database put onto the main window's grid.
//
// Options (row indicator, lines, title row, editing in the grid), the cell and title fonts and
// colours, the title alignment, and the columns with their captions and widths. Nothing here
// reads the table: the grid keeps the rows it has, so a change of layout costs the same for ten
// records as for a million.
#pragma once

#include <QFont>

#include "data/Settings.h"

class QTableView;

namespace vz::mainwin {

class ViewerDelegate;
class ViewerModel;

// A grid font setting as a font: its size held to 4 to 72 points.
QFont viewerFont(const data::GridFontSettings& s);

// Puts `s` onto `grid`, its `model` and its `delegate`. With `browseOnly` cells are never
// editable, whatever "Field Editing" says. The grid's current cell is reset when the columns
// are; keeping the collector's place is the caller's.
void applyViewerSettings(QTableView& grid, ViewerModel& model, ViewerDelegate& delegate,
                         const data::DatabaseSettings& s, bool browseOnly);

}  // namespace vz::mainwin
