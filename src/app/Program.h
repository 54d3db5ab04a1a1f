// Program: what the running program holds besides its windows: the settings, the data lists and
// the open collection database, with start-up and shut-down in their order. The main window
// owns one and shows what it holds; tests drive it headless.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "data/CollectionDatabase.h"
#include "data/DataLists.h"
#include "data/Settings.h"

namespace vz {
class Interaction;
}

namespace vz::mainwin {

class Program : public data::DatabaseHost {
public:
    // `programFolder` and `globalSettingsFile` are where the program keeps its files; `ui` must
    // outlive the program.
    Program(QString programFolder, QString globalSettingsFile, Interaction& ui);
    ~Program() override;

    // Loads the global settings, then chooses, checks and opens the database with its own
    // settings and sort tag, then loads its data lists. False when no database can be had: the
    // program then ends.
    bool startUp();
    // A collection to open at start-up instead of the one used last (named on the command line);
    // call before startUp(). A file that is missing or not a collection is reported by name and
    // the usual start-up follows.
    void setStartDatabase(const QString& path) { startDatabase_ = path; }
    // Ends search mode and saves the global, then the database part of the settings.
    void shutDown();
    // Writes the global part of the settings to the program's global settings file; a failure is
    // reported in an error box naming the file.
    void saveGlobalSettings();

    data::Settings& settings() { return settings_; }
    data::DataLists& lists() { return lists_; }
    data::CollectionDatabase& database() { return database_; }
    const QString& programFolder() const { return programFolder_; }
    Interaction& ui() { return ui_; }

    // What the windows do when the open database changes or its record count should show.
    std::function<void()> onDisplay;
    std::function<void()> onRecordCount;
    std::function<void()> onRecentFiles;

    // DatabaseHost
    QString lastDatabase() const override { return settings_.global.misc.lastDatabase; }
    void setLastDatabase(const QString& path) override { settings_.global.misc.lastDatabase = path; }
    data::RecentFiles& recentFiles() override { return recent_; }
    void showRecentFiles() override;
    void saveDatabaseSettings(const QString& iniPath) override;
    void saveAllLists(const QString& baseName) override;
    void loadAllLists(const QString& baseName) override;
    void loadDefaultLists() override;
    void loadDatabaseSettings(const QString& iniPath) override;
    void loadDatabaseSettingsFromGlobal() override;
    QString sortString() const override;
    void applyDatabaseDisplay() override;
    void showRecordCount() override;
    bool searchMode() const override { return searchMode_; }
    void endSearch() override { searchMode_ = false; }
    void prepareTable(engine::Table& table) override;

    // Search mode: while it is on the record filter admits the records the search test accepts.
    void setSearchMode(bool on) { searchMode_ = on; }
    // The search window's record test; without one a search admits nothing.
    std::function<bool(const engine::Table&)> searchTest;
    // The collection table's record filter.
    bool MyTableFilter(const engine::Table& table) const;
    // Puts the date, currency and numeric formats of the settings in force.
    void applyFormats();
    // Browse-only mode, from the command line, for the whole run. While it is on, "Field
    // Editing" reads No in the settings of every database opened; each database's own value is
    // kept aside and is what its settings file gets whenever its settings are saved.
    bool browseOnly() const { return browseOnly_; }
    void setBrowseOnly(bool on);

private:
    void copyRecentToSettings();
    // Browse-only mode: keeps the loaded "Field Editing" aside and switches it off.
    void holdFieldEditing();
    // The database part of the settings as its file keeps it.
    data::DatabaseSettings storedDatabaseSettings() const;
    // Makes the collection named at start-up the last database, when it is one.
    void takeStartDatabase();

    QString programFolder_;
    QString globalFile_;
    QString startDatabase_;
    Interaction& ui_;
    data::Settings settings_;
    data::RecentFiles recent_;
    data::DataLists lists_;
    data::CollectionDatabase database_;
    bool searchMode_ = false;
    bool browseOnly_ = false;
    bool heldFieldEditing_ = false;
};

}  // namespace vz::mainwin
