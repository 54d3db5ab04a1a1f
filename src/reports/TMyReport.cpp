#include "reports/TMyReport.h"

#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <optional>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/OwnFiles.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "reports/PageStream.h"
#include "reports/PageTarget.h"
#include "reports/ReportDevice.h"
#include "reports/ReportFile.h"
#include "reports/ReportPrinter.h"
#include "reports/TMyPreview.h"
#include "reports/TPrintSelect.h"
#include "reports/TReportStatus.h"
#include "reports/TUserReport.h"

namespace vz::reports {

namespace {

const QString kNoSelection = QStringLiteral("No Report has been selected.  Please choose one.");

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

TMyReport::TMyReport(mainwin::Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
    setWindowTitle(QStringLiteral("Reports"));
    setHelpTopic(this, QStringLiteral("Report Window"));
    auto* layout = new QVBoxLayout(this);

    auto* what = new QGroupBox(QStringLiteral("What to Print"), this);
    auto* whatRow = new QHBoxLayout(what);
    PrintSearch = new QRadioButton(QStringLiteral("Print Search Criteria"), what);
    PrintEntire = new QRadioButton(QStringLiteral("Print Entire Database"), what);
    whatRow->addWidget(PrintSearch);
    whatRow->addWidget(PrintEntire);
    layout->addWidget(what);

    auto* middle = new QHBoxLayout;
    auto* selection = new QGroupBox(QStringLiteral("Report Selection"), this);
    auto* selectionBox = new QVBoxLayout(selection);
    ReportList = new QListWidget(selection);
    ReportList->setMinimumSize(260, 180);
    selectionBox->addWidget(ReportList);
    middle->addWidget(selection, 1);

    auto* buttons = new QVBoxLayout;
    auto button = [&](const QString& text, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    ViewButton = button(QStringLiteral("&View"), &TMyReport::ViewButtonClick);
    ViewButton->setDefault(true);
    button(QStringLiteral("&Print"), &TMyReport::PrintButtonClick);
    button(QStringLiteral("Print To &File"), &TMyReport::PrintToFileClick);
    button(QStringLiteral("&New Report"), &TMyReport::NewReportClick);
    button(QStringLiteral("&Modify Report"), &TMyReport::ModifyReportClick);
    button(QStringLiteral("&Help"), &TMyReport::HelpButtonClick);
    button(QStringLiteral("E&xit"), [this] { close(); });
    buttons->addStretch();
    middle->addLayout(buttons);
    layout->addLayout(middle, 1);

    auto* sort = new QGroupBox(QStringLiteral("Current Sort Order"), this);
    auto* sortBox = new QVBoxLayout(sort);
    SortOrderPanel = new QLabel(sort);
    SortOrderPanel->setWordWrap(true);
    sortBox->addWidget(SortOrderPanel);
    layout->addWidget(sort);

    buildMenus();
    connect(ReportList, &QListWidget::itemDoubleClicked, this, &TMyReport::ViewButtonClick);
    LoadReportBox();
}

TMyReport::~TMyReport() = default;

void TMyReport::buildMenus() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    auto item = [this](QMenu* menu, const QString& text, const QString& keys, auto slot) {
        QAction* a = menu->addAction(text);
        a->setShortcut(QKeySequence(keys));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    item(file, QStringLiteral("&View"), QStringLiteral("Ctrl+V"), &TMyReport::ViewButtonClick);
    item(file, QStringLiteral("&Print"), QStringLiteral("Ctrl+P"), &TMyReport::PrintButtonClick);
    item(file, QStringLiteral("Print To &File"), QStringLiteral("Ctrl+F"),
         &TMyReport::PrintToFileClick);
    file->addSeparator();
    item(file, QStringLiteral("Printer &Setup"), QStringLiteral("Ctrl+S"),
         &TMyReport::PrinterSetupClick);
    file->addSeparator();
    item(file, QStringLiteral("E&xit"), QStringLiteral("Ctrl+X"), [this] { close(); });
    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    item(options, QStringLiteral("&Modify Report"), QStringLiteral("Ctrl+M"),
         &TMyReport::ModifyReportClick);
    item(options, QStringLiteral("&New Report"), QStringLiteral("Ctrl+N"),
         &TMyReport::NewReportClick);
    QAction* help = bar->addAction(QStringLiteral("&Help"));
    connect(help, &QAction::triggered, this, &TMyReport::HelpButtonClick);
}

QString TMyReport::reportFile() const {
    return reportFilePath(program_.programFolder());
}

void TMyReport::LoadReportBox() {
    ReportList->clear();
    ReportList->addItems(ListReports(reportFile()));
}

void TMyReport::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TMyReport::FormShow() {
    const bool searching = program_.searchMode();
    PrintSearch->setEnabled(searching);
    PrintSearch->setChecked(searching);
    PrintEntire->setChecked(!searching);
    const int last = program_.settings().database.reports.lastReport;
    if (last >= 0 && last < ReportList->count()) ReportList->setCurrentRow(last);
    ReportList->setFocus();
    SortOrderPanel->setText(sortOrderText());
}

QString TMyReport::sortOrderText() const {
    const data::DatabaseSettings& d = program_.settings().database;
    QStringList names;
    for (int level : d.sortLevels.level)
        if (level >= 1 && level <= data::kFieldCount) names << d.field(level).caption;
    return names.isEmpty() ? QStringLiteral("No Sort Order Selected")
                           : names.join(QStringLiteral(", "));
}

void TMyReport::FormClose() {
    if (ReportList->currentRow() >= 0)
        program_.settings().database.reports.lastReport = ReportList->currentRow();
}

void TMyReport::done(int result) {
    if (running_) return;  // a job ends before its window closes
    FormClose();
    QDialog::done(result);
}

void TMyReport::setControlsEnabled(bool on) {
    // The window's own controls only: the status window and the preview are its children.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isWindow()) w->setEnabled(on);
}

void TMyReport::selectionError() {
    program_.ui().message({QStringLiteral("Error"), kNoSelection, Buttons::Ok, Answer::Ok,
                           MessageIcon::Warning, false});
    ReportList->setFocus();
}

void TMyReport::ViewButtonClick() {
    runJob(ReportMode::View);
}
void TMyReport::PrintButtonClick() {
    runJob(ReportMode::Print);
}

void TMyReport::PrintToFileClick() {
    FileDialogRequest r;
    r.title = QStringLiteral("Save Report As a Text File");
    r.filters = {QStringLiteral("Text Files (*.TXT)")};
    r.defaultExtension = QStringLiteral("TXT");
    const std::optional<QString> chosen = program_.ui().saveFileName(r);
    if (!chosen || chosen->isEmpty()) return;
    runJob(ReportMode::TextFile, *chosen);
}

void TMyReport::HelpButtonClick() {
    program_.ui().help(QStringLiteral("Report Window"));
}

void TMyReport::PrinterSetupClick() {
    TPrintSelect select(program_.settings().database.reports, this);
    select.exec();
}

void TMyReport::NewReportClick() {
    TUserReport designer(program_, reportFile(), -1, this);
    designer.onListChanged = [this](int select) {
        LoadReportBox();
        ReportList->setCurrentRow(select);
    };
    designer.exec();
}

void TMyReport::ModifyReportClick() {
    const int index = ReportList->currentRow();
    if (index < 0) return selectionError();
    TUserReport designer(program_, reportFile(), index, this);
    if (!designer.loaded()) return;
    designer.onListChanged = [this](int select) {
        LoadReportBox();
        ReportList->setCurrentRow(std::min(select, ReportList->count() - 1));
    };
    designer.exec();
}

void TMyReport::runJob(ReportMode mode, const QString& textFile) {
    if (running_) return;
    Interaction& ui = program_.ui();
    const bool wholeTable = PrintEntire->isChecked();
    const int index = ReportList->currentRow();
    if (index < 0) return selectionError();
    auto definition = LoadReport(reportFile(), index);
    if (!definition) {
        const QString text = definition.status().code() == engine::Status::Code::NotFound
                                 ? QStringLiteral("Report format could not be located.")
                                 : fromStd(definition.status().message());
        ui.message(
            {QStringLiteral("Error"), text, Buttons::Ok, Answer::Ok, MessageIcon::Warning, false});
        return;
    }
    engine::Table* table = program_.database().table();
    if (table == nullptr) return;
    const QString tablePath = fromStd(table->path());
    if (mode == ReportMode::TextFile) {
        if (const QString why =
                data::protectedFileReason(textFile, tablePath, program_.programFolder());
            !why.isEmpty()) {
            ui.error(why);
            return;
        }
    }
    data::ReportSettings& settings = program_.settings().database.reports;
    ReportDevice device;
    if (mode == ReportMode::Print &&
        !device.open(settings, ui, tablePath, program_.programFolder()))
        return;

    // A whole-table report over an active search: the search is off for the job.
    const bool searchEnded = wholeTable && program_.searchMode();
    if (searchEnded) {
        if (endSearch)
            endSearch();
        else
            program_.setSearchMode(false);
    }
    // Ending the search reopens the table: take it only now.
    table = program_.database().table();
    if (table == nullptr) {
        if (searchEnded) {
            if (restoreSearch)
                restoreSearch();
            else
                program_.setSearchMode(true);
        }
        return;
    }
    running_ = true;
    jobRan_ = true;
    if (dimViewer) dimViewer(true);
    setControlsEnabled(false);

    // The pages of a view or text-file job are recorded on the paper of the printer in use, so
    // the preview shows what printing it gives.
    std::unique_ptr<QPrinter> paper;
    if (mode != ReportMode::Print)
        paper = makeReportPrinter(settings.defaultPrinter, settings.printerIndex);
    PageStream stream(paper ? paper->pageLayout().pageSize() : QPageSize(QPageSize::Letter));
    std::unique_ptr<PagedDeviceTarget> printerTarget;
    PageTarget* target = &stream;
    if (mode == ReportMode::Print) {
        printerTarget = std::make_unique<PagedDeviceTarget>(device.printer(), device.name());
        target = printerTarget.get();
    }
    PageEngine engine(*target);
    TReportStatus status(this);
    status.onCancel = [&engine] { engine.requestCancel(); };
    status.jobStarted();
    status.show();
    std::unique_ptr<TMyPreview> preview;
    const TMyPreview::Context context{ui, settings, tablePath, program_.programFolder()};
    auto openPreview = [&] {
        preview = std::make_unique<TMyPreview>(stream, definition->name, context, this);
        preview->show();
        preview->raise();
        preview->activateWindow();
    };
    engine.onStatus = [&](const QString& text) {
        // The first page is done: the preview shows it while the rest is laid out.
        if (mode == ReportMode::View && !preview && stream.finishedPages() >= 1) openPreview();
        if (preview) preview->pagesGrew();
        status.progress(text);
    };
    lastResult_ =
        runReport(*definition, *table, ReportContext::fromSettings(program_.settings().database),
                  mode, engine, textFile);
    engine.onStatus = nullptr;
    bool ok = lastResult_.outcome == PageEngine::Outcome::Completed;
    if (mode == ReportMode::Print) ok = device.finish(ok, ui) && ok;
    status.jobEnded(lastResult_.statusText());
    if (dimViewer) dimViewer(false);
    setControlsEnabled(true);

    const bool cancelled = lastResult_.outcome == PageEngine::Outcome::Cancelled;
    if (mode == ReportMode::View && cancelled) preview.reset();
    // A preview the collector closed while the report was laid out stays closed.
    if (preview && !preview->isVisible()) preview.reset();
    if (preview) {
        // The preview took over: it carries the closing note when the report is incomplete.
        status.close();
        preview->layoutEnded(ok ? QString() : lastResult_.statusText());
    } else {
        if (waitForOk_) status.exec();
        status.close();
        if (mode == ReportMode::View && !cancelled && ok) {
            openPreview();
            preview->layoutEnded(QString());
        }
    }
    running_ = false;
    if (preview) {
        if (previewShown)
            previewShown(*preview);
        else
            preview->exec();
        preview->close();
        preview.reset();
    }
    if (searchEnded) {
        if (restoreSearch)
            restoreSearch();
        else
            program_.setSearchMode(true);
    }
}

}  // namespace vz::reports
