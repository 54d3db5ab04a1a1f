// CommandLine: what the desktop program's arguments ask for.
//
//   vazovi [/BROWSE] [FILE.DBF]
//   vazovi --help | --version
//
// "/BROWSE" (any letter case) as the first argument asks for browse-only mode; the next argument,
// if any, names the collection to open instead of the one used last (a desktop's "Open with"
// passes it so). Arguments Qt takes for itself (-platform, -style...) are gone before this sees
// them.
#pragma once

#include <QString>
#include <QStringList>

namespace vz::mainwin {

struct CommandLine {
    bool browseOnly = false;
    // The collection named, as given (relative to the current folder, or absolute); empty when
    // none.
    QString database;
    bool help = false;
    bool version = false;
    // Why the arguments cannot be used; empty when they can.
    QString error;
};

// Reads the arguments, without the program's own name.
CommandLine parseCommandLine(const QStringList& arguments);

// The text --help shows.
QString commandLineUsage();

// The line --version shows: the program, its full name and the project version.
QString versionLine(const QString& programName);

}  // namespace vz::mainwin
