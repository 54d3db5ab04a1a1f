#include "reports/ChartOutput.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QWidget>
#include <optional>

#include "common/FileReplacement.h"
#include "common/PrintJob.h"
#include "reports/ReportPrinter.h"

namespace vz::reports {
namespace {

constexpr double kMarginInches = 0.5;

// Draws `view` into `page` (device pixels of `painter`'s device), as large as it fits with its
// proportions kept, centred.
void drawFitted(QPainter& painter, QWidget* view, const QRectF& page) {
    const QSizeF size = view->size();
    if (size.isEmpty()) return;
    const double scale = std::min(page.width() / size.width(), page.height() / size.height());
    painter.save();
    painter.translate(page.left() + (page.width() - size.width() * scale) / 2,
                      page.top() + (page.height() - size.height() * scale) / 2);
    painter.scale(scale, scale);
    view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.restore();
}

QRectF insideMargins(const QPaintDevice& device) {
    const double m = kMarginInches * device.logicalDpiX();
    return QRectF(m, m, device.width() - 2 * m, device.height() - 2 * m);
}

}  // namespace

bool saveChartPicture(QWidget* view, const QString& path, const QString& title, QString& error) {
    FileReplacement file(path);
    if (file.tempPath().isEmpty()) {
        error = QStringLiteral("%1 could not be written: %2").arg(path, file.error());
        return false;
    }
    bool drawn = false;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        QPdfWriter pdf(file.tempPath());
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Kestrelhouse Vazovi 97"));
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF()));
        QPainter painter;
        if (painter.begin(&pdf)) {
            drawFitted(painter, view, insideMargins(pdf));
            drawn = painter.end();
        }
    } else {
        QImage image(view->size() * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        }
        drawn = image.save(file.tempPath(), "PNG");
    }
    if (!drawn) {
        error = QStringLiteral("%1 could not be written: the picture could not be made.").arg(path);
        return false;
    }
    if (!file.commit()) {
        error = QStringLiteral("%1 could not be written: %2").arg(path, file.error());
        return false;
    }
    return true;
}

bool printChartPicture(QWidget* view, const PrintChoice& choice, const QString& title,
                       QString& error) {
    if (PrintJob::inProgress()) {
        error = QStringLiteral("Another job is printing.  Wait until it has finished.");
        return false;
    }
    PrintJob job;
    std::optional<FileReplacement> pdf;
    if (!choice.outputFile.isEmpty()) {
        pdf.emplace(choice.outputFile);
        if (pdf->tempPath().isEmpty()) {
            error = QStringLiteral("The chart could not be printed: %1").arg(pdf->error());
            return false;
        }
    }
    const QStringList names = reportPrinterNames();
    auto printer =
        makeReportPrinter(choice.printerName.isEmpty(), int(names.indexOf(choice.printerName)),
                          pdf ? pdf->tempPath() : QString());
    printer->setDocName(title);
    printer->setPageOrientation(QPageLayout::Landscape);
    printer->setCopyCount(1);
    QPainter painter;
    if (!painter.begin(printer.get())) {
        const QString where = !choice.outputFile.isEmpty() ? choice.outputFile
                              : !choice.printerName.isEmpty()
                                  ? choice.printerName
                                  : QStringLiteral("the default printer");
        error =
            QStringLiteral("The chart could not be printed: %1 could not be started.").arg(where);
        return false;
    }
    const int copies = std::max(1, choice.copies);
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0) printer->newPage();
        drawFitted(painter, view, insideMargins(*printer));
    }
    if (!painter.end() || (pdf && !pdf->commit())) {
        error = QStringLiteral("The chart could not be printed: %1")
                    .arg(pdf && !pdf->error().isEmpty()
                             ? pdf->error()
                             : QStringLiteral("the printer reported a failure."));
        return false;
    }
    return true;
}

}  // namespace vz::reports
