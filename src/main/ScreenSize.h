// ScreenSize: the screen-size choice that scales every window, and the layout of the top of the
// main window for each button-bar choice.
//
// Windows are designed for a 640 x 480 screen. The collector picks one of four screen sizes
// from "Screen Si&ze"; each has a scale factor that every window applies to its design
// positions, sizes and font sizes when shown. A size needs a screen at least as large as itself:
// a stored size the screen cannot show is replaced by 640 for the run (the setting keeps its
// value), and choosing one from the menu is refused with a message.
#pragma once

#include <QSize>
#include <QString>
#include <array>

namespace vz::mainwin {

struct ScreenSizeChoice {
    int size;              // 640, 800, 1024 or 1280: the "Window Size" setting
    QString caption;       // "640 x 480"
    QString shortcut;      // "Shift+F1"; a QKeySequence text
    double factor;         // 1.0, 1.25, 1.6, 2.0
    QSize minimumScreen;   // the smallest screen that can show it; empty for 640
};

// The four choices in menu order.
const std::array<ScreenSizeChoice, 4>& screenSizeChoices();
// The choice of `size`; nullptr when `size` is none of the four.
const ScreenSizeChoice* findScreenSize(int size);
// True when a screen of `screen` pixels can show windows scaled for `size`; false for a size
// that is none of the four.
bool screenFits(int size, QSize screen);

// The size in force for this run and its factor. Built once at start-up from the screen's
// metrics and the stored setting; the menu then changes it through choose().
class ScreenScale {
public:
    // 640 x 480 at factor 1.0 on a screen that fits it.
    ScreenScale() = default;
    // The stored size when the screen fits it, otherwise 640 (a stored value that is none of the
    // four sizes also gives 640). The caller's setting is not touched.
    ScreenScale(QSize screen, int storedSize);

    int size() const { return size_; }
    double factor() const { return factor_; }
    QSize screen() const { return screen_; }

    enum class Outcome { Unchanged, Refused, Changed };
    struct Result {
        Outcome outcome = Outcome::Unchanged;
        QString refusal;  // for Refused: the "Error" message to show
    };
    // The collector picks `size` from the menu. Unchanged when it is the size in force (or not
    // one of the four); Refused, with its message, when the screen is too small; otherwise the
    // size and factor change and the caller stores `size` in the "Window Size" setting.
    Result choose(int size);

    // "Your current screen resolution does not support 800 x 600 pixels." and likewise.
    static QString refusalText(int size);

private:
    QSize screen_{640, 480};
    int size_ = 640;
    double factor_ = 1.0;
};

// The scale in force for the whole program; the main window sets it at start-up.
ScreenScale& screenScale();

// Button-bar choices ("Button Bar" setting).
inline constexpr int kSpeedButtons = 1;
inline constexpr int kLetteredButtons = 2;
inline constexpr int kNoButtons = 3;

// Where the controls at the top of the main window go for one button-bar choice, in client
// coordinates. Widths and heights follow the client area; everything else is fixed.
struct TopLayout {
    bool letteredButtons = false;  // the ten lettered buttons and their four frames
    bool speedPanel = false;
    bool navigationLabel = false;  // "Navigation Controls"
    int navigationLabelTop = 20;
    int navigatorLeft = 0;
    int navigatorTop = 0;
    int navigatorWidth = 0;
    int searchOnLeft = 10;         // "SEARCH ON"
    int searchOnTop = 0;
    int countLeft = 0;             // the record count and the word under it, kCountWidth wide
    int countTop = 0;
    int countWordTop = 0;
    int frameTop = 0;              // the viewer frame
    int frameHeight = 0;
    int frameWidth = 0;
    int titleTop = 0;              // "Stamp Viewer"
    int titleLeft = 0;
    int gridTop = 0;
    int gridHeight = 0;
    int gridWidth = 0;
};

// The width of the record count and of the word under it.
inline constexpr int kCountWidth = 80;

// The layout for `buttonBar` (a value other than 1 to 3 is taken as 1, the default) in a client
// area of `clientWidth` by `clientHeight`, with the title `titleWidth` pixels wide centred over
// the client width.
TopLayout topLayout(int buttonBar, int clientWidth, int clientHeight, int titleWidth);

}  // namespace vz::mainwin
