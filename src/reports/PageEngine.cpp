#include "reports/PageEngine.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPen>
#include <QTransform>
#include <cmath>

namespace vz::reports {
namespace {

double sane(double v, double low, double high, double fallback) {
    if (!std::isfinite(v)) return fallback;
    return std::clamp(v, low, high);
}

constexpr double kMinPoints = 1;
constexpr double kMaxPoints = 400;
constexpr double kBorderPen = 0.01;  // inches

}  // namespace

PageEngine::PageEngine(PageTarget& target) : target_(target) {
    PageFont f;
    setFont(f);
    sectionBottom_ = pageHeight();
}

void PageEngine::setLandscape(bool landscape) {
    if (!drawing_) target_.setLandscape(landscape);
}

PageEngine::Outcome PageEngine::run(PageJob& job) {
    cancelRequested_ = false;
    failed_ = false;
    error_.clear();
    outcome_ = Outcome::Completed;
    page_ = 0;
    if (!target_.begin()) {
        error_ = target_.error();
        return outcome_ = Outcome::Failed;
    }
    drawing_ = true;
    page_ = 1;
    startPage();
    bool started = job.beforeJob(*this);
    if (!started && !failed_) fail(QStringLiteral("The report could not be started."));
    while (started && !failed_) {
        reportStatus();
        job.header(*this);
        const bool more = job.page(*this);
        job.footer(*this);
        if (!more || failed_) break;
        if (cancelRequested_) {
            outcome_ = Outcome::Cancelled;
            break;
        }
        if (!target_.newPage()) {
            fail(target_.error());
            break;
        }
        ++page_;
        startPage();
    }
    if (started) job.afterJob(*this);
    drawing_ = false;
    if (!target_.end() && !failed_) fail(target_.error());
    if (failed_) outcome_ = Outcome::Failed;
    return outcome_;
}

void PageEngine::fail(const QString& why) {
    if (failed_) return;  // the first failure is the one to report
    failed_ = true;
    error_ = why;
}

void PageEngine::setStatusLine(int index, const QString& text) {
    if (index == 0 || index == 1) statusLines_[index] = text;
}

QString PageEngine::statusText() const {
    QString s = statusPattern_;
    s.replace(QLatin1String("%p"), QString::number(page_));
    s.replace(QLatin1String("%0"), statusLines_[0]);
    s.replace(QLatin1String("%1"), statusLines_[1]);
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (s.endsWith(QLatin1Char('\n'))) s.chop(1);
    return s;
}

void PageEngine::reportStatus() {
    if (onStatus) onStatus(statusText());
}

void PageEngine::usePen(const QColor& colour, double width) {
    QPainter& p = target_.painter();
    if (!painted_.valid) {
        // A new page: the painter's state is its own again.
        p.setBrush(Qt::NoBrush);
        p.setFont(font_);
        painted_.font = font_;
    } else if (painted_.pen == colour && painted_.penWidth == width) {
        return;
    }
    QPen pen(colour);
    pen.setWidthF(width);
    p.setPen(pen);
    painted_.pen = colour;
    painted_.penWidth = width;
    painted_.valid = true;
}

void PageEngine::startPage() {
    painted_.valid = false;
    if (drawing_) {
        // Every page is drawn in the same logical units whatever the device's resolution.
        QPainter& p = target_.painter();
        const double scale = p.device()->logicalDpiX() / kUnitsPerInch;
        p.setTransform(QTransform::fromScale(scale, scale));
    }
    sectionTop_ = 0;
    sectionBottom_ = pageHeight();
    y_ = 0;
    lineUsed_ = 0;
}

// --- Geometry

void PageEngine::setMargins(double top, double bottom, double left, double right) {
    const double w = pageWidth(), h = pageHeight();
    top_ = sane(top, 0, h, 0);
    bottom_ = sane(bottom, 0, h, 0);
    left_ = sane(left, 0, w, 0);
    right_ = sane(right, 0, w, 0);
}

double PageEngine::pageWidth() const {
    const double w = target_.pageSizeInches().width();
    return w > 0 ? w : 8.5;
}

double PageEngine::pageHeight() const {
    const double h = target_.pageSizeInches().height();
    return h > 0 ? h : 11;
}

double PageEngine::dpi() const {
    return kUnitsPerInch;
}

// --- Sections

void PageEngine::setSectionTop(double inches) {
    sectionTop_ = sane(inches, 0, pageHeight(), 0);
}

void PageEngine::setSectionBottom(double inches) {
    sectionBottom_ = sane(inches, 0, pageHeight(), pageHeight());
}

void PageEngine::gotoSectionTop() {
    y_ = sectionTop_;
    lineUsed_ = 0;
}

// --- Fonts

void PageEngine::setFont(const PageFont& f) {
    QFont font(f.face.isEmpty() ? QStringLiteral("Arial") : f.face);
    // Sized in logical units rather than points, so that the size does not depend on the
    // device: a page recorded for the preview measures and prints like one drawn on a printer.
    const double points = sane(f.points, kMinPoints, kMaxPoints, 10);
    font.setPixelSize(std::max(1, int(std::lround(points * kUnitsPerInch / 72))));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeout);
    font.setHintingPreference(QFont::PreferNoHinting);
    font_ = font;
    colour_ = f.colour.isValid() ? f.colour : QColor(Qt::black);
    const QFontMetricsF m(font_);
    const double d = dpi();
    lineHeight_ = std::max(kMinLineHeight, m.lineSpacing() / d);
    ascent_ = std::max(0.0, m.ascent() / d);
}

double PageEngine::lineHeight() const {
    return lineHeight_;
}

// --- Tab cells

