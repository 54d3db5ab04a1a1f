#include "exchange/TMyExport.h"

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

#include "common/Controls.h"
#include "common/DisplayFormats.h"
#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/OwnFiles.h"
#include "engine/Table.h"
#include "exchange/Exporter.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/WindowLayout.h"

namespace vz::exchange {
namespace {

constexpr int kFieldColumn = 0;
constexpr int kUseColumn = 1;

}  // namespace

TMyExport::TMyExport(mainwin::Program& program, QWidget* parent)
    : QDialog(parent), program_(program), layout_(program.settings().database) {
    setObjectName(QStringLiteral("MyExport"));
    setWindowTitle(QStringLiteral("Export"));
    setHelpTopic(this, QStringLiteral("Export Window"));
    resize(600, 384);

    ExportGrid = new QTableWidget(ExportLayout::kRows, 2, this);
    ExportGrid->setObjectName(QStringLiteral("ExportGrid"));
    ExportGrid->setGeometry(8, 8, 320, 368);
    ExportGrid->setHorizontalHeaderLabels({QStringLiteral("FIELD"), QStringLiteral("EXPORT IT")});
    ExportGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ExportGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ExportGrid->verticalHeader()->hide();
    ExportGrid->setTabKeyNavigation(true);
    connect(ExportGrid, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { toggle(row, column); });

    makeLabel(this, QStringLiteral("Field"), {340, 8, 90, 18});
    makeLabel(this, QStringLiteral("Ordering"), {340, 26, 90, 18});
    UpButton = makeButton(this, "UpButton", QStringLiteral("&Up"), {340, 48, 90, 26});
    DownButton = makeButton(this, "DownButton", QStringLiteral("&Down"), {340, 78, 90, 26});
    DefaultsButton =
        makeButton(this, "DefaultsButton", QStringLiteral("D&efaults"), {340, 108, 90, 26});
    makeLabel(this, QStringLiteral("NOTES"), {440, 8, 150, 18});
    auto* note =
        makeLabel(this,
              QStringLiteral("\"Yes\" includes a field in the export, \"No\" leaves it out.  "
                             "Double click on the field to toggle between them."),
              {440, 26, 150, 110});
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* what = new QGroupBox(QStringLiteral("What to Export"), this);
    what->setGeometry(340, 142, 250, 66);
    ExportEntire = new QRadioButton(QStringLiteral("Export Entire Database"), what);
    ExportEntire->setObjectName(QStringLiteral("ExportEntire"));
    ExportEntire->setGeometry(10, 20, 230, 20);
    ExportSearch = new QRadioButton(QStringLiteral("Export Search Criteria"), what);
    ExportSearch->setObjectName(QStringLiteral("ExportSearch"));
    ExportSearch->setGeometry(10, 42, 230, 20);

    auto* how = new QGroupBox(QStringLiteral("How To Export"), this);
    how->setGeometry(340, 214, 250, 90);
    AsciiFile = new QRadioButton(QStringLiteral("Ascii Delimited Text File"), how);
    AsciiFile->setObjectName(QStringLiteral("AsciiFile"));
    AsciiFile->setGeometry(10, 20, 230, 20);
    DBaseFile = new QRadioButton(QStringLiteral("DBase File (DBF)"), how);
    DBaseFile->setObjectName(QStringLiteral("DBaseFile"));
    DBaseFile->setGeometry(10, 42, 230, 20);
    FirstRow = new QCheckBox(QStringLiteral("&First Record Contains Field Names"), how);
    FirstRow->setObjectName(QStringLiteral("FirstRow"));
    FirstRow->setGeometry(10, 64, 236, 20);

    MyGauge = new QProgressBar(this);
    MyGauge->setObjectName(QStringLiteral("MyGauge"));
    MyGauge->setAccessibleName(QStringLiteral("Export Progress"));
    MyGauge->setGeometry(340, 312, 250, 20);
    MyGauge->setRange(0, 1);
    MyGauge->setValue(0);
    MyGauge->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: red; }"));
    MyGauge->setProperty(mainwin::kKeepOwnColours, true);

