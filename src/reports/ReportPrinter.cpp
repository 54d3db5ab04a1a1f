#include "reports/ReportPrinter.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace vz::reports {

QStringList reportPrinterNames() { return QPrinterInfo::availablePrinterNames(); }

std::unique_ptr<QPrinter> makeReportPrinter(bool useDefault, int index, const QString& pdfFile) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!pdfFile.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfFile);
    } else if (!useDefault) {
        const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
        if (index >= 0 && index < printers.size()) printer->setPrinterName(printers[index].printerName());
    }
    printer->setFullPage(true);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
    return printer;
}

}  // namespace vz::reports
