// TReportPart: the report designer's item window: one item of a report line or of the totals
// line as a filler, a label or a field, with its width.
#pragma once

#include <QDialog>

#include "reports/ReportDefinition.h"

class QLineEdit;
class QListWidget;
class QRadioButton;

namespace vz {
class Interaction;
}
namespace vz::data {
struct DatabaseSettings;
}

namespace vz::reports {

class TReportPart : public QDialog {
    Q_OBJECT
public:
    // Edits item `item` (0-based) of `line`, report line `lineNumber` (1 to 12) or the totals line
    // (0), of a report `reportWidth` characters wide. `line` is changed on Ok only.
    TReportPart(ReportLine& line, int lineNumber, int item, int reportWidth,
                const data::DatabaseSettings& settings, Interaction& ui, QWidget* parent = nullptr);

    void OkButtonClick();

    QRadioButton* fillerButton() const { return Filler; }
    QRadioButton* labelButton() const { return Label; }
    QRadioButton* fieldButton() const { return Field; }
    QListWidget* fieldList() const { return Fields; }
    QLineEdit* widthField() const { return Width; }
    QLineEdit* labelField() const { return LabelName; }

private:
    void kindChanged();

    ReportLine& line_;
    bool totals_;
    int item_;
    int reportWidth_;
    Interaction& ui_;
    QRadioButton* Filler = nullptr;
    QRadioButton* Label = nullptr;
    QRadioButton* Field = nullptr;
    QListWidget* Fields = nullptr;
    QLineEdit* Width = nullptr;
    QLineEdit* LabelName = nullptr;
};

}  // namespace vz::reports
