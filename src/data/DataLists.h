// DataLists: the eleven lists of values offered as choices for the classification fields.
//
// Nine lists (Country to Hinged) belong to the open collection database and live in its files
// base name + ".001" to ".009"; a set of default lists in the program folder ("COUNTRY.LST" ...)
// seeds them for databases without lists of their own. The two others, Faults and Miscellaneous,
// exist once, in the program folder ("FAULTS.LST", "MISC.LST"); they are not kept in memory but
// read from their files whenever a window needs them.
//
// Each database list is held in one QStringListModel for the whole run. The record edit window's
// drop-down box and the main window's grid choice box of that list both show this one model, so
// every load and replacement reaches both at once and they always hold the same entries in the
// same order. (The boxes must not insert typed text into the model themselves: values reach a
// list only through AddToList and the list editor.)
//
// The lists are saved at fixed save points, never at shut-down: when the record edit window
// closes, when the list editor is confirmed, before another database is opened or created, and
// before the lists are backed up. List files are replaced whole (see writeListFile), so a save that
// fails leaves the old file as it was.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <memory>

class QStringListModel;

namespace vz {
class Interaction;
}

namespace vz::data {

// The list number is the enum's value.
enum class DataList {
    Country = 1,
    Topic,
    Condition,
    Group,
    StampType,
    Cancellation,
    Gum,
    Color,
    Hinged,
    Faults,
    Miscellaneous,
};

inline constexpr int kDataListCount = 11;
inline constexpr int kDatabaseListCount = 9;  // Country to Hinged

struct DataListInfo {
    DataList list;
    const char* title;        // "Country", "Stamp Type": the list's name in captions
    int fieldNumber;          // the record field filled from the list (schema field number)
    int longestEntry;         // the longest entry the list editor accepts
    const char* extension;    // ".001" to ".009"; empty for the program folder's own lists
    const char* defaultFile;  // the file in the program folder
};

// The eleven lists in list-number order.
const std::array<DataListInfo, kDataListCount>& dataListTable();
const DataListInfo& dataListInfo(DataList list);
// Country to Hinged; false for Faults and Miscellaneous.
bool isDatabaseList(DataList list);

class DataLists {
public:
    // `programFolder` holds the default lists, Faults and Miscellaneous; `ui` reports read and
    // write errors and asks the List Maintenance questions. Both must outlive this object. The
    // lists start empty, with no database base name set.
    DataLists(QString programFolder, Interaction& ui);
    ~DataLists();
    DataLists(const DataLists&) = delete;
    DataLists& operator=(const DataLists&) = delete;

    // The model both holders of a database list show; null for Faults and Miscellaneous.
    QStringListModel* model(DataList list) const;
    // The entries of a list: a database list's model, or the file of Faults or Miscellaneous as
    // it reads now.
    QStringList entries(DataList list) const;

    // The open database's table folder + table name (the file name without its last extension):
    // "/home/ann/COLL/MINE" for /home/ann/COLL/MINE.DBF, "/home/ann/COLL/A.B" for A.B.DBF. Empty
    // while no database is open; then nothing is saved to database list files.
    const QString& baseName() const { return baseName_; }
    void setBaseName(const QString& baseName) { baseName_ = baseName; }

    // base name + ".001" ... ".009"; empty for Faults and Miscellaneous.
    QString databaseListPath(DataList list) const;
    // The list's file in the program folder: the default list, or the one copy of Faults and
    // Miscellaneous.
    QString programListPath(DataList list) const;

    // The list operations. Those that read answer false only when a file broke off while being
    // read: that is reported in an error box, the operation stops there, and the list being read
    // keeps the entries read before the break. A file that cannot be opened is an empty list,
    // without a message. Those that write answer false when a file was not written: a file that
    // cannot be created is passed over without a message; a failure while writing is reported in
    // an error box and stops the operation there. A file not written keeps its old content, and
    // the lists in memory are unchanged.

    // Replaces a database list's entries with those of the file at `path`.
    bool LoadList(const QString& path, DataList list);
    // Writes a database list's entries to the file at `path`.
    bool SaveList(const QString& path, DataList list);
    // Loads the nine lists of the open database; when base name + ".001" is not a file, the lists
    // under the earlier name (legacyCompanionPath: "A.001" for base name "A.B"); when that is not
    // a file either, the default lists. A missing file among ".002" to ".009" gives an empty list.
    bool LoadAllList();
    // Writes the nine lists to the open database's list files; nothing without a base name.
    bool SaveAllLists();
    // Loads the nine default lists of the program folder.
    bool LoadDefaultList();
    // Writes the nine lists to the default list files of the program folder.
    bool SaveDefaultLists();
    // Adds `typed`, trimmed of blanks, at the end of a database list unless it is empty, holds a
    // character a list file cannot hold (firstNonAnsiCharacter), or the list holds an entry
    // exactly equal to it (case-sensitive). True when it was added.
    bool AddToList(DataList list, const QString& typed);
    // The same for the main window's grid choice box. The boxes share one model, so after
    // AddToList this adds nothing; it is kept for callers that hold only the grid's side.
    bool AddToListTwwDB(DataList list, const QString& text) { return AddToList(list, text); }

    // The two default-list items of the "List &Maintenance" menu. Each beeps and asks its
    // question (No the default); true when the user answered Yes and the work succeeded.
    bool SaveAsDefaults();  // "&Save As Defaults": SaveDefaultLists
    bool LoadInDefaults();  // "Load In &Defaults": LoadDefaultList; files are written at the
                            // next save point, not here

    // Save points and database switches, called by the windows.
    // The record edit window has closed, by whatever button or key.
    bool saveAtEditWindowClose() { return SaveAllLists(); }
    // The list editor's Ok with its entries: a database list gets them in place of its own; Faults
    // and Miscellaneous are written to their file (a file that cannot be written is left as it
    // was). Then the database lists are saved, whatever became of that file.
    bool applyListEditor(DataList list, const QStringList& entries);
    // A backup of the data lists begins: the files must hold what is in memory.
    bool saveBeforeBackup() { return SaveAllLists(); }
    // The data list files were restored: read them again.
    bool reloadAfterRestore() { return LoadAllList(); }
    // Another database is opened: saves the old database's lists, then loads the new one's.
    bool switchToOpenedDatabase(const QString& newBaseName);
    // A new database was created: saves the old database's lists, then loads the default lists;
    // the new database's list files come into being at its first save point.
    bool switchToNewDatabase(const QString& newBaseName);
    // A DatabaseHost (data/CollectionDatabase.h) hands these over in steps: saveAllLists(old) is
    // setBaseName(old) and SaveAllLists(); loadAllLists(new) is setBaseName(new) and LoadAllList();
    // loadDefaultLists() must set the new database's base name before LoadDefaultList(), or its
    // first save point would write over the lists of the database left.

private:
    bool report(const QString& text);
    bool writeFile(const QString& path, const QStringList& entries, bool& reported);
    bool saveNine(bool toDefaults);

    QString programFolder_;
    Interaction& ui_;
    QString baseName_;
    std::array<std::unique_ptr<QStringListModel>, kDatabaseListCount> models_;
};

}  // namespace vz::data
