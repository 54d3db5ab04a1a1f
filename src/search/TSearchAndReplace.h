// TSearchAndReplace: the "Search and Replace" window. One field, a value to look for and its
// replacement, optionally confirmed record by record; the counters show how far the run has come.
// Created for one use by the main window's "&Search and Replace".
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vz::mainwin {
class Program;
class ProgramHost;
}  // namespace vz::mainwin

namespace vz::search {

class TSearchAndReplace : public QDialog {
    Q_OBJECT
public:
    TSearchAndReplace(mainwin::Program& program, mainwin::ProgramHost& host,
                      QWidget* parent = nullptr);

    QComboBox* FieldBox = nullptr;
    QLineEdit* SearchText = nullptr;
    QLineEdit* ReplaceText = nullptr;
    QCheckBox* ConfirmBox = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* ProcessedCount = nullptr;
    QLabel* FoundCount = nullptr;
    QLabel* ChangedCount = nullptr;

    void FieldBoxChange();
    void StartButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    mainwin::Program& program_;
    mainwin::ProgramHost& host_;
};

// Shows the window modally; true when a run finished.
bool runSearchAndReplaceWindow(QWidget* parent, mainwin::Program& program,
                               mainwin::ProgramHost& host);

}  // namespace vz::search
