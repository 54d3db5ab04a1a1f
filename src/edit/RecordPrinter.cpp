#include "edit/RecordPrinter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <cmath>
#include <optional>

#include "common/FileReplacement.h"
#include "common/PrintJob.h"

namespace vz::edit {

void configurePrinter(QPrinter& printer, const PrintChoice& choice) {
    if (!choice.outputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(choice.outputFile);
        return;
    }
    printer.setOutputFormat(QPrinter::NativeFormat);
    if (!choice.printerName.isEmpty()) printer.setPrinterName(choice.printerName);
}

bool printRecord(const QStringList& lines, const PrintChoice& choice, const QString& jobTitle, QString& error) {
    PrintJob job;
    QPrinter printer(QPrinter::HighResolution);
    configurePrinter(printer, choice);
    // A PDF file is written beside the one it replaces and takes its place only when complete.
    std::optional<FileReplacement> pdf;
    if (!choice.outputFile.isEmpty()) {
        pdf.emplace(choice.outputFile);
        if (pdf->tempPath().isEmpty()) {
            error = QStringLiteral("The record could not be printed: %1").arg(pdf->error());
            return false;
        }
        printer.setOutputFileName(pdf->tempPath());
    }
    printer.setDocName(jobTitle);
    printer.setCopyCount(1);  // each copy is printed as pages of its own

    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString where = !choice.outputFile.isEmpty() ? choice.outputFile
                              : !choice.printerName.isEmpty() ? choice.printerName
                                                              : QStringLiteral("the default printer");
        error = QStringLiteral("The record could not be printed: %1 could not be started.").arg(where);
        return false;
    }
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    // The height of a line of text is the font's, whatever letters the line holds.
    const int lineHeight = int(std::lround(metrics.size(Qt::TextSingleLine, QStringLiteral("ABCDEWjky")).height() * 1.1));
    // The painter's origin is the top left corner of the printable area.
    const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
    const int left = printable.width() / 17;
    const int top = printable.height() / 22;

    const int copies = std::max(1, choice.copies);
    for (int copy = 0; copy < copies; ++copy) {
        for (qsizetype k = 0; k < lines.size(); ++k)
            painter.drawText(left, top + int(k) * lineHeight + metrics.ascent(), lines[k]);
        if (copy + 1 < copies) printer.newPage();
    }
    if (!painter.end() || (pdf && !pdf->commit())) {
        error = QStringLiteral("The record could not be printed: %1")
                    .arg(pdf && !pdf->error().isEmpty()
                             ? pdf->error()
                             : QStringLiteral("the printer reported a failure."));
        return false;
    }
    return true;
}

}  // namespace vz::edit
