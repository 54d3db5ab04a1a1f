// File copies for backup and restore: whole files, byte for byte, that never leave a half-written
// destination behind.
#pragma once

#include <QString>

namespace vz::backup {

// Copies `source` to `destination`. The copy is written to a temporary file in the
// destination's folder, synced, compared with the source (size and every byte), and only then
// renamed over the destination (and the folder synced). On any failure the temporary file is
// removed, the destination is left exactly as it was, `why` (when given) says what went wrong,
// and the answer is false.
bool copyFileSafely(const QString& source, const QString& destination, QString* why = nullptr);

// True when the destination's file system has room for `source`: its size is at most the
// destination's present size (0 when missing) plus the bytes free (for this user) in the
// destination's folder. A folder that cannot be asked counts as having room.
bool enoughSpace(const QString& source, const QString& destination);

// True when both paths name one file: equal after making them absolute and resolving symbolic
// links, or one file reached through two hard links.
bool sameFile(const QString& a, const QString& b);

}  // namespace vz::backup
