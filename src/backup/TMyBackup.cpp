#include "backup/TMyBackup.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include "backup/BackupPlaces.h"
#include "backup/BackupRestore.h"
#include "common/Controls.h"
#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "main/ProgramHost.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::backup {
namespace {

const QString kHelpTopic = QStringLiteral("Backup and Restore");

QRadioButton* makeRadio(QWidget* parent, const char* name, const QString& caption, int y) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(QLatin1String(name));
    r->setGeometry(12, y, 260, 20);
    return r;
}

// After a copy that ended with its success message, Cancel becomes Close and takes the focus.
void showClose(QPushButton* cancel) {
    cancel->setText(QStringLiteral("&Close"));
    cancel->setFocus();
}

void showWindow(QDialog* window, mainwin::Program& program) {
    const data::DatabaseSettings& settings = program.settings().database;
    mainwin::showNewWindow(window, &settings, mainwin::screenScale().factor());
    mainwin::applyColourSet(window, settings.colourSet(data::WindowGroup::Configure));
}

}  // namespace

TMyBackup::TMyBackup(mainwin::Program& program, mainwin::ProgramHost& host, QWidget* parent)
    : QDialog(parent), program_(program), host_(host) {
    setObjectName(QStringLiteral("MyBackup"));
    setWindowTitle(QStringLiteral("Backup"));
    setHelpTopic(this, kHelpTopic);
    setFont(QFont(QStringLiteral("Arial"), 8));
    resize(600, 330);

    auto* what = new QGroupBox(QStringLiteral("What To Back Up"), this);
    what->setGeometry(8, 8, 284, 130);
    BackDBF = makeRadio(what, "BackDBF", QStringLiteral("Current &Database (*.DBF)"), 22);
    BackLST =
        makeRadio(what, "BackLST", QStringLiteral("Data &Lists of Current Database (*.0xx)"), 48);
    BackURP = makeRadio(what, "BackURP", QStringLiteral("Global &Report Definitions (*.URP)"), 74);
    BackINI =
        makeRadio(what, "BackINI", QStringLiteral("Config &File of Current Database (*.INI)"), 100);
    BackDBF->setChecked(true);

    auto* where = new QGroupBox(QStringLiteral("Where To Back Up To"), this);
    where->setGeometry(300, 8, 292, 270);
    DriveBox = new QComboBox(where);
    DriveBox->setObjectName(QStringLiteral("DriveBox"));
    DriveBox->setGeometry(10, 22, 272, 24);
    DirBox = new QTreeView(where);
    DirBox->setObjectName(QStringLiteral("DirBox"));
    DirBox->setGeometry(10, 52, 272, 208);
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    DirBox->setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c) DirBox->hideColumn(c);
    DirBox->header()->hide();

    StartButton =
        makeButton(this, "StartButton", QStringLiteral("&Start Back Up"), {8, 290, 110, 27});
    CancelButton = makeButton(this, "CancelButton", QStringLiteral("&Cancel"), {126, 290, 110, 27});
    HelpButton = makeButton(this, "HelpButton", QStringLiteral("&Help"), {244, 290, 110, 27});
    StartButton->setDefault(true);

    for (const Place& p : backupPlaces(program_.programFolder(), QDir::homePath(),
                                       mediaRoots(qEnvironmentVariable("USER"))))
        DriveBox->addItem(p.label + QStringLiteral("  (") + p.path + ')', p.path);
    connect(DriveBox, &QComboBox::currentIndexChanged, this, &TMyBackup::DriveBoxChange);
    DriveBoxChange();

    connect(StartButton, &QPushButton::clicked, this, &TMyBackup::StartButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { program_.ui().help(kHelpTopic); });
}

void TMyBackup::showEvent(QShowEvent* event) {
    showWindow(this, program_);
    QDialog::showEvent(event);
}

void TMyBackup::DriveBoxChange() {
    const QString root = DriveBox->currentData().toString();
    if (root.isEmpty()) return;
    DirBox->setRootIndex(folders_->setRootPath(root));
    DirBox->clearSelection();
    DirBox->setCurrentIndex(QModelIndex());
}

QString TMyBackup::backupFolder() const {
    const QModelIndex current = DirBox->currentIndex();
    if (current.isValid()) return folders_->filePath(current);
    return DriveBox->currentData().toString();
}

void TMyBackup::selectFolder(const QString& path) {
    const QModelIndex index = folders_->index(path);
    if (index.isValid()) DirBox->setCurrentIndex(index);
}