    StartExportButton =
        makeButton(this, "StartExportButton", QStringLiteral("&Start Export"), {340, 346, 100, 28});
    ExitButton = makeButton(this, "ExitButton", QStringLiteral("E&xit"), {446, 346, 70, 28});
    HelpButton = makeButton(this, "HelpButton", QStringLiteral("&Help"), {522, 346, 68, 28});

    connect(UpButton, &QPushButton::clicked, this, &TMyExport::UpButtonClick);
    connect(DownButton, &QPushButton::clicked, this, &TMyExport::DownButtonClick);
    connect(DefaultsButton, &QPushButton::clicked, this, &TMyExport::DefaultsButtonClick);
    connect(StartExportButton, &QPushButton::clicked, this, &TMyExport::StartExportButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this,
            [this] { program_.ui().help(QStringLiteral("Export Window")); });
    connect(FirstRow, &QCheckBox::toggled, this,
            [this](bool on) { program_.settings().database.exportOptions.firstRow = on; });
    auto kindChanged = [this] {
        FirstRow->setVisible(AsciiFile->isChecked());
        FirstRow->setEnabled(AsciiFile->isChecked());
    };
    connect(AsciiFile, &QRadioButton::toggled, this, kindChanged);

    const data::DatabaseSettings& s = program_.settings().database;
    FirstRow->setChecked(s.exportOptions.firstRow);
    const bool searching = program_.searchMode();
    ExportSearch->setEnabled(searching);
    (searching ? ExportSearch : ExportEntire)->setChecked(true);
    (s.exportOptions.fileType == 2 ? DBaseFile : AsciiFile)->setChecked(true);
    kindChanged();
    fillGrid();
    ExportGrid->setCurrentCell(0, kFieldColumn);
}

void TMyExport::fillGrid() {
    for (int r = 1; r <= ExportLayout::kRows; ++r) {
        const ExportRow& row = layout_.row(r);
        ExportGrid->setItem(r - 1, kFieldColumn, new QTableWidgetItem(row.caption));
        ExportGrid->setItem(r - 1, kUseColumn, new QTableWidgetItem(row.use));
    }
}

void TMyExport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TMyExport::FormShow() {
    const double factor = mainwin::screenScale().factor();
    mainwin::showNewWindow(this, &program_.settings().database, factor);
    ExportGrid->setColumnWidth(kFieldColumn, int(200 * factor));
    ExportGrid->setColumnWidth(kUseColumn, int(100 * factor));
    mainwin::liftIfLow(this);
    mainwin::applyColourSet(this,
                            program_.settings().database.colourSet(data::WindowGroup::Configure));
}

void TMyExport::toggle(int row, int column) {
    if (running_ || column != kUseColumn) return;
    layout_.toggle(row + 1);
    ExportGrid->item(row, kUseColumn)->setText(layout_.row(row + 1).use);
}

void TMyExport::UpButtonClick() {
    const int row = ExportGrid->currentRow();
    if (!layout_.moveUp(row + 1)) return;
    fillGrid();
    ExportGrid->setCurrentCell(row - 1, ExportGrid->currentColumn());
}

void TMyExport::DownButtonClick() {
    const int row = ExportGrid->currentRow();
    if (row < 0 || !layout_.moveDown(row + 1)) return;
    fillGrid();
    ExportGrid->setCurrentCell(row + 1, ExportGrid->currentColumn());
}

void TMyExport::DefaultsButtonClick() {
    if (!program_.ui().confirm(
            QStringLiteral("Re-Order"),
            QStringLiteral(
                "This will set the order of fields to the program defaults.  Continue?")))
        return;
    layout_.setDefaults(program_.settings().database);
    fillGrid();
}

void TMyExport::UpdateConfigs() {
    layout_.store(program_.settings().database);
}

