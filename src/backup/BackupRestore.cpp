#include "backup/BackupRestore.h"

#include <QFile>
#include <QFileInfo>

#include "backup/FileCopy.h"
#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/CollectionDatabase.h"
#include "data/CollectionHost.h"
#include "data/DatabaseFiles.h"
#include "engine/File.h"
#include "engine/Table.h"
#include "search/SortOrder.h"

namespace vz::backup {
namespace {

const QString kReportFile = QStringLiteral("DUZEZIVA.URP");

const QString kExclusiveTail = QStringLiteral(
    "Make sure that the DBase File is not in use by another program  or that no other users are "
    "running the "
    "software or that no other copies of the software are in use.");

QString identical(const QString& where) {
    return QStringLiteral(
               "Destination File and Source File are identical.  You cannot copy a file  over top "
               "of itself.  Please "
               "choose a different ") +
           where + '.';
}
QString backupError(const QString& why) {
    return QStringLiteral("An error occurred during backup.  Backup not completed.") +
           (why.isEmpty() ? QString() : QStringLiteral("\n\n") + why);
}
QString restoreError(const QString& why) {
    return QStringLiteral("An error occurred during restore.  Restore not completed.") +
           (why.isEmpty() ? QString() : QStringLiteral("\n\n") + why);
}
const QString kBackupDone = QStringLiteral("Backup completed successfully.");
const QString kRestoreDone = QStringLiteral("Restore completed successfully.");

QString notLocated(const QString& name) {
    return QStringLiteral("The following file \"") + name + QStringLiteral("\" could not be") +
           QStringLiteral(" located on the specified source drive.");
}

// The wait cursor for one scope.
class Busy {
public:
    explicit Busy(data::CollectionHost& host) : host_(host) { host_.busy(true); }
    ~Busy() { host_.busy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    data::CollectionHost& host_;
};

QString baseNameOf(const QString& tablePath) {
    return joinPath(QFileInfo(tablePath).absolutePath(), data::tableNameOf(tablePath));
}

// Removes the production index beside `table` (in either letter case of its extension) and
// clears the table's index flag, so that the next open builds the index afresh.
void dropIndex(const QString& table) {
    const std::string native = toNativePath(table);
    for (int i = 0; i < 2; ++i)
        QFile::remove(QString::fromStdString(engine::existingMdxPathFor(native)));
    engine::removeMdxByte(native);
}

// Builds the sort tag of a table whose index was dropped; false with the message shown when it
// fails (the table then opens in its stored order).
bool buildIndex(const QString& table, const QString& sortString, Interaction& ui) {
    if (sortString.isEmpty()) return true;
    auto t = engine::Table::open(toNativePath(table), engine::OpenMode::Exclusive);
    engine::Status s = t ? search::applySortString(**t, sortString) : t.status();
    if (!s) ui.error(QString::fromStdString(s.message()));
    return bool(s);
}

Outcome backUpTable(data::CollectionHost& host, Interaction& ui, const QString& folder) {
    Outcome r;
    const QString source = host.databasePath();
    const QString dest = joinPath(folder, QFileInfo(source).fileName());
    if (sameFile(source, dest)) {
        ui.error(identical(QStringLiteral("directory/folder to backup to")));
        return r;
    }
    const bool searching = host.searchMode();
    if (searching) host.setSearchMode(false);
    auto putBack = [&] {
        if (searching) host.setSearchMode(true);
        host.openTable(engine::OpenMode::Shared);
    };
    host.closeTable();
    if (data::DBaseInUse(source)) {
        ui.error(
            QStringLiteral("Backing up the database requires exclusive use of the DBase File.  ") +
            kExclusiveTail);
        putBack();
        return r;
    }
    if (!enoughSpace(source, dest)) {
        ui.error(
            QStringLiteral("There is not enough room on the destination drive to perform a backup. "
                           " If you are already using "
                           "blank empty media, then you will need to use the ASCII Delimited "
                           "Import/Export functions for backup "
                           "and restore purposes."));
        putBack();
        return r;
    }
    QString why;
    bool copied = false;
    {
        Busy busy(host);
        copied = copyFileSafely(source, dest, &why);
    }
    putBack();
    if (!copied) {
        ui.error(backupError(why));
        return r;
    }
    r.copied = 1;
    r.ok = true;
    ui.notice(QStringLiteral("Notice"), kBackupDone);
    return r;
}

// Copies one of the collection's companion files (a list, the settings) for a backup; a
// destination that is the source itself is refused. False, with the message shown, on failure.
bool backUpCompanion(const QString& source, const QString& dest, Interaction& ui) {
    if (sameFile(source, dest)) {
        ui.error(identical(QStringLiteral("directory/folder to backup to")));
        return false;
    }
    QString why;
    if (!copyFileSafely(source, dest, &why)) {
        ui.error(backupError(why));
        return false;
    }
    return true;
}

Outcome backUpLists(data::CollectionHost& host, Interaction& ui, const QString& folder) {
    Outcome r;
    Busy busy(host);
    host.saveLists();
    const QString base = baseNameOf(host.databasePath());
    const QString table = data::tableNameOf(host.databasePath());
    for (int n = 1; n <= 9; ++n) {
        const QString source = base + listExtension(n);
        if (!QFileInfo::exists(source)) continue;
        if (!backUpCompanion(source, joinPath(folder, table + listExtension(n)), ui)) return r;
        ++r.copied;
    }
    r.ok = true;
    ui.notice(QStringLiteral("Notice"), kBackupDone);
    return r;
}

Outcome backUpSettings(data::CollectionHost& host, Interaction& ui, const QString& folder) {
    Outcome r;
    Busy busy(host);
    host.saveSettings();
    const QString source = baseNameOf(host.databasePath()) + QStringLiteral(".INI");
    if (QFileInfo::exists(source)) {
        const QString dest =
            joinPath(folder, data::tableNameOf(host.databasePath()) + QStringLiteral(".INI"));
        if (!backUpCompanion(source, dest, ui)) return r;
        r.copied = 1;
    }
    r.ok = true;
    ui.notice(QStringLiteral("Notice"), kBackupDone);
    return r;
}

Outcome backUpReports(data::CollectionHost& host, Interaction& ui, const QString& folder) {
    Outcome r;
    const QString source = joinPath(host.programFolder(), kReportFile);
    const QString dest = joinPath(folder, kReportFile);
    if (sameFile(source, dest)) {
        ui.error(identical(QStringLiteral("directory to backup to")));
        return r;
    }
    if (!enoughSpace(source, dest)) {
        ui.error(
            QStringLiteral("There is not enough room on the destination drive to backup this file. "
                           " You will need to free up "
                           "space on the destination drive or use an alternative method to backup "
                           "the \"DUZEZIVA.URP\" file."));
        return r;
    }
    QString why;
    Busy busy(host);
    if (!copyFileSafely(source, dest, &why)) {
        ui.error(backupError(why));
        return r;
    }
    r.copied = 1;
    r.ok = true;
    ui.notice(QStringLiteral("Notice"), kBackupDone);
    return r;
}

const QString kNoRoomToRestore = QStringLiteral(
    "There is not enough room on the destination drive to perform a restore.  You will need to "
    "free up hard "
    "drive space before completing the restore.");

Outcome restoreTable(data::CollectionHost& host, Interaction& ui, const QString& chosen,
                     const QString& folder) {
    Outcome r;
    if (host.searchMode()) host.setSearchMode(false);
    const QString current = host.databasePath();
    const QString dest = joinPath(folder, QFileInfo(chosen).fileName());
    if (sameFile(chosen, current) || sameFile(chosen, dest)) {
        ui.error(identical(QStringLiteral("directory/folder to restore from")));
        return r;
    }
    if (!data::CheckDBaseFormat(chosen, ui)) return r;
    const bool overOpen = sameFile(dest, current);
    // The file restored over must be nobody else's: the open database (closed for the test), or
    // another collection some other program may have open.
    if (overOpen) host.closeTable();
    if ((overOpen || QFileInfo::exists(dest)) && data::DBaseInUse(dest)) {
        ui.message(
            {QString(),
             QStringLiteral(
                 "Unable to restore the database.  Make sure the database is not in use by any "
                 "other users or by another copy of the software."),
             Buttons::Ok, Answer::Ok, MessageIcon::None, false});
        if (overOpen) host.openTable(engine::OpenMode::Shared);
        return r;
    }
    if (!enoughSpace(chosen, dest)) {
        ui.error(kNoRoomToRestore);
        if (overOpen) host.openTable(engine::OpenMode::Shared);
        return r;
    }
    QString why;
    bool copied = false;
    {
        Busy busy(host);
        copied = copyFileSafely(chosen, dest, &why);
    }
    if (!copied) {
        if (overOpen) host.openTable(engine::OpenMode::Shared);
        ui.error(restoreError(why));
        return r;
    }
    r.copied = 1;
    dropIndex(dest);
    if (overOpen) {
        Busy busy(host);
        buildIndex(dest, host.sortString(), ui);
        host.openTable(engine::OpenMode::Shared);
    } else if (!host.switchTo(dest)) {
        return r;
    }
    r.ok = true;
    ui.notice(QStringLiteral("Notice"), kRestoreDone);
    return r;
}

Outcome restoreLists(data::CollectionHost& host, Interaction& ui, const QString& chosen,
                     const QString& folder) {
    Outcome r;
    Busy busy(host);
    const QString sourceFolder = QFileInfo(chosen).absolutePath();
    const QString table = data::tableNameOf(host.databasePath());
    for (int n = 1; n <= 9; ++n) {
        const QString name = table + listExtension(n);
        const QString source = joinPath(sourceFolder, name);
        const QString dest = joinPath(folder, name);
        if (sameFile(source, dest)) {
            ui.error(identical(QStringLiteral("directory/folder to restore from")));
            return r;
        }
        if (!QFileInfo::exists(source)) {
            ui.warning(notLocated(name));
            ++r.missing;
            continue;
        }
        QString why;
        if (!copyFileSafely(source, dest, &why)) {
            ui.error(restoreError(why));
            return r;
        }
        ++r.copied;
    }
    ui.notice(QStringLiteral("Notice"),
              r.missing == 0
                  ? QStringLiteral("ALL proper \"Data List\" files restored successfully.")
                  : QStringLiteral("One or more files were not restored.  Restore may not have "
                                   "completed successfully."));
    host.reloadLists();
    r.ok = r.missing == 0;
    return r;
}

Outcome restoreSettings(data::CollectionHost& host, Interaction& ui, const QString& chosen,
                        const QString& folder) {
    Outcome r;
    Busy busy(host);
    const QString name = data::tableNameOf(chosen);
    const QString source =
        joinPath(QFileInfo(chosen).absolutePath(), name + QStringLiteral(".INI"));
    const QString dest = joinPath(folder, name + QStringLiteral(".INI"));
    if (sameFile(source, dest)) {
        ui.error(identical(QStringLiteral("directory/folder to restore from")));
        return r;
    }
    if (!QFileInfo::exists(source)) {
        ui.warning(notLocated(name + QStringLiteral(".INI")));
        r.missing = 1;
        return r;
    }
    QString why;
    if (!copyFileSafely(source, dest, &why)) {
        ui.error(restoreError(why));
        return r;
    }
    r.copied = 1;
    if (sameFile(dest, baseNameOf(host.databasePath()) + QStringLiteral(".INI")))
        host.reloadSettings();
    r.ok = true;
    ui.notice(QStringLiteral("Notice"),
              QStringLiteral("Configuration File restored successfully."));
    return r;
}

Outcome restoreReports(data::CollectionHost& host, Interaction& ui, const QString& chosen,
                       const QString& folder) {
    Outcome r;
    const QString source = joinPath(QFileInfo(chosen).absolutePath(), kReportFile);
    const QString dest = joinPath(folder, kReportFile);
    if (sameFile(source, dest)) {
        ui.error(identical(QStringLiteral("directory/folder to restore from")));
        return r;
    }
    if (!QFileInfo::exists(source)) {
        ui.error(
            QStringLiteral("The Report Definitions file \"DUZEZIVA.URP\" could not be  located on "
                           "the specified source drive."));
        r.missing = 1;
        return r;
    }
    if (!enoughSpace(source, dest)) {
        ui.error(kNoRoomToRestore);
        return r;
    }
    QString why;
    {
        Busy busy(host);
        if (!copyFileSafely(source, dest, &why)) {
            ui.error(restoreError(why));
            return r;
        }
    }
    r.copied = 1;
    host.reportsReplaced();
    r.ok = true;
    ui.notice(QStringLiteral("Notice"), kRestoreDone);
    return r;
}

}  // namespace

QString listExtension(int number) {
    return QStringLiteral(".%1").arg(number, 3, 10, QLatin1Char('0'));
}

Outcome backUp(data::CollectionHost& host, Interaction& ui, Kind kind, const QString& folder) {
    switch (kind) {
        case Kind::Table:
            return backUpTable(host, ui, folder);
        case Kind::Lists:
            return backUpLists(host, ui, folder);
        case Kind::Settings:
            return backUpSettings(host, ui, folder);
        case Kind::Reports:
            return backUpReports(host, ui, folder);
    }
    return {};
}

Outcome restore(data::CollectionHost& host, Interaction& ui, Kind kind, const QString& chosen,
                const QString& destinationFolder) {
    switch (kind) {
        case Kind::Table:
            return restoreTable(host, ui, chosen, destinationFolder);
        case Kind::Lists:
            return restoreLists(host, ui, chosen, destinationFolder);
        case Kind::Settings:
            return restoreSettings(host, ui, chosen, destinationFolder);
        case Kind::Reports:
            return restoreReports(host, ui, chosen, destinationFolder);
    }
    return {};
}

}  // namespace vz::backup
