#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "common/ScriptedInteraction.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "reports/PageStream.h"
#include "reports/ReportFile.h"
#include "reports/TMyPreview.h"
#include "reports/TMyReport.h"
#include "reports/TPrintRange.h"
#include "reports/TPrintSelect.h"
#include "reports/TUserReport.h"

using namespace vz;
using namespace vz::reports;

namespace {

constexpr int kCatalog = 0, kDescription = 1, kCountry = 2, kQuantity = 5, kWanted = 24;

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {pdf, "-"});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    if (!p.waitForFinished(30000)) return -1;
    for (const QString& line : QString::fromLatin1(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

QString readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll())
                                       : QStringLiteral("<missing>");
}

class ReportWindow : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        displayFormats() = DisplayFormats{};
        program = std::make_unique<mainwin::Program>(dir.path(), globalSettingsPath(), ui);
        ASSERT_TRUE(program->startUp());
        // Printing goes to a PDF file, which every system offers.
        program->settings().database.reports.defaultPrinter = false;
        program->settings().database.reports.printerIndex = int(printerChoices().size()) - 1;
        window = std::make_unique<TMyReport>(*program);
        window->setWaitForOk(false);
    }
    void TearDown() override {
        window.reset();
        program->shutDown();
    }
    engine::Table& table() { return *program->database().table(); }
    void addStamps(int count, const char* country, const char* prefix = "S") {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(table().append());
            ASSERT_TRUE(
                table().setText(kCatalog, QStringLiteral("%1%2").arg(prefix).arg(i).toStdString()));
            ASSERT_TRUE(table().setText(kCountry, country));
            ASSERT_TRUE(table().setText(
                kDescription, QStringLiteral("Stamp %1 of %2").arg(i).arg(country).toStdString()));
            ASSERT_TRUE(table().setWhole(kQuantity, 1));
            ASSERT_TRUE(table().setText(kWanted, "No"));
            ASSERT_TRUE(table().post());
        }
    }
    void choose(const QString& report) {
        window->FormShow();
        const auto items = window->reportList()->findItems(report, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        window->reportList()->setCurrentItem(items.front());
    }
    std::vector<QString> messageTexts() {
        std::vector<QString> out;
        for (const Message& m : ui.messages()) out.push_back(m.text);
        return out;
    }

    QTemporaryDir dir;
    ScriptedInteraction ui;
    std::unique_ptr<mainwin::Program> program;
    std::unique_ptr<TMyReport> window;
};

}  // namespace

TEST_F(ReportWindow, RefusesWithoutAReportOrADefinitionsFile) {
    window->FormShow();
    window->reportList()->setCurrentRow(-1);
    window->ViewButtonClick();
    window->ModifyReportClick();
    ASSERT_EQ(ui.messages().size(), 2u);
    for (const Message& m : ui.messages()) {
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.text, "No Report has been selected.  Please choose one.");
        EXPECT_EQ(m.icon, MessageIcon::Warning);
    }
    EXPECT_FALSE(window->lastJobRan());

    choose("Full Report");
    ASSERT_TRUE(QFile::remove(window->reportFile()));
    window->PrintButtonClick();
    EXPECT_EQ(messageTexts().back(), "Report format could not be located.");
    EXPECT_FALSE(window->lastJobRan());

    // A text file is never written over one of the collection's own files.
    ASSERT_TRUE(CreateDefaultReports(window->reportFile()));
    window->LoadReportBox();
    choose("Full Report");
    ui.fileNames.push_back(QString::fromStdString(table().path()));
    window->PrintToFileClick();
    EXPECT_FALSE(window->lastJobRan());
    EXPECT_EQ(ui.messages().back().caption, "Error");
}

TEST_F(ReportWindow, ShowsTheSortOrderAndOffersTheSearchOnlyWhenOneIsOn) {
    window->FormShow();
    EXPECT_FALSE(window->searchButton()->isEnabled());
    EXPECT_TRUE(window->wholeButton()->isChecked());
    EXPECT_EQ(window->sortOrderPanel()->text(), program->settings().database.field(3).caption);
    EXPECT_EQ(window->reportList()->count(), 6);
    EXPECT_EQ(window->reportList()->currentRow(), 0);  // "Last Report"

    program->settings().database.sortLevels.level = {0, 0, 0, 0};
    program->setSearchMode(true);
    window->reportList()->setCurrentRow(3);
    window->FormClose();
    EXPECT_EQ(program->settings().database.reports.lastReport, 3);
    window->FormShow();
    EXPECT_TRUE(window->searchButton()->isEnabled());
    EXPECT_TRUE(window->searchButton()->isChecked());
    EXPECT_EQ(window->sortOrderPanel()->text(), "No Sort Order Selected");
    EXPECT_EQ(window->reportList()->currentRow(), 3);
}

