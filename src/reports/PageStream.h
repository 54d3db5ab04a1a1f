// PageStream: a report's pages recorded as pictures (QPicture), for the preview window and for
// printing later, whole or by page range.
//
// Pages are recorded at the resolution of a QPicture (the screen's logical resolution); drawing
// or printing scales them to the target, so a page prints at the printer's full resolution.
//
// A finished page is kept compressed in a temporary file, so a report of tens of thousands of
// pages costs a few bytes of memory a page; only the page last drawn is kept decoded. Where no
// temporary file can be written, the compressed pages stay in memory.
#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QPicture>
#include <QPointF>
#include <memory>
#include <vector>

#include "reports/PageTarget.h"

class QPagedPaintDevice;
class QTemporaryFile;

namespace vz::reports {

class PageStream : public PageTarget {
public:
    explicit PageStream(const QPageSize& paper = QPageSize(QPageSize::Letter),
                        bool landscape = false);
    ~PageStream() override;

    // PageTarget
    QSizeF pageSizeInches() const override;
    void setLandscape(bool landscape) override { landscape_ = landscape; }
    bool begin() override;
    QPainter& painter() override { return painter_; }
    bool newPage() override;
    bool end() override;
    QString error() const override { return {}; }

    bool landscape() const { return landscape_; }
    // The recorded pages; a job in progress counts its current page.
    int pageCount() const { return int(pages_.size()) + (painter_.isActive() ? 1 : 0); }
    // The pages finished so far: all of them once the job has ended. Only these can be drawn
    // or printed, so a preview may show them while the job still runs.
    int finishedPages() const { return int(pages_.size()); }
    // True between begin() and end().
    bool recording() const { return painter_.isActive(); }
    // Device pixels per inch of the recorded pages (a QPicture's resolution).
    double resolution() const;

    // Draws page `number` (1 to pageCount(); others draw nothing) with its top-left corner at
    // `topLeft`, one inch taking `pixelsPerInch` units of the painter. Without colour the page is
    // drawn in shades of grey; `visible`, when given, is the part of the painter's area that is
    // seen, and only that part is drawn.
    void drawPage(QPainter& painter, int number, QPointF topLeft, double pixelsPerInch,
                  bool colour = true, const QRectF& visible = QRectF()) const;

    // Prints pages `first` to `last` (1-based, clamped to the recorded pages) `copies` times on
    // `device`, a QPrinter or QPdfWriter set up by the caller (a QPrinter in full-page mode). The
    // device takes the stream's paper size and orientation. False, with `error` set, when the
    // device cannot be printed on or no page is in the range.
    [[nodiscard]] bool print(QPagedPaintDevice& device, int first, int last, int copies,
                             QString* error = nullptr);
    // True while a print job of the program runs (this stream's, or any other), when print()
    // refuses to start another.
    static bool printing();

private:
    // Where a finished page is kept: `size` bytes at `offset` of the spool file, or `bytes` when
    // the spool could not take it. Either way compressed.
    struct StoredPage {
        qint64 offset = 0;
        qint64 size = 0;
        QByteArray bytes;
    };
    void keep(const QPicture& page);
    // Page `number` (1 to finishedPages()), decoded; an empty picture when it cannot be read.
    const QPicture& page(int number) const;

    QPageSize paper_;
    bool landscape_;
    std::vector<StoredPage> pages_;  // finished pages
    std::unique_ptr<QTemporaryFile> spool_;
    qint64 spoolEnd_ = 0;
    mutable int decodedNumber_ = 0;  // the page held in decoded_, 0 for none
    mutable QPicture decoded_;
    QPicture current_;  // the page being recorded
    QPainter painter_;
};

}  // namespace vz::reports
