#include "data/OwnFiles.h"

#include <sys/stat.h>
#include <QDir>
#include <QFileInfo>
#include <vector>

#include "common/ProgramFolder.h"
#include "data/DataLists.h"
#include "data/DatabaseFiles.h"
#include "reports/ReportFile.h"

namespace vz::data {
namespace {

// A path with its links resolved: the folder and name of the file it leads to, whether or not
// that file exists yet.
struct Resolved {
    QString folder;
    QString name;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
};

Resolved resolve(const QString& path) {
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    // A link to a file not yet there leads to where the file would be written; follow the chain
    // a bounded number of steps.
    for (int hop = 0; hop < 40 && info.isSymLink() && !info.exists(); ++hop)
        info = QFileInfo(info.symLinkTarget());
    Resolved r;
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) {
        const QFileInfo c(canonical);
        r.folder = c.absolutePath();
        r.name = c.fileName();
        struct stat st {};
        if (::stat(QFile::encodeName(canonical).constData(), &st) == 0) {
            r.exists = true;
            r.device = st.st_dev;
            r.inode = st.st_ino;
        }
        return r;
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    r.folder = folder.isEmpty() ? QDir::cleanPath(info.absolutePath()) : folder;
    r.name = info.fileName();
    return r;
}

bool sameFile(const Resolved& a, const Resolved& b) {
    if (a.exists && b.exists && a.device == b.device && a.inode == b.inode) return true;
    return a.folder == b.folder && a.name.compare(b.name, Qt::CaseInsensitive) == 0;
}

struct OwnFile {
    QString path;
    QString what;
};

// The table's companions beside `table`: index, settings, lists, under both kinds of name.
void addCompanions(std::vector<OwnFile>& own, const QString& table, const QString& tableName) {
    const QFileInfo info(table);
    const QString base = joinPath(info.absolutePath(), tableNameOf(info.fileName()));
    own.push_back({base + QStringLiteral(".MDX"), QStringLiteral("the index of ") + tableName});
    std::vector<std::pair<QString, QString>> named = {
        {base + QStringLiteral(".INI"), QStringLiteral("the settings file of ") + tableName}};
    for (int i = 0; i < kDatabaseListCount; ++i) {
        const DataListInfo& list = dataListTable()[size_t(i)];
        named.push_back(
            {base + QLatin1String(list.extension),
             QStringLiteral("the %1 list of %2").arg(QLatin1String(list.title), tableName)});
    }
    for (const auto& [path, what] : named) {
        own.push_back({path, what});
        const QString legacy = legacyCompanionPath(path);
        if (!legacy.isEmpty()) own.push_back({legacy, what});
    }
}

}  // namespace

QString protectedFileReason(const QString& outputPath, const QString& tablePath,
                            const QString& programFolder) {
    std::vector<OwnFile> own;
    if (!tablePath.isEmpty()) {
        const QString tableName = QFileInfo(tablePath).fileName();
        own.push_back({tablePath, QStringLiteral("the collection ") + tableName});
        addCompanions(own, tablePath, tableName);
        const QString target = QFileInfo(tablePath).canonicalFilePath();
        if (!target.isEmpty() && target != QFileInfo(tablePath).absoluteFilePath())
            addCompanions(own, target, tableName);
    }
    if (!programFolder.isEmpty()) {
        own.push_back({joinPath(programFolder, QLatin1String(reports::kReportFileName)),
                       QStringLiteral("the report definitions file")});
        own.push_back({joinPath(programFolder, QLatin1String(reports::kEarlierReportFileName)),
                       QStringLiteral("the report definitions file of an earlier version")});
        for (const DataListInfo& list : dataListTable())
            own.push_back({joinPath(programFolder, QLatin1String(list.defaultFile)),
                           QStringLiteral("the program's %1 list").arg(QLatin1String(list.title))});
    }
    own.push_back({globalSettingsPath(), QStringLiteral("the program's settings file")});

    const Resolved out = resolve(outputPath);
    for (const OwnFile& file : own) {
        if (sameFile(out, resolve(file.path)))
            return QStringLiteral(
                       "%1 cannot be written: it is %2, which would be destroyed.  Choose another "
                       "file.")
                .arg(QDir::toNativeSeparators(outputPath), file.what);
    }
    return {};
}

}  // namespace vz::data
