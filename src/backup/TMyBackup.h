// TMyBackup and TMyRestore: the "Backup" and "Restore" windows. Each copies one kind of file,
// chosen by radio button, through the shared backup logic; both are created for one use.
#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace vz::mainwin {
class Program;
class ProgramHost;
}  // namespace vz::mainwin

namespace vz::backup {

enum class Kind;

class TMyBackup : public QDialog {
    Q_OBJECT
public:
    TMyBackup(mainwin::Program& program, mainwin::ProgramHost& host, QWidget* parent = nullptr);

    QRadioButton* BackDBF = nullptr;
    QRadioButton* BackLST = nullptr;
    QRadioButton* BackURP = nullptr;
    QRadioButton* BackINI = nullptr;
    // The places (program folder, home, mounted media) and the folders of the chosen one.
    QComboBox* DriveBox = nullptr;
    QTreeView* DirBox = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

    // The folder selected in the folder list (the place itself when none is).
    QString backupFolder() const;
    void selectFolder(const QString& path);
    void StartButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DriveBoxChange();
    Kind kind() const;

    mainwin::Program& program_;
    mainwin::ProgramHost& host_;
    QFileSystemModel* folders_ = nullptr;
};

class TMyRestore : public QDialog {
    Q_OBJECT
public:
    TMyRestore(mainwin::Program& program, mainwin::ProgramHost& host, QWidget* parent = nullptr);

    QRadioButton* RestoreDBF = nullptr;
    QRadioButton* RestoreLST = nullptr;
    QRadioButton* RestoreURP = nullptr;
    QRadioButton* RestoreINI = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

    void StartButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Kind kind() const;

    mainwin::Program& program_;
    mainwin::ProgramHost& host_;
};

void runBackupWindow(QWidget* parent, mainwin::Program& program, mainwin::ProgramHost& host);
void runRestoreWindow(QWidget* parent, mainwin::Program& program, mainwin::ProgramHost& host);

}  // namespace vz::backup
