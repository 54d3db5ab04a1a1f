// CollectionDatabase: the one open collection database, and the ways to another: start-up,
// open, create and the recent files. Logic only; the main window calls these and implements
// DatabaseHost for what a switch carries besides the table (settings, lists, display).
#pragma once

#include <QString>
#include <memory>

#include "data/RecentFiles.h"
#include "engine/Table.h"

namespace vz {
class Interaction;
}

namespace vz::data {

// The program's side of a database switch.
class DatabaseHost {
public:
    virtual ~DatabaseHost() = default;
    // "Last Database" of the global settings.
    virtual QString lastDatabase() const = 0;
    virtual void setLastDatabase(const QString& path) = 0;
    virtual RecentFiles& recentFiles() = 0;
    // The recent-files list changed: show it (SetMenuLastFiles).
    virtual void showRecentFiles() = 0;
    // The database part of the settings and the nine database lists of the database left.
    virtual void saveDatabaseSettings(const QString& iniPath) = 0;
    virtual void saveAllLists(const QString& baseName) = 0;
    // The lists of the database opened, or the default lists for a new one.
    virtual void loadAllLists(const QString& baseName) = 0;
    virtual void loadDefaultLists() = 0;
    // The database part of the settings: from the database's own file, or from the global file
    // for a new database (which normally holds none of it, so the defaults apply).
    virtual void loadDatabaseSettings(const QString& iniPath) = 0;
    virtual void loadDatabaseSettingsFromGlobal() = 0;
    // The sort string built from the loaded sort levels.
    virtual QString sortString() const = 0;
    // Scaling, viewer options, colours and record count of the database now open.
    virtual void applyDatabaseDisplay() = 0;
    virtual void showRecordCount() = 0;
    virtual bool searchMode() const = 0;
    virtual void endSearch() = 0;
    // The table was opened (or reopened): give it the record filter and the date format.
    virtual void prepareTable(engine::Table&) {}
};

// The format check: true when `fileName` is a collection table (25 fields with the collection's
// names, compared without regard to case). A missing production index first clears the table's
// index flag. Otherwise says why in an error box and answers false.
bool CheckDBaseFormat(const QString& fileName, Interaction& ui);

class CollectionDatabase {
public:
    CollectionDatabase(DatabaseHost& host, Interaction& ui, QString programFolder);
    ~CollectionDatabase();

    // The collection table (the viewer's), or null while none is open.
    engine::Table* table() { return MyTable.get(); }
    // "Kestrelhouse Vazovi 97 (NAME)".
    QString caption() const { return caption_; }
    // The table's path without its last extension; the settings file and the lists are named
    // from it.
    QString baseName() const { return baseName_; }
    QString settingsPath() const { return baseName_ + ".INI"; }
    // The open table's full path.
    QString tablePath() const { return tablePath_; }

    // The start-up choice of database. False when the program cannot go on (no database can be
    // had, or the collector gave up choosing one).
    bool startUp();
    // File menu commands.
    void DoOpen();
    void DoNew();
    void OpenSaveFile(const QString& fileName);

    // Closes the collection table and opens it again, shared or exclusive, in the current order;
    // for the operations that need it to themselves. False (with the engine's message shown,
    // unless `reportFailure` is false) when it cannot be opened.
    void closeTable();
    bool openTable(engine::OpenMode mode, bool reportFailure = true);

private:
    void switchTo(const QString& path, bool creating);
    void setNames(const QString& path);
    bool applyIndexAndOpen(bool skipIndexWhenInUse, bool startUp);
    static bool hasDbfExtension(const QString& path);

    DatabaseHost& host_;
    Interaction& ui_;
    QString programFolder_;
    std::unique_ptr<engine::Table> MyTable;
    QString tablePath_, baseName_, caption_;
    bool starting_ = false;
};

}  // namespace vz::data
