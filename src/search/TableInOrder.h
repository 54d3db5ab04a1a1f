// TableInOrder: what a command-line command needs to read a collection the way the program shows
// it: the database's own settings and the table opened shared in its saved sort order.
#pragma once

#include <QString>
#include <memory>

#include "data/Settings.h"
#include "engine/Status.h"

namespace vz::engine {
class Table;
}

namespace vz::search {

// The database part of the settings of the table at `tablePath`: its own ".INI" beside it, else
// the file of its earlier name, else the global settings file; defaults for whatever is missing.
data::DatabaseSettings databaseSettingsOf(const QString& tablePath);

// Opens the table shared and in the order of `sortString` (none when it is empty). The index tag
// "NewIndex" is rebuilt, which needs the table to itself, only when it is missing or holds another
// order; a table in use by another program then fails with Locked.
engine::Result<std::unique_ptr<engine::Table>> openInSortOrder(const QString& tablePath,
                                                               const QString& sortString);

}  // namespace vz::search
