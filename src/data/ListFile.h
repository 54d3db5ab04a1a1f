// ListFile: reading and writing one data list file.
//
// A list file is single-byte Windows-1252 text with one entry per line, in list order, and nothing
// else: no header, no count. Files may come from other tools and other machines, so reading
// accepts anything: lines end with LF or CR LF; at most 255 characters of a line are taken and
// the rest of it is skipped; a line that is empty or holds only blanks (the space character) is
// skipped; every other line is taken as it stands, blanks and control bytes included. Writing
// ends every line, the last one too, with CR LF, so the files stay interchangeable with the
// format's other tools; an empty list is a file of 0 bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vz::data {

// The most characters of one line that reading takes.
inline constexpr int kMaxListLine = 255;

struct ListFileRead {
    enum class Outcome {
        Read,       // the whole file was read
        NotOpened,  // missing, a folder, or no access: `entries` is empty
        ReadError,  // the file broke off while being read: `entries` holds the lines before
    };
    Outcome outcome = Outcome::Read;
    QStringList entries;
    QString error;  // the system's reason, for ReadError
};

// Reads the list file at `path`.
[[nodiscard]] ListFileRead readListFile(const QString& path);

struct ListFileWrite {
    enum class Outcome {
        Written,
        NotCreated,  // the file could not be created (a missing or read-only folder, a folder
                     // of that name): nothing was written
        WriteError,  // writing or replacing failed (a full disk, say): nothing was written
        NotAnsi,     // an entry holds a character Windows-1252 lacks: nothing was written
    };
    Outcome outcome = Outcome::Written;
    QString error;  // the system's reason, for NotCreated and WriteError; for NotAnsi the
                    // character and the entry
};

// Writes `entries` to the list file at `path`. The new content goes to a temporary file beside it
// that is renamed over the old file only when it is complete, so whatever fails, the old file is
// left exactly as it was. Entries with a character Windows-1252 lacks are refused (NotAnsi), never
// written as "?".
[[nodiscard]] ListFileWrite writeListFile(const QString& path, const QStringList& entries);

// The bytes of one entry as a list file holds them, without its line end. A character that
// Windows-1252 cannot hold is given as "?", as the format's other tools write it (writeListFile
// refuses such entries; a text report uses this for its lines). A CR or LF inside an entry becomes
// a blank, so that one entry never turns into two lines.
QByteArray encodeListEntry(const QString& entry);

// The text of one line's bytes (Windows-1252; every byte has a character, so nothing is lost).
QString decodeListLine(const QByteArray& bytes);

}  // namespace vz::data
