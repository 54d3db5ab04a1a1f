// Controls: making the push buttons and labels that windows place at their design positions.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>

namespace vz {

// A push button named `name` (the name tests find it by) with `caption`, placed at `at`.
inline QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                               const QRect& at) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(at);
    return b;
}

// A label with `text`, placed at `at`.
inline QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& at) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(at);
    return l;
}

}  // namespace vz
