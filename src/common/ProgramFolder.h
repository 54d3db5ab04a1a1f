// Where the program keeps its files on Linux.
//
// The program folder holds MASTER.DBF, the report definitions, the default lists and restores.
// It is, in this order: $VAZOVI_PROGRAM_DIR when set; the folder of the executable when the user
// can write it (a build folder, a portable copy) and it is not an installation's bin folder (one
// with ../share/kestrelhouse beside it, which stays the program's even for root or a prefix in
// the user's home); otherwise $XDG_DATA_HOME/kestrelhouse
// (~/.local/share/kestrelhouse), created on first use. A folder named by the variable or in the
// data home is seeded with the list files the program ships (beside the executable of a build,
// or in <prefix>/share/kestrelhouse) that it lacks. The global settings file DUZEZIVA.INI lives in
// $XDG_CONFIG_HOME/kestrelhouse (~/.config/kestrelhouse).
#pragma once

#include <QString>

namespace vz {

// The program folder, without a trailing separator; empty when none can be had (the reason in
// `error`, when given).
QString programFolder(QString* error = nullptr);
// The same choice for a program whose executable is in `executableFolder` (programFolder() passes
// the folder of /proc/self/exe).
QString programFolderFor(const QString& executableFolder, QString* error = nullptr);
// The installation's data folder of a program whose executable is in `executableFolder`:
// <prefix>/share/kestrelhouse beside <prefix>/bin, without "..". It need not exist.
QString installedDataFolder(const QString& executableFolder);

// The folder of the global settings file; not created here.
QString settingsFolder();
// The full path of the global settings file "DUZEZIVA.INI".
QString globalSettingsPath();

// Joins a folder and a file name with one "/" between them: "/" + "x" gives "/x".
QString joinPath(const QString& folder, const QString& name);

// A path as the engine takes it (the file system's bytes).
std::string toNativePath(const QString& path);

}  // namespace vz
