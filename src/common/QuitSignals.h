// QuitSignals: turns SIGTERM and SIGINT (a desktop session ending, Ctrl+C in a terminal) into an
// ordinary call on the event loop, so the program shuts down exactly as when its main window is
// closed: settings saved, tables closed.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vz {

class QuitSignals : public QObject {
    Q_OBJECT
public:
    // Calls `onQuit` on the event loop when a quit signal arrives. One instance per process.
    explicit QuitSignals(std::function<void()> onQuit, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> onQuit_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vz
