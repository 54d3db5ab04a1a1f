#include "common/HelpWindow.h"

#include <QApplication>
#include <QEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace vz {
namespace {

// The modal window on top, which help must stay above; null when none is open.
QWidget* modalOwner(const QWidget* help) {
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != help ? modal->window() : nullptr;
}

}  // namespace

HelpWindow& HelpWindow::instance() {
    static HelpWindow* window = new HelpWindow;  // lives until the program ends
    return *window;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kestrelhouse Vazovi 97 Help"));
    // Help open on its own does not keep the program running after the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(640, 520);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/help.html")));
}

QString HelpWindow::anchorOf(const QString& keyword) {
    if (keyword.trimmed().isEmpty()) return QStringLiteral("contents");
    return keyword.trimmed().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

void HelpWindow::followModal() {
    // Qt blocks every window but the modal one on top and the windows that have it as their
    // (transient) parent. Help takes that window as its transient parent and is not blocked; it
    // stays an ordinary window for the window manager, which the collector can raise and move.
    create();
    QWidget* owner = modalOwner(this);
    QWindow* wanted = owner != nullptr ? owner->windowHandle() : nullptr;
    if (windowHandle()->transientParent() != wanted) windowHandle()->setTransientParent(wanted);
}

void HelpWindow::showTopic(const QString& keyword) {
    followModal();
    show();
    raise();
    activateWindow();
    browser_->setFocus();
    browser_->scrollToAnchor(anchorOf(keyword));
}

bool HelpWindow::event(QEvent* event) {
    // A modal window opened while help is up: help stays usable.
    if (event->type() == QEvent::WindowBlocked) followModal();
    return QWidget::event(event);
}

}  // namespace vz
