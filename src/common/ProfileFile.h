// ProfileFile: one INI settings file, held in memory.
//
// The files follow the conventions of Windows settings files, which is what the program's own
// files always were: "[Section]" lines, "key=value" lines below them, section and key names
// matched without regard to letter case or the blanks around them, and every other line (comments,
// blank lines, lines without "=") carried through untouched. Text is Windows-1252. A file is
// read once, looked up and changed in memory as often as needed, and written once.
//
// Files may come from anywhere and hold anything; reading never fails on their content: binary
// bytes are characters like any other, long lines are kept whole, and of two sections (or two
// keys in one section) with the same name the first is the one read and written.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace vz {

class ProfileFile {
public:
    enum class Source {
        None,        // made in memory
        Read,        // read from a file
        Missing,     // the file did not exist: empty
        Unreadable,  // the file exists but could not be read: empty
    };

    // Files larger than this are not read (they are Unreadable); settings files are a few
    // kilobytes.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    ProfileFile() = default;

    // The profile held in `path`. A missing file gives an empty profile, and so does a file that
    // cannot be read (a folder, an I/O error, a file over kMaxFileSize); source() tells which.
    static ProfileFile load(const QString& path);
    // The profile of a file's bytes. Lines end with LF or CR LF.
    static ProfileFile parse(const QByteArray& bytes);

    Source source() const { return source_; }

    // True when the first section named `section` has a key `key`.
    bool contains(const QString& section, const QString& key) const;
    // The value of `key` in the first section named `section`, without the blanks around it;
    // `fallback` when the section or the key is missing.
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;

    // Sets `key` in the first section named `section`. An existing key keeps its line, with the
    // new value; a new key goes after the last non-blank line of its section; a missing section
    // is added at the end of the file. A CR or LF in a name or the value is written as a blank,
    // so that no value can break into a line of its own. A section, key or value holding a
    // character Windows-1252 lacks (firstNonAnsiCharacter) is refused, never written as "?": the
    // profile is left as it was and the answer is false.
    bool setValue(const QString& section, const QString& key, const QString& value);

    // The file's content: every line in Windows-1252, ended with CR LF.
    QByteArray toBytes() const;

    // Writes the profile to `path`, creating its folder when needed. The content goes to a
    // temporary file beside it that replaces the old file only once it is complete, so when this
    // fails the old file is left exactly as it was. False when it failed, and without trying
    // when this profile came from an existing file that could not be read: writing would lose
    // whatever that file holds.
    [[nodiscard]] bool save(const QString& path) const;

private:
    struct Line {
        enum class Kind { Other, Section, Key };
        Kind kind = Kind::Other;
        QString text;   // the whole line, as written back
        QString name;   // section or key name, without the blanks around it
        QString value;  // a key's value, without the blanks around it
    };

    static Line parseLine(QString text);
    // The index of the first section line named `section`, or -1.
    qsizetype findSection(const QString& section) const;
    // The index of `key` in the section that starts at `sectionLine`, or -1.
    qsizetype findKey(qsizetype sectionLine, const QString& key) const;

    std::vector<Line> lines_;
    Source source_ = Source::None;
};

}  // namespace vz
