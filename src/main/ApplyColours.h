// ApplyColours: painting a window in one of the five colour sets, by the kind of each control.
//
// Every window calls applyColourSet when it is shown. The window's background takes Main
// Background; heading labels Major Title and other labels Minor Title, both on Main Background;
// text boxes, masked boxes, date and number boxes and multi-line text the Edit colours; drop-down
// boxes the Combo colours; list boxes and string grids of choices (QListView, QListWidget,
// QTableWidget) the List Box colours; radio buttons and radio groups (group boxes that hold
// radio buttons and no other input) the Radio colours; check boxes the Check colours. Push and
// tool buttons, data grids over a model (QTableView, QTreeView) and other windows keep their own
// look; menu bars, tool bars and status bars keep the application's colours. A control whose "keepOwnColours" property is true is left alone
// with everything inside it.
//
// Colours go into the controls' palettes, so applying a set twice is applying it once, and a
// later set replaces an earlier one completely.
#pragma once

#include <QSet>

#include "data/Settings.h"

class QWidget;

namespace vz::mainwin {

inline constexpr char kKeepOwnColours[] = "keepOwnColours";

void applyColourSet(QWidget* window, const data::ColourSet& colours,
                    const QSet<QWidget*>& headings = {});

}  // namespace vz::mainwin