Kind TMyBackup::kind() const {
    if (BackLST->isChecked()) return Kind::Lists;
    if (BackURP->isChecked()) return Kind::Reports;
    if (BackINI->isChecked()) return Kind::Settings;
    return Kind::Table;
}

void TMyBackup::StartButtonClick() {
    const QString folder = backupFolder();
    if (folder.isEmpty()) return;
    if (backUp(host_, program_.ui(), kind(), folder).ok) showClose(CancelButton);
}

TMyRestore::TMyRestore(mainwin::Program& program, mainwin::ProgramHost& host, QWidget* parent)
    : QDialog(parent), program_(program), host_(host) {
    setObjectName(QStringLiteral("MyRestore"));
    setWindowTitle(QStringLiteral("Restore"));
    setHelpTopic(this, kHelpTopic);
    setFont(QFont(QStringLiteral("Arial"), 8));
    resize(300, 190);
    auto* what = new QGroupBox(this);
    what->setGeometry(8, 8, 284, 130);
    RestoreDBF = makeRadio(what, "RestoreDBF", QStringLiteral("&Database File (*.DBF)"), 22);
    RestoreLST =
        makeRadio(what, "RestoreLST", QStringLiteral("Data &Lists of a Database (*.0xx)"), 48);
    RestoreURP =
        makeRadio(what, "RestoreURP", QStringLiteral("Global &Report Definitions (*.URP)"), 74);
    RestoreINI =
        makeRadio(what, "RestoreINI", QStringLiteral("Config &File of a Database (*.INI)"), 100);
    RestoreDBF->setChecked(true);
    StartButton =
        makeButton(this, "StartButton", QStringLiteral("&Start Restore"), {8, 150, 90, 27});
    CancelButton = makeButton(this, "CancelButton", QStringLiteral("&Cancel"), {104, 150, 90, 27});
    HelpButton = makeButton(this, "HelpButton", QStringLiteral("&Help"), {200, 150, 90, 27});
    StartButton->setDefault(true);
    connect(StartButton, &QPushButton::clicked, this, &TMyRestore::StartButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { program_.ui().help(kHelpTopic); });
}

void TMyRestore::showEvent(QShowEvent* event) {
    showWindow(this, program_);
    QDialog::showEvent(event);
}

Kind TMyRestore::kind() const {
    if (RestoreLST->isChecked()) return Kind::Lists;
    if (RestoreURP->isChecked()) return Kind::Reports;
    if (RestoreINI->isChecked()) return Kind::Settings;
    return Kind::Table;
}

void TMyRestore::StartButtonClick() {
    const Kind k = kind();
    FileDialogRequest r;
    const QString dbf = QStringLiteral("DBase Files (*.DBF *.dbf)");
    switch (k) {
        case Kind::Table:
            r.title = QStringLiteral("Restore Database File");
            break;
        case Kind::Lists:
            r.title = QStringLiteral("Restore Data List Files");
            break;
        case Kind::Settings:
            r.title = QStringLiteral("Restore Configuration File");
            break;
        case Kind::Reports:
            r.title = QStringLiteral("Restore URP File");
            r.fileName = QStringLiteral("DUZEZIVA.URP");
            break;
    }
    r.filters = {k == Kind::Reports ? QStringLiteral("Reports Files (*.URP *.urp)") : dbf};
    r.defaultExtension = k == Kind::Reports ? QStringLiteral("URP") : QStringLiteral("DBF");
    // The dialog opens on the first medium mounted, else the home folder.
    const std::vector<Place> places =
        backupPlaces(QString(), QDir::homePath(), mediaRoots(qEnvironmentVariable("USER")));
    r.folder = places.size() > 1 ? places[1].path : QDir::homePath();
    const std::optional<QString> chosen = program_.ui().openFileName(r);
    if (!chosen) return;
    const Outcome outcome = restore(host_, program_.ui(), k, *chosen, program_.programFolder());
    // The lists end with a message of their own either way.
    if (outcome.ok || k == Kind::Lists) showClose(CancelButton);
}

void runBackupWindow(QWidget* parent, mainwin::Program& program, mainwin::ProgramHost& host) {
    TMyBackup window(program, host, parent);
    window.exec();
}

void runRestoreWindow(QWidget* parent, mainwin::Program& program, mainwin::ProgramHost& host) {
    TMyRestore window(program, host, parent);
    window.exec();
}

}  // namespace vz::backup
