#include <gtest/gtest.h>

#include <QStringList>
#include <array>

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

TEST(TopLayout, EachButtonBarPlacesTheTopControlsAndSizesFromTheClientArea) {
    struct Row {
        int choice;
        bool speed, lettered, navLabel;
        int navLeft, navTop, navWidth, searchOn, count, countWord, frameTop, titleTop, gridTop, frameCut, gridCut;
    };
    const int cw = 700, ch = 500;
    for (const Row& r : {Row{kSpeedButtons, true, false, false, 424, 3, 241, 44, 38, 52, 34, 38, 70, 37, 77},
                         Row{kLetteredButtons, false, true, true, 400, 47, 221, 96, 90, 105, 86, 90, 122, 89, 129},
                         Row{kNoButtons, false, false, false, cw - 207, 8, 201, 14, 8, 23, 4, 8, 40, 7, 47}}) {
        SCOPED_TRACE(r.choice);
        const TopLayout l = topLayout(r.choice, cw, ch, 121);
        EXPECT_EQ(l.speedPanel, r.speed);
        EXPECT_EQ(l.letteredButtons, r.lettered);
        EXPECT_EQ(l.navigationLabel, r.navLabel);
        EXPECT_EQ(l.navigationLabelTop, 20);
        EXPECT_EQ((std::array{l.navigatorLeft, l.navigatorTop, l.navigatorWidth}),
                  (std::array{r.navLeft, r.navTop, r.navWidth}));
        EXPECT_EQ((std::array{l.searchOnTop, l.countTop, l.countWordTop, l.frameTop, l.titleTop, l.gridTop}),
                  (std::array{r.searchOn, r.count, r.countWord, r.frameTop, r.titleTop, r.gridTop}));
        EXPECT_EQ(l.frameHeight, ch - r.frameCut);
        EXPECT_EQ(l.gridHeight, ch - r.gridCut);
        EXPECT_EQ(l.frameWidth, cw - 6);
        EXPECT_EQ(l.gridWidth, cw - 14);
        EXPECT_EQ(l.titleLeft, 289);  // (700 - 121) / 2, the half pixel dropped
    }
}

TEST(TopLayout, OddValuesAndNarrowWindows) {
    // An unknown button-bar value lays out as speed buttons, the default.
    const TopLayout l = topLayout(0, 632, 418, 120);
    EXPECT_TRUE(l.speedPanel);
    EXPECT_EQ(l.gridTop, 70);
    // A title wider than the window is centred too, rounding toward zero.
    EXPECT_EQ(topLayout(kSpeedButtons, 100, 418, 121).titleLeft, -10);
}
