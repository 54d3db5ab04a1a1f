// CollectionHost: what the operations that need the collection table to themselves (pack,
// rebuild, search and replace, backup and restore, conversion) ask of whoever runs them: the
// main window over the running program, or vazovi-cli over one table file.
#pragma once

#include <QString>
#include <cstdint>

#include "engine/Table.h"

namespace vz::data {

class CollectionHost {
public:
    virtual ~CollectionHost() = default;

    // The program folder (restores and the report definitions live there).
    virtual QString programFolder() const = 0;
    // The open collection table's full path ("Last Database").
    virtual QString databasePath() const = 0;
    // The table, or null while it is closed.
    virtual engine::Table* table() = 0;
    virtual void closeTable() = 0;
    // Opens the collection table again (after closeTable) in `mode`, in the current order, and
    // for a shared open applies the viewer options. False, with the reason shown, when it fails.
    virtual bool openTable(engine::OpenMode mode) = 0;
    // The sort string of the open database (empty: stored order).
    virtual QString sortString() const = 0;

    virtual bool searchMode() const { return false; }
    // EnableEndSearch / DisableEndSearch of the main window.
    virtual void setSearchMode(bool) {}

    // The data lists and the database part of the settings held in memory: written to the
    // database's files, and read again from them.
    virtual void saveLists() {}
    virtual void reloadLists() {}
    virtual void saveSettings() {}
    virtual void reloadSettings() {}
    // The report definitions file was replaced: the report window lists its reports anew.
    virtual void reportsReplaced() {}
    // A table restored under another name than the open one: it becomes the open database, as an
    // open does (the settings and lists of the one left are saved under its own name first).
    // False when it could not be opened.
    virtual bool switchTo(const QString& path) = 0;

    // The wait cursor on (true) or off.
    virtual void busy(bool) {}
    // How far a long pass has come; false stops it.
    virtual bool progress(uint64_t /*done*/, uint64_t /*total*/) { return true; }
};

}  // namespace vz::data
