// TReportStatus: the small window a report job shows while it runs: the engine's progress text
// and one button, Cancel while the job runs and OK once it has ended.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace vz::reports {

class TReportStatus : public QDialog {
    Q_OBJECT
public:
    explicit TReportStatus(QWidget* parent = nullptr);

    // Called when Cancel is pressed while the job runs.
    std::function<void()> onCancel;

    // The job starts: "Printing Status", a Cancel button.
    void jobStarted();
    // The engine's progress text; lets the window's events through so that Cancel works.
    void progress(const QString& text);
    // The job has ended: the label reads `text` and the button becomes OK, which closes.
    void jobEnded(const QString& text);
    bool running() const { return running_; }
    QString statusText() const;
    QPushButton* button() const { return Button; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buttonClicked();

    QLabel* StatusLabel = nullptr;
    QPushButton* Button = nullptr;
    bool running_ = false;
};

}  // namespace vz::reports
