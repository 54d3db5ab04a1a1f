#include "search/SortOrder.h"

#include "data/Schema.h"
#include "engine/Table.h"

namespace vz::search {

QString BuildSortString(const SortLevels& levels) {
    int chosen = 0;
    for (int l : levels.level) chosen += l > 0 ? 1 : 0;
    if (chosen == 0) return {};
    const int width = 80 / chosen;
    QString s;
    for (int l : levels.level) {
        if (l <= 0 || l > data::kFieldCount) continue;
        const data::SchemaField& f = data::schemaField(l);
        const QString name = QString::fromLatin1(f.storedName.data(), int(f.storedName.size()));
        switch (f.type) {
            case data::FieldTypeCode::Text: s += "Upper(Left(" + name + "," + QString::number(width) + "))+"; break;
            case data::FieldTypeCode::Whole: s += "STR(" + name + ",12,0)+"; break;
            case data::FieldTypeCode::Decimal: s += "STR(" + name + ",12,2)+"; break;
            case data::FieldTypeCode::Date: s += "DTOS(" + name + ")+"; break;
        }
    }
    s.chop(1);
    return s;
}

engine::Status applySortString(engine::Table& table, const QString& sortString) {
    if (sortString.isEmpty()) return table.setOrder({});
    // The new tag takes the old one's place only once it is complete: a failure keeps the old
    // order.
    VZ_RETURN_IF_ERROR(table.replaceTag(kSortTag, sortString.toStdString()));
    return table.setOrder(kSortTag);
}

engine::Status applySortStringAtStartUp(engine::Table& table, const QString& sortString) {
    if (sortString.isEmpty()) return table.setOrder({});
    if (!table.hasTag(kSortTag)) VZ_RETURN_IF_ERROR(table.addTag(kSortTag, sortString.toStdString()));
    return table.setOrder(kSortTag);
}

}  // namespace vz::search
