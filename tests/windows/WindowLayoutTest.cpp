#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "common/QtInteraction.h"
#include "common/ScriptedInteraction.h"
#include "main/ControlFonts.h"
#include "main/WindowLayout.h"

using namespace vz;
using namespace vz::mainwin;

namespace {

template <class W>
W* place(QWidget* parent, int x, int y, int w, int h, int pixels = 0) {
    auto* widget = new W(parent);
    widget->setGeometry(x, y, w, h);
    if (pixels > 0) {
        QFont f = widget->font();
        f.setPixelSize(pixels);
        widget->setFont(f);
    }
    return widget;
}

QPoint expectedCentre(const QWidget& w) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.left() + (screen.width() - w.width()) / 2, screen.top() + (screen.height() - w.height()) / 2};
}

}  // namespace

TEST(WindowLayout, PersistentWindowsScaleFromTheirDesignEveryTimeTheyShow) {
    QDialog window;
    window.resize(400, 300);
    auto* label = place<QLabel>(&window, 10, 20, 133, 17, 17);
    auto* frame = place<QFrame>(&window, 5, 50, 200, 100);
    auto* inFrame = place<QLineEdit>(frame, 8, 8, 100, 21, 14);
    ScriptedInteraction ui;
    const DesignDimensions design = recordDesignDimensions(&window, ui);
    EXPECT_TRUE(design.complete);
    EXPECT_EQ(design.clientSize, QSize(400, 300));
    EXPECT_TRUE(ui.shown.empty());

    for (int time = 0; time < 2; ++time) {
        restoreAndScale(&window, design, 1.25);
        EXPECT_EQ(label->geometry(), QRect(13, 25, 166, 21));  // 133 * 1.25 = 166.25
        EXPECT_EQ(label->font().pixelSize(), 21);
        EXPECT_EQ(frame->geometry(), QRect(6, 63, 250, 125));
        EXPECT_EQ(inFrame->geometry(), QRect(10, 10, 125, 26));
        EXPECT_EQ(inFrame->font().pixelSize(), 18);
        EXPECT_EQ(window.size(), QSize(500, 375));
        EXPECT_EQ(window.pos(), expectedCentre(window));
    }
    restoreAndScale(&window, design, 1.0);
    EXPECT_EQ(label->geometry(), QRect(10, 20, 133, 17));
    EXPECT_EQ(label->font().pixelSize(), 17);
    EXPECT_EQ(window.size(), QSize(400, 300));
}

TEST(WindowLayout, PointSizedFontsScaleInPointsAndFramesHaveNoFontRecorded) {
    QDialog window;
    window.resize(200, 100);
    auto* button = place<QPushButton>(&window, 0, 0, 69, 33);
    QFont f = button->font();
    f.setPointSizeF(8);
    button->setFont(f);
    auto* frame = place<QFrame>(&window, 0, 40, 100, 50);
    ScriptedInteraction ui;
    const DesignDimensions design = recordDesignDimensions(&window, ui);
    ASSERT_EQ(design.controls.size(), 2u);
    EXPECT_EQ(design.controls[1].widget, frame);
    EXPECT_LT(design.controls[1].pixelSize, 0);
    EXPECT_LT(design.controls[1].pointSize, 0);
    restoreAndScale(&window, design, 2.0);
    EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 16.0);
    EXPECT_EQ(button->geometry(), QRect(0, 0, 138, 66));
}

TEST(WindowLayout, NewWindowsScaleOnceFromHowTheyWereBuilt) {
    QDialog window;
    window.resize(300, 200);
    auto* box = place<QGroupBox>(&window, 10, 10, 200, 100, 12);
    auto* check = place<QCheckBox>(box, 10, 30, 100, 17, 12);
    showNewWindow(&window, nullptr, 1.6);
    showNewWindow(&window, nullptr, 1.6);
    EXPECT_EQ(box->geometry(), QRect(16, 16, 320, 160));
    EXPECT_EQ(check->geometry(), QRect(16, 48, 160, 27));
    EXPECT_EQ(check->font().pixelSize(), 19);
    EXPECT_EQ(window.size(), QSize(480, 320));
    EXPECT_EQ(window.pos(), expectedCentre(window));
}

