// TReportFonts: the report designer's fonts window: the title, column header, body and footnote
// fonts of a definition, each chosen with the system font dialog.
#pragma once

#include <QDialog>
#include <array>

#include "reports/ReportDefinition.h"

class QLineEdit;

namespace vz {
class Interaction;
}

namespace vz::reports {

class TReportFonts : public QDialog {
    Q_OBJECT
public:
    // `def` and `ui` must outlive the window; fonts chosen are stored in `def` at once.
    TReportFonts(ReportDefinition& def, Interaction& ui, QWidget* parent = nullptr);

    // "New Font" of row `row`: 0 titles, 1 column headers, 2 report body, 3 footnotes.
    void NewFontClick(int row);
    QLineEdit* fontField(int row) const { return Fields[size_t(row)]; }

private:
    ReportFontSpec& spec(int row);
    void show(int row);

    ReportDefinition& def_;
    Interaction& ui_;
    std::array<QLineEdit*, 4> Fields{};
};

}  // namespace vz::reports
