// ViewerPlace: where the collector is in the viewer grid (the column of the current cell and
// how far the grid is scrolled), kept while its rows are read anew. Reading the rows resets the
// grid's current cell; without this the grid would jump back to its first column after every
// stored cell, ticked Wanted box or deleted record.
#pragma once

class QTableView;

namespace vz::mainwin {

class ViewerModel;

class ViewerPlace {
public:
    // Notes the field of the current column and the scroll position of `grid` over `model`.
    static ViewerPlace of(const QTableView* grid, const ViewerModel& model);

    // Makes `row` current in the noted field's column (the first column when that field is not
    // shown now), scrolled as noted as far as the row and column stay in view. Nothing when the
    // model has no rows or no columns.
    void restore(QTableView* grid, const ViewerModel& model, int row) const;

private:
    int field_ = 0;
    int horizontal_ = 0;
    int vertical_ = 0;
};

}  // namespace vz::mainwin
