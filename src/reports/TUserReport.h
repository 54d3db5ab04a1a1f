// TUserReport: the report designer's definition window: the report-wide settings of a new report
// or of one in the definitions file, saved as a new report, over the old one, or deleted.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "reports/ReportDefinition.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vz::mainwin {
class Program;
}

namespace vz::reports {

class TUserReport : public QDialog {
    Q_OBJECT
public:
    // Designs a new report when `index` is negative, else report `index` of `file`.
    TUserReport(mainwin::Program& program, QString file, int index, QWidget* parent = nullptr);

    // False when the report to modify could not be read (a message said why).
    bool loaded() const { return loaded_; }
    // Called after a save or a delete with the list index to select.
    std::function<void(int)> onListChanged;

    ReportDefinition& definition() { return def_; }
    void FormShow();
    // The width radio buttons: `width` chosen (90, 120 or 150).
    void widthChosen(int width);
    void NameExit();
    void LinesExit();
    void UpdateButtonClick();
    void DeleteButtonClick();
    void SetFontsClick();
    void SpecifyContentClick();

    QLineEdit* nameField() const { return ReportName; }
    QLineEdit* linesField() const { return NumberOfLines; }
    QRadioButton* widthButton(int width) const;
    QPushButton* deleteButton() const { return DeleteButton; }
    QCheckBox* level2Box() const { return GroupLevel2; }
    QCheckBox* columnHeadersBox() const { return ColumnHeaders; }

private:
    void showFonts();
    void lineDependentBoxes();
    bool checkLines();
    void storeControls();
    int chosenWidth() const;

    mainwin::Program& program_;
    QString file_;
    int index_;
    bool isNew_;
    bool loaded_ = true;
    QString openingName_;
    ReportDefinition def_;

    QLineEdit* ReportName = nullptr;
    QButtonGroup* WidthGroup = nullptr;
    std::array<QLineEdit*, 4> FontFields{};
    std::array<QLineEdit*, 3> Titles{};
    QCheckBox* ColumnHeaders = nullptr;
    QCheckBox* PageNumbers = nullptr;
    QCheckBox* DateOnPages = nullptr;
    QCheckBox* HorizontalLines = nullptr;
    QCheckBox* VerticalLines = nullptr;
    QCheckBox* Landscape = nullptr;
    QCheckBox* UseTotals = nullptr;
    QCheckBox* GroupLevel1 = nullptr;
    QCheckBox* GroupLevel2 = nullptr;
    std::array<QLineEdit*, 4> Margins{};  // top, bottom, left, right
    QLineEdit* NumberOfLines = nullptr;
    QPushButton* DeleteButton = nullptr;
};

}  // namespace vz::reports
