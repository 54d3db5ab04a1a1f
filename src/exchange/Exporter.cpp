#include "exchange/Exporter.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/DisplayFormats.h"
#include "common/FileReplacement.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "engine/File.h"
#include "engine/Table.h"
#include "exchange/ExportLayout.h"

namespace vz::exchange {
namespace {

using engine::Status;
using engine::Table;

constexpr uint64_t kProgressEvery = 256;

QString fromStd(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The table's index of each exported field; -1 for a field the table lacks.
std::vector<int> tableIndexes(const Table& table, const std::vector<int>& fields) {
    std::vector<int> out;
    for (int n : fields) out.push_back(table.fieldIndex(data::schemaField(n).storedName));
    return out;
}

// Appends `utf8` to `line` in the file's encoding; false, with `bad` set, for a character
// Windows-1252 lacks.
bool appendEncoded(std::string_view utf8, TextEncoding encoding, std::string& line, char32_t& bad) {
    if (encoding == TextEncoding::Utf8) {
        line.append(utf8);
        return true;
    }
    const auto e =
        engine::CodePage::get(engine::CodePage::Id::Windows1252).encodeAppend(utf8, line);
    if (e.kind == engine::CodePage::EncodeError::Kind::None) return true;
    bad = e.character;
    return false;
}

std::string_view trimmedView(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// `text` trimmed of blanks, in double quotes, its inner double quotes doubled.
void appendQuoted(std::string_view text, std::string& out) {
    text = trimmedView(text);
    out.push_back('"');
    for (size_t at; (at = text.find('"')) != std::string_view::npos; text.remove_prefix(at + 1))
        out.append(text.data(), at + 1).push_back('"');
    out.append(text);
    out.push_back('"');
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

class TextSink {
public:
    explicit TextSink(const QString& path) : path_(path), replacement_(path) {}
    ~TextSink() {
        if (file_) std::fclose(file_);
    }
    bool open(QString& error) {
        if (replacement_.tempPath().isEmpty()) {
            error = replacement_.error();  // names the file already
            return false;
        }
        file_ = std::fopen(QFile::encodeName(replacement_.tempPath()).constData(), "wb");
        if (!file_) return fail(error);
        return true;
    }
    bool write(const std::string& bytes, QString& error) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return fail(error);
        return true;
    }
    bool finish(QString& error) {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!closed) return fail(error);
        if (!replacement_.commit()) {
            error = replacement_.error();  // names the file already
            return false;
        }
        return true;
    }

private:
    bool fail(QString& error) {
        error = QStringLiteral("%1 cannot be written: %2")
                    .arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    QString path_;
    FileReplacement replacement_;
    std::FILE* file_ = nullptr;
};

// exportDateText's characters, appended to `out`.
void appendExportDate(const engine::Date& d, const DisplayFormats& formats, std::string& out) {
    if (d.isBlank()) return;
    const char sep = formats.dateSeparator().at(0).toLatin1();
    const bool zeros = formats.leadingZeros();
    auto part = [&](int n) {
        if (zeros || n >= 10) out.push_back(char('0' + n / 10 % 10));
        out.push_back(char('0' + n % 10));
        out.push_back(sep);
    };
    if (formats.dayFirst()) {
        part(d.day);
        part(d.month);
    } else {
        part(d.month);
        part(d.day);
    }
    for (int div : {1000, 100, 10, 1}) out.push_back(char('0' + d.year / div % 10));
}

QString engineError(const Status& s) {
    return fromStd(s.message());
}

// Walks the table, calling `write` for each record; the shared part of both kinds of export.
template <typename Write>
ExportResult walk(Table& table, const Progress& progress, Write write) {
    ExportResult result;
    const uint64_t total = table.recordCount();
    Status s = table.first();
    while (s && !table.eof()) {
        if (progress && result.records % kProgressEvery == 0 && !progress(result.records, total)) {
            result.outcome = ExportResult::Outcome::Stopped;
            return result;
        }
        if (QString why = write(); !why.isEmpty()) {
            result.outcome = ExportResult::Outcome::Failed;
            result.error = why;
            return result;
        }
        ++result.records;
        s = table.next();
    }
    if (!s) {
        result.outcome = ExportResult::Outcome::Failed;
        result.error = engineError(s);
        return result;
    }
    if (progress) progress(result.records, std::max(total, result.records));
    return result;
}

ExportResult exportText(Table& table, const QString& path, const ExportRequest& request,
                        const DisplayFormats& formats, const Progress& progress) {
    ExportResult failed;
    failed.outcome = ExportResult::Outcome::Failed;
    TextSink sink(path);
    if (!sink.open(failed.error)) return failed;
    const std::vector<int> index = tableIndexes(table, request.fields);
    std::string line, text, quoted;
    char32_t bad = 0;
    auto unwritable = [&](const QString& where) {
        return QStringLiteral(
                   "%1: %2 holds the character %3, which Windows-1252 cannot hold; nothing was "
                   "exported.")
            .arg(path, where, fromStd(engine::describeCharacter(bad)));
    };
    if (request.firstRow) {
        line.clear();
        for (size_t k = 0; k < request.fields.size(); ++k) {
            if (k) line.push_back(',');
            quoted.clear();
            const QByteArray caption = request.captions[k].toUtf8();
            appendQuoted(std::string_view(caption.constData(), size_t(caption.size())), quoted);
            if (!appendEncoded(quoted, request.encoding, line, bad))
                return failed.error = unwritable(
                           QStringLiteral("the caption \"%1\"").arg(request.captions[k])),
                       failed;
        }
        line += "\r\n";
        if (!sink.write(line, failed.error)) return failed;
    }
    // Character fields go out as the file holds them when the bytes need no conversion: the table
    // and the output both Windows-1252, or the bytes plain ASCII.
    const bool sameBytes = table.codePage().id() == engine::CodePage::Id::Windows1252 &&
                           request.encoding == TextEncoding::Windows1252;
    std::vector<bool> character, date;
    for (size_t k = 0; k < request.fields.size(); ++k) {
        character.push_back(index[k] >= 0 &&
                            table.field(index[k]).type == engine::FieldType::Character);
        date.push_back(data::schemaField(request.fields[k]).type == data::FieldTypeCode::Date);
    }
    ExportResult result = walk(table, progress, [&]() -> QString {
        line.clear();
        for (size_t k = 0; k < request.fields.size(); ++k) {
            if (k) line.push_back(',');
            const int i = index[k];
            if (i < 0) {
                line += "\"\"";
                continue;
            }
            if (character[k]) {
                const std::string_view stored = table.storedBytes(i);
                if (sameBytes || isAscii(stored)) {
                    appendQuoted(stored, line);
                    continue;
                }
            }
            text.clear();
            if (date[k]) {
                engine::Result<engine::Date> d = table.date(i);
                if (!d) return engineError(d.status());
                appendExportDate(*d, formats, text);
            } else if (Status s = table.readText(i, text); !s) {
                return engineError(s);
            }
            quoted.clear();
            appendQuoted(text, quoted);
            if (!appendEncoded(quoted, request.encoding, line, bad))
                return unwritable(QStringLiteral("record %1, field %2,")
                                      .arg(table.recNo())
                                      .arg(request.captions[k]));
        }
        line += "\r\n";
        QString error;
        if (!sink.write(line, error)) return error;
        return {};
    });
    if (result.outcome == ExportResult::Outcome::Done && !sink.finish(result.error))
        result.outcome = ExportResult::Outcome::Failed;
    return result;
}

bool syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

ExportResult exportTable(Table& table, const QString& path, const ExportRequest& request,
                         const Progress& progress) {
    ExportResult failed;
    failed.outcome = ExportResult::Outcome::Failed;
    const std::vector<int> index = tableIndexes(table, request.fields);
    std::vector<engine::FieldDef> defs;
    for (size_t k = 0; k < request.fields.size(); ++k) {
        if (index[k] < 0) {
            failed.error =
                QStringLiteral("%1 has no field %2; nothing was exported.")
                    .arg(fromStd(table.path()),
                         fromStd(std::string(data::schemaField(request.fields[k]).storedName)));
            return failed;
        }
        const engine::Field& f = table.field(index[k]);
        defs.push_back({f.name, f.type, f.width, f.decimals});
    }
    // The new table is made under a temporary name beside the target and renamed over it once
    // complete and synced.
    const std::string target = engine::resolveLinks(QFile::encodeName(path).toStdString());
    const std::string temp = engine::folderOf(target) + "/." + engine::nameOf(target) + ".export-" +
                             std::to_string(::getpid());
    struct Cleanup {
        std::string path;
        bool keep = false;
        ~Cleanup() {
            if (!keep) ::unlink(path.c_str());
        }
    } cleanup{temp};
    if (Status s = Table::create(temp, defs, table.codePage().id()); !s)
        return failed.error = engineError(s), failed;
    auto opened = Table::open(temp, engine::OpenMode::Exclusive);
    if (!opened) return failed.error = engineError(opened.status()), failed;
    Table& out = **opened;
    std::string text;
    ExportResult result = walk(table, progress, [&]() -> QString {
        Status s = out.append();
        for (size_t k = 0; s && k < index.size(); ++k) {
            const int i = index[k];
            if (table.isBlank(i)) continue;
            if (table.field(i).type == engine::FieldType::Date) {
                engine::Result<engine::Date> d = table.date(i);
                s = d ? out.setDate(int(k), *d) : d.status();
            } else {
                s = table.readText(i, text);
                if (s) s = out.setText(int(k), text);
            }
        }
        if (s) s = out.post();
        if (!s) {
            out.cancel();
            return QStringLiteral("%1: record %2: %3")
                .arg(path)
                .arg(table.recNo())
                .arg(engineError(s));
        }
        return {};
    });
    opened->reset();
    if (result.outcome != ExportResult::Outcome::Done) return result;
    if (!syncFile(temp))
        return failed.error =
                   QStringLiteral("%1 cannot be written: the disk refused to store it.").arg(path),
               failed;
    if (Status s = engine::renameReplacing(temp, target); !s)
        return failed.error = engineError(s), failed;
    cleanup.keep = true;
    // An index left from a table of that name would describe records that are gone.
    ::unlink(engine::resolveLinks(engine::existingMdxPathFor(target)).c_str());
    return result;
}

}  // namespace

ExportRequest exportRequestFrom(const data::DatabaseSettings& settings, ExportKind kind) {
    ExportRequest r;
    r.fields = exportedFields(settings);
    for (int n : r.fields) r.captions.push_back(settings.field(n).caption);
    r.firstRow = settings.exportOptions.firstRow;
    r.kind = kind;
    return r;
}

QString exportDateText(const engine::Date& d, const DisplayFormats& formats) {
    if (d.isBlank()) return {};
    auto part = [&formats](int n) {
        return formats.leadingZeros() ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'))
                                      : QString::number(n);
    };
    const QString sep = formats.dateSeparator();
    const QString year = QStringLiteral("%1").arg(d.year, 4, 10, QLatin1Char('0'));
    return formats.dayFirst() ? part(d.day) + sep + part(d.month) + sep + year
                              : part(d.month) + sep + part(d.day) + sep + year;
}

ExportResult exportRecords(Table& table, const QString& path, const ExportRequest& request,
                           const DisplayFormats& formats, const Progress& progress) {
    if (request.kind == ExportKind::DBase) return exportTable(table, path, request, progress);
    return exportText(table, path, request, formats, progress);
}

}  // namespace vz::exchange
