#include "main/MainWindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace vz::mainwin {

namespace {

qint64 overlap(const QRect& a, const QRect& b) {
    const QRect i = a.intersected(b);
    return i.isEmpty() ? 0 : qint64(i.width()) * i.height();
}

}  // namespace

QRect placeOnScreen(const QRect& saved, const QList<QRect>& screens) {
    if (screens.isEmpty()) return saved;
    QRect area = screens.front();
    qint64 best = 0;
    for (const QRect& s : screens)
        if (const qint64 o = overlap(saved, s); o > best) {
            best = o;
            area = s;
        }
    QRect placed = saved;
    placed.setWidth(std::min(saved.width(), area.width()));
    placed.setHeight(std::min(saved.height(), area.height()));
    placed.moveLeft(std::clamp(saved.left(), area.left(), area.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(saved.top(), area.top(), area.bottom() + 1 - placed.height()));
    return placed;
}

void restoreMainWindowPlace(QWidget* window, const data::MiscSettings& misc) {
    QRect saved(misc.mainWindowLeft, misc.mainWindowTop,
                std::max(kMainWindowMinWidth, misc.mainWindowWidth),
                std::max(kMainWindowMinHeight, misc.mainWindowHeight));
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens()) screens << s->availableGeometry();
    const QRect placed = placeOnScreen(saved, screens);
    window->resize(placed.size());
    // move() places the frame, as the saved position was taken from it.
    window->move(placed.topLeft());
}

void saveMainWindowPlace(const QWidget* window, data::MiscSettings& misc) {
    // A maximized, full-screen or minimized window leaves the place it was given at start-up.
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    misc.mainWindowLeft = window->x();
    misc.mainWindowTop = window->y();
    misc.mainWindowWidth = window->width();
    misc.mainWindowHeight = window->height();
}

}  // namespace vz::mainwin
