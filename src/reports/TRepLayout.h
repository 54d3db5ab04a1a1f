// TRepLayout: the report designer's layout window. It shows the report lines and the totals line
// as rows of boxes as wide as their items' share of the report width; a click on a box opens the
// item window for that item. It edits a copy of the definition, written back only on Ok.
#pragma once

#include <QDialog>
#include <QRect>
#include <vector>

#include "reports/ReportDefinition.h"

namespace vz {
class Interaction;
}
namespace vz::data {
struct DatabaseSettings;
}

namespace vz::reports {

class LayoutArea;

class TRepLayout : public QDialog {
    Q_OBJECT
public:
    // `def`, `settings` (the field captions) and `ui` must outlive the window.
    TRepLayout(ReportDefinition& def, const data::DatabaseSettings& settings, Interaction& ui,
               QWidget* parent = nullptr);

    // One box: line 1 to 12, or 0 for the totals line; item 0 to 19; where it is drawn at the
    // design scale; its text, colour and alignment.
    struct Box {
        int line;
        int item;
        QRect rect;
        QString text;
        Qt::GlobalColor colour;
        Qt::Alignment align;
    };
    // The boxes of `def` at the design scale: report lines when it has any, the totals line when
    // it uses totals.
    static std::vector<Box> boxes(const ReportDefinition& def,
                                  const data::DatabaseSettings& settings);

    ReportDefinition& copy() { return copy_; }
    // Opens the item window for an item (line 0: the totals line).
    void editItem(int line, int item);
    void OkButtonClick();

private:
    ReportDefinition& def_;
    const data::DatabaseSettings& settings_;
    Interaction& ui_;
    ReportDefinition copy_;
    LayoutArea* Area = nullptr;
};

}  // namespace vz::reports