TEST(WindowLayout, RecordingStopsAtTheHundredAndSecondComponent) {
    // The inner parts of a grid, a combo box and a tab widget's pages are not components.
    auto build = [](int labels) {
        auto window = std::make_unique<QDialog>();
        place<QTableWidget>(window.get(), 0, 0, 100, 100);
        place<QComboBox>(window.get(), 0, 100, 100, 20)->addItems({"a", "b"});
        for (int i = 0; i < labels; ++i) place<QLabel>(window.get(), 0, 120 + i, 10, 10);
        return window;
    };
    {
        auto window = build(99);
        ScriptedInteraction ui;
        const DesignDimensions d = recordDesignDimensions(window.get(), ui);
        EXPECT_TRUE(d.complete);
        EXPECT_EQ(d.controls.size(), 101u);
        EXPECT_TRUE(ui.messages().empty());
    }
    {
        auto window = build(100);
        ScriptedInteraction ui;
        const DesignDimensions d = recordDesignDimensions(window.get(), ui);
        EXPECT_FALSE(d.complete);
        EXPECT_EQ(d.controls.size(), 101u);
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0].caption, "Error");
        EXPECT_EQ(ui.messages()[0].text, "Too many compenents to save dimensions.");
    }
}

TEST(WindowLayout, FontsGoToTheirKindsOfControlAndKeepTheirSize) {
    QDialog window;
    auto* label = place<QLabel>(&window, 0, 0, 10, 10, 13);
    auto* list = place<QListWidget>(&window, 0, 0, 10, 10);
    auto* group = place<QGroupBox>(&window, 0, 0, 100, 100);
    auto* check = place<QCheckBox>(group, 0, 0, 10, 10);
    auto* radio = place<QRadioButton>(group, 0, 0, 10, 10);
    auto* toolInGroup = place<QToolButton>(group, 0, 0, 10, 10);
    auto* edit = place<QLineEdit>(&window, 0, 0, 10, 10, 15);
    auto* combo = place<QComboBox>(&window, 0, 0, 10, 10);
    auto* strings = place<QTableWidget>(&window, 0, 0, 10, 10);
    auto* button = place<QPushButton>(&window, 0, 0, 10, 10, 11);
    auto* dataGrid = place<QTableView>(&window, 0, 0, 10, 10);
    auto* title = place<QLabel>(&window, 0, 0, 10, 10);
    title->setProperty(kKeepFontProperty, true);
    const QString before = title->font().family();

    data::DatabaseSettings s;
    s.labelFont = {QStringLiteral("Courier New"), true, false};
    s.editFont = {QStringLiteral("Times New Roman"), false, true};
    s.buttonFont = {QStringLiteral("DejaVu Serif"), true, true};
    applyFonts(&window, s);

    for (QWidget* w : std::initializer_list<QWidget*>{label, list, group, check, radio}) {
        EXPECT_EQ(w->font().family(), "Courier New") << w->metaObject()->className();
        EXPECT_TRUE(w->font().bold());
        EXPECT_FALSE(w->font().italic());
    }
    for (QWidget* w : std::initializer_list<QWidget*>{edit, combo, strings}) {
        EXPECT_EQ(w->font().family(), "Times New Roman") << w->metaObject()->className();
        EXPECT_FALSE(w->font().bold());
        EXPECT_TRUE(w->font().italic());
    }
    EXPECT_EQ(button->font().family(), "DejaVu Serif");
    EXPECT_TRUE(button->font().bold() && button->font().italic());
    EXPECT_EQ(label->font().pixelSize(), 13);
    EXPECT_EQ(edit->font().pixelSize(), 15);
    EXPECT_EQ(button->font().pixelSize(), 11);
    for (QWidget* w : std::initializer_list<QWidget*>{toolInGroup, dataGrid, title}) {
        EXPECT_EQ(w->font().family(), before) << w->metaObject()->className();
        EXPECT_FALSE(w->font().bold());
    }

    // Back to a plain label font: bold goes again.
    s.labelFont = {QStringLiteral("Arial"), false, false};
    applyFonts(&window, s);
    EXPECT_FALSE(label->font().bold());
    EXPECT_EQ(label->font().family(), "Arial");
}

