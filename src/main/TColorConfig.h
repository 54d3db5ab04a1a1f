// TColorConfig: the colour configuration window. It edits a working copy of one colour set, or
// of all five at once, shows it on sample controls as it changes, and puts it into the settings
// when closed with Ok. Colours are chosen through the Interaction's colour dialog, or taken from
// a predefined combination as a starting point.
#pragma once

#include <QDialog>
#include <QSet>

#include "data/Settings.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace vz {
class Interaction;
}

namespace vz::mainwin {

class TColorConfig : public QDialog {
    Q_OBJECT
public:
    // `setNumber` is 1 to 5 for one set, 6 for all five (starting from the main window's set).
    // `ui` and `settings` must outlive the window.
    TColorConfig(Interaction& ui, data::Settings& settings, int setNumber,
                 QWidget* parent = nullptr);

    const data::ColourSet& working() const { return working_; }
    // True once Ok has changed at least one set.
    bool changedSettings() const { return changed_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ColourButtonClick(data::ColourRole role);
    void PredefinedComboChange(int index);
    void OkButtonClick();
    void FormShow();
    void paintPreview();

    Interaction& ui_;
    data::Settings& settings_;
    int setNumber_;
    data::ColourSet working_;
    bool changed_ = false;
    QSet<QWidget*> frameTitles_;
    QComboBox* PredefinedCombo = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// Opens the colour configuration window modally for set `setNumber` (1 to 6). True when it was
// closed with Ok and a set changed; the main window then re-applies its own set when
// `setNumber` is 1 or 6. A number out of range opens nothing and answers false.
bool runColourConfig(QWidget* parent, Interaction& ui, data::Settings& settings, int setNumber);

}  // namespace vz::mainwin
