// ChartOutput: a chart on screen written to a picture file or printed.
//
// Files are written under a temporary name beside the target and renamed over it only when
// complete, so a failure leaves an existing file as it was. Printing holds the program's print
// job for its run.
#pragma once

#include <QString>

#include "common/Interaction.h"

class QWidget;

namespace vz::reports {

// Writes what `view` shows to `path`: a PDF page (landscape Letter, the picture fitted inside
// half-inch margins) when the name ends in ".pdf" in any letter case, else a PNG image at twice
// the view's size. False, with `error` naming the file and the cause, when it failed.
[[nodiscard]] bool saveChartPicture(QWidget* view, const QString& path, const QString& title,
                                    QString& error);

// Prints what `view` shows on one landscape page, fitted inside half-inch margins, on the
// printer `choice` names (its PDF file when it names one). False, with `error` saying why, when
// another job is printing, the printer could not be started or it failed.
[[nodiscard]] bool printChartPicture(QWidget* view, const PrintChoice& choice, const QString& title,
                                     QString& error);

}  // namespace vz::reports
