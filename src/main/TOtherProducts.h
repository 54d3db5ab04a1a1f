// TOtherProducts: the Help menu's window on the program's companion, the command-line tool
// vazovi-cli, with what each of its commands does for a collector.
#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;

namespace vz::mainwin {

class TOtherProducts : public QDialog {
    Q_OBJECT
public:
    explicit TOtherProducts(QWidget* parent = nullptr);

    // The window's text (rich text), naming the tool and each of its commands.
    static QString text();

private:
    QTextBrowser* InfoText = nullptr;
    QPushButton* CloseButton = nullptr;
};

// Shows the window modally over `parent`.
void showOtherProducts(QWidget* parent);

}  // namespace vz::mainwin
