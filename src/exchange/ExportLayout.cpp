#include "exchange/ExportLayout.h"

#include <utility>

namespace vz::exchange {
namespace {

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");

}  // namespace

ExportLayout::ExportLayout(const data::DatabaseSettings& settings) {
    std::array<bool, kRows> taken{};
    std::vector<int> homeless;
    for (int f = 1; f <= data::kFieldCount; ++f) {
        const data::FieldSettings& fs = settings.field(f);
        const int r = fs.exportOrder;
        if (r < 1 || r > kRows || taken[size_t(r - 1)]) {
            homeless.push_back(f);
            continue;
        }
        taken[size_t(r - 1)] = true;
        rows_[size_t(r - 1)] = {fs.caption, fs.exported ? kYes : kNo};
    }
    size_t free = 0;
    for (int f : homeless) {
        while (taken[free]) ++free;
        taken[free] = true;
        rows_[free] = {settings.field(f).caption, settings.field(f).exported ? kYes : kNo};
    }
}

bool ExportLayout::moveUp(int r) {
    if (r <= 1 || r > kRows) return false;
    std::swap(rows_[size_t(r - 1)], rows_[size_t(r - 2)]);
    return true;
}

bool ExportLayout::moveDown(int r) {
    if (r < 1 || r >= kRows) return false;
    std::swap(rows_[size_t(r - 1)], rows_[size_t(r)]);
    return true;
}

void ExportLayout::toggle(int r) {
    if (r < 1 || r > kRows) return;
    ExportRow& row = rows_[size_t(r - 1)];
    row.use = row.use == kYes ? kNo : kYes;
}

void ExportLayout::setDefaults(const data::DatabaseSettings& settings) {
    for (int f = 1; f <= kRows; ++f) rows_[size_t(f - 1)] = {settings.field(f).caption, kYes};
}

void ExportLayout::store(data::DatabaseSettings& settings) const {
    for (int f = 1; f <= data::kFieldCount; ++f) {
        data::FieldSettings& fs = settings.field(f);
        for (int r = 1; r <= kRows; ++r)
            if (rows_[size_t(r - 1)].caption == fs.caption) {
                fs.exportOrder = r;
                fs.exported = rows_[size_t(r - 1)].use == kYes;
                break;
            }
    }
}

std::vector<int> exportedFields(const data::DatabaseSettings& settings) {
    std::vector<int> out;
    for (int position = 1; position <= data::kFieldCount; ++position)
        for (int f = 1; f <= data::kFieldCount; ++f)
            if (settings.field(f).exportOrder == position) {
                if (settings.field(f).exported) out.push_back(f);
                break;
            }
    return out;
}

}  // namespace vz::exchange
