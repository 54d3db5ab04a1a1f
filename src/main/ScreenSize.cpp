#include "main/ScreenSize.h"

namespace vz::mainwin {

const std::array<ScreenSizeChoice, 4>& screenSizeChoices() {
    static const std::array<ScreenSizeChoice, 4> choices{{
        {640, QStringLiteral("640 x 480"), QStringLiteral("Shift+F1"), 1.0, QSize()},
        {800, QStringLiteral("800 x 600"), QStringLiteral("Shift+F2"), 1.25, QSize(800, 600)},
        {1024, QStringLiteral("1024 x 768"), QStringLiteral("Shift+F3"), 1.6, QSize(1024, 768)},
        {1280, QStringLiteral("1280 x 1024"), QStringLiteral("Shift+F4"), 2.0, QSize(1280, 1024)},
    }};
    return choices;
}

const ScreenSizeChoice* findScreenSize(int size) {
    for (const ScreenSizeChoice& c : screenSizeChoices())
        if (c.size == size) return &c;
    return nullptr;
}

bool screenFits(int size, QSize screen) {
    const ScreenSizeChoice* c = findScreenSize(size);
    if (!c) return false;
    if (c->minimumScreen.isEmpty()) return true;
    return screen.width() >= c->minimumScreen.width() && screen.height() >= c->minimumScreen.height();
}

ScreenScale::ScreenScale(QSize screen, int storedSize) : screen_(screen) {
    const int size = screenFits(storedSize, screen) ? storedSize : 640;
    size_ = size;
    factor_ = findScreenSize(size)->factor;
}

ScreenScale::Result ScreenScale::choose(int size) {
    const ScreenSizeChoice* c = findScreenSize(size);
    if (!c || size == size_) return {};
    if (!screenFits(size, screen_)) return {Outcome::Refused, refusalText(size)};
    size_ = size;
    factor_ = c->factor;
    return {Outcome::Changed, QString()};
}

QString ScreenScale::refusalText(int size) {
    const ScreenSizeChoice* c = findScreenSize(size);
    return QStringLiteral("Your current screen resolution does not support %1 pixels.")
        .arg(c ? c->caption : QString::number(size));
}

ScreenScale& screenScale() {
    static ScreenScale scale;
    return scale;
}

TopLayout topLayout(int buttonBar, int clientWidth, int clientHeight, int titleWidth) {
    TopLayout l;
    switch (buttonBar) {
    case kLetteredButtons:
        l.letteredButtons = true;
        l.navigationLabel = true;
        l.navigatorLeft = 400;
        l.navigatorTop = 47;
        l.navigatorWidth = 221;
        l.searchOnTop = 96;
        l.countTop = 90;
        l.countWordTop = 105;
        l.frameTop = 86;
        l.titleTop = 90;
        l.gridTop = 122;
        break;
    case kNoButtons:
        l.navigatorLeft = clientWidth - 207;
        l.navigatorTop = 8;
        l.navigatorWidth = 201;
        l.searchOnTop = 14;
        l.countTop = 8;
        l.countWordTop = 23;
        l.frameTop = 4;
        l.titleTop = 8;
        l.gridTop = 40;
        break;
    default:  // speed buttons
        l.speedPanel = true;
        l.navigatorLeft = 424;
        l.navigatorTop = 3;
        l.navigatorWidth = 241;
        l.searchOnTop = 44;
        l.countTop = 38;
        l.countWordTop = 52;
        l.frameTop = 34;
        l.titleTop = 38;
        l.gridTop = 70;
        break;
    }
    // The frame and the grid end 3 and 7 pixels above the bottom of the client area.
    l.frameHeight = clientHeight - l.frameTop - 3;
    l.gridHeight = clientHeight - l.gridTop - 7;
    l.frameWidth = clientWidth - 6;
    l.gridWidth = clientWidth - 14;
    l.titleLeft = (clientWidth - titleWidth) / 2;
    if (buttonBar == kNoButtons) {
        // The navigator stands at the right of the frame's top: the count goes to the left edge,
        // with "SEARCH ON" after it.
        l.countLeft = 10;
        l.searchOnLeft = l.countLeft + kCountWidth + 6;
    } else {
        // Under the navigator, at the right of the frame.
        l.countLeft = 3 + l.frameWidth - 90;
    }
    return l;
}

}  // namespace vz::mainwin
