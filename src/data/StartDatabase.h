// The database the program opens at start-up.
#pragma once

#include <QString>
#include <memory>

#include "engine/Table.h"

namespace vz {
class Interaction;
}

namespace vz::data {

// Opens MASTER.DBF of the program folder shared, creating it empty first when it is missing, in
// the order of `sortString` (see openCollection). When it cannot be created or opened, says why in
// an error box and answers null.
std::unique_ptr<engine::Table> openMasterDatabase(const QString& programFolder, Interaction& ui,
                                                  const QString& sortString);

// Opens a collection table shared, as the program does at start-up: a missing production index
// clears the table's index flag; when nobody else holds the table, the tag "NewIndex" is added
// with `sortString` if the index lacks it (an existing one is used unchanged) and a damaged index
// is rebuilt; then "NewIndex" is made the active order (none when `sortString` is empty or the tag
// cannot be had). Engine failures are shown in an error box and answer null.
std::unique_ptr<engine::Table> openCollection(const QString& path, Interaction& ui, const QString& sortString);

}  // namespace vz::data