TEST(WindowLayout, CentringDropsHalfPixelsAndStaysOnScreenLiftingMovesUpTen) {
    QDialog window;
    window.resize(333, 201);
    const QRect screen(100, 50, 800, 600);
    centreOn(&window, screen);
    EXPECT_EQ(window.pos(), QPoint(100 + 233, 50 + 199));
    liftIfLow(&window, screen);
    EXPECT_EQ(window.pos(), QPoint(333, 239));

    window.move(0, 60);
    liftIfLow(&window, screen);  // exactly 10 below the top: stays
    EXPECT_EQ(window.pos(), QPoint(0, 60));
    window.move(0, 61);
    liftIfLow(&window, screen);
    EXPECT_EQ(window.pos(), QPoint(0, 51));

    // A window larger than the screen keeps its title bar on it.
    window.resize(1000, 700);
    centreOn(&window, screen);
    EXPECT_EQ(window.pos(), QPoint(100, 50));
}

TEST(ControlFonts, TheFontDialogReplacesNameAndStyleOnlyOnOk) {
    data::DatabaseSettings s;
    ScriptedInteraction ui;
    QFont chosen(QStringLiteral("Courier New"), 30);
    chosen.setItalic(true);
    ui.fonts.push_back(chosen);
    EXPECT_TRUE(chooseControlFont(ui, s, ControlFont::Edit));
    EXPECT_EQ(s.editFont, (data::ControlFontSettings{QStringLiteral("Courier New"), false, true}));
    EXPECT_EQ(s.labelFont, data::ControlFontSettings{});
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].detail, "Edit Font");

    ui.fonts.push_back(std::nullopt);  // Cancel
    EXPECT_FALSE(chooseControlFont(ui, s, ControlFont::Edit));
    EXPECT_EQ(s.editFont.name, "Courier New");

    ui.fonts.push_back(chosen);  // OK on the same font
    EXPECT_FALSE(chooseControlFont(ui, s, ControlFont::Edit));

    QFont bold(QStringLiteral("Arial"));
    bold.setBold(true);
    ui.fonts.push_back(bold);
    EXPECT_TRUE(chooseControlFont(ui, s, ControlFont::Button));
    EXPECT_EQ(s.buttonFont, (data::ControlFontSettings{QStringLiteral("Arial"), true, false}));
}

// The real dialog: it opens on the stored font although "Arial" is a name the system only
// substitutes, offers nothing the program would then ignore, and OK without a change keeps it.
TEST(ControlFonts, TheDialogOpensOnTheStoredFontAndOffersOnlyNameAndStyle) {
    data::DatabaseSettings s;
    s.labelFont = {QStringLiteral("Arial"), true, false};
    QtInteraction ui;
    QStringList checkBoxes;
    int lists = -1;
    bool boldTicked = false;
    QString family;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        poll.stop();
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
            checkBoxes << box->text().remove(QLatin1Char('&'));
            if (box->text().contains(QStringLiteral("Bold"))) boldTicked = box->isChecked();
        }
        lists = int(dialog->findChildren<QAbstractItemView*>().size());
        if (auto* families = dialog->findChild<QListWidget*>(); families && families->currentItem())
            family = families->currentItem()->text();
        dialog->accept();
    });
    poll.start(10);
    EXPECT_FALSE(chooseControlFont(ui, s, ControlFont::Label));
    EXPECT_EQ(s.labelFont, (data::ControlFontSettings{QStringLiteral("Arial"), true, false}));
    EXPECT_EQ(checkBoxes, QStringList({"Bold", "Italic"}));
    EXPECT_EQ(lists, 1);  // the names; no list of sizes
    EXPECT_TRUE(boldTicked);
    EXPECT_EQ(family, "Arial");
}
