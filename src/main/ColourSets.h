// ColourSets: the five colour sets as the colour configuration works on them: the twelve
// predefined combinations, the Color menu's items, and moving a working copy in and out of the
// settings. Colours here are ints in the layout the settings file keeps (red in the low byte,
// then green, then blue); windows turn them into QColor at the last moment.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <array>

#include "data/Settings.h"

namespace vz::mainwin {

// Set numbers 1 to 5 name one set each, in the order of data::WindowGroup; 6 names all five.
inline constexpr int kAllColourSets = 6;

constexpr int rgbColour(int red, int green, int blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}
// Only the low three bytes of a stored colour count; anything above them is ignored.
QColor toQColor(int colour);
int fromQColor(const QColor& colour);  // alpha is dropped

// A predefined combination: six colours; the other seven follow from them.
struct ColourCombination {
    const char* name;
    int mainBackground;
    int majorTitle;
    int minorTitle;
    int editBackground;
    int editText;
    int radioText;
};
inline constexpr int kCombinationCount = 12;
// In the order the combinations list shows them ("Monochrome" first).
const std::array<ColourCombination, kCombinationCount>& colourCombinations();
// The entries of the combinations list: an empty first entry, then the twelve names.
QStringList combinationListEntries();

// Puts combination `index` (1 to 12, the position in combinationListEntries()) into `set`:
// its six colours, then Combo and List Box Background from Edit Background, Combo and List Box
// Text from Edit Text, Radio and Check Background from Main Background, Check Text from Radio
// Text. Index 0 (the empty entry) or one out of range leaves `set` alone and answers false.
bool applyCombination(data::ColourSet& set, int index);

// One item of the Options menu's "&Color" submenu.
struct ColourMenuItem {
    int setNumber;        // 1 to 6
    QString section;      // its settings section; empty for all five
    QString caption;      // "&Main Window Color", ...
    QString shortcut;     // "Ctrl+F4", ... for QKeySequence
    bool separatorAbove;  // true for "&ALL Windows Color"
};
const std::array<ColourMenuItem, kAllColourSets>& colourMenuItems();

// The copy the colour window starts from: the set itself for 1 to 5, the main window's set for
// 6; the default set for a number out of range.
data::ColourSet workingColours(const data::Settings& settings, int setNumber);

// Copies `working` into set `setNumber` (1 to 5) or into all five (6). Answers whether any set
// changed; a number out of range changes nothing.
bool commitColours(data::Settings& settings, int setNumber, const data::ColourSet& working);

}  // namespace vz::mainwin
