#include "reports/PageStreamView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vz::reports {

PageStreamView::PageStreamView(const PageStream& stream) : stream_(stream) {}

int PageStreamView::currentPage() const {
    const int count = pageCount();
    return count == 0 ? 0 : std::clamp(page_, 1, count);
}

bool PageStreamView::goToPage(int number) {
    if (number < 1 || number > pageCount()) return false;
    page_ = number;
    return true;
}

QString PageStreamView::pageLabel() const {
    return QStringLiteral("Page %1 of %2").arg(currentPage()).arg(pageCount());
}

void PageStreamView::setZoom(double percent) {
    if (!std::isfinite(percent)) return;
    zoom_ = std::clamp(percent, kMinZoom, kMaxZoom);
}

double PageStreamView::pixelsPerInch(double screenDpi) const {
    return (screenDpi > 0 ? screenDpi : 96) * zoom_ / 100;
}

void PageStreamView::zoomToPageWidth(QSizeF viewport, double screenDpi) {
    const QSizeF page = stream_.pageSizeInches();
    if (screenDpi <= 0 || page.width() <= 0 || viewport.width() <= 0) return;
    setZoom(100 * viewport.width() / (page.width() * screenDpi));
}

void PageStreamView::zoomToWholePage(QSizeF viewport, double screenDpi) {
    const QSizeF page = stream_.pageSizeInches();
    if (screenDpi <= 0 || page.isEmpty() || viewport.isEmpty()) return;
    setZoom(100 * std::min(viewport.width() / (page.width() * screenDpi),
                           viewport.height() / (page.height() * screenDpi)));
}

QSizeF PageStreamView::pageSizePixels(double screenDpi) const {
    return stream_.pageSizeInches() * pixelsPerInch(screenDpi);
}

void PageStreamView::paint(QPainter& painter, QPointF topLeft, double screenDpi,
                           const QRectF& visible) const {
    painter.fillRect(QRectF(topLeft, pageSizePixels(screenDpi)), Qt::white);
    stream_.drawPage(painter, currentPage(), topLeft, pixelsPerInch(screenDpi), colour_, visible);
}

}  // namespace vz::reports
