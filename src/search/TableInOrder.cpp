#include "search/TableInOrder.h"

#include <QFileInfo>

#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "engine/KeyExpression.h"
#include "engine/Table.h"
#include "search/SortOrder.h"

namespace vz::search {

using engine::OpenMode;
using engine::Table;

data::DatabaseSettings databaseSettingsOf(const QString& tablePath) {
    data::DatabaseSettings settings;
    const QFileInfo info(tablePath);
    const QString iniPath =
        joinPath(info.absolutePath(), data::tableNameOf(tablePath)) + QStringLiteral(".INI");
    data::loadDatabaseSettings(settings, iniPath, globalSettingsPath());
    return settings;
}

engine::Result<std::unique_ptr<Table>> openInSortOrder(const QString& tablePath,
                                                       const QString& sortString) {
    const std::string native = toNativePath(tablePath);
    auto table = Table::open(native, OpenMode::Shared);
    if (!table || sortString.isEmpty()) return table;
    if (!(*table)->hasTag(kSortTag) ||
        !engine::KeyExpression::sameSpelling((*table)->tagExpression(kSortTag),
                                             sortString.toStdString())) {
        table->reset();
        {
            auto exclusive = Table::open(native, OpenMode::Exclusive);
            if (!exclusive) {
                if (exclusive.status().code() == engine::Status::Code::Locked)
                    return engine::Status::locked(
                        native +
                        " is in use by another program; its sort order cannot be applied.");
                return exclusive.status();
            }
            VZ_RETURN_IF_ERROR(applySortString(**exclusive, sortString));
        }
        table = Table::open(native, OpenMode::Shared);
        if (!table) return table;
    }
    VZ_RETURN_IF_ERROR((*table)->setOrder(kSortTag));
    return table;
}

}  // namespace vz::search
