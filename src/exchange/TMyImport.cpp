#include "exchange/TMyImport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableWidget>
#include <climits>

#include "common/Controls.h"
#include "common/DisplayFormats.h"
#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/Schema.h"
#include "engine/Table.h"
#include "exchange/Importer.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::exchange {
namespace {

constexpr int kFieldsColumn = 0;
constexpr int kImportColumn = 1;
constexpr int kUseColumn = 2;

void showScaled(QDialog* window, mainwin::Program& program) {
    mainwin::showNewWindow(window, &program.settings().database, mainwin::screenScale().factor());
    mainwin::applyColourSet(window,
                            program.settings().database.colourSet(data::WindowGroup::Configure));
}

}  // namespace

TMyImport::TMyImport(mainwin::Program& program, Kind kind, QString path, std::vector<QString> names,
                     QWidget* parent)
    : QDialog(parent),
      program_(program),
      kind_(kind),
      path_(std::move(path)),
      layout_(std::move(names)) {
    setObjectName(QStringLiteral("MyImport"));
    setWindowTitle(kind == Kind::Text ? QStringLiteral("Ascii Delimited Text Import")
                                      : QStringLiteral("DBase File Import"));
    setHelpTopic(this, QStringLiteral("Import Window"));
    resize(600, 384);

    ImportGrid = new QTableWidget(layout_.rowCount(), 3, this);
    ImportGrid->setObjectName(QStringLiteral("ImportGrid"));
    ImportGrid->setGeometry(8, 8, 420, 368);
    ImportGrid->setHorizontalHeaderLabels(
        {QStringLiteral("KESTREL FIELDS"), QStringLiteral("IMPORT FIELDS"), QStringLiteral("USE")});
    ImportGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ImportGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ImportGrid->verticalHeader()->hide();
    connect(ImportGrid, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { toggle(row, column); });

    makeLabel(this, QStringLiteral("Field"), {440, 8, 70, 18});
    makeLabel(this, QStringLiteral("Alignment"), {440, 26, 70, 18});
    UpButton = makeButton(this, "UpButton", QStringLiteral("&Up"), {440, 48, 70, 26});
    DownButton = makeButton(this, "DownButton", QStringLiteral("&Down"), {440, 78, 70, 26});
    makeLabel(this, QStringLiteral("Import"), {520, 8, 70, 18});
    makeLabel(this, QStringLiteral("Count"), {520, 26, 70, 18});
    ImportCount = makeLabel(this, QStringLiteral("0"), {520, 48, 70, 20});
    ImportCount->setObjectName(QStringLiteral("ImportCount"));
    auto* note =
        makeLabel(this,
              QStringLiteral("Line up the program's fields with the import fields using Up and "
                             "Down.  \"Yes\" includes a field.  Double click on a \"USE\" cell to "
                             "toggle it."),
              {440, 112, 150, 110});
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    SkipFirst = new QCheckBox(QStringLiteral("Skip First Record"), this);
    SkipFirst->setObjectName(QStringLiteral("SkipFirst"));
    SkipFirst->setGeometry(440, 230, 150, 20);
    SkipFirst->setChecked(program_.settings().database.importOptions.skipFirst);
    SkipFirst->setVisible(kind == Kind::Text);
    SkipFirst->setEnabled(kind == Kind::Text);
    connect(SkipFirst, &QCheckBox::toggled, this,
            [this](bool on) { program_.settings().database.importOptions.skipFirst = on; });

    MyGauge = new QProgressBar(this);
    MyGauge->setObjectName(QStringLiteral("MyGauge"));
    MyGauge->setGeometry(440, 262, 150, 20);
    MyGauge->setRange(0, 1);
    MyGauge->setValue(0);
    MyGauge->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: red; }"));
    MyGauge->setProperty(mainwin::kKeepOwnColours, true);

    StartButton = makeButton(this, "StartButton", QStringLiteral("&Start Import"), {440, 294, 150, 26});
    ExitButton = makeButton(this, "ExitButton", QStringLiteral("E&xit"), {440, 324, 72, 26});
    HelpButton = makeButton(this, "HelpButton", QStringLiteral("&Help"), {518, 324, 72, 26});
    connect(UpButton, &QPushButton::clicked, this, &TMyImport::UpButtonClick);
    connect(DownButton, &QPushButton::clicked, this, &TMyImport::DownButtonClick);
    connect(StartButton, &QPushButton::clicked, this, &TMyImport::StartButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this,
            [this] { program_.ui().help(QStringLiteral("Import Window")); });
    fillGrid();
    ImportGrid->setCurrentCell(0, kImportColumn);
}

