// Creating collection tables.
#pragma once

#include <QString>

namespace vz {
class Interaction;
}

namespace vz::data {

// MakeNewDB: creates an empty collection table (the 25 schema fields, no records, no index) at
// the full path `fileName`, replacing an existing table of that name. When another program holds
// the existing table, says so in an error box and fails; an engine failure is shown in an error
// box too. Succeeds exactly when the file exists afterwards.
bool MakeNewDB(const QString& fileName, Interaction& ui);

}  // namespace vz::data
