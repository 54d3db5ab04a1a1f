// The help window: usable while modal windows run, on top when asked for, and F1 in every window
// opening the topic of the window that has the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "common/HelpKeys.h"
#include "common/QtInteraction.h"
#include "common/ScriptedInteraction.h"
#include "data/DataLists.h"
#include "edit/TMyEdit.h"
#include "edit/TMyEditBox.h"
#include "app/Program.h"
#include "main/TMain.h"

using namespace vz;

namespace {

// The program's help window, found as the collector sees it: by its title.
QWidget* helpWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == QStringLiteral("Kestrelhouse Vazovi 97 Help")) return w;
    return nullptr;
}

// Counts the key presses that reach a widget.
struct KeyCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) ++presses;
        return false;
    }
};

// Runs `inside` while `dialog` runs modally, then closes the dialog.
void whileModal(QDialog& dialog, const std::function<void()>& inside) {
    QTimer::singleShot(0, &dialog, [&dialog, inside] {
        inside();
        dialog.reject();
    });
    dialog.exec();
}

// True when a key pressed in `window`, delivered as the window system delivers it (where Qt
// drops the input of windows a modal window blocks), reaches the window's focus widget.
bool takesKeys(QWidget* window) {
    KeyCounter counter;
    QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
    target->installEventFilter(&counter);
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    target->removeEventFilter(&counter);
    return counter.presses > 0;
}

}  // namespace

TEST(HelpWindow, HelpAskedForFromAModalWindowIsShownAndTakesInput) {
    QtInteraction ui;
    QDialog modal;
    modal.setWindowTitle("Input Vazovi");
    bool shown = false, usable = false;
    whileModal(modal, [&] {
        ui.help("Input Window");
        QWidget* help = helpWindow();
        ASSERT_NE(help, nullptr);
        shown = help->isVisible();
        usable = takesKeys(help);
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(usable) << "the modal window blocks the help window";
    if (QWidget* help = helpWindow()) help->close();
}

TEST(HelpWindow, HelpAlreadyOpenStaysUsableWhenAModalWindowOpens) {
    QtInteraction ui;
    ui.help(QString());
    QWidget* help = helpWindow();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isVisible());
    QDialog modal;
    QMessageBox box(QMessageBox::Warning, "Warning", "Data has changed.",
                    QMessageBox::Yes | QMessageBox::No, &modal);
    bool usableOverDialog = false, usableOverBox = false;
    whileModal(modal, [&] {
        usableOverDialog = takesKeys(help);
        // A message box over the modal window: a second modal level.
        QTimer::singleShot(0, &box, [&] {
            usableOverBox = takesKeys(help);
            box.reject();
        });
        box.exec();
    });
    EXPECT_TRUE(usableOverDialog);
    EXPECT_TRUE(usableOverBox);
    // Once they have closed, help still takes input.
    EXPECT_TRUE(takesKeys(help));
    help->close();
}

class HelpKey : public ::testing::Test {
protected:
    void SetUp() override {
        program = std::make_unique<mainwin::Program>(dir.path(), dir.filePath("DUZEZIVA.INI"), ui);
        ASSERT_TRUE(program->startUp());
        program->settings().global.misc.showTips = false;
        window = std::make_unique<mainwin::TMain>(*program);
        qApp->installEventFilter(&keys);
    }
    void TearDown() override {
        qApp->removeEventFilter(&keys);
        window.reset();
        program->shutDown();
    }
    // F1 pressed in `w`; answers the topic help was asked for, or "(none)".
    QString f1(QWidget* w) {
        const size_t before = ui.shown.size();
        QTest::keyClick(w, Qt::Key_F1);
        for (size_t i = before; i < ui.shown.size(); ++i)
            if (ui.shown[i].kind == ScriptedInteraction::Kind::Help) return ui.shown[i].detail;
        return QStringLiteral("(none)");
    }

    QTemporaryDir dir;
    ScriptedInteraction ui;
    HelpKeys keys{ui};
    std::unique_ptr<mainwin::Program> program;
    std::unique_ptr<mainwin::TMain> window;
};

TEST_F(HelpKey, F1OpensTheTopicOfTheWindowThatHasTheFocus) {
    window->show();
    EXPECT_EQ(f1(window->grid()), "Main Window");

    // The record edit window, and a message box over it, which has no topic of its own.
    edit::TMyEdit editWindow(*program, window.get());
    QString inEdit, inBox, inListEditor;
    whileModal(editWindow, [&] {
        inEdit = f1(editWindow.findChildren<QLineEdit*>().front());
        QMessageBox box(QMessageBox::Warning, "Warning", "Data has changed.", QMessageBox::Ok,
                        &editWindow);
        QTimer::singleShot(0, &box, [&] {
            inBox = f1(box.focusWidget() != nullptr ? box.focusWidget() : &box);
            box.reject();
        });
        box.exec();
    });
    EXPECT_EQ(inEdit, "Input Window");
    EXPECT_EQ(inBox, "Input Window");

    // A list editor.
    QTimer::singleShot(0, window.get(), [&] {
        QWidget* editor = QApplication::activeModalWidget();
        if (editor == nullptr) return;
        inListEditor = f1(editor->focusWidget() != nullptr ? editor->focusWidget() : editor);
        editor->close();
    });
    edit::runListEditor(window.get(), *program, data::DataList::Country);
    EXPECT_EQ(inListEditor, "List Editor");

    // A window that names no topic and belongs to none: the contents page.
    QWidget loose;
    EXPECT_EQ(f1(&loose), "");
}
