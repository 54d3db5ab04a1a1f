#include "reports/ReportDevice.h"

#include <QPrinter>

#include "common/FileReplacement.h"
#include "common/Interaction.h"
#include "data/OwnFiles.h"
#include "data/Settings.h"
#include "reports/ReportPrinter.h"
#include "reports/TPrintSelect.h"

namespace vz::reports {

ReportDevice::ReportDevice() = default;
ReportDevice::~ReportDevice() = default;

bool ReportDevice::open(const data::ReportSettings& settings, Interaction& ui,
                        const QString& tablePath, const QString& programFolder) {
    if (printsToPdf(settings)) {
        FileDialogRequest r;
        r.title = QStringLiteral("Print Report To a PDF File");
        r.filters = {QStringLiteral("PDF Files (*.PDF)")};
        r.defaultExtension = QStringLiteral("PDF");
        const std::optional<QString> chosen = ui.saveFileName(r);
        if (!chosen || chosen->isEmpty()) return false;
        if (const QString why = data::protectedFileReason(*chosen, tablePath, programFolder);
            !why.isEmpty()) {
            ui.error(why);
            return false;
        }
        replacement_ = std::make_unique<FileReplacement>(*chosen);
        if (replacement_->tempPath().isEmpty()) {
            ui.error(replacement_->error());
            replacement_.reset();
            return false;
        }
        pdfFile_ = *chosen;
        printer_ = makeReportPrinter(true, 0, replacement_->tempPath());
        return true;
    }
    printer_ = makeReportPrinter(settings.defaultPrinter, settings.printerIndex);
    return true;
}

QString ReportDevice::name() const {
    if (toPdf()) return pdfFile_;
    return printer_ ? printer_->printerName() : QString();
}

bool ReportDevice::finish(bool ok, Interaction& ui) {
    if (!ok || !replacement_) return ok;
    if (!replacement_->commit()) {
        ui.error(
            QStringLiteral("%1 could not be written: %2").arg(pdfFile_, replacement_->error()));
        return false;
    }
    return true;
}

}  // namespace vz::reports
