#include "backup/BackupPlaces.h"

#include <QDir>
#include <QFileInfo>

namespace vz::backup {

QStringList mediaRoots(const QString& user) {
    return {QStringLiteral("/media/") + user, QStringLiteral("/run/media/") + user};
}

std::vector<Place> backupPlaces(const QString& programFolder, const QString& home,
                                const QStringList& roots) {
    std::vector<Place> places;
    auto add = [&places](const QString& label, const QString& path) {
        if (path.isEmpty() || !QFileInfo(path).isDir()) return;
        const QString clean = QDir::cleanPath(path);
        for (const Place& p : places)
            if (p.path == clean) return;
        places.push_back({label, clean});
    };
    add(QStringLiteral("Program folder"), programFolder);
    add(QStringLiteral("Home folder"), home);
    for (const QString& root : roots) {
        const QDir dir(root);
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            add(name, dir.filePath(name));
    }
    return places;
}

}  // namespace vz::backup
