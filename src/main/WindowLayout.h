// WindowLayout: how every window takes the collector's fonts and the screen-size scale when it
// is shown.
//
// Windows are built with absolute geometry at their design size (a 640 x 480 screen). The three
// windows that live for the whole run record their design dimensions once, when created, and
// each time they are shown are put back to them and scaled by the factor in force, so that
// repeated showing never compounds the scale. Windows created anew each time are scaled from
// the geometry they were built with.
//
// The controls looked at are the window's own widgets: the walk goes into plain frames, plain
// container widgets, group boxes and the pages of tab widgets, never into the inner parts of a
// control (a combo box's list, a grid's scroll bars) and never into other top-level windows.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

#include "data/Settings.h"

namespace vz {
class Interaction;
}

namespace vz::mainwin {

// Set this dynamic property to true on a control that keeps its own font when the label, edit
// and button fonts are applied (the main window's title, the grid choice boxes).
inline constexpr char kKeepFontProperty[] = "vzKeepFont";

// One control's design geometry and font size.
struct ControlDimensions {
    QPointer<QWidget> widget;
    QRect geometry;          // relative to its parent
    int pixelSize = -1;      // the font's size in pixels, when it was given in pixels
    double pointSize = -1;   // otherwise in points; both negative: no font recorded (frames)
};

struct DesignDimensions {
    QSize clientSize;
    int windowPixelSize = -1;  // the window's own font, which unrecorded children inherit
    double windowPointSize = -1;
    std::vector<ControlDimensions> controls;
    bool complete = true;  // false when the window had too many components to record them all
};

// The largest number of components recordDesignDimensions looks at.
inline constexpr int kMaxRecordedComponents = 101;

// Records `window`'s client size and, for each control of the recorded kinds (push buttons,
// labels, list boxes, tool buttons, grids, check boxes, text boxes, radio buttons, group boxes,
// frames, combo boxes, tab widgets, plain container widgets), its geometry and font size
// (frames and plain containers have no font recorded). After 101 components it shows "Too many
// compenents to save dimensions." as an error and stops: what was recorded so far is kept and
// `complete` is false.
DesignDimensions recordDesignDimensions(QWidget* window, Interaction& ui);

// Gives each control its font: the label font to labels, list boxes, check boxes, radio
// buttons and group boxes; the edit font to text boxes, combo boxes and string grids
// (QTableWidget); the button font to push buttons. Only name, bold and italic change. Controls
// with kKeepFontProperty set, and other kinds, keep theirs.
void applyFonts(QWidget* window, const data::DatabaseSettings& settings);

// Puts the window and every recorded control back to its design geometry and font size, both
// multiplied by `factor` (rounded to whole pixels), then centres the window on the primary
// screen.
void restoreAndScale(QWidget* window, const DesignDimensions& design, double factor);
// Multiplies the geometry and font size of the window and its controls by `factor`, then
// centres the window on the primary screen. For windows built anew each time they open; call it
// once per window.
void scaleAndCentre(QWidget* window, double factor);

// Places the window's frame in the middle of `screen` (halves rounded down), never beyond its
// top or left edge.
void centreOn(QWidget* window, const QRect& screen);
// Moves the window up 10 pixels when its top edge is more than 10 pixels below the top of
// `screen`.
void liftIfLow(QWidget* window, const QRect& screen);
// The same on the primary screen.
void liftIfLow(QWidget* window);

// What a window does each time it is shown; call from its showEvent or just before exec().
// Persistent windows (created once, shown many times): fonts, restore and scale, lift.
void showPersistentWindow(QWidget* window, const DesignDimensions& design,
                          const data::DatabaseSettings& settings, double factor);
// Windows created anew each time: fonts when `settings` is given, then scale and centre.
void showNewWindow(QWidget* window, const data::DatabaseSettings* settings, double factor);

}  // namespace vz::mainwin
