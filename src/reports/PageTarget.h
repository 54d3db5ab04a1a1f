// PageTarget: where the page engine's pages go.
//
// The page engine draws through a QPainter and does not care what is underneath: a printer, a
// PDF file or pages recorded for the preview. A target hands out the painter of the current
// page, starts the next page and ends the job. The painter's device coordinates start at the
// top-left corner of the paper (never at a printer's margins); the engine sets the transform
// from its own units to the device's resolution.
#pragma once

#include <QPainter>
#include <QSizeF>
#include <QString>

class QPagedPaintDevice;

namespace vz::reports {

class PageTarget {
public:
    virtual ~PageTarget() = default;

    // The paper size in inches, in the orientation in force.
    virtual QSizeF pageSizeInches() const = 0;
    // Portrait or landscape; before begin() only.
    virtual void setLandscape(bool landscape) = 0;

    // Starts the job on its first page. False, with error() saying why, when the device cannot
    // be painted on (a PDF file that cannot be created, a printer that refuses the job).
    [[nodiscard]] virtual bool begin() = 0;
    // The painter of the current page, between begin() and end().
    virtual QPainter& painter() = 0;
    // Ends the current page and starts the next. False, with error() set, when the device fails.
    [[nodiscard]] virtual bool newPage() = 0;
    // Ends the job. False, with error() set, when the device reports a failure.
    virtual bool end() = 0;
    virtual QString error() const = 0;
};

// A printer (QPrinter) or a PDF writer (QPdfWriter): anything that pages. The device's own page
// margins are set to zero so that its coordinates start at the corner of the paper; a QPrinter
// must also be in full-page mode (ReportPrinter does that).
class PagedDeviceTarget : public PageTarget {
public:
    // `device` must outlive the target. `name` (a printer's name or a file's path) is what error
    // messages call it.
    explicit PagedDeviceTarget(QPagedPaintDevice& device, QString name = {});

    QSizeF pageSizeInches() const override;
    void setLandscape(bool landscape) override;
    bool begin() override;
    QPainter& painter() override { return painter_; }
    bool newPage() override;
    bool end() override;
    QString error() const override { return error_; }

private:
    QPagedPaintDevice& device_;
    QString name_;
    QPainter painter_;
    QString error_;
};

}  // namespace vz::reports
