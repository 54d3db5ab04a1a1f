// ExportLayout: which fields an export writes, and in which order, as the export window's grid
// shows them and the settings keep them.
//
// The grid has 25 rows, one per field: the field's caption and "Yes" or "No". Reading the grid
// back matches rows to fields by caption, so two fields with one caption both take the first such
// row's place and flag.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "data/Settings.h"

namespace vz::exchange {

struct ExportRow {
    QString caption;
    QString use;  // "Yes" or "No"
};

class ExportLayout {
public:
    // The rows as the settings place them: each field in the row of its export order. A field
    // whose order is outside 1 to 25, or taken by an earlier field, goes to the first free row,
    // so that every field has a row.
    explicit ExportLayout(const data::DatabaseSettings& settings);

    static constexpr int kRows = data::kFieldCount;
    const ExportRow& row(int r) const { return rows_[size_t(r - 1)]; }  // r: 1 to 25
    // Swaps row `r` with the row above (below); false and no change on the first (last) row.
    bool moveUp(int r);
    bool moveDown(int r);
    // "Yes" becomes "No", anything else "Yes".
    void toggle(int r);
    // Every field in field-number order, all "Yes".
    void setDefaults(const data::DatabaseSettings& settings);

    // Writes the rows back into the settings: for each field, the first row with its caption
    // gives its export order and flag. A field whose caption no row has keeps its values.
    void store(data::DatabaseSettings& settings) const;

private:
    std::array<ExportRow, kRows> rows_;
};

// The fields an export writes, in order: for positions 1 to 25, the first field (in field-number
// order) whose export order is the position, when it is marked to be exported.
std::vector<int> exportedFields(const data::DatabaseSettings& settings);

}  // namespace vz::exchange