void TMyImport::fillGrid() {
    for (int r = 1; r <= layout_.rowCount(); ++r) {
        const QString caption =
            r <= data::kFieldCount ? program_.settings().database.field(r).caption : QString();
        ImportGrid->setItem(r - 1, kFieldsColumn, new QTableWidgetItem(caption));
        ImportGrid->setItem(r - 1, kImportColumn, new QTableWidgetItem(layout_.importName(r)));
        ImportGrid->setItem(r - 1, kUseColumn, new QTableWidgetItem(layout_.use(r)));
    }
}

void TMyImport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    showScaled(this, program_);
    const double factor = mainwin::screenScale().factor();
    ImportGrid->setColumnWidth(kFieldsColumn, int(179 * factor));
    ImportGrid->setColumnWidth(kImportColumn, int(179 * factor));
    ImportGrid->setColumnWidth(kUseColumn, int(38 * factor));
}

void TMyImport::toggle(int row, int column) {
    if (running_ || column != kUseColumn) return;
    layout_.toggle(row + 1);
    ImportGrid->item(row, kUseColumn)->setText(layout_.use(row + 1));
}

void TMyImport::UpButtonClick() {
    const int row = ImportGrid->currentRow();
    if (!layout_.moveUp(row + 1)) return;
    fillGrid();
    ImportGrid->setCurrentCell(row - 1, ImportGrid->currentColumn());
}

void TMyImport::DownButtonClick() {
    const int row = ImportGrid->currentRow();
    if (row < 0 || !layout_.moveDown(row + 1)) return;
    fillGrid();
    ImportGrid->setCurrentCell(row + 1, ImportGrid->currentColumn());
}

void TMyImport::setRunning(bool on) {
    running_ = on;
    for (QWidget* w : {static_cast<QWidget*>(ImportGrid), static_cast<QWidget*>(UpButton),
                       static_cast<QWidget*>(DownButton), static_cast<QWidget*>(SkipFirst),
                       static_cast<QWidget*>(ExitButton), static_cast<QWidget*>(HelpButton)})
        w->setEnabled(!on && (w != SkipFirst || kind_ == Kind::Text));
    StartButton->setText(on ? QStringLiteral("&Stop") : QStringLiteral("&Start Import"));
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMyImport::StartButtonClick() {
    if (running_) {
        stop_ = true;
        return;
    }
    engine::Table* table = program_.database().table();
    if (!table) return;
    Importer importer(*table, displayFormats());
    const std::vector<int> mapping = layout_.mapping();
    stop_ = false;
    setRunning(true);
    auto progress = [this](uint64_t added, uint64_t done, uint64_t total) {
        ImportCount->setText(QString::number(added));
        // Bytes or records; scaled to fit the bar's int range.
        const uint64_t shift = total > uint64_t(INT_MAX) ? 10 : 0;
        MyGauge->setMaximum(int(std::max<uint64_t>(total >> shift, 1)));
        MyGauge->setValue(int(done >> shift));
        QApplication::processEvents();
        return !stop_;
    };
    const ImportResult r =
        kind_ == Kind::Text ? importer.importText(path_, mapping, SkipFirst->isChecked(), progress)
                            : importer.importTable(path_, mapping, progress);
    setRunning(false);
    added_ = r.added;
    ImportCount->setText(QString::number(r.added));
    MyGauge->setValue(0);
    Interaction& ui = program_.ui();
    if (r.outcome == ImportResult::Outcome::Done)
        ui.notice(QStringLiteral("Ok"), QStringLiteral("Import Complete."));
    else if (r.outcome == ImportResult::Outcome::Stopped)
        ui.notice(QStringLiteral("Notice"), r.stopMessage());
    else
        ui.error(r.stopMessage());
    done(QDialog::Accepted);
}

void TMyImport::done(int result) {
    if (running_) {
        stop_ = true;
        closeRequested_ = true;
        return;
    }
    QDialog::done(result);
}

TImportFormat::TImportFormat(mainwin::Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
    setObjectName(QStringLiteral("ImportFormat"));
    setWindowTitle(QStringLiteral("Import Format"));
    setHelpTopic(this, QStringLiteral("Import Window"));
    resize(300, 150);
    auto* group = new QGroupBox(this);
    group->setGeometry(8, 8, 284, 70);
    AsciiDelimited = new QRadioButton(QStringLiteral("Ascii Delimited File"), group);
    AsciiDelimited->setObjectName(QStringLiteral("AsciiDelimited"));
    AsciiDelimited->setGeometry(10, 14, 260, 20);
    DBFFormat = new QRadioButton(QStringLiteral("DBase File (DBF)"), group);
    DBFFormat->setObjectName(QStringLiteral("DBFFormat"));
    DBFFormat->setGeometry(10, 40, 260, 20);
    FileButton = makeButton(this, "FileButton", QStringLiteral("Select &File"), {40, 100, 100, 28});
    CancelButton = makeButton(this, "CancelButton", QStringLiteral("&Cancel"), {160, 100, 100, 28});
    connect(FileButton, &QPushButton::clicked, this, &TImportFormat::FileButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    (program_.settings().database.importOptions.fileType == 2 ? DBFFormat : AsciiDelimited)
        ->setChecked(true);
}

void TImportFormat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) showScaled(this, program_);
}

