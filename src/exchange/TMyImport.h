// TImportFormat and TMyImport: the two import windows. The Import Format window chooses the kind
// of file and the file, checking a text file's first line; the import window lines the file's
// fields up against the stamp-record fields (ImportLayout) and runs the import (Importer), with
// the running count, a progress bar and a Stop button. Closing the import window closes the
// Import Format window too.
#pragma once

#include <QDialog>
#include <memory>

#include "exchange/ImportLayout.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vz::mainwin {
class Program;
}

namespace vz::exchange {

class TMyImport : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Text, DBase };
    // `path` has been checked and `names` are its import fields. `program` must outlive it.
    TMyImport(mainwin::Program& program, Kind kind, QString path, std::vector<QString> names,
              QWidget* parent = nullptr);

    QTableWidget* grid() const { return ImportGrid; }
    const ImportLayout& layout() const { return layout_; }
    void UpButtonClick();
    void DownButtonClick();
    void StartButtonClick();
    uint64_t added() const { return added_; }
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillGrid();
    void toggle(int row, int column);
    void setRunning(bool on);

    mainwin::Program& program_;
    Kind kind_;
    QString path_;
    ImportLayout layout_;
    bool running_ = false;
    bool stop_ = false;
    bool closeRequested_ = false;
    uint64_t added_ = 0;

    QTableWidget* ImportGrid = nullptr;
    QPushButton* UpButton = nullptr;
    QPushButton* DownButton = nullptr;
    QCheckBox* SkipFirst = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QLabel* ImportCount = nullptr;
    QProgressBar* MyGauge = nullptr;
};

class TImportFormat : public QDialog {
    Q_OBJECT
public:
    explicit TImportFormat(mainwin::Program& program, QWidget* parent = nullptr);

    void FileButtonClick();
    // Records added by the import window opened from here.
    uint64_t added() const { return added_; }
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DoAscii();
    void DoDBF();
    void runImportWindow(TMyImport::Kind kind, const QString& path, std::vector<QString> names);

    mainwin::Program& program_;
    uint64_t added_ = 0;
    bool closed_ = false;
    QRadioButton* AsciiDelimited = nullptr;
    QRadioButton* DBFFormat = nullptr;
    QPushButton* FileButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// Opens the Import Format window modally; answers the number of records imported.
uint64_t runImport(QWidget* parent, mainwin::Program& program);

}  // namespace vz::exchange