void TMyExport::done(int result) {
    if (running_) {
        stop_ = true;  // closing stops the export; the window closes once it has
        closeRequested_ = true;
        return;
    }
    if (!closed_) {
        closed_ = true;
        program_.settings().database.exportOptions.fileType = AsciiFile->isChecked() ? 1 : 2;
        UpdateConfigs();
    }
    QDialog::done(result);
}

void TMyExport::StartExportButtonClick() {
    if (running_) {
        stop_ = true;
        return;
    }
    UpdateConfigs();
    if (exportedFields(program_.settings().database).empty()) {
        program_.ui().error(QStringLiteral("No fields selected for export."));
        return;
    }
    DoExport(DBaseFile->isChecked());
}

void TMyExport::setRunning(bool on) {
    running_ = on;
    for (QWidget* w : {static_cast<QWidget*>(ExportGrid), static_cast<QWidget*>(UpButton),
                       static_cast<QWidget*>(DownButton), static_cast<QWidget*>(DefaultsButton),
                       static_cast<QWidget*>(ExportEntire->parentWidget()),
                       static_cast<QWidget*>(AsciiFile->parentWidget()),
                       static_cast<QWidget*>(ExitButton), static_cast<QWidget*>(HelpButton)})
        w->setEnabled(!on);
    StartExportButton->setText(on ? QStringLiteral("&Stop") : QStringLiteral("&Start Export"));
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMyExport::DoExport(bool dbase) {
    Interaction& ui = program_.ui();
    FileDialogRequest request;
    request.title = QStringLiteral("Export Data");
    request.filters = {dbase ? QStringLiteral("DBase (*.DBF)")
                             : QStringLiteral("Ascii Delimited Text (*.TXT)")};
    request.defaultExtension = dbase ? QStringLiteral("DBF") : QStringLiteral("TXT");
    const std::optional<QString> chosen = ui.saveFileName(request);
    if (!chosen || chosen->isEmpty()) return;
    const QString path = *chosen;
    if (dbase && path.right(4).toUpper() != QLatin1String(".DBF")) {
        ui.error(QStringLiteral("Invalid file type selected."));
        return;
    }
    engine::Table* table = program_.database().table();
    if (!table) return;
    if (const QString own = data::protectedFileReason(path, QString::fromStdString(table->path()),
                                                      program_.programFolder());
        !own.isEmpty()) {
        ui.error(own);
        return;
    }
    ExportRequest r = exportRequestFrom(program_.settings().database,
                                        dbase ? ExportKind::DBase : ExportKind::Text);
    // The whole collection: the record filter admits every record for the time of the export.
    const bool wasSearching = program_.searchMode();
    const bool entire = ExportEntire->isChecked();
    if (entire && wasSearching) program_.setSearchMode(false);
    stop_ = false;
    setRunning(true);
    MyGauge->setRange(0, int(std::min<uint64_t>(table->recordCount(), INT_MAX)));
    const ExportResult result =
        exportRecords(*table, path, r, displayFormats(), [this](uint64_t done, uint64_t total) {
            MyGauge->setMaximum(int(std::min<uint64_t>(total, INT_MAX)));
            MyGauge->setValue(int(std::min<uint64_t>(done, INT_MAX)));
            QApplication::processEvents();
            return !stop_;
        });
    setRunning(false);
    if (entire && wasSearching) {
        program_.setSearchMode(true);
        (void)table->refresh();
    }
    MyGauge->setValue(0);
    switch (result.outcome) {
        case ExportResult::Outcome::Done:
            exported_ = true;
            ui.notice(QStringLiteral("Ok"), QStringLiteral("Export Complete."));
            accept();
            break;
        case ExportResult::Outcome::Stopped:
            ui.notice(QStringLiteral("Notice"),
                      QStringLiteral("The export was stopped; nothing was written."));
            if (closeRequested_) done(QDialog::Rejected);
            break;
        case ExportResult::Outcome::Failed:
            ui.error(result.error + QStringLiteral("  Nothing was exported."));
            break;
    }
}

bool runExport(QWidget* parent, mainwin::Program& program) {
    TMyExport window(program, parent);
    window.exec();
    return window.exported();
}

}  // namespace vz::exchange
