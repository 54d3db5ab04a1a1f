// TTipOfDay: the tips window, shown when the program starts (while "Show Tips" is on) and from
// the Help menu. Each tip is a short hint on getting more out of the program; Previous and Next
// page through them and wrap round at either end.
#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vz::data {
struct Settings;
}

namespace vz::mainwin {

class TTipOfDay : public QDialog {
    Q_OBJECT
public:
    // Opens on tip `firstTip` (taken modulo the number of tips). The "Show Tips" box shows and
    // changes settings.global.misc.showTips at once; `settings` must outlive the window.
    TTipOfDay(data::Settings& settings, int firstTip, QWidget* parent = nullptr);

    // Every tip, in the order Next pages through them; each is a short rich-text paragraph.
    static const QStringList& tips();
    int currentTip() const { return current_; }

    void NextButtonClick();
    void PreviousButtonClick();

private:
    void showTip(int index);

    data::Settings& settings_;
    int current_ = 0;
    QLabel* TipText = nullptr;
    QLabel* TipNumber = nullptr;
    QCheckBox* ShowTipsCheck = nullptr;
    QPushButton* PreviousButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* CloseButton = nullptr;
};

// Shows the tips window modally over `parent`. At start-up it shows nothing while "Show Tips" is
// off, and opens on a tip that changes from day to day; from the Help menu it always shows,
// opening on the tip after the one last seen in this run.
void showTipOfDay(QWidget* parent, data::Settings& settings, bool atStartUp);

}  // namespace vz::mainwin
