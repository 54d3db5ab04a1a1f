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

// The table name of a path: its file name up to the first ".".
QString tableNameOf(const QString& path);

}  // namespace vz::data
