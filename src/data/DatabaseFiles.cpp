#include "data/DatabaseFiles.h"

#include <QFileInfo>

#include "common/ProgramFolder.h"
#include "engine/Table.h"

namespace vz::data {

bool DBaseInUse(const QString& fileName) {
    auto t = engine::Table::open(toNativePath(fileName), engine::OpenMode::Exclusive);
    return !t && t.status().code() == engine::Status::Code::Locked;
}

QString windowCaption(const QString& tableName) {
    return QStringLiteral("Kestrelhouse Vazovi 97 (") + tableName + ')';
}

QString tableNameOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QString legacyCompanionPath(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    const int first = name.indexOf('.');
    const int last = name.lastIndexOf('.');
    if (first < 0 || first == last) return {};
    const QString folder = path.left(path.size() - name.size());
    return folder + name.left(first) + name.mid(last);
}

}  // namespace vz::data
