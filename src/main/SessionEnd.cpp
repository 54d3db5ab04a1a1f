#include "main/SessionEnd.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace vz::mainwin {
namespace {

// Rounds of waiting for the modal windows' event loops to return, 10 ms apart.
constexpr int kMaxRounds = 50;

QWidget* topPopupOrModal() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    return QApplication::activeModalWidget();
}

}  // namespace

SessionEnd::SessionEnd(QWidget* mainWindow, QObject* parent)
    : QObject(parent),
      mainWindow_(mainWindow),
      baseLoopLevel_(QThread::currentThread()->loopLevel()) {}

void SessionEnd::run() {
    if (running_) return;
    running_ = true;
    rounds_ = 0;
    closeModalWindows();
    // The main window closes once the closed windows' exec() calls have returned, so that what
    // their callers do afterwards still finds the database open, as after a click on a close box.
    QTimer::singleShot(0, this, &SessionEnd::finish);
}

void SessionEnd::closeModalWindows() {
    // Bounded, should a window refuse to go.
    for (int i = 0; i < 100; ++i) {
        QPointer<QWidget> w = topPopupOrModal();
        if (w == nullptr) return;
        w->close();  // as its close box: the window's own closeEvent decides what is dropped
        if (w != nullptr && w->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(w.data())) dialog->reject();
            if (w != nullptr && w->isVisible()) w->hide();
        }
    }
}

void SessionEnd::finish() {
    ++rounds_;
    const bool loopsLeft = QThread::currentThread()->loopLevel() > baseLoopLevel_ + 1;
    if ((topPopupOrModal() != nullptr || loopsLeft) && rounds_ < kMaxRounds) {
        closeModalWindows();  // the caller of a closed window may have opened another
        QTimer::singleShot(10, this, &SessionEnd::finish);
        return;
    }
    closeModalWindows();
    if (mainWindow_ != nullptr) mainWindow_->close();
    // Windows of their own, such as the help window, would keep the program running.
    QList<QPointer<QWidget>> others;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) others << w;
    for (const QPointer<QWidget>& w : others)
        if (w != nullptr && w->isVisible()) w->close();
    running_ = false;
    emit finished();
}

}  // namespace vz::mainwin