// The search result or the whole table; the search is back on after a whole-table report.
TEST_F(ReportWindow, PrintsTheSearchResultOrTheWholeTable) {
    addStamps(2, "Chile", "C");
    addStamps(3, "Peru", "P");
    program->searchTest = [](const engine::Table& t) {
        return t.text(kCountry).rfind("Chile", 0) == 0;
    };
    program->setSearchMode(true);
    bool searchDuringJob = true;
    int ended = 0, restored = 0;
    window->endSearch = [&] {
        ++ended;
        program->setSearchMode(false);
    };
    window->restoreSearch = [&] {
        ++restored;
        program->setSearchMode(true);
    };
    const QString text = dir.filePath("out.txt");

    choose("120 Column 1 Line Report");
    ui.fileNames.push_back(text);
    window->PrintToFileClick();
    ASSERT_EQ(window->lastResult().outcome, PageEngine::Outcome::Completed)
        << window->lastResult().error.toStdString();
    QString out = readFile(text);
    EXPECT_TRUE(out.contains("C1")) << out.toStdString();
    EXPECT_FALSE(out.contains("P1")) << out.toStdString();
    EXPECT_EQ(ended, 0);

    choose("120 Column 1 Line Report");
    window->wholeButton()->setChecked(true);
    window->dimViewer = [&](bool on) {
        if (on) searchDuringJob = program->searchMode();
    };
    ui.fileNames.push_back(text);
    window->PrintToFileClick();
    out = readFile(text);
    EXPECT_TRUE(out.contains("C1") && out.contains("P2")) << out.toStdString();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(restored, 1);
    EXPECT_FALSE(searchDuringJob);
    EXPECT_TRUE(program->searchMode());

    // A cancelled file dialog runs nothing.
    ui.fileNames.push_back(std::nullopt);
    QFile::remove(text);
    window->PrintToFileClick();
    EXPECT_FALSE(QFile::exists(text));
}

TEST_F(ReportWindow, ACancelledViewOpensNoPreview) {
    addStamps(40, "Chile");
    choose("Full Report");
    bool previewed = false;
    window->previewShown = [&](TMyPreview&) { previewed = true; };
    // Cancel as soon as the status window lets events through.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowTitle() == "Report Status Screen" && w->isVisible())
                w->findChild<QPushButton*>()->click();
    });
    window->ViewButtonClick();
    EXPECT_EQ(window->lastResult().outcome, PageEngine::Outcome::Cancelled);
    EXPECT_FALSE(previewed);
}

// The preview: paging, zoom, and what it prints is what a print job prints.
TEST_F(ReportWindow, PreviewPagesZoomsAndPrintsWhatAPrintJobPrints) {
    addStamps(30, "Chile");
    choose("Full Report");
    int pages = 0;
    QString fromPreview = dir.filePath("preview.pdf");
    window->previewShown = [&](TMyPreview& p) {
        pages = p.view().pageCount();
        ASSERT_GT(pages, 2);
        EXPECT_FALSE(p.layingOut());
        EXPECT_EQ(p.pageLabel(), QStringLiteral("Page 1 of %1").arg(pages));
        p.NextPage();
        EXPECT_EQ(p.pageLabel(), QStringLiteral("Page 2 of %1").arg(pages));
        EXPECT_EQ(p.pageField()->text(), "2");
        p.LastPage();
        p.NextPage();  // past the end: stays
        EXPECT_EQ(p.view().currentPage(), pages);
        p.FirstPage();
        p.PrevPage();
        EXPECT_EQ(p.view().currentPage(), 1);
        p.pageField()->setText("3");
        emit p.pageField()->editingFinished();
        EXPECT_EQ(p.view().currentPage(), 3);
        p.pageField()->setText("x");
        emit p.pageField()->editingFinished();
        EXPECT_EQ(p.pageField()->text(), "3");

        p.setZoom(200);
        EXPECT_EQ(p.zoomText(), "200.0");
        p.ZoomIn();
        EXPECT_EQ(p.zoomText(), "250.0");
        p.ZoomOut();
        p.ZoomOut();
        EXPECT_EQ(p.zoomText(), "160.0");
        p.zoomField()->setText("75");
        emit p.zoomField()->editingFinished();
        EXPECT_DOUBLE_EQ(p.view().zoom(), 75);
        p.UseColor(false);
        EXPECT_FALSE(p.colourItem()->isChecked());

        ui.fileNames.push_back(fromPreview);
        EXPECT_TRUE(p.printPages(1, pages));
    };
    window->ViewButtonClick();
    ASSERT_GT(pages, 2);

    const QString direct = dir.filePath("direct.pdf");
    ui.fileNames.push_back(direct);
    window->PrintButtonClick();
    ASSERT_EQ(window->lastResult().outcome, PageEngine::Outcome::Completed)
        << window->lastResult().error.toStdString();
    EXPECT_EQ(window->lastResult().pages, pages);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_EQ(pdfPages(direct), pages);
    EXPECT_EQ(pdfPages(fromPreview), pages);
    const QString text = pdfText(direct);
    EXPECT_TRUE(text.contains("Stamp 29 of Chile"));
    EXPECT_EQ(pdfText(fromPreview).toStdString(), text.toStdString());
}

