// MainWindowPlacement: where the main window stands and how large it is, kept across runs in
// the four "Main Window" settings.
//
// Left and top are the position of the window's frame on the desktop (the title bar's corner),
// width and height the size of the window inside its frame; saving and restoring use these same
// measures, so a window started again stands exactly where it was left. A saved place that lies
// off every screen (a screen removed, a setting edited by hand) is brought back onto one.
#pragma once

#include <QList>
#include <QRect>

#include "data/Settings.h"

class QWidget;

namespace vz::mainwin {

// The smallest size a restored main window gets.
inline constexpr int kMainWindowMinWidth = 320;
inline constexpr int kMainWindowMinHeight = 240;

// `saved` (frame position, inner size) moved and, when needed, shrunk so that it lies inside
// the available area of a screen: the screen it overlaps most, or the first screen when it
// overlaps none. `screens` empty: `saved` unchanged.
QRect placeOnScreen(const QRect& saved, const QList<QRect>& screens);

// Sizes and places the (not yet shown) window from `misc`, on a screen.
void restoreMainWindowPlace(QWidget* window, const data::MiscSettings& misc);
// Copies the window's frame position and inner size into `misc`; a maximized, full-screen or
// minimized window leaves `misc` as it is.
void saveMainWindowPlace(const QWidget* window, data::MiscSettings& misc);

}  // namespace vz::mainwin
