// Tests and helpers on collection database files.
#pragma once

#include <QString>

namespace vz::data {

// True when another open (another program, another copy of this one, or another open in this
// process) holds the table: an exclusive open of it fails because it is in use. A missing or
// unreadable file is not in use.
bool DBaseInUse(const QString& fileName);

// "Kestrelhouse Vazovi 97 (" + table name + ")".
QString windowCaption(const QString& tableName);

// The table name of a path: its file name without its last extension ("A.B" for "A.B.DBF"), as
// the production index is named. The settings file and the list files are named from it.
QString tableNameOf(const QString& path);

// Earlier versions cut the table name at the first "." of the file name, so "A.B.DBF" kept its
// settings in "A.INI" and its lists in "A.001"... This gives the earlier name of a companion
// file: "/x/A.B.INI" gives "/x/A.INI"; empty when the file name has at most one ".", where both
// names are the same. Such a file is read only when the file of the new name is missing.
QString legacyCompanionPath(const QString& path);

}  // namespace vz::data
