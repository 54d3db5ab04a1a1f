#include "exchange/Importer.h"

#include <QFileInfo>
#include <memory>

#include "common/DisplayFormats.h"
#include "common/ProgramFolder.h"
#include "data/Schema.h"
#include "engine/Table.h"
#include "exchange/Exporter.h"

namespace vz::exchange {
namespace {

using engine::Status;
using engine::Table;

constexpr uint64_t kProgressEvery = 256;
// Records written to the table together: each batch costs one write of the records, one of the
// header and one taking of the locks.
constexpr uint32_t kAppendBatch = 1024;

QString fromStd(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string_view trimmedView(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Plain digits with an optional sign and, when `decimals`, an optional "." among them.
bool plainNumber(std::string_view s, bool decimals) {
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
    bool digits = false, point = false;
    for (char c : s) {
        if (isDigit(c)) {
            digits = true;
        } else if (c == '.' && decimals && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

QString quotedValue(const std::string& v) {
    return QStringLiteral("\"%1\"").arg(fromStd(v));
}

}  // namespace

QString ImportResult::stopMessage() const {
    QString m = outcome == Outcome::Stopped ? QStringLiteral("The import was stopped.") : error;
    if (!m.endsWith(QLatin1Char('.'))) m += QLatin1Char('.');
    return m + QStringLiteral("  %1 record%2 added before it.")
                   .arg(added)
                   .arg(added == 1 ? QStringLiteral(" was") : QStringLiteral("s were"));
}

TextFileFields readTextFileFields(const QString& path) {
    TextFileFields out;
    DelimitedFile file;
    if (!file.open(path, out.error)) return out;
    out.encoding = file.encoding();
    std::string line;
    const bool got = file.nextLine(line);
    if (!file.error().isEmpty()) {
        out.error = file.error();
        return out;
    }
    out.firstLine = checkFirstLine(line, !got);
    return out;
}

TableFileFields readTableFileFields(const QString& path) {
    TableFileFields out;
    auto t = Table::open(toNativePath(path), engine::OpenMode::Shared);
    if (!t) {
        out.error = fromStd(t.status().message());
        return out;
    }
    if ((*t)->fieldCount() > kMaxImportFields) {
        out.error = QStringLiteral("%1 has %2 fields; an import takes at most %3.")
                        .arg(path)
                        .arg((*t)->fieldCount())
                        .arg(kMaxImportFields);
        return out;
    }
    for (int i = 0; i < (*t)->fieldCount(); ++i)
        out.names.push_back(fromStd((*t)->field(i).name).left(kImportNameLength));
    return out;
}

bool Importer::prepareTargets(QString& error) {
    target_.clear();
    for (const data::SchemaField& f : data::schema())
        target_.push_back(table_.fieldIndex(f.storedName));
    if (table_.readOnly()) {
        error =
            QStringLiteral("%1 cannot be changed: it is read-only.").arg(fromStd(table_.path()));
        return false;
    }
    return true;
}

QString Importer::store(int number, const std::string& utf8) {
    const int i = target_[size_t(number - 1)];
    if (i < 0) return {};
    const data::SchemaField& f = data::schemaField(number);
    // Named in messages only, so made only for them.
    auto captionOf = [&f] {
        return QString::fromLatin1(f.caption.data(), qsizetype(f.caption.size()));
    };
    Status s;
    switch (f.type) {
        case data::FieldTypeCode::Text:
            s = table_.setText(i, utf8);
            break;
        case data::FieldTypeCode::Whole:
        case data::FieldTypeCode::Decimal: {
            const std::string_view v = trimmedView(utf8);
            if (v.empty()) {
                s = table_.setBlank(i);
                break;
            }
            if (!plainNumber(v, f.type == data::FieldTypeCode::Decimal))
                return QStringLiteral("%1 cannot take %2: it is not a %3.")
                    .arg(captionOf(), quotedValue(utf8),
                         f.type == data::FieldTypeCode::Whole ? QStringLiteral("whole number")
                                                              : QStringLiteral("number"));
            s = table_.setText(i, v);
            break;
        }
        case data::FieldTypeCode::Date: {
            const std::string_view v = trimmedView(utf8);
            if (v.empty()) {
                s = table_.setBlank(i);
                break;
            }
            engine::Date d;
            if (!formats_.parseDate(QString::fromUtf8(v.data(), qsizetype(v.size())), d))
                return QStringLiteral("%1 cannot take %2: it is not a date in the format %3.")
                    .arg(captionOf(), quotedValue(utf8), formats_.datePattern());
            s = table_.setDate(i, d);
            break;
        }
    }
    if (!s) return QStringLiteral("%1: %2").arg(captionOf(), fromStd(s.message()));
    return {};
}

QString Importer::post(uint64_t& added) {
    Status s = table_.post();
    if (s) {
        ++kept_;
        if (table_.pendingAppends() == 0) {
            added += kept_;
            kept_ = 0;
        }
        return {};
    }
    // A failed write of a batch loses the batch (the message says so); records whose index
    // entries failed are stored, and the table then refuses further changes.
    const bool stored = !table_.writeRefusal().empty();
    if (stored) added += kept_ + 1;
    kept_ = 0;
    table_.cancel();
    return fromStd(s.message());
}

void Importer::finish(ImportResult& result) {
    if (Status s = table_.flushAppends(); !s) {
        if (!table_.writeRefusal().empty()) result.added += kept_;
        const QString why = fromStd(s.message());
        result.error = result.outcome == ImportResult::Outcome::Failed
                           ? result.error + QStringLiteral("  ") + why
                           : why;
        result.outcome = ImportResult::Outcome::Failed;
    } else {
        result.added += kept_;
    }
    kept_ = 0;
    table_.setAppendBatch(0);
}

ImportResult Importer::importText(const QString& path, const std::vector<int>& mapping,
                                  bool skipFirst, const ImportProgress& progress) {
    kept_ = 0;
    table_.setAppendBatch(kAppendBatch);
    ImportResult result = readText(path, mapping, skipFirst, progress);
    finish(result);
    return result;
}

ImportResult Importer::importTable(const QString& path, const std::vector<int>& mapping,
                                   const ImportProgress& progress) {
    kept_ = 0;
    table_.setAppendBatch(kAppendBatch);
    ImportResult result = readTable(path, mapping, progress);
    finish(result);
    return result;
}

ImportResult Importer::readText(const QString& path, const std::vector<int>& mapping,
                                bool skipFirst, const ImportProgress& progress) {
    ImportResult result;
    auto fail = [&result](const QString& why) {
        result.outcome = ImportResult::Outcome::Failed;
        result.error = why;
        return result;
    };
    if (!prepareTargets(result.error)) return fail(result.error);
    DelimitedFile file;
    QString error;
    if (!file.open(path, error)) return fail(error);
    std::string line, text;
    if (skipFirst) file.nextLine(line);
    const size_t fields = mapping.size();
    while (file.nextLine(line)) {
        const long lineNo = file.lineNumber();
        if (progress && lineNo % kProgressEvery == 0 &&
            !progress(result.added + kept_, file.bytesRead(), file.size())) {
            result.outcome = ImportResult::Outcome::Stopped;
            return result;
        }
        const QString at = QStringLiteral("%1, line %2").arg(path).arg(lineNo);
        size_t pos = 0;
        bool started = false;
        for (size_t k = 0;; ++k) {
            const FieldEnd end = readField(line, pos, text);
            if (k == 0 && end != FieldEnd::Comma && text.empty()) break;  // an empty line
            if (k >= fields) {
                table_.cancel();
                return fail(
                    QStringLiteral("%1 has more fields than the %2 of the file's first line.")
                        .arg(at)
                        .arg(fields));
            }
            if (end == FieldEnd::TooLong) {
                table_.cancel();
                return fail(QStringLiteral("%1, field %2 is longer than %3 characters.")
                                .arg(at)
                                .arg(k + 1)
                                .arg(kMaxFieldLength));
            }
            if (end == FieldEnd::StrayAfterQuote) {
                table_.cancel();
                return fail(
                    QStringLiteral(
                        "%1, field %2: a closing quote is followed by \"%3\" instead of a comma.")
                        .arg(at)
                        .arg(k + 1)
                        .arg(fromStd(std::string(1, line[pos]))));
            }
            if (!started) {
                if (Status s = table_.append(); !s)
                    return fail(QStringLiteral("%1: %2").arg(at, fromStd(s.message())));
                started = true;
            }
            if (const int number = mapping[k]; number > 0)
                if (QString why = store(number, text); !why.isEmpty()) {
                    table_.cancel();
                    return fail(QStringLiteral("%1: %2").arg(at, why));
                }
            if (end != FieldEnd::Comma) break;
        }
        if (!started) continue;
        if (QString why = post(result.added); !why.isEmpty())
            return fail(QStringLiteral("%1: %2").arg(at, why));
    }
    if (!file.error().isEmpty()) return fail(file.error());
    if (progress) progress(result.added + kept_, file.size(), file.size());
    return result;
}

ImportResult Importer::readTable(const QString& path, const std::vector<int>& mapping,
                                 const ImportProgress& progress) {
    ImportResult result;
    auto fail = [&result](const QString& why) {
        result.outcome = ImportResult::Outcome::Failed;
        result.error = why;
        return result;
    };
    if (!prepareTargets(result.error)) return fail(result.error);
    const QFileInfo source(path), own(fromStd(table_.path()));
    if (source.exists() && source.canonicalFilePath() == own.canonicalFilePath())
        return fail(
            QStringLiteral("%1 is the open collection itself; it cannot be imported into itself.")
                .arg(path));
    auto opened = Table::open(toNativePath(path), engine::OpenMode::Shared);
    if (!opened) return fail(fromStd(opened.status().message()));
    Table& in = **opened;
    if (in.fieldCount() > kMaxImportFields)
        return fail(QStringLiteral("%1 has %2 fields; an import takes at most %3.")
                        .arg(path)
                        .arg(in.fieldCount())
                        .arg(kMaxImportFields));
    const uint64_t total = in.recordCount();
    std::string text;
    Status s = in.first();
    while (s && !in.eof()) {
        const QString at = QStringLiteral("%1, record %2").arg(path).arg(in.recNo());
        if (progress && result.added % kProgressEvery == 0 &&
            !progress(result.added + kept_, in.recNo(), total)) {
            result.outcome = ImportResult::Outcome::Stopped;
            return result;
        }
        if (s = table_.append(); !s)
            return fail(QStringLiteral("%1: %2").arg(at, fromStd(s.message())));
        for (int j = 0; j < in.fieldCount() && size_t(j) < mapping.size(); ++j) {
            const int number = mapping[size_t(j)];
            if (number <= 0) continue;
            const int target = target_[size_t(number - 1)];
            const engine::Field& f = in.field(j);
            QString why;
            if (f.type == engine::FieldType::Date) {
                engine::Result<engine::Date> d = in.date(j);
                if (!d) {
                    why = fromStd(d.status().message());
                } else if (data::schemaField(number).type == data::FieldTypeCode::Date) {
                    // A date goes from table to table as it is, whatever the formats.
                    if (target >= 0) {
                        Status set =
                            d->isBlank() ? table_.setBlank(target) : table_.setDate(target, *d);
                        if (!set) why = fromStd(set.message());
                    }
                } else {
                    why = store(number, exportDateText(*d, formats_).toStdString());
                }
            } else if (Status read = in.readText(j, text); !read) {
                why = fromStd(read.message());
            } else {
                if (f.type == engine::FieldType::Character)
                    while (!text.empty() && text.back() == ' ') text.pop_back();
                why = store(number, text);
            }
            if (!why.isEmpty()) {
                table_.cancel();
                return fail(QStringLiteral("%1, field %2: %3").arg(at, fromStd(f.name), why));
            }
        }
        if (QString why = post(result.added); !why.isEmpty())
            return fail(QStringLiteral("%1: %2").arg(at, why));
        s = in.next();
    }
    if (!s) return fail(fromStd(s.message()));
    if (progress) progress(result.added + kept_, total, total);
    return result;
}

}  // namespace vz::exchange