TEST(PrintRange, RefusesAStartOutsideTheReportAndAnEndBeforeTheStart) {
    const QString start = "Invalid Starting Page specified. Please correct.";
    const QString end = "Invalid Ending Page specified.  Please correct.";
    EXPECT_EQ(TPrintRange::rangeProblem("0", "3", 3), start);
    EXPECT_EQ(TPrintRange::rangeProblem("4", "4", 3), start);
    EXPECT_EQ(TPrintRange::rangeProblem("x", "3", 3), start);
    EXPECT_EQ(TPrintRange::rangeProblem("2", "1", 3), end);
    EXPECT_EQ(TPrintRange::rangeProblem("1", "4", 3), end);
    EXPECT_EQ(TPrintRange::rangeProblem("2", "3", 3), QString());

    ScriptedInteraction ui;
    TPrintRange range(5, ui);
    EXPECT_EQ(range.startField()->text(), "1");
    EXPECT_EQ(range.endField()->text(), "5");
    range.startField()->setText("0");
    range.PrintButtonClick();
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].caption, "Error");
    EXPECT_EQ(ui.messages()[0].text, start);
    EXPECT_NE(range.result(), QDialog::Accepted);
    range.startField()->setText("2");
    range.endField()->setText("4");
    range.PrintButtonClick();
    EXPECT_EQ(range.result(), QDialog::Accepted);
    EXPECT_EQ(range.firstPage(), 2);
    EXPECT_EQ(range.lastPage(), 4);
}

// ---- The designer ----

TEST_F(ReportWindow, DesignerWidthSwitchesAskAndReFitTheLines) {
    TUserReport designer(*program, window->reportFile(), 0, nullptr);  // "120 Column 1 Line Report"
    ASSERT_TRUE(designer.loaded());
    ReportDefinition& def = designer.definition();
    ASSERT_EQ(def.width, 120);

    // No keeps everything.
    ui.answers.push_back(Answer::No);
    designer.widthChosen(90);
    EXPECT_EQ(def.width, 120);
    EXPECT_TRUE(designer.widthButton(120)->isChecked());
    EXPECT_EQ(ui.messages().back().caption, "Warning");
    EXPECT_EQ(ui.messages().back().defaultButton, Answer::No);

    // Yes re-fits line 1 to 90 and sets the body to 10 points.
    ui.answers.push_back(Answer::Yes);
    designer.widthChosen(90);
    EXPECT_EQ(def.width, 90);
    EXPECT_EQ(def.bodyFont.size, 10);
    int sum = 0;
    for (int j = 0; j < usedItemCount(def.reportLines[0]); ++j)
        sum += def.reportLines[0][size_t(j)].width;
    EXPECT_EQ(sum, 90);

    // To 150 asks nothing and gives notice of the 6-point body.
    const size_t before = ui.messages().size();
    designer.widthChosen(150);
    EXPECT_EQ(def.width, 150);
    EXPECT_EQ(def.bodyFont.size, 6);
    ASSERT_EQ(ui.messages().size(), before + 1);
    EXPECT_EQ(ui.messages().back().caption, "Notice");
    // From 150 to 120 asks first.
    ui.answers.push_back(Answer::No);
    designer.widthChosen(120);
    EXPECT_EQ(def.width, 150);
}

