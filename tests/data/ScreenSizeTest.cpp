#include <gtest/gtest.h>

#include <QStringList>

#include "main/ScreenSize.h"

using namespace vz::mainwin;

TEST(ScreenScale, StartUpUsesTheStoredSizeOnlyWhenTheScreenFitsIt) {
    const ScreenScale big(QSize(1280, 1024), 1280);
    EXPECT_EQ(big.size(), 1280);
    EXPECT_DOUBLE_EQ(big.factor(), 2.0);

    // Too small in one direction is too small.
    const ScreenScale wide(QSize(1600, 900), 1280);
    EXPECT_EQ(wide.size(), 640);
    EXPECT_DOUBLE_EQ(wide.factor(), 1.0);

    const ScreenScale exact(QSize(1024, 768), 1024);
    EXPECT_DOUBLE_EQ(exact.factor(), 1.6);
    const ScreenScale medium(QSize(1024, 768), 800);
    EXPECT_DOUBLE_EQ(medium.factor(), 1.25);

    // A stored value that is none of the four sizes runs at 640.
    for (int stored : {0, 700, -800, 2560}) {
        const ScreenScale odd(QSize(4000, 3000), stored);
        EXPECT_EQ(odd.size(), 640) << stored;
        EXPECT_DOUBLE_EQ(odd.factor(), 1.0) << stored;
    }
    // 640 needs nothing, even from a screen smaller than itself.
    EXPECT_EQ(ScreenScale(QSize(320, 200), 640).size(), 640);
}

TEST(ScreenScale, ChoosingASizeTheScreenCannotShowIsRefusedAndChangesNothing) {
    ScreenScale s(QSize(1024, 768), 800);
    const auto refused = s.choose(1280);
    EXPECT_EQ(refused.outcome, ScreenScale::Outcome::Refused);
    EXPECT_EQ(refused.refusal, "Your current screen resolution does not support 1280 x 1024 pixels.");
    EXPECT_EQ(s.size(), 800);
    EXPECT_DOUBLE_EQ(s.factor(), 1.25);

    ScreenScale small(QSize(640, 480), 640);
    EXPECT_EQ(small.choose(800).refusal, "Your current screen resolution does not support 800 x 600 pixels.");
    EXPECT_EQ(small.choose(1024).refusal, "Your current screen resolution does not support 1024 x 768 pixels.");
    EXPECT_EQ(small.size(), 640);

    EXPECT_EQ(s.choose(800).outcome, ScreenScale::Outcome::Unchanged);
    EXPECT_EQ(s.choose(999).outcome, ScreenScale::Outcome::Unchanged);

    const auto changed = s.choose(1024);
    EXPECT_EQ(changed.outcome, ScreenScale::Outcome::Changed);
    EXPECT_TRUE(changed.refusal.isEmpty());
    EXPECT_EQ(s.size(), 1024);
    EXPECT_DOUBLE_EQ(s.factor(), 1.6);
    EXPECT_EQ(s.choose(640).outcome, ScreenScale::Outcome::Changed);
    EXPECT_DOUBLE_EQ(s.factor(), 1.0);
}

TEST(ScreenScale, MenuCaptionsAndShortcutsInOrder) {
    QStringList captions, shortcuts;
    for (const ScreenSizeChoice& c : screenSizeChoices()) {
        captions << c.caption;
        shortcuts << c.shortcut;
    }
    EXPECT_EQ(captions, QStringList({"640 x 480", "800 x 600", "1024 x 768", "1280 x 1024"}));
    EXPECT_EQ(shortcuts, QStringList({"Shift+F1", "Shift+F2", "Shift+F3", "Shift+F4"}));
}

TEST(TopLayout, SpeedButtons) {
    const TopLayout l = topLayout(kSpeedButtons, 632, 418, 120);
    EXPECT_TRUE(l.speedPanel);
    EXPECT_FALSE(l.letteredButtons);
    EXPECT_FALSE(l.navigationLabel);
    EXPECT_EQ(l.navigatorLeft, 424);
    EXPECT_EQ(l.navigatorTop, 3);
    EXPECT_EQ(l.navigatorWidth, 241);
    EXPECT_EQ(l.searchOnTop, 44);
    EXPECT_EQ(l.countTop, 38);
    EXPECT_EQ(l.countWordTop, 52);
    EXPECT_EQ(l.frameTop, 34);
    EXPECT_EQ(l.frameHeight, 418 - 37);
    EXPECT_EQ(l.titleTop, 38);
    EXPECT_EQ(l.gridTop, 70);
    EXPECT_EQ(l.gridHeight, 418 - 77);
    EXPECT_EQ(l.frameWidth, 626);
    EXPECT_EQ(l.gridWidth, 618);
    EXPECT_EQ(l.titleLeft, 256);
}

TEST(TopLayout, LetteredButtons) {
    const TopLayout l = topLayout(kLetteredButtons, 800, 500, 121);
    EXPECT_FALSE(l.speedPanel);
    EXPECT_TRUE(l.letteredButtons);
    EXPECT_TRUE(l.navigationLabel);
    EXPECT_EQ(l.navigationLabelTop, 20);
    EXPECT_EQ(l.navigatorLeft, 400);
    EXPECT_EQ(l.navigatorTop, 47);
    EXPECT_EQ(l.navigatorWidth, 221);
    EXPECT_EQ(l.searchOnTop, 96);
    EXPECT_EQ(l.countTop, 90);
    EXPECT_EQ(l.countWordTop, 105);
    EXPECT_EQ(l.frameTop, 86);
    EXPECT_EQ(l.frameHeight, 500 - 89);
    EXPECT_EQ(l.titleTop, 90);
    EXPECT_EQ(l.gridTop, 122);
    EXPECT_EQ(l.gridHeight, 500 - 129);
    EXPECT_EQ(l.frameWidth, 794);
    EXPECT_EQ(l.gridWidth, 786);
    EXPECT_EQ(l.titleLeft, 339);  // (800 - 121) / 2, the half pixel dropped
}

TEST(TopLayout, NoButtonsPutsTheNavigatorAtTheRightEdge) {
    const TopLayout l = topLayout(kNoButtons, 700, 418, 120);
    EXPECT_FALSE(l.speedPanel);
    EXPECT_FALSE(l.letteredButtons);
    EXPECT_FALSE(l.navigationLabel);
    EXPECT_EQ(l.navigatorLeft, 700 - 207);
    EXPECT_EQ(l.navigatorTop, 8);
    EXPECT_EQ(l.navigatorWidth, 201);
    EXPECT_EQ(l.searchOnTop, 14);
    EXPECT_EQ(l.countTop, 8);
    EXPECT_EQ(l.countWordTop, 23);
    EXPECT_EQ(l.frameTop, 4);
    EXPECT_EQ(l.frameHeight, 418 - 7);
    EXPECT_EQ(l.titleTop, 8);
    EXPECT_EQ(l.gridTop, 40);
    EXPECT_EQ(l.gridHeight, 418 - 47);
}

TEST(TopLayout, OddValuesAndNarrowWindows) {
    // An unknown button-bar value lays out as speed buttons, the default.
    const TopLayout l = topLayout(0, 632, 418, 120);
    EXPECT_TRUE(l.speedPanel);
    EXPECT_EQ(l.gridTop, 70);
    // A title wider than the window is centred too, rounding toward zero.
    EXPECT_EQ(topLayout(kSpeedButtons, 100, 418, 121).titleLeft, -10);
}
