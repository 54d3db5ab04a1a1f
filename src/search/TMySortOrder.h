// TMySortOrder: the sort order window. Four drop-down lists choose the fields of the Primary,
// Secondary, Third Level and Fourth Level sorts ("<NONE>" for none); Ok rebuilds the index tag
// "NewIndex" in that order, which needs the table to itself, and stores the levels in the
// database's settings. Created for each opening.
#pragma once

#include <QDialog>
#include <array>

class QComboBox;
class QLabel;
class QPushButton;

namespace vz::mainwin {
class Program;
class TMain;
}  // namespace vz::mainwin

namespace vz::search {

class TMySortOrder : public QDialog {
    Q_OBJECT
public:
    // `main` and `program` must outlive the window.
    TMySortOrder(mainwin::TMain& main, mainwin::Program& program, QWidget* parent = nullptr);

    // The list of a level (0 Primary to 3 Fourth Level); its position is the level's value.
    QComboBox* levelList(int level) const { return lists_[size_t(level)]; }

    void FormShow();
    void OkButtonClick();
    void CancelButtonClick() { reject(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    mainwin::TMain& main_;
    mainwin::Program& program_;
    std::array<QComboBox*, 4> lists_{};
    std::array<QLabel*, 4> labels_{};
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// Opens the sort order window modally.
void runSortOrder(mainwin::TMain& main, mainwin::Program& program);

}  // namespace vz::search
