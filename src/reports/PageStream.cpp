#include "reports/PageStream.h"

#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

#include "common/PrintJob.h"

namespace vz::reports {

PageStream::PageStream(const QPageSize& paper, bool landscape)
    : paper_(paper), landscape_(landscape) {
    if (!paper_.isValid()) paper_ = QPageSize(QPageSize::Letter);
}

PageStream::~PageStream() {
    if (painter_.isActive()) painter_.end();
}

void PageStream::keep(const QPicture& page) {
    StoredPage stored;
    // Level 1: pages are mostly repeated drawing commands and compress well at the fastest level.
    QByteArray bytes = qCompress(QByteArray(page.data(), int(page.size())), 1);
    if (!spool_) {
        spool_ = std::make_unique<QTemporaryFile>();
        if (!spool_->open()) spool_.reset();
        spoolEnd_ = 0;
    }
    if (spool_ && spool_->seek(spoolEnd_) && spool_->write(bytes) == bytes.size()) {
        stored.offset = spoolEnd_;
        stored.size = bytes.size();
        spoolEnd_ += bytes.size();
    } else {
        stored.bytes = std::move(bytes);  // the spool is full or gone: keep this page in memory
    }
    pages_.push_back(std::move(stored));
}

const QPicture& PageStream::page(int number) const {
    if (number == decodedNumber_) return decoded_;
    decodedNumber_ = 0;
    decoded_ = QPicture();
    const StoredPage& stored = pages_[size_t(number - 1)];
    QByteArray bytes = stored.bytes;
    if (bytes.isEmpty() && spool_ && spool_->seek(stored.offset)) bytes = spool_->read(stored.size);
    const QByteArray data = qUncompress(bytes);
    if (data.isEmpty()) return decoded_;
    decoded_.setData(data.constData(), uint(data.size()));
    if (!decoded_.isNull()) decodedNumber_ = number;
    return decoded_;
}

QSizeF PageStream::pageSizeInches() const {
    QSizeF s = paper_.size(QPageSize::Inch);
    return landscape_ ? s.transposed() : s;
}

double PageStream::resolution() const {
    const int dpi = QPicture().logicalDpiX();
    return dpi > 0 ? dpi : 96;
}

bool PageStream::begin() {
    if (painter_.isActive()) painter_.end();
    pages_.clear();
    spool_.reset();
    decodedNumber_ = 0;
    decoded_ = QPicture();
    current_ = QPicture();
    return painter_.begin(&current_);
}

bool PageStream::newPage() {
    painter_.end();
    keep(current_);
    current_ = QPicture();
    return painter_.begin(&current_);
}

bool PageStream::end() {
    if (!painter_.isActive()) return true;
    painter_.end();
    keep(current_);
    current_ = QPicture();
    return true;
}

void PageStream::drawPage(QPainter& painter, int number, QPointF topLeft, double pixelsPerInch,
                          bool colour, const QRectF& visible) const {
    if (number < 1 || number > int(pages_.size()) || !(pixelsPerInch > 0)) return;
    const QPicture& page = this->page(number);
    // Replaying a picture already maps its inches onto the device's (at the device's logical
    // resolution); what is left is the zoom against that resolution.
    auto zoomOn = [pixelsPerInch](const QPaintDevice* device) {
        const int dpi = device != nullptr ? device->logicalDpiX() : 0;
        return pixelsPerInch / (dpi > 0 ? dpi : 96);
    };
    if (colour) {
        const double scale = zoomOn(painter.device());
        painter.save();
        painter.translate(topLeft);
        painter.scale(scale, scale);
        painter.drawPicture(QPointF(0, 0), page);
        painter.restore();
        return;
    }
    // Monochrome: draw the part seen on a white image, then show it in grey.
    const QSizeF inches = pageSizeInches();
    QRectF area(topLeft, inches * pixelsPerInch);
    if (!visible.isEmpty()) area = area.intersected(visible);
    const QRect pixels = area.toAlignedRect();
    if (pixels.isEmpty()) return;
    if (qint64(pixels.width()) * pixels.height() > 400'000'000) return;  // a zoom past reason
    QImage image(pixels.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.translate(topLeft - QPointF(pixels.topLeft()));
        const double scale = zoomOn(&image);
        p.scale(scale, scale);
        p.drawPicture(QPointF(0, 0), page);
    }
    painter.drawImage(pixels.topLeft(), image.convertToFormat(QImage::Format_Grayscale8));
}

bool PageStream::printing() {
    return PrintJob::inProgress();
}

bool PageStream::print(QPagedPaintDevice& device, int first, int last, int copies, QString* error) {
    first = std::max(first, 1);
    last = std::min(last, int(pages_.size()));
    copies = std::max(copies, 1);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (first > last) return fail(QStringLiteral("There is no page to print in that range."));
    if (PrintJob::inProgress())
        return fail(QStringLiteral("Previous print job has not yet finished."));

    PrintJob job;
    device.setPageSize(paper_);
    device.setPageOrientation(landscape_ ? QPageLayout::Landscape : QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
    QPainter painter;
    bool ok = painter.begin(&device);
    if (ok) {
        const double dpi = device.logicalDpiX();
        bool firstPage = true;
        for (int copy = 0; ok && copy < copies; ++copy) {
            for (int n = first; ok && n <= last; ++n) {
                if (!firstPage) ok = device.newPage();
                firstPage = false;
                if (ok) drawPage(painter, n, QPointF(0, 0), dpi);
            }
        }
        ok = painter.end() && ok;
    }
    if (!ok) return fail(QStringLiteral("The report could not be printed."));
    return true;
}

}  // namespace vz::reports
