// HelpKeys: F1 in any window opens help at the topic of the window that has the focus.
//
// Each window names its topic once with setHelpTopic() ("Input Window", "List Editor", ...). A
// window without a topic of its own (a message box, a file dialog, the tips) takes the topic of
// the window it was opened over; with none on the way, help opens at its contents page.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace vz {

class Interaction;

class HelpKeys : public QObject {
    Q_OBJECT
public:
    // Install on the application (qApp->installEventFilter); `ui` must outlive the object.
    explicit HelpKeys(Interaction& ui, QObject* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Interaction& ui_;
};

// Names the help topic of `window` (its keyword, as Interaction::help takes it).
void setHelpTopic(QWidget* window, const QString& keyword);
// The topic for a widget: its window's, else that of the window it was opened over; empty for
// the contents page.
QString helpTopicOf(const QWidget* widget);

}  // namespace vz
