#include "edit/AmountLabel.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

namespace vz::edit {

AmountLabel::AmountLabel(QWidget* parent) : QLabel(parent) {}

QFont AmountLabel::fittedFont() const {
    QFont f = font();
    // A few pixels to spare, so that the first digit does not touch the label's edge.
    const int room = contentsRect().width() - 2 * margin() - (indent() > 0 ? indent() : 0) - 3;
    if (room <= 0 || QFontMetrics(f).horizontalAdvance(text()) <= room) return f;
    for (int pixels = QFontInfo(f).pixelSize() - 1; pixels >= 1; --pixels) {
        f.setPixelSize(pixels);
        if (QFontMetrics(f).horizontalAdvance(text()) <= room) break;
    }
    return f;
}

void AmountLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(fittedFont());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(contentsRect().adjusted(margin(), margin(), -margin(), -margin()),
                     int(alignment()), text());
}

}  // namespace vz::edit
