#include "main/WindowLayout.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>
#include <optional>

#include "common/Interaction.h"
#include "main/ControlFonts.h"

namespace vz::mainwin {

namespace {

bool isExactly(const QWidget* w, const QMetaObject& meta) { return w->metaObject() == &meta; }

// Plain frames and plain widgets only group other controls: they have a geometry but no text,
// so their font is not theirs to record.
bool isPlainContainer(const QWidget* w) {
    return isExactly(w, QWidget::staticMetaObject) || isExactly(w, QFrame::staticMetaObject);
}

enum class Recorded { No, GeometryOnly, GeometryAndFont };

Recorded recordedAs(const QWidget* w) {
    if (isPlainContainer(w)) return Recorded::GeometryOnly;
    if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLabel*>(w) ||
        qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QLineEdit*>(w) ||
        qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
        qobject_cast<const QGroupBox*>(w) || qobject_cast<const QTabWidget*>(w))
        return Recorded::GeometryAndFont;
    return Recorded::No;
}

// Visits the window's components depth-first in creation order. `visit` answers false to stop
// the walk; walk() then answers false too.
bool walk(QWidget* parent, const std::function<bool(QWidget*)>& visit) {
    const auto children = parent->children();
    for (QObject* o : children) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        if (!visit(w)) return false;
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                if (!walk(tabs->widget(i), visit)) return false;
        } else if (isPlainContainer(w) || qobject_cast<QGroupBox*>(w)) {
            if (!walk(w, visit)) return false;
        }
    }
    return true;
}

void readFontSize(const QFont& f, int& pixels, double& points) {
    if (f.pixelSize() > 0) {
        pixels = f.pixelSize();
        points = -1;
    } else {
        pixels = -1;
        points = f.pointSizeF();
    }
}

// `limit` < 0: no limit and no message.
DesignDimensions collect(QWidget* window, int limit, Interaction* ui) {
    DesignDimensions d;
    d.clientSize = window->size();
    readFontSize(window->font(), d.windowPixelSize, d.windowPointSize);
    int seen = 0;
    d.complete = walk(window, [&](QWidget* w) {
        if (limit >= 0 && ++seen > limit) {
            if (ui) ui->error(QStringLiteral("Too many compenents to save dimensions."));
            return false;
        }
        const Recorded kind = recordedAs(w);
        if (kind == Recorded::No) return true;
        ControlDimensions c;
        c.widget = w;
        c.geometry = w->geometry();
        if (kind == Recorded::GeometryAndFont) readFontSize(w->font(), c.pixelSize, c.pointSize);
        d.controls.push_back(c);
        return true;
    });
    return d;
}

int scaled(int v, double factor) { return qRound(v * factor); }

// Sets the size of `f` to the recorded one times `factor`; false when none was recorded.
bool scaleFont(QFont& f, int pixels, double points, double factor) {
    if (pixels > 0) {
        f.setPixelSize(std::max(1, scaled(pixels, factor)));
        return true;
    }
    if (points > 0) {
        f.setPointSizeF(points * factor);
        return true;
    }
    return false;
}

// Holds a window's design dimensions for scaleAndCentre, so that showing it again scales from
// the design, not from the last scaled state.
class DesignHolder : public QObject {
public:
    DesignHolder(QWidget* window, DesignDimensions d) : QObject(window), design(std::move(d)) {
        setObjectName(QStringLiteral("vzDesignDimensions"));
    }
    DesignDimensions design;
};

std::optional<QRect> primaryScreen() {
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return std::nullopt;
    return s->geometry();
}

const data::ControlFontSettings* fontFor(const QWidget* w, const data::DatabaseSettings& s) {
    if (qobject_cast<const QPushButton*>(w)) return &s.buttonFont;
    if (qobject_cast<const QLabel*>(w) || qobject_cast<const QListView*>(w) ||
        qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w) ||
        qobject_cast<const QGroupBox*>(w))
        return &s.labelFont;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
        qobject_cast<const QComboBox*>(w) || qobject_cast<const QTableWidget*>(w))
        return &s.editFont;
    return nullptr;
}

}  // namespace

DesignDimensions recordDesignDimensions(QWidget* window, Interaction& ui) {
    return collect(window, kMaxRecordedComponents, &ui);
}

void applyFonts(QWidget* window, const data::DatabaseSettings& settings) {
    std::vector<std::pair<QWidget*, const data::ControlFontSettings*>> controls;
    walk(window, [&](QWidget* w) {
        controls.emplace_back(w, w->property(kKeepFontProperty).toBool() ? nullptr : fontFor(w, settings));
        return true;
    });
    // A control that keeps its font must not take the name or style of a group box around it
    // that is given the label font, so it holds on to them before any font changes.
    for (auto [w, f] : controls) {
        if (f) continue;
        QFont own = w->font();
        own.setResolveMask(own.resolveMask() | QFont::FamilyResolved | QFont::FamiliesResolved |
                           QFont::WeightResolved | QFont::StyleResolved);
        w->setFont(own);
    }
    for (auto [w, f] : controls)
        if (f) w->setFont(withControlFont(w->font(), *f));
}

void restoreAndScale(QWidget* window, const DesignDimensions& design, double factor) {
    if (!window) return;
    QFont windowFont = window->font();
    if (scaleFont(windowFont, design.windowPixelSize, design.windowPointSize, factor)) window->setFont(windowFont);
    for (const ControlDimensions& c : design.controls) {
        if (!c.widget) continue;
        const QRect& g = c.geometry;
        c.widget->setGeometry(scaled(g.left(), factor), scaled(g.top(), factor), scaled(g.width(), factor),
                              scaled(g.height(), factor));
        QFont f = c.widget->font();
        if (scaleFont(f, c.pixelSize, c.pointSize, factor)) c.widget->setFont(f);
    }
    if (design.clientSize.isValid())
        window->resize(scaled(design.clientSize.width(), factor), scaled(design.clientSize.height(), factor));
    if (const auto screen = primaryScreen()) centreOn(window, *screen);
}

void scaleAndCentre(QWidget* window, double factor) {
    if (!window) return;
    auto* holder = window->findChild<DesignHolder*>(QStringLiteral("vzDesignDimensions"), Qt::FindDirectChildrenOnly);
    if (!holder) holder = new DesignHolder(window, collect(window, -1, nullptr));
    restoreAndScale(window, holder->design, factor);
}

void centreOn(QWidget* window, const QRect& screen) {
    const QRect frame = window->frameGeometry();
    const int left = screen.left() + std::max(0, (screen.width() - frame.width()) / 2);
    const int top = screen.top() + std::max(0, (screen.height() - frame.height()) / 2);
    window->move(left, top);
}

void liftIfLow(QWidget* window, const QRect& screen) {
    const QPoint at = window->pos();
    if (at.y() - screen.top() > 10) window->move(at.x(), at.y() - 10);
}

void liftIfLow(QWidget* window) {
    if (const auto screen = primaryScreen()) liftIfLow(window, *screen);
}

void showPersistentWindow(QWidget* window, const DesignDimensions& design, const data::DatabaseSettings& settings,
                          double factor) {
    applyFonts(window, settings);
    restoreAndScale(window, design, factor);
    liftIfLow(window);
}

void showNewWindow(QWidget* window, const data::DatabaseSettings* settings, double factor) {
    if (settings) applyFonts(window, *settings);
    scaleAndCentre(window, factor);
}

}  // namespace vz::mainwin
