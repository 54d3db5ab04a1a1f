// HelpWindow: the program's help book, one window for the whole run.
//
// The window is modeless and stays usable while modal windows run (the record edit window, a
// list editor, a message box): asked for, it comes on top of them and takes the input; opened
// before them, it stays usable beside them. It never keeps the program running once the main
// window has closed.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace vz {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // The one help window; made on first use.
    static HelpWindow& instance();

    // Shows the topic of `keyword` (its anchor: lower case, blanks as dashes), or the contents
    // page for an empty keyword, on top of the window the collector is working in.
    void showTopic(const QString& keyword);

    QTextBrowser* browser() const { return browser_; }
    // The anchor `keyword` leads to.
    static QString anchorOf(const QString& keyword);

protected:
    bool event(QEvent* event) override;

private:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Takes the modal window on top, if any, as its transient parent, so that Qt does not block it.
    void followModal();

    QTextBrowser* browser_ = nullptr;
};

}  // namespace vz
