// ImportLayout: how the fields of an import file line up with the 25 fields of a stamp record,
// as the import window's grid shows it.
//
// Row r (1 to 25) stands for stamp-record field r and never moves; beside it are an import field
// name and "Yes" or "No". Rows below 25 exist when the file has more than 25 fields; what sits
// there is not imported. Up and Down move a name with its "Yes" or "No".
#pragma once

#include <QString>
#include <vector>

namespace vz::exchange {

class ImportLayout {
public:
    // The import field names in file order, at rows 1 to n, each "Yes".
    explicit ImportLayout(std::vector<QString> names);

    int rowCount() const { return int(rows_.size()); }  // the larger of 25 and the names
    const std::vector<QString>& names() const { return names_; }
    // Row r (1-based): the import field name, "<EMPTY>" past the names; "Yes", "No" or "".
    const QString& importName(int r) const { return rows_[size_t(r - 1)].name; }
    const QString& use(int r) const { return rows_[size_t(r - 1)].use; }
    bool moveUp(int r);
    bool moveDown(int r);
    // "Yes" and "No" change places; an empty cell stays empty.
    void toggle(int r);

    // For each import field, the stamp-record field (1 to 25) that receives it, or 0: the first of
    // rows 1 to 25 whose name is the import field's, when that row says "Yes".
    std::vector<int> mapping() const;

private:
    struct Row {
        QString name;
        QString use;
    };
    std::vector<QString> names_;
    std::vector<Row> rows_;
};

// Import field N to stamp-record field N, for files imported without a grid.
std::vector<int> directMapping(size_t importFields);

}  // namespace vz::exchange
