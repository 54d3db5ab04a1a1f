// Where the main window stands across restarts, and that it is never put off the screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/ScriptedInteraction.h"
#include "main/MainWindowPlacement.h"
#include "app/Program.h"
#include "main/TMain.h"

using namespace vz;
using mainwin::TMain;

namespace {

struct Restarts {
    QTemporaryDir dir;
    ScriptedInteraction ui;
    std::unique_ptr<mainwin::Program> program;

    void start() {
        program = std::make_unique<mainwin::Program>(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
        ASSERT_TRUE(program->startUp());
        program->settings().global.misc.showTips = false;
    }
    data::MiscSettings& misc() { return program->settings().global.misc; }
    // Starts the program, shows the main window and closes it; answers the frame geometry the
    // window had while shown.
    QRect runOnce() {
        start();
        TMain w(*program);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        const QRect frame = w.frameGeometry();
        w.close();
        return frame;
    }
};

QRect availableArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

}  // namespace

TEST(MainWindowPlace, RestartsKeepThePlaceWithoutDrifting) {
    Restarts r;
    r.start();
    r.misc().mainWindowLeft = 40;
    r.misc().mainWindowTop = 50;
    r.misc().mainWindowWidth = 500;
    r.misc().mainWindowHeight = 400;
    r.program->shutDown();
    QRect first;
    for (int run = 0; run < 4; ++run) {
        const QRect frame = r.runOnce();
        if (run == 0) first = frame;
        EXPECT_EQ(frame, first) << "run " << run;
        EXPECT_EQ(frame.topLeft(), QPoint(40, 50)) << "run " << run;
    }
    r.start();
    EXPECT_EQ(r.misc().mainWindowLeft, 40);
    EXPECT_EQ(r.misc().mainWindowTop, 50);
    EXPECT_EQ(r.misc().mainWindowWidth, 500);
    EXPECT_EQ(r.misc().mainWindowHeight, 400);
}

TEST(MainWindowPlace, APlaceOffTheScreenIsBroughtBackOntoIt) {
    const QRect area = availableArea();
    for (const QPoint saved :
         {QPoint(-2, -40), QPoint(-3000, 200), QPoint(area.right() + 500, area.bottom() + 500)}) {
        Restarts r;
        r.start();
        r.misc().mainWindowLeft = saved.x();
        r.misc().mainWindowTop = saved.y();
        r.misc().mainWindowWidth = 400;
        r.misc().mainWindowHeight = 300;
        r.program->shutDown();
        const QRect frame = r.runOnce();
        EXPECT_TRUE(area.contains(frame.topLeft())) << saved.x() << "," << saved.y();
        EXPECT_TRUE(area.contains(r.misc().mainWindowLeft, r.misc().mainWindowTop));
    }
}

TEST(MainWindowPlace, PlaceOnScreenMovesAndShrinksOnlyWhatIsOutside) {
    const QList<QRect> screens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 800, 600)};
    // Inside one screen: unchanged.
    EXPECT_EQ(mainwin::placeOnScreen(QRect(100, 80, 640, 480), screens), QRect(100, 80, 640, 480));
    EXPECT_EQ(mainwin::placeOnScreen(QRect(1300, 10, 400, 300), screens),
              QRect(1300, 10, 400, 300));
    // Above and left of the desktop: into the corner.
    EXPECT_EQ(mainwin::placeOnScreen(QRect(-2, -40, 640, 480), screens), QRect(0, 0, 640, 480));
    // Mostly on the second screen, hanging over its bottom: onto the second screen.
    EXPECT_EQ(mainwin::placeOnScreen(QRect(1500, 400, 500, 400), screens),
              QRect(1500, 200, 500, 400));
    // Far away from both: onto the first, shrunk to fit.
    EXPECT_EQ(mainwin::placeOnScreen(QRect(9000, 9000, 2000, 500), screens),
              QRect(0, 524, 1280, 500));
    EXPECT_EQ(mainwin::placeOnScreen(QRect(5, 5, 10, 10), {}), QRect(5, 5, 10, 10));
}
