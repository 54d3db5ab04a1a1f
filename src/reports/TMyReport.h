// TMyReport: the report window. The collector picks a report from the definitions file, chooses
// the search result or the whole table, and views, prints or writes it to a text file; the window
// also opens the designer for a new or the chosen report and the printer selection.
//
// A job runs while a status window shows its progress and offers Cancel. A view job opens the
// preview as soon as its first page is recorded, so a long report can be read while the rest is
// laid out; a view job that is cancelled opens no preview (one already open is closed).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "reports/ReportDefinition.h"
#include "reports/ReportRun.h"

class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vz::mainwin {
class Program;
}

namespace vz::reports {

class TMyPreview;
class TPrintSelect;
class TReportStatus;

class TMyReport : public QDialog {
    Q_OBJECT
public:
    // `program` must outlive the window.
    explicit TMyReport(mainwin::Program& program, QWidget* parent = nullptr);
    ~TMyReport() override;

    // What the main window does around a job: end the search for a whole-table report and
    // switch it back on afterwards (refreshing the grid), dim the grid while a job runs.
    std::function<void()> endSearch;
    std::function<void()> restoreSearch;
    std::function<void(bool)> dimViewer;
    // Tests: called with the preview once its job has ended, instead of waiting for the
    // collector to close it; the preview is closed afterwards.
    std::function<void(TMyPreview&)> previewShown;
    // False in tests: a job's status window closes at once when the job ends instead of waiting
    // for OK.
    void setWaitForOk(bool wait) { waitForOk_ = wait; }

    // Empties the report list and fills it from the definitions file.
    void LoadReportBox();
    void FormShow();
    void FormClose();

    // The commands.
    void ViewButtonClick();
    void PrintButtonClick();
    void PrintToFileClick();
    void NewReportClick();
    void ModifyReportClick();
    void HelpButtonClick();
    void PrinterSetupClick();

    // The last job: how it ended and the pages it made (0 when none ran).
    const ReportResult& lastResult() const { return lastResult_; }
    bool lastJobRan() const { return jobRan_; }

    QListWidget* reportList() const { return ReportList; }
    QRadioButton* searchButton() const { return PrintSearch; }
    QRadioButton* wholeButton() const { return PrintEntire; }
    QLabel* sortOrderPanel() const { return SortOrderPanel; }
    QString reportFile() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildMenus();
    void runJob(ReportMode mode, const QString& textFile = {});
    QString sortOrderText() const;
    void selectionError();
    void setControlsEnabled(bool on);

    mainwin::Program& program_;
    bool waitForOk_ = true;
    bool running_ = false;
    ReportResult lastResult_;
    bool jobRan_ = false;

    QRadioButton* PrintSearch = nullptr;
    QRadioButton* PrintEntire = nullptr;
    QListWidget* ReportList = nullptr;
    QLabel* SortOrderPanel = nullptr;
    QPushButton* ViewButton = nullptr;
};

}  // namespace vz::reports
