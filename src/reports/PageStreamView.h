// PageStreamView: what the preview shows of a recorded report: the current page, the zoom and
// colour or grey. Logic only; the preview window keeps one, draws through paint() and shows
// pageLabel() and zoom().
#pragma once

#include <QSizeF>
#include <QString>

#include "reports/PageStream.h"

namespace vz::reports {

class PageStreamView {
public:
    static constexpr double kMinZoom = 10;  // percent
    static constexpr double kMaxZoom = 800;
    static constexpr double kZoomStep = 1.25;  // zoom in multiplies by it, zoom out divides

    // `stream` must outlive the view. The view starts on page 1 at 100 % in colour.
    explicit PageStreamView(const PageStream& stream);

    // The finished pages: while a job still records, the page in hand is not shown yet.
    int pageCount() const { return stream_.finishedPages(); }
    // 1 to pageCount(); 0 when the stream has no page.
    int currentPage() const;
    // False, with the page unchanged, when `number` is not a page of the stream.
    bool goToPage(int number);
    void firstPage() { goToPage(1); }
    void lastPage() { goToPage(pageCount()); }
    bool nextPage() { return goToPage(currentPage() + 1); }
    bool previousPage() { return goToPage(currentPage() - 1); }
    // "Page 2 of 5".
    QString pageLabel() const;

    // Percent; 100 shows the page at its real size on a screen of the given resolution.
    double zoom() const { return zoom_; }
    // Clamped to kMinZoom..kMaxZoom; a value that is no number is ignored.
    void setZoom(double percent);
    void zoomIn() { setZoom(zoom_ * kZoomStep); }
    void zoomOut() { setZoom(zoom_ / kZoomStep); }
    // The zoom at which the page's width, or the whole page, fills `viewport` pixels.
    void zoomToPageWidth(QSizeF viewport, double screenDpi);
    void zoomToWholePage(QSizeF viewport, double screenDpi);

    bool colour() const { return colour_; }
    void setColour(bool on) { colour_ = on; }

    // The current page's size in pixels at the zoom in force.
    QSizeF pageSizePixels(double screenDpi) const;
    // Draws the current page, on white paper, with its top-left corner at `topLeft`.
    // Only `visible`, when given, needs drawing.
    void paint(QPainter& painter, QPointF topLeft, double screenDpi,
               const QRectF& visible = QRectF()) const;

private:
    double pixelsPerInch(double screenDpi) const;

    const PageStream& stream_;
    int page_ = 1;
    double zoom_ = 100;
    bool colour_ = true;
};

}  // namespace vz::reports
