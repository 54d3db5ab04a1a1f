#include "data/CollectionDatabase.h"

#include <QFileInfo>

#include "common/Interaction.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"
#include "data/NewDatabase.h"
#include "data/Schema.h"
#include "engine/File.h"
#include "search/SortOrder.h"

namespace vz::data {
namespace {

// The open and save dialogs of database files.
FileDialogRequest databaseDialog(const QString& title) {
    FileDialogRequest r;
    r.title = title;
    r.filters = {QStringLiteral("Database Files (*.DBF *.dbf)")};
    r.defaultExtension = QStringLiteral("DBF");
    return r;
}

// The production index beside a table, in either letter case of its extension.
bool indexFileExists(const std::string& table) {
    const std::string mdx = engine::mdxPathFor(table);
    if (engine::fileExists(mdx)) return true;
    std::string other = mdx;
    for (size_t i = other.rfind('.'); i < other.size(); ++i)
        other[i] = char(std::islower(uint8_t(other[i])) ? std::toupper(uint8_t(other[i])) : std::tolower(uint8_t(other[i])));
    return engine::fileExists(other);
}

QString engineMessage(const engine::Status& s) { return QString::fromStdString(s.message()); }

}  // namespace

bool CheckDBaseFormat(const QString& fileName, Interaction& ui) {
    const std::string path = toNativePath(QFileInfo(fileName).absoluteFilePath());
    if (!indexFileExists(path)) engine::removeMdxByte(path);
    std::vector<std::string> names;
    {
        auto check = engine::Table::open(path, engine::OpenMode::Shared);
        if (!check) {
            ui.error(engineMessage(check.status()));
            return false;
        }
        for (int i = 0; i < (*check)->fieldCount(); ++i) names.push_back((*check)->field(i).name);
    }
    if (hasCollectionFieldNames(names)) return true;
    ui.error(QStringLiteral("This DBase file was not created with Kestrelhouse Vazovi 97.  It cannot be opened.  "
                            "You may, however, import data from this file using the import function."));
    return false;
}

CollectionDatabase::CollectionDatabase(DatabaseHost& host, Interaction& ui, QString programFolder)
    : host_(host), ui_(ui), programFolder_(std::move(programFolder)) {}

CollectionDatabase::~CollectionDatabase() = default;

bool CollectionDatabase::hasDbfExtension(const QString& path) { return path.right(4).toUpper() == ".DBF"; }

void CollectionDatabase::setNames(const QString& path) {
    const QFileInfo info(path);
    tablePath_ = info.absoluteFilePath();
    const QString table = tableNameOf(tablePath_);
    baseName_ = joinPath(info.absolutePath(), table);
    caption_ = windowCaption(table);
}

void CollectionDatabase::closeTable() { MyTable.reset(); }

bool CollectionDatabase::openTable(engine::OpenMode mode, bool reportFailure) {
    MyTable.reset();
    auto t = engine::Table::open(toNativePath(tablePath_), mode);
    if (!t) {
        if (reportFailure) ui_.error(engineMessage(t.status()));
        return false;
    }
    MyTable = std::move(t.value());
    host_.prepareTable(*MyTable);
    if (!host_.sortString().isEmpty() && MyTable->hasTag(search::kSortTag)) {
        engine::Status s = MyTable->setOrder(search::kSortTag);
        if (!s) ui_.error(engineMessage(s));
    }
    return true;
}

// The index step of a switch (and of start-up), then the shared open of the table.
bool CollectionDatabase::applyIndexAndOpen(bool skipIndexWhenInUse, bool startUp) {
    const QString sort = host_.sortString();
    if (!sort.isEmpty() && !(skipIndexWhenInUse && DBaseInUse(tablePath_))) {
        auto exclusive = engine::Table::open(toNativePath(tablePath_), engine::OpenMode::Exclusive);
        if (exclusive) {
            engine::Status s = startUp ? search::applySortStringAtStartUp(**exclusive, sort)
                                       : search::applySortString(**exclusive, sort);
            if (!s) ui_.error(engineMessage(s));
        } else if (exclusive.status().code() != engine::Status::Code::Locked) {
            ui_.error(engineMessage(exclusive.status()));
        }
    }
    return openTable(engine::OpenMode::Shared);
}

void CollectionDatabase::switchTo(const QString& path, bool creating) {
    // 1-2: the new name; the old table closes.
    const QString oldName = host_.lastDatabase();
    host_.setLastDatabase(path);
    const QString oldSettings = settingsPath();
    const QString oldBase = baseName_;
    closeTable();
    setNames(path);
    // 3: the old database keeps its settings and lists (none while starting).
    if (!starting_) {
        host_.saveDatabaseSettings(oldSettings);
        host_.saveAllLists(oldBase);
    }
    // 4-6: the new database's lists and settings.
    if (!starting_) {
        if (creating)
            host_.loadDefaultLists();
        else
            host_.loadAllLists(baseName_);
    }
    if (creating)
        host_.loadDatabaseSettingsFromGlobal();
    else
        host_.loadDatabaseSettings(settingsPath());
    // 7-8: the sort tag, then the table opened shared.
    applyIndexAndOpen(!creating, false);
    // 9-10
    host_.applyDatabaseDisplay();
    host_.recentFiles().DoLastFiles(oldName, path);
    host_.showRecentFiles();
}

void CollectionDatabase::DoOpen() {
    std::optional<QString> chosen = ui_.openFileName(databaseDialog(QStringLiteral("Open Database File")));
    if (chosen) {
        if (!hasDbfExtension(*chosen)) {
            ui_.error(QStringLiteral("Invalid file type selected."));
        } else if (CheckDBaseFormat(*chosen, ui_)) {
            if (host_.searchMode()) host_.endSearch();
            switchTo(QFileInfo(*chosen).absoluteFilePath(), false);
        }
    }
    host_.showRecordCount();
}

void CollectionDatabase::DoNew() {
    std::optional<QString> chosen = ui_.saveFileName(databaseDialog(QStringLiteral("New Database File")));
    if (chosen) {
        if (host_.searchMode()) host_.endSearch();
        if (!hasDbfExtension(*chosen)) {
            ui_.error(QStringLiteral("Invalid file type selected."));
        } else {
            const QString path = QFileInfo(*chosen).absoluteFilePath();
            if (MakeNewDB(path, ui_)) switchTo(path, true);
        }
    }
    host_.showRecordCount();
}

void CollectionDatabase::OpenSaveFile(const QString& fileName) {
    if (CheckDBaseFormat(fileName, ui_)) {
        if (host_.searchMode()) host_.endSearch();
        switchTo(QFileInfo(fileName).absoluteFilePath(), false);
    }
    host_.showRecordCount();
}

bool CollectionDatabase::startUp() {
    starting_ = true;
    QString last = host_.lastDatabase();
    if (last.isEmpty() || !QFileInfo::exists(last)) {
        last = joinPath(programFolder_, QStringLiteral("MASTER.DBF"));
        host_.setLastDatabase(last);
    }
    if (!QFileInfo::exists(last) && !MakeNewDB(last, ui_)) return false;
    if (CheckDBaseFormat(last, ui_)) {
        setNames(last);
        host_.loadDatabaseSettings(settingsPath());
        applyIndexAndOpen(true, true);
    } else {
        ui_.error(QStringLiteral("The last database used as recorded in the INI file is not a valid Kestrelhouse "
                                 "Vazovi 97 file.  You will need to choose a new file."));
        // Ask until a collection is chosen. A collector who cancels the dialog ends the program
        // rather than being asked forever.
        while (MyTable == nullptr) {
            std::optional<QString> chosen = ui_.openFileName(databaseDialog(QStringLiteral("Open Database File")));
            if (!chosen) return false;
            if (!hasDbfExtension(*chosen)) {
                ui_.error(QStringLiteral("Invalid file type selected."));
                continue;
            }
            if (CheckDBaseFormat(*chosen, ui_)) switchTo(QFileInfo(*chosen).absoluteFilePath(), false);
        }
    }
    starting_ = false;
    return MyTable != nullptr;
}

}  // namespace vz::data
