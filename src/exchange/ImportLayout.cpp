#include "exchange/ImportLayout.h"

#include <algorithm>
#include <utility>

#include "data/Schema.h"

namespace vz::exchange {

ImportLayout::ImportLayout(std::vector<QString> names) : names_(std::move(names)) {
    rows_.resize(std::max(size_t(data::kFieldCount), names_.size()));
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (r < names_.size())
            rows_[r] = {names_[r], QStringLiteral("Yes")};
        else
            rows_[r] = {QStringLiteral("<EMPTY>"), QString()};
    }
}

bool ImportLayout::moveUp(int r) {
    if (r <= 1 || r > rowCount()) return false;
    std::swap(rows_[size_t(r - 1)], rows_[size_t(r - 2)]);
    return true;
}

bool ImportLayout::moveDown(int r) {
    if (r < 1 || r >= rowCount()) return false;
    std::swap(rows_[size_t(r - 1)], rows_[size_t(r)]);
    return true;
}

void ImportLayout::toggle(int r) {
    if (r < 1 || r > rowCount()) return;
    QString& use = rows_[size_t(r - 1)].use;
    if (use == QLatin1String("Yes"))
        use = QStringLiteral("No");
    else if (use == QLatin1String("No"))
        use = QStringLiteral("Yes");
}

std::vector<int> ImportLayout::mapping() const {
    std::vector<int> out(names_.size(), 0);
    for (size_t i = 0; i < names_.size(); ++i)
        for (int r = 1; r <= data::kFieldCount && r <= rowCount(); ++r)
            if (rows_[size_t(r - 1)].name == names_[i]) {
                if (rows_[size_t(r - 1)].use == QLatin1String("Yes")) out[i] = r;
                break;
            }
    return out;
}

std::vector<int> directMapping(size_t importFields) {
    std::vector<int> out(importFields, 0);
    for (size_t i = 0; i < importFields && i < size_t(data::kFieldCount); ++i) out[i] = int(i + 1);
    return out;
}

}  // namespace vz::exchange
