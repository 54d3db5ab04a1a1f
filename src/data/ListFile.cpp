#include "data/ListFile.h"

#include <QFile>
#include <algorithm>

#include "common/AnsiText.h"
#include "common/ProgramFolder.h"
#include "common/WholeFile.h"
#include "engine/CodePage.h"

namespace vz::data {
namespace {

const engine::CodePage& ansi() {
    return engine::CodePage::get(engine::CodePage::Id::Windows1252);
}

bool isBlankOnly(const QByteArray& line) {
    for (char c : line)
        if (c != ' ') return false;
    return true;
}

// Collects the entries of a file fed to it in pieces of any size. Only the first 256 bytes of a
// line are kept (255 and a CR that may end it), so a line of any length costs no more memory.
class LineCollector {
public:
    explicit LineCollector(QStringList& entries) : entries_(entries) {}

    void feed(const char* p, qint64 n) {
        for (qint64 i = 0; i < n; ++i) {
            const char c = p[i];
            if (c == '\n') {
                endLine();
                continue;
            }
            if (line_.size() <= kMaxListLine) line_.append(c);
            ++length_;
            lastWasCr_ = c == '\r';
        }
    }

    // The last line need not end with a line end.
    void finish() {
        if (length_ > 0) endLine();
    }

private:
    void endLine() {
        qsizetype keep = length_;
        if (lastWasCr_) --keep;
        keep = std::min<qsizetype>(keep, kMaxListLine);
        line_.truncate(keep);
        if (!isBlankOnly(line_)) entries_.append(decodeListLine(line_));
        line_.clear();
        length_ = 0;
        lastWasCr_ = false;
    }

    QStringList& entries_;
    QByteArray line_;
    qsizetype length_ = 0;  // the whole line's length, kept bytes or not
    bool lastWasCr_ = false;
};

}  // namespace

QString decodeListLine(const QByteArray& bytes) {
    std::string utf8;
    ansi().decodeAppend(bytes.constData(), static_cast<size_t>(bytes.size()), utf8);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray encodeListEntry(const QString& entry) {
    QString text = entry;
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::string bytes;
    const QByteArray utf8 = text.toUtf8();
    if (ansi().encodeAppend(std::string_view(utf8.constData(), utf8.size()), bytes).kind ==
        engine::CodePage::EncodeError::Kind::None)
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));

    // Some character has no byte: settle the entry one character at a time.
    bytes.clear();
    for (char32_t c : text.toUcs4()) {
        const QByteArray one = QString::fromUcs4(&c, 1).toUtf8();
        if (ansi().encodeAppend(std::string_view(one.constData(), one.size()), bytes).kind !=
            engine::CodePage::EncodeError::Kind::None)
            bytes.push_back('?');
    }
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

ListFileRead readListFile(const QString& path) {
    ListFileRead result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = ListFileRead::Outcome::NotOpened;
        return result;
    }
    LineCollector lines(result.entries);
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0) {
            lines.finish();
            result.outcome = ListFileRead::Outcome::ReadError;
            result.error = file.errorString();
            return result;
        }
        if (n == 0) break;
        lines.feed(buffer, n);
    }
    lines.finish();
    return result;
}

ListFileWrite writeListFile(const QString& path, const QStringList& entries) {
    ListFileWrite result;
    for (const QString& entry : entries) {
        if (const std::optional<char32_t> c = firstNonAnsiCharacter(entry)) {
            result.outcome = ListFileWrite::Outcome::NotAnsi;
            result.error =
                QStringLiteral(
                    "The entry \"%1\" holds the character %2, which a list file cannot hold.")
                    .arg(entry, describeCharacter(*c));
            return result;
        }
    }
    QByteArray content;
    for (const QString& entry : entries) {
        content += encodeListEntry(entry);
        content += "\r\n";
    }
    bool notCreated = false;
    const engine::Status s = replaceWholeFile(
        toNativePath(path), std::string_view(content.constData(), size_t(content.size())),
        &notCreated);
    if (!s) {
        result.outcome =
            notCreated ? ListFileWrite::Outcome::NotCreated : ListFileWrite::Outcome::WriteError;
        result.error = QString::fromStdString(s.message());
    }
    return result;
}

}  // namespace vz::data