void PageEngine::addTab(Justify justify, double width, int innerMargin, int borders, int shade,
                        std::optional<double> left) {
    Cell c;
    c.justify = justify;
    c.width = sane(width, 0, 1000, 0);
    c.inner = std::clamp(innerMargin, 0, 10000) / 100.0;
    c.borders = borders & kBorderAll;
    c.shade = std::clamp(shade, 0, 100);
    if (left)
        c.left = sane(*left, -1000, 1000, left_);
    else
        c.left = cells_.empty() ? left_ : cells_.back().left + cells_.back().width;
    cells_.push_back(c);
}

void PageEngine::keepTabWhole(int index) {
    if (index >= 0 && index < int(cells_.size())) cells_[size_t(index)].whole = true;
}

double PageEngine::tabUsableWidth(int index) const {
    if (index < 0 || index >= int(cells_.size())) return 0;
    const Cell& c = cells_[size_t(index)];
    return std::max(0.0, c.width - 2 * c.inner);
}

// --- Text

double PageEngine::textWidth(const QString& text) const {
    const QFontMetricsF m(font_);
    return m.horizontalAdvance(text) / dpi();
}

int PageEngine::linesLeft() const {
    const double room = sectionBottom_ - y_;
    if (!(room > 0)) return 0;
    // A hair of tolerance, so that a section sized for n lines holds n despite rounding.
    return int(std::floor(room / lineHeight_ + 1e-9));
}

void PageEngine::drawText(double leftInches, double topInches, const QString& text,
                          const QFont* font) {
    if (!drawing_ || text.isEmpty()) return;
    QPainter& p = target_.painter();
    const double d = dpi();
    const QFont& f = font ? *font : font_;
    // A recorded page keeps every change of font and pen: make only the real ones.
    // Text takes only the pen's colour: keep the width in force, so that text and cell borders
    // in the same colour share one pen.
    usePen(colour_, painted_.valid ? painted_.penWidth : 0);
    if (!(painted_.font == f)) {
        p.setFont(f);
        painted_.font = f;
    }
    p.drawText(QPointF(leftInches * d, (topInches + ascent_) * d), text);
}

void PageEngine::printTabs(const QString& text) {
    noteLineHeight();
    if (!drawing_) return;
    const QStringList pieces = text.split(QLatin1Char('\t'));
    QPainter& p = target_.painter();
    const double d = dpi();
    const double top = y_, bottom = y_ + lineHeight_;
    for (size_t i = 0; i < cells_.size(); ++i) {
        const Cell& c = cells_[i];
        const double right = c.left + c.width;
        if (c.shade > 0) {
            const int grey = 255 - c.shade * 255 / 100;
            p.fillRect(QRectF(c.left * d, top * d, c.width * d, lineHeight_ * d),
                       QColor(grey, grey, grey));
        }
        if (i < size_t(pieces.size()) && !pieces[qsizetype(i)].isEmpty()) {
            QString piece = pieces[qsizetype(i)];
            const double usable = std::max(0.0, c.width - 2 * c.inner);
            // Left-justified text that may be cut needs no measuring here.
            const bool measure = c.whole || c.justify != Justify::Left;
            double width = measure ? textWidth(piece) : 0;
            std::optional<QFont> smaller;
            if (c.whole && width > usable) {
                // An amount is never cut into another number: smaller, or marked as not fitting.
                const int full = font_.pixelSize();
                const int least = std::max(1, int(std::ceil(full * kMinShrink)));
                for (int size = int(full * usable / width); size >= least && size < full; --size) {
                    QFont f = font_;
                    f.setPixelSize(size);
                    const double w = QFontMetricsF(f).horizontalAdvance(piece) / dpi();
                    if (w <= usable) {
                        smaller = f;
                        width = w;
                        break;
                    }
                }
                if (!smaller) {
                    const double mark = std::max(textWidth(QString(kNoRoomMark)), 1e-6);
                    piece = QString(std::max(1, int(usable / mark)), kNoRoomMark);
                    width = textWidth(piece);
                }
            }
            double x = c.left + c.inner;
            if (c.justify != Justify::Left) {
                const double room = usable - width;
                x += c.justify == Justify::Right ? room : room / 2;
            }
            drawText(x, top, piece, smaller ? &*smaller : nullptr);
        }
        if (c.borders == kBorderAll) {
            usePen(QColor(Qt::black), kBorderPen * d);
            p.drawRect(QRectF(c.left * d, top * d, c.width * d, lineHeight_ * d));
        } else if (c.borders != 0) {
            usePen(QColor(Qt::black), kBorderPen * d);
            if (c.borders & kBorderLeft)
                p.drawLine(QPointF(c.left * d, top * d), QPointF(c.left * d, bottom * d));
            if (c.borders & kBorderRight)
                p.drawLine(QPointF(right * d, top * d), QPointF(right * d, bottom * d));
            if (c.borders & kBorderTop)
                p.drawLine(QPointF(c.left * d, top * d), QPointF(right * d, top * d));
            if (c.borders & kBorderBottom)
                p.drawLine(QPointF(c.left * d, bottom * d), QPointF(right * d, bottom * d));
        }
    }
}

void PageEngine::printCentred(const QString& text, double x) {
    noteLineHeight();
    drawText(x - textWidth(text) / 2, y_, text);
}

void PageEngine::endLine() {
    y_ += lineUsed_ > 0 ? lineUsed_ : lineHeight_;
    lineUsed_ = 0;
}

void PageEngine::printFooter(const QString& text, FooterPlace place) {
    const double top = sectionBottom_ - lineHeight_;
    double x = left_;
    if (place == FooterPlace::Right) x = pageWidth() - right_ - textWidth(text);
    if (place == FooterPlace::Centre) x = (left_ + pageWidth() - right_ - textWidth(text)) / 2;
    drawText(x, top, text);
}

}  // namespace vz::reports
