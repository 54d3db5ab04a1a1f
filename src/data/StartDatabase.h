// The database the program opens at start-up.
#pragma once

#include <QString>
#include <memory>

#include "engine/Table.h"

namespace vz {
class Interaction;
}

namespace vz::data {

// Opens MASTER.DBF of the program folder shared, creating it empty first when it is missing.
// When it cannot be created or opened, says why in an error box and answers null.
std::unique_ptr<engine::Table> openMasterDatabase(const QString& programFolder, Interaction& ui);

}  // namespace vz::data
