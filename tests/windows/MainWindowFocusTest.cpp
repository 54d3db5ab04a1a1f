// The keyboard focus in the main window: it lives in the grid, and no button of the speed bar
// or the navigator takes it (the next key would run that button's command).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/TMain.h"
#include "main/ViewerModel.h"

using namespace vz;
using mainwin::TMain;

namespace {

// Answers as ScriptedInteraction does, but each message is a real modal window that takes the
// focus away from the main window until it is closed, as a message box does.
class ModalMessages : public ScriptedInteraction {
public:
    Answer message(const Message& m) override {
        QDialog box;
        box.setWindowTitle(m.caption);
        QTimer::singleShot(30, &box, [&box] { box.accept(); });
        QApplication::setActiveWindow(&box);
        box.exec();
        return ScriptedInteraction::message(m);
    }
};

struct FocusSession {
    QTemporaryDir dir;
    ModalMessages ui;
    std::unique_ptr<mainwin::Program> program;
    std::unique_ptr<TMain> window;

    FocusSession() {
        program = std::make_unique<mainwin::Program>(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
        EXPECT_TRUE(program->startUp());
        program->settings().global.misc.showTips = false;
        program->settings().database.gridOptions.fieldEditing = true;
        engine::Table& t = *program->database().table();
        for (const char* country : {"Peru", "Chile"}) {
            EXPECT_TRUE(t.append());
            EXPECT_TRUE(t.setText(2, country));
            EXPECT_TRUE(t.setText(24, "No"));
            EXPECT_TRUE(t.post());
        }
        window = std::make_unique<TMain>(*program);
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    ~FocusSession() { window->close(); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    bool focusInGrid() const {
        for (QWidget* w = focus(); w != nullptr; w = w->parentWidget())
            if (w == window->grid()) return true;
        return false;
    }
};

}  // namespace

TEST(MainWindowFocus, TheGridHasTheFocusAtStartAndNoToolButtonTakesIt) {
    FocusSession s;
    EXPECT_EQ(s.focus(), s.window->grid())
        << (s.focus() ? s.focus()->objectName().toStdString() : "none");
    for (const char* bar : {"SpeedPanel", "MyNavigator"})
        for (QToolButton* b : s.window->findChild<QWidget*>(bar)->findChildren<QToolButton*>())
            EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << b->objectName().toStdString();
    // Arrow keys move in the grid, never along the speed bar.
    const int row = s.window->grid()->currentIndex().row();
    QTest::keyClick(s.focus(), Qt::Key_Down);
    EXPECT_EQ(s.focus(), s.window->grid());
    EXPECT_EQ(s.window->grid()->currentIndex().row(), row + 1);
}

TEST(MainWindowFocus, TheGridGetsTheFocusBackAfterARefusedCell) {
    FocusSession s;
    mainwin::ViewerModel* m = s.window->viewerModel();
    const QModelIndex cell = m->index(0, m->columnOfField(5));  // Market Value
    s.window->grid()->setCurrentIndex(cell);
    s.window->grid()->setFocus();
    QTest::keyClicks(s.window->grid(), QStringLiteral("a"));  // opens the cell's editor
    ASSERT_NE(s.focus(), s.window->grid());
    QTest::keyClicks(s.focus(), QStringLiteral("bc"));
    QTest::keyClick(s.focus(), Qt::Key_Return);
    QTest::qWait(300);
    // The window manager gives the main window back its activation.
    QApplication::setActiveWindow(s.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));
    ASSERT_EQ(s.ui.messages().size(), 1u);
    EXPECT_EQ(s.ui.messages().front().caption, "Error");
    EXPECT_TRUE(s.focusInGrid()) << (s.focus() ? s.focus()->objectName().toStdString() : "none");
    // The next key goes to the grid, not to a button.
    const size_t shown = s.ui.shown.size();
    QTest::keyClick(s.focus(), Qt::Key_Space);
    QTest::qWait(50);
    EXPECT_EQ(s.ui.shown.size(), shown);
}
