// The places the backup window offers to back up to: the program folder, the home folder and
// every removable medium mounted for the user (the folders in /media/USER and /run/media/USER).
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vz::backup {

struct Place {
    QString label;  // "Program folder", "Home folder", or the medium's name
    QString path;
};

// The folders removable media are mounted in for `user`.
QStringList mediaRoots(const QString& user);

// The places in that order; media found in each of `roots` in name order. A place listed twice
// (the home folder as the program folder) is listed once.
std::vector<Place> backupPlaces(const QString& programFolder, const QString& home,
                                const QStringList& roots);

}  // namespace vz::backup
