// TMyExport: the export window. The grid chooses the fields and their order; the window writes
// the collection, or the records of the search in force, as delimited text or a new dBase table
// (Exporter), with a progress bar and a Stop button. The grid goes back into the settings
// whenever the window closes.
#pragma once

#include <QDialog>

#include "exchange/ExportLayout.h"

class QCheckBox;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vz::mainwin {
class Program;
}

namespace vz::exchange {

class TMyExport : public QDialog {
    Q_OBJECT
public:
    // `program` must outlive the window.
    explicit TMyExport(mainwin::Program& program, QWidget* parent = nullptr);

    QTableWidget* grid() const { return ExportGrid; }
    // The buttons' handlers, for the window's controls and for tests.
    void UpButtonClick();
    void DownButtonClick();
    void DefaultsButtonClick();
    void StartExportButtonClick();
    // True once an export completed.
    bool exported() const { return exported_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void fillGrid();
    void UpdateConfigs();
    void toggle(int row, int column);
    void DoExport(bool dbase);
    void setRunning(bool on);

    mainwin::Program& program_;
    ExportLayout layout_;
    bool closed_ = false;
    bool running_ = false;
    bool stop_ = false;
    bool closeRequested_ = false;
    bool exported_ = false;

    QTableWidget* ExportGrid = nullptr;
    QPushButton* UpButton = nullptr;
    QPushButton* DownButton = nullptr;
    QPushButton* DefaultsButton = nullptr;
    QRadioButton* ExportEntire = nullptr;
    QRadioButton* ExportSearch = nullptr;
    QRadioButton* AsciiFile = nullptr;
    QRadioButton* DBaseFile = nullptr;
    QCheckBox* FirstRow = nullptr;
    QPushButton* StartExportButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QProgressBar* MyGauge = nullptr;
};

// Opens the export window modally; true when it exported.
bool runExport(QWidget* parent, mainwin::Program& program);

}  // namespace vz::exchange