void TImportFormat::done(int result) {
    if (!closed_) {
        closed_ = true;
        program_.settings().database.importOptions.fileType =
            DBFFormat->isChecked() && !AsciiDelimited->isChecked() ? 2 : 1;
    }
    QDialog::done(result);
}

void TImportFormat::FileButtonClick() {
    if (DBFFormat->isChecked())
        DoDBF();
    else
        DoAscii();
}

void TImportFormat::DoAscii() {
    Interaction& ui = program_.ui();
    FileDialogRequest request;
    request.title = QStringLiteral("Import Data");
    request.filters = {QStringLiteral("Ascii Delimited Text (*.TXT)")};
    request.defaultExtension = QStringLiteral("TXT");
    const std::optional<QString> path = ui.openFileName(request);
    if (!path || path->isEmpty()) return;
    const TextFileFields fields = readTextFileFields(*path);
    if (!fields.error.isEmpty()) {
        ui.error(fields.error);
        return;
    }
    if (fields.firstLine.reason != 0) {
        ui.error(firstLineMessage(fields.firstLine.reason));
        return;
    }
    runImportWindow(TMyImport::Kind::Text, *path, fields.firstLine.names);
}

void TImportFormat::DoDBF() {
    Interaction& ui = program_.ui();
    FileDialogRequest request;
    request.title = QStringLiteral("Import Data");
    request.filters = {QStringLiteral("DBase  (*.DBF)")};
    request.defaultExtension = QStringLiteral("DBF");
    const std::optional<QString> path = ui.openFileName(request);
    if (!path || path->isEmpty()) return;
    if (path->right(4).toUpper() != QLatin1String(".DBF")) {
        ui.error(QStringLiteral("Invalid file type selected."));
        return;
    }
    const TableFileFields fields = readTableFileFields(*path);
    if (!fields.error.isEmpty()) {
        ui.error(fields.error);
        return;
    }
    runImportWindow(TMyImport::Kind::DBase, *path, fields.names);
}

void TImportFormat::runImportWindow(TMyImport::Kind kind, const QString& path,
                                    std::vector<QString> names) {
    TMyImport window(program_, kind, path, std::move(names), this);
    window.exec();
    added_ += window.added();
    done(QDialog::Accepted);
}

uint64_t runImport(QWidget* parent, mainwin::Program& program) {
    TImportFormat window(program, parent);
    window.exec();
    return window.added();
}

}  // namespace vz::exchange
