// SessionEnd: ends the program from whatever state it is in, as closing the main window does.
//
// A quit signal (QuitSignals) may arrive while a modal window runs its own event loop: the
// record edit window, a message box, a list editor, a file dialog. Closing only the main window
// would then leave the modal loops running, and with them windows that still use the database
// the main window has just closed. run() therefore closes every popup and modal window from the
// top down, each as its close box does (the edit window drops unstored edits and saves the
// lists), lets their event loops return, then closes the main window, which saves the settings
// and closes the table, and finally every other window (the help window). finished() follows.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace vz::mainwin {

class SessionEnd : public QObject {
    Q_OBJECT
public:
    // `mainWindow` must outlive the object or be deleted with it. Make the object before the
    // program's event loop runs: the loop levels of modal windows count from there.
    explicit SessionEnd(QWidget* mainWindow, QObject* parent = nullptr);

    // Starts the shut-down; a second call while it runs does nothing. Returns at once: the
    // modal windows are closed now, the main window once their event loops have returned (or,
    // should one never return, after about half a second).
    void run();
    bool running() const { return running_; }

signals:
    // Every window is closed: the program may leave its event loop.
    void finished();

private:
    void closeModalWindows();
    void finish();

    QPointer<QWidget> mainWindow_;
    int baseLoopLevel_ = 0;
    int rounds_ = 0;
    bool running_ = false;
};

}  // namespace vz::mainwin
