#include "data/StartDatabase.h"

#include <QFileInfo>

#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/NewDatabase.h"
#include "engine/File.h"
#include "search/SortOrder.h"

namespace vz::data {

std::unique_ptr<engine::Table> openCollection(const QString& path, Interaction& ui, const QString& sortString) {
    const std::string native = toNativePath(path);
    if (!engine::fileExists(engine::mdxPathFor(native))) engine::removeMdxByte(native);
    if (!sortString.isEmpty()) {
        // Index work needs the table to itself; when another program holds it, the index is used as
        // it stands.
        auto exclusive = engine::Table::open(native, engine::OpenMode::Exclusive);
        if (exclusive) {
            engine::Status s = search::applySortStringAtStartUp(**exclusive, sortString);
            if (!s) ui.error(QString::fromStdString(s.message()));
        } else if (exclusive.status().code() != engine::Status::Code::Locked) {
            ui.error(QString::fromStdString(exclusive.status().message()));
            return nullptr;
        }
    }
    auto t = engine::Table::open(native, engine::OpenMode::Shared);
    if (!t) {
        ui.error(QString::fromStdString(t.status().message()));
        return nullptr;
    }
    if (!sortString.isEmpty() && (*t)->hasTag(search::kSortTag)) {
        engine::Status s = (*t)->setOrder(search::kSortTag);
        if (!s) ui.error(QString::fromStdString(s.message()));
    }
    return std::move(t.value());
}

std::unique_ptr<engine::Table> openMasterDatabase(const QString& programFolder, Interaction& ui,
                                                  const QString& sortString) {
    const QString path = joinPath(programFolder, QStringLiteral("MASTER.DBF"));
    if (!QFileInfo::exists(path) && !MakeNewDB(path, ui)) return nullptr;
    return openCollection(path, ui, sortString);
}

}  // namespace vz::data
