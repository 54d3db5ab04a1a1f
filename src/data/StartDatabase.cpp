#include "data/StartDatabase.h"

#include <QFileInfo>

#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/NewDatabase.h"

namespace vz::data {

std::unique_ptr<engine::Table> openMasterDatabase(const QString& programFolder, Interaction& ui) {
    const QString path = joinPath(programFolder, QStringLiteral("MASTER.DBF"));
    if (!QFileInfo::exists(path) && !MakeNewDB(path, ui)) return nullptr;
    auto t = engine::Table::open(toNativePath(path), engine::OpenMode::Shared);
    if (!t) {
        ui.error(QString::fromStdString(t.status().message()));
        return nullptr;
    }
    return std::move(t.value());
}

}  // namespace vz::data
