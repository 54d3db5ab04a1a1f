// TAboutBox: the about box of the Help menu: the program's name, its version and what it is for.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vz::mainwin {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

private:
    QLabel* ProductName = nullptr;
    QLabel* VersionLabel = nullptr;
    QLabel* PurposeLabel = nullptr;
    QPushButton* OkButton = nullptr;
};

// Shows the about box modally over `parent`.
void showAbout(QWidget* parent);

}  // namespace vz::mainwin
