#include "common/HelpKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include "common/Interaction.h"

namespace vz {
namespace {

constexpr const char* kHelpTopic = "vzHelpTopic";

// The window `window` was opened over: its parent's window, else its transient parent's widget.
const QWidget* ownerOf(const QWidget* window) {
    if (const QWidget* parent = window->parentWidget()) return parent->window();
    const QWindow* handle = window->windowHandle();
    const QWindow* transient = handle != nullptr ? handle->transientParent() : nullptr;
    if (transient == nullptr) return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == transient) return w;
    return nullptr;
}

}  // namespace

void setHelpTopic(QWidget* window, const QString& keyword) {
    window->setProperty(kHelpTopic, keyword);
}

QString helpTopicOf(const QWidget* widget) {
    // Bounded: owners cannot form a ring, but a wrong transient parent must not hang the program.
    const QWidget* w = widget != nullptr ? widget->window() : nullptr;
    for (int depth = 0; w != nullptr && depth < 32; ++depth, w = ownerOf(w)) {
        const QVariant topic = w->property(kHelpTopic);
        if (topic.isValid()) return topic.toString();
    }
    return QString();
}

HelpKeys::HelpKeys(Interaction& ui, QObject* parent) : QObject(parent), ui_(ui) {}

bool HelpKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    // The key reaches the window system's window first, then the focus widget: answer once.
    const QWidget* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr) target = QApplication::focusWidget();
    if (target == nullptr) target = QApplication::activeWindow();
    ui_.help(helpTopicOf(target));
    return true;
}

}  // namespace vz
