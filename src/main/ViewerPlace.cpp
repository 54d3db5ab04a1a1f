#include "main/ViewerPlace.h"

#include <QScrollBar>
#include <QTableView>
#include <algorithm>

#include "main/ViewerModel.h"

namespace vz::mainwin {

ViewerPlace ViewerPlace::of(const QTableView* grid, const ViewerModel& model) {
    ViewerPlace p;
    p.field_ = model.fieldOfColumn(grid->currentIndex().column());
    p.horizontal_ = grid->horizontalScrollBar()->value();
    p.vertical_ = grid->verticalScrollBar()->value();
    return p;
}

void ViewerPlace::restore(QTableView* grid, const ViewerModel& model, int row) const {
    if (model.rowCount() == 0 || model.columnCount() == 0) return;
    row = std::clamp(row, 0, model.rowCount() - 1);
    const int column = std::max(0, model.columnOfField(field_));
    // The scroll bars get their ranges from the layout, which a reset leaves for later.
    grid->doItemsLayout();
    grid->horizontalScrollBar()->setValue(horizontal_);
    grid->verticalScrollBar()->setValue(vertical_);
    grid->setCurrentIndex(model.index(row, column));
    grid->scrollTo(grid->currentIndex(), QAbstractItemView::EnsureVisible);
}

}  // namespace vz::mainwin
