// ControlFonts: the three fonts the collector picks for the controls of every window.
//
// The label font goes to labels, list boxes, check boxes, radio buttons and group boxes; the
// edit font to text boxes, drop-down boxes and string grids; the button font to push buttons.
// Each is a font name with bold and italic; the size and colour of a control's font stay its
// own.
#pragma once

#include <QFont>
#include <QString>

#include "data/Settings.h"

namespace vz {
class Interaction;
}

namespace vz::mainwin {

enum class ControlFont { Label, Edit, Button };

// "&Label Font", "&Edit Font", "&Button Font"
QString controlFontCaption(ControlFont which);
// "Shift+F8", "Shift+F9", "Shift+F10"
QString controlFontShortcut(ControlFont which);
data::ControlFontSettings& controlFontSettings(data::DatabaseSettings& s, ControlFont which);
const data::ControlFontSettings& controlFontSettings(const data::DatabaseSettings& s, ControlFont which);

// `base` with the name and style of `f`; its size and everything else kept.
QFont withControlFont(QFont base, const data::ControlFontSettings& f);
// For a heading label (bold by design): `base` with the name and italic style of `f`; its bold
// weight, size and everything else kept.
QFont withHeadingFont(QFont base, const data::ControlFontSettings& f);

// Opens the control font dialog (name, bold, italic) preset with the font `which`. On OK the chosen
// family, bold and italic replace the setting; answers true when that changed it (the caller then
// applies the fonts to the main window). Cancel, or OK on the same font, answers false and leaves
// it as it was.
bool chooseControlFont(Interaction& ui, data::DatabaseSettings& s, ControlFont which);

}  // namespace vz::mainwin
