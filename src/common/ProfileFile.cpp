#include "common/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstring>

#include "common/AnsiText.h"
#include "common/ProgramFolder.h"
#include "common/WholeFile.h"
#include "engine/CodePage.h"

namespace vz {
namespace {

// Windows-1252 in both directions. The table comes from the engine's code page, so that settings
// files, list files and tables agree on every byte. Bytes 0xA0 to 0xFF are the characters
// U+00A0 to U+00FF; only 0x80 to 0x9F need the table to encode.
struct Cp1252 {
    std::array<char16_t, 256> toUnicode{};

    Cp1252() {
        const engine::CodePage& cp = engine::CodePage::get(engine::CodePage::Id::Windows1252);
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            std::string utf8;
            cp.decodeAppend(&byte, 1, utf8);
            toUnicode[size_t(b)] = QString::fromStdString(utf8).at(0).unicode();
        }
    }

    // The byte of `c`, or '?' for a character that Windows-1252 cannot hold: such a character
    // is lost, as it is in any "ANSI" file.
    char fromUnicode(char16_t c) const {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
        for (int b = 0x80; b < 0xA0; ++b)
            if (toUnicode[size_t(b)] == c) return static_cast<char>(b);
        return '?';
    }
};

const Cp1252& cp1252() {
    static const Cp1252 table;
    return table;
}

QString decode(const char* bytes, qsizetype n) {
    const Cp1252& cp = cp1252();
    QString s(n, Qt::Uninitialized);
    QChar* out = s.data();
    for (qsizetype i = 0; i < n; ++i)
        out[i] = QChar(cp.toUnicode[static_cast<unsigned char>(bytes[i])]);
    return s;
}

void encodeAppend(const QString& s, QByteArray& out) {
    const Cp1252& cp = cp1252();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        // A character beyond the 16-bit range (two code units) is one character: one "?".
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out.append('?');
            ++i;
        } else {
            out.append(cp.fromUnicode(c.unicode()));
        }
    }
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QString trimBlanks(const QString& s) {
    qsizetype begin = 0, end = s.size();
    while (begin < end && isBlank(s.at(begin))) ++begin;
    while (end > begin && isBlank(s.at(end - 1))) --end;
    return s.mid(begin, end - begin);
}

QString withoutLineBreaks(QString s) {
    s.replace(u'\r', u' ');
    s.replace(u'\n', u' ');
    return s;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

ProfileFile::Line ProfileFile::parseLine(QString text) {
    Line line;
    line.text = std::move(text);
    const QString& t = line.text;
    qsizetype p = 0;
    while (p < t.size() && isBlank(t.at(p))) ++p;
    if (p == t.size() || t.at(p) == u';') return line;
    if (t.at(p) == u'[') {
        // A "[" line always starts a section, even without its "]".
        const qsizetype close = t.indexOf(u']', p + 1);
        line.kind = Line::Kind::Section;
        line.name = trimBlanks(t.mid(p + 1, close < 0 ? -1 : close - p - 1));
        return line;
    }
    const qsizetype eq = t.indexOf(u'=', p);
    if (eq < 0) return line;
    QString name = trimBlanks(t.mid(p, eq - p));
    if (name.isEmpty()) return line;
    line.kind = Line::Kind::Key;
    line.name = std::move(name);
    line.value = trimBlanks(t.mid(eq + 1));
    return line;
}

ProfileFile ProfileFile::parse(const QByteArray& bytes) {
    ProfileFile profile;
    profile.source_ = Source::Read;
    const char* data = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    while (start < n) {
        const char* lf = static_cast<const char*>(memchr(data + start, '\n', size_t(n - start)));
        const qsizetype end = lf ? lf - data : n;
        qsizetype textEnd = end;
        if (textEnd > start && data[textEnd - 1] == '\r') --textEnd;
        profile.lines_.push_back(parseLine(decode(data + start, textEnd - start)));
        start = end + 1;
    }
    return profile;
}

ProfileFile ProfileFile::load(const QString& path) {
    ProfileFile profile;
    const QFileInfo info(path);
    if (!info.exists()) {
        profile.source_ = Source::Missing;
        return profile;
    }
    profile.source_ = Source::Unreadable;
    // Only a regular file: a folder, a pipe or a device under the name is never read from.
    if (!info.isFile() || info.size() > kMaxFileSize) return profile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return profile;
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileSize) return profile;
    return parse(bytes);
}

qsizetype ProfileFile::findSection(const QString& section) const {
    const QString name = trimBlanks(section);
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Kind::Section && sameName(lines_[i].name, name))
            return qsizetype(i);
    return -1;
}

qsizetype ProfileFile::findKey(qsizetype sectionLine, const QString& key) const {
    const QString name = trimBlanks(key);
    for (size_t i = size_t(sectionLine) + 1; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Line::Kind::Section) break;
        if (line.kind == Line::Kind::Key && sameName(line.name, name)) return qsizetype(i);
    }
    return -1;
}

bool ProfileFile::contains(const QString& section, const QString& key) const {
    const qsizetype s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

QString ProfileFile::value(const QString& section, const QString& key,
                           const QString& fallback) const {
    const qsizetype s = findSection(section);
    if (s < 0) return fallback;
    const qsizetype k = findKey(s, key);
    return k < 0 ? fallback : lines_[size_t(k)].value;
}

bool ProfileFile::setValue(const QString& section, const QString& key, const QString& value) {
    if (firstNonAnsiCharacter(section) || firstNonAnsiCharacter(key) ||
        firstNonAnsiCharacter(value))
        return false;
    const QString sectionName = trimBlanks(withoutLineBreaks(section));
    const QString keyName = trimBlanks(withoutLineBreaks(key));
    const QString newValue = withoutLineBreaks(value);
    const qsizetype s = findSection(sectionName);
    if (s < 0) {
        if (!lines_.empty() && !trimBlanks(lines_.back().text).isEmpty()) lines_.push_back(Line{});
        lines_.push_back(parseLine(u'[' + sectionName + u']'));
        lines_.push_back(parseLine(keyName + u'=' + newValue));
        return true;
    }
    const qsizetype k = findKey(s, keyName);
    if (k >= 0) {
        Line& line = lines_[size_t(k)];
        line = parseLine(line.name + u'=' + newValue);
        return true;
    }
    size_t after = size_t(s);
    for (size_t i = size_t(s) + 1; i < lines_.size() && lines_[i].kind != Line::Kind::Section; ++i)
        if (!trimBlanks(lines_[i].text).isEmpty()) after = i;
    lines_.insert(lines_.begin() + qsizetype(after) + 1, parseLine(keyName + u'=' + newValue));
    return true;
}

QByteArray ProfileFile::toBytes() const {
    QByteArray out;
    qsizetype size = 0;
    for (const Line& line : lines_) size += line.text.size() + 2;
    out.reserve(size);
    for (const Line& line : lines_) {
        encodeAppend(line.text, out);
        out.append("\r\n", 2);
    }
    return out;
}

bool ProfileFile::save(const QString& path) const {
    if (source_ == Source::Unreadable) return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    const QByteArray bytes = toBytes();
    return replaceWholeFile(toNativePath(path),
                            std::string_view(bytes.constData(), size_t(bytes.size())))
        .isOk();
}

}  // namespace vz
