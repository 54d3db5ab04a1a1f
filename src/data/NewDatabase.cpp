#include "data/NewDatabase.h"

#include <QFileInfo>

#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "data/Schema.h"
#include "engine/Table.h"

namespace vz::data {

bool MakeNewDB(const QString& fileName, Interaction& ui) {
    if (QFileInfo::exists(fileName) && DBaseInUse(fileName)) {
        ui.error("The table \"" + fileName + "\" is currently in use by another program." +
                 "  New table creation will be aborted.");
        return false;
    }
    engine::Status s = engine::Table::create(toNativePath(fileName), collectionFieldDefs());
    if (!s) {
        ui.error(QString::fromStdString(s.message()));
        return false;
    }
    return QFileInfo::exists(fileName);
}

}  // namespace vz::data
