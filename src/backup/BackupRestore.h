// Backup and restore: copies of one kind of file of the open collection database (the table, its
// nine data lists, its settings file) or of the report definitions file, to a folder and back.
//
// Files are copied whole under their own names (copyFileSafely: a temporary file beside the
// destination, synced, compared, renamed), so a copy that fails leaves the destination as it was.
// The production index is never copied; a restored table gets its index rebuilt from the sort
// order. The shared logic of the backup and restore windows and of vazovi-cli; every message goes
// through the Interaction.
#pragma once

#include <QString>

namespace vz {
class Interaction;
}

namespace vz::data {
class CollectionHost;
}

namespace vz::backup {

enum class Kind { Table, Lists, Settings, Reports };

struct Outcome {
    bool ok = false;  // ended with its success message
    int copied = 0;   // files copied
    int missing = 0;  // files a restore could not find
};

// The name of a list file's extension: ".001" to ".009".
QString listExtension(int number);

// Backs up `kind` of the open database into `folder`.
Outcome backUp(data::CollectionHost& host, Interaction& ui, Kind kind, const QString& folder);

// Restores `kind` from `chosen`, the file picked as the source (for the lists and the report
// definitions only its folder counts), into `destinationFolder` (the program folder, for the
// windows).
//
// A table restored over the open database's file needs it to itself; a table restored under
// another name becomes the open database as an open makes it (host.switchTo), so the settings and
// lists in memory always belong to the database whose name they are saved under. The restored
// table's old index file is removed and its index rebuilt from the sort string.
Outcome restore(data::CollectionHost& host, Interaction& ui, Kind kind, const QString& chosen,
                const QString& destinationFolder);

}  // namespace vz::backup
