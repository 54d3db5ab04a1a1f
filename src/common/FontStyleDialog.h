// FontStyleDialog: the dialog in which the collector picks a control font (label, edit or button
// font). It offers what such a font keeps: the font's name and its bold and italic styles. The
// size and colour of a control's font are the control's own, so they are not offered, nor are
// underline and strike-out, which the program does not keep.
//
// The dialog opens on the font it is given, even when that name is not a font of this system
// but one the system substitutes (the "Arial" of collections made elsewhere): the name is listed
// and chosen, so OK without a change gives back exactly the font given.
#pragma once

#include <QDialog>
#include <QFont>

class QCheckBox;
class QLabel;
class QListWidget;

namespace vz {

class FontStyleDialog : public QDialog {
    Q_OBJECT
public:
    FontStyleDialog(const QFont& initial, const QString& title, QWidget* parent = nullptr);

    // The chosen name, bold and italic on the font given; its other properties unchanged.
    QFont chosenFont() const;

private:
    void showSample();

    QFont initial_;
    QListWidget* families_ = nullptr;
    QCheckBox* bold_ = nullptr;
    QCheckBox* italic_ = nullptr;
    QLabel* sample_ = nullptr;
};

}  // namespace vz
