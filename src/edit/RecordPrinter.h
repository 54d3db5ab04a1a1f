// RecordPrinter: prints the record shown in the edit window straight onto the printer, one page
// per copy, each page the same lines of "caption: text".
#pragma once

#include <QString>
#include <QStringList>

#include "common/Interaction.h"

class QPrinter;

namespace vz::edit {

// Points `printer` at what the printer dialog chose: the PDF file when one was named, otherwise
// the named printer (the default one when no name). Copies are left to the caller.
void configurePrinter(QPrinter& printer, const PrintChoice& choice);

// Prints `lines` in Arial 10 pt, starting a seventeenth of the printable width from the left and
// a twenty-second of the printable height from the top, 1.1 text heights apart, once per copy
// of `choice` with a new page between copies. The job is titled `jobTitle`. False, with `error`
// saying why, when the printer could not be started or failed; nothing is printed then. A PDF
// file is written under a temporary name beside it and renamed over it only when complete, so a
// failure leaves an existing file as it was.
[[nodiscard]] bool printRecord(const QStringList& lines, const PrintChoice& choice, const QString& jobTitle,
                               QString& error);

}  // namespace vz::edit