TEST_F(ReportWindow, DesignerSavesAsNewOrOverwritesAndDeletes) {
    const QString file = window->reportFile();
    int selected = -2;
    {
        TUserReport designer(*program, file, 2, nullptr);  // "Full Report"
        designer.onListChanged = [&](int i) { selected = i; };
        designer.nameField()->setText("My Full Report");
        designer.linesField()->setText("13");
        designer.UpdateButtonClick();
        EXPECT_EQ(messageTexts().back(),
                  "Number of lines must be in range of 0 to 12.  Please correct.");
        EXPECT_EQ(reportCount(file), 6);
        designer.linesField()->setText("8");
        ui.answers.push_back(Answer::Cancel);
        designer.UpdateButtonClick();
        EXPECT_EQ(reportCount(file), 6);
        ui.answers.push_back(Answer::Yes);  // save as a new report
        designer.UpdateButtonClick();
    }
    EXPECT_EQ(reportCount(file), 7);
    EXPECT_EQ(selected, 6);
    EXPECT_EQ(ListReports(file)[2], "Full Report");
    EXPECT_EQ(ListReports(file)[6], "My Full Report");
    {
        TUserReport designer(*program, file, 2, nullptr);
        designer.nameField()->setText("Renamed");
        ui.answers.push_back(Answer::No);  // overwrite
        designer.UpdateButtonClick();
    }
    EXPECT_EQ(reportCount(file), 7);
    EXPECT_EQ(ListReports(file)[2], "Renamed");
    {
        TUserReport designer(*program, file, 0, nullptr);
        ui.answers.push_back(Answer::No);
        designer.DeleteButtonClick();
        EXPECT_EQ(reportCount(file), 7);
        ui.answers.push_back(Answer::Yes);
        designer.DeleteButtonClick();
    }
    EXPECT_EQ(reportCount(file), 6);
    EXPECT_EQ(ListReports(file)[0], "120 Column 2 Line Report");
    {
        // A new report cannot be deleted and is appended.
        TUserReport designer(*program, file, -1, nullptr);
        EXPECT_FALSE(designer.deleteButton()->isEnabled());
        EXPECT_TRUE(designer.widthButton(90)->isChecked());
        designer.nameField()->setText("Fresh");
        designer.UpdateButtonClick();
    }
    EXPECT_EQ(ListReports(file).back(), "Fresh");
}

TEST(PrintSelect, OffersThePrintersAndAPdfFileAndStoresTheChoiceOnOkOnly) {
    data::ReportSettings settings;
    const QStringList choices = printerChoices();
    ASSERT_FALSE(choices.isEmpty());
    EXPECT_EQ(choices.back(), pdfPrinterEntry());
    settings.defaultPrinter = false;
    settings.printerIndex = int(choices.size()) - 1;
    EXPECT_TRUE(printsToPdf(settings));
    settings.printerIndex = 99;  // no such printer: a PDF file rather than nothing
    EXPECT_TRUE(printsToPdf(settings));

    settings.printerIndex = int(choices.size()) - 1;
    TPrintSelect select(settings);
    select.FormShow();
    EXPECT_TRUE(select.otherButton()->isChecked());
    EXPECT_EQ(select.printerList()->currentIndex(), int(choices.size()) - 1);
    select.defaultButton()->setChecked(true);
    select.reject();  // Cancel changes nothing
    EXPECT_FALSE(settings.defaultPrinter);
    select.defaultButton()->setChecked(true);
    select.OkButtonClick();
    EXPECT_TRUE(settings.defaultPrinter);
}

// A long report shows its first page in the preview while the rest is still being laid out.
TEST_F(ReportWindow, TheFirstPageShowsWhileTheReportIsLaidOut) {
    addStamps(60, "Chile");
    choose("Full Report");
    int pagesSeenEarly = 0;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TMyPreview*>(w);
                p && p->isVisible() && p->layingOut() && !pagesSeenEarly)
                pagesSeenEarly = p->view().pageCount();
    });
    watch.start();
    int finalPages = 0;
    QString note = "unset";
    window->previewShown = [&](TMyPreview& p) {
        finalPages = p.view().pageCount();
        note = p.note();
    };
    window->ViewButtonClick();
    watch.stop();
    EXPECT_GE(pagesSeenEarly, 1);
    EXPECT_GT(finalPages, pagesSeenEarly);
    EXPECT_EQ(note, QString());  // completed: no closing note
}
