// ReportPrinter: the printer a report job prints on, chosen as the report settings say.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;

namespace vz::reports {

// The names of the system's printers, in the order the printer index counts them.
QStringList reportPrinterNames();

// A printer for a report job: the system's default printer, or else the printer at `index` in
// reportPrinterNames() (the default printer when there is none at that index). With
// `pdfFile` set, it prints to that PDF file instead, writing into it directly: a window printing
// to a file the collector named first refuses the collection's own files
// (data::protectedFileReason), then passes a FileReplacement's tempPath() here and commits it when
// the job has ended well, so that no existing file is truncated before the report is complete.
// The printer is in full-page mode with no page margins, so that a report's own margins are
// measured from the edge of the paper.
std::unique_ptr<QPrinter> makeReportPrinter(bool useDefault, int index, const QString& pdfFile = {});

}  // namespace vz::reports
