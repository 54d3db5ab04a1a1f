#include "search/SearchAndReplace.h"

#include <QRegularExpression>

#include <cstdio>
#include "common/Interaction.h"
#include "data/CollectionHost.h"
#include "data/DatabaseFiles.h"
#include "data/Schema.h"
#include "engine/File.h"
#include "engine/Table.h"
#include "search/SortOrder.h"

namespace vz::search {
namespace {

bool readNumber(const QString& text, double& out) {
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (!number.match(text).hasMatch()) return false;
    bool ok = false;
    out = text.toDouble(&ok);
    return ok;
}

// Upper-cases every letter of the table's code page, accented ones included.
void upperLetters(std::string& s, const engine::CodePage& cp) {
    for (char& c : s) c = char(cp.upper(static_cast<unsigned char>(c)));
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// True when `stored` without the blanks around it equals `upper` once its letters are upper-cased
// in the code page `cp`.
bool equalsUpper(std::string_view stored, const std::string& upper, const engine::CodePage& cp) {
    const size_t b = stored.find_first_not_of(' ');
    if (b == std::string_view::npos) return upper.empty();
    const size_t e = stored.find_last_not_of(' ');
    if (e - b + 1 != upper.size()) return false;
    for (size_t i = 0; i < upper.size(); ++i) {
        if (char(cp.upper(static_cast<unsigned char>(stored[b + i]))) != upper[i]) return false;
    }
    return true;
}

const QString kAborted =
    QStringLiteral("Error in running search and replace.  Search and replace will be aborted.");

}  // namespace

ReplaceFault prepareReplace(int field, const QString& search, const QString& replacement,
                            const DateReader& readDate, Interaction& ui, ReplaceValues& out) {
    if (field < 1 || field > data::kFieldCount) {
        ui.error(QStringLiteral("No field has been selected."));
        return ReplaceFault::NoField;
    }
    out = ReplaceValues{};
    out.field = field;
    out.searchText = search.trimmed();
    out.replacementText = replacement.trimmed();
    switch (data::schemaField(field).type) {
        case data::FieldTypeCode::Text:
            break;
        case data::FieldTypeCode::Whole:
        case data::FieldTypeCode::Decimal: {
            double unused = 0;
            if (!readNumber(out.searchText, out.searchNumber)) {
                ui.error(QStringLiteral("Invalid search value entered.  Please correct."));
                return ReplaceFault::SearchValue;
            }
            if (!readNumber(out.replacementText, unused)) {
                ui.error(QStringLiteral("Invalid replacement value entered.  Please correct."));
                return ReplaceFault::ReplacementValue;
            }
            break;
        }
        case data::FieldTypeCode::Date:
            if (out.searchText.isEmpty() || !readDate(out.searchText, out.searchDate) ||
                out.searchDate.isBlank()) {
                ui.error(QStringLiteral("Invalid search date entered.  Please correct."));
                return ReplaceFault::SearchValue;
            }
            if (out.replacementText.isEmpty() ||
                !readDate(out.replacementText, out.replacementDate) ||
                out.replacementDate.isBlank()) {
                ui.error(QStringLiteral("Invalid replacement date entered.  Please correct."));
                return ReplaceFault::ReplacementValue;
            }
            break;
    }
    return ReplaceFault::None;
}

namespace {

// Writes the replacement into the edit buffer of `t`.
engine::Status writeReplacement(engine::Table& t, int index, const ReplaceValues& v) {
    if (data::schemaField(v.field).type == data::FieldTypeCode::Date)
        return t.setDate(index, v.replacementDate);
    return t.setText(index, v.replacementText.toStdString());
}

// Visits every record of `t` and changes the matching ones.
engine::Status replaceAll(engine::Table& t, int index, const ReplaceValues& v,
                          const ReplaceCallbacks& cb, ReplaceCounters& counters) {
    const data::FieldTypeCode type = data::schemaField(v.field).type;
    // Text is compared in the table's own bytes, so no record is decoded: the search text in the
    // code page (text the code page cannot hold matches nothing), its letters upper-cased there.
    std::string search;
    const bool searchable = t.codePage().encodeAppend(v.searchText.toStdString(), search).kind ==
                            engine::CodePage::EncodeError::Kind::None;
    upperLetters(search, t.codePage());
    const int catalog = t.fieldIndex(data::schemaField(1).storedName);
    VZ_RETURN_IF_ERROR(t.first());
    while (!t.eof() && t.hasRecord()) {
        bool match = false;
        if (type == data::FieldTypeCode::Text) {
            match = searchable && equalsUpper(t.storedBytes(index), search, t.codePage());
        } else if (!t.isBlank(index)) {
            if (type == data::FieldTypeCode::Date) {
                auto d = t.date(index);
                if (!d) return d.status();
                match = d->year == v.searchDate.year && d->month == v.searchDate.month &&
                        d->day == v.searchDate.day;
            } else {
                auto n = t.number(index);
                if (!n) return n.status();
                match = *n == v.searchNumber;
            }
        }
        if (match) {
            ++counters.found;
            const bool change =
                !cb.confirm ||
                cb.confirm(catalog < 0 ? QString()
                                       : QString::fromStdString(trimmed(t.text(catalog))));
            if (change) {
                VZ_RETURN_IF_ERROR(t.edit());
                engine::Status s = writeReplacement(t, index, v);
                if (s) s = t.post();
                if (!s) {
                    t.cancel();
                    return s;
                }
                ++counters.changed;
            }
        }
        ++counters.processed;
        if (cb.counters) cb.counters(counters);
        VZ_RETURN_IF_ERROR(t.next());
    }
    return engine::Status::ok();
}

// Takes the sort tag away, so that the records are visited in their stored order and a changed
// value moves no record nor costs an index update; the tag is built again afterwards. An index
// holding nothing but the sort tag is removed whole (its flag in the table cleared first), which
// is much cheaper than freeing the tag's blocks one by one; an index with other tags loses only
// the sort tag. `table` is the exclusive table, reopened when the index file went.
engine::Status setAsideSortTag(data::CollectionHost& host, engine::Table*& table) {
    VZ_RETURN_IF_ERROR(table->setOrder(""));
    if (!table->hasTag(kSortTag)) return engine::Status::ok();
    if (table->tagNames().size() > 1) return table->deleteTag(kSortTag);
    const std::string path = table->path();
    host.closeTable();
    engine::removeMdxByte(path);
    const std::string index = engine::existingMdxPathFor(path);
    if (engine::fileExists(index) && std::remove(index.c_str()) != 0)
        return engine::Status::ioError(index + " could not be removed.");
    if (!host.openTable(engine::OpenMode::Exclusive) || host.table() == nullptr)
        return engine::Status::ioError(path + " could not be opened again for its own use.");
    table = host.table();
    return engine::Status::ok();
}

}  // namespace

bool runSearchAndReplace(data::CollectionHost& host, Interaction& ui, const ReplaceValues& values,
                         const ReplaceCallbacks& callbacks, ReplaceCounters& counters) {
    // 5: nobody else may hold the table.
    host.closeTable();
    if (data::DBaseInUse(host.databasePath())) {
        ui.error(
            QStringLiteral("Search and Replace requires exclusive use of the DBase File.  Make "
                           "sure that the DBase File is not in "
                           "use by another program  or that no other users are running the "
                           "software or that no other copies of the "
                           "software are in use."));
        host.openTable(engine::OpenMode::Shared);
        return false;
    }
    counters = ReplaceCounters{};
    if (callbacks.counters) callbacks.counters(counters);
    // 7: the table to ourselves, in stored order, without the sort tag.
    auto backShared = [&] {
        host.closeTable();
        host.openTable(engine::OpenMode::Shared);
    };
    if (!host.openTable(engine::OpenMode::Exclusive) || host.table() == nullptr) {
        ui.error(kAborted);
        backShared();
        return false;
    }
    engine::Table* table = host.table();
    engine::Table& t0 = *table;
    const int index = t0.fieldIndex(data::schemaField(values.field).storedName);
    // A replacement the field cannot hold is refused before anything changes.
    engine::Status s =
        index < 0 ? engine::Status::invalid(t0.path() + " has no field " +
                                            std::string(data::schemaField(values.field).storedName))
                  : t0.append();
    if (s) {
        s = writeReplacement(t0, index, values);
        t0.cancel();
    }
    if (!s) {
        ui.error(
            QStringLiteral(
                "The replacement value cannot be stored in this field; nothing was changed.\n\n") +
            QString::fromStdString(s.message()));
        backShared();
        return false;
    }
    s = setAsideSortTag(host, table);
    if (!s) {
        ui.error(kAborted + QStringLiteral("\n\n") + QString::fromStdString(s.message()));
        // The sort tag back if it went, as far as the table can be had to ourselves.
        if (host.table() == nullptr) host.openTable(engine::OpenMode::Exclusive);
        if (host.table() != nullptr && host.table()->mode() == engine::OpenMode::Exclusive)
            (void)applySortString(*host.table(), host.sortString());
        backShared();
        return false;
    }
    // 8: every record, whatever the search.
    const bool searching = host.searchMode();
    if (searching) host.setSearchMode(false);
    host.busy(true);
    engine::Table& t = *table;
    s = replaceAll(t, index, values, callbacks, counters);
    // 10-11: search mode and the sort order back, the table shared again.
    if (searching) host.setSearchMode(true);
    engine::Status sorted = applySortString(t, host.sortString());
    host.busy(false);
    backShared();
    if (!s) {
        ui.error(kAborted + QStringLiteral("\n\n") + QString::fromStdString(s.message()) +
                 QStringLiteral("\n\nRecords changed before the error: %1.").arg(counters.changed));
        return false;
    }
    if (!sorted) ui.error(QString::fromStdString(sorted.message()));
    ui.notice(QStringLiteral("Finished"), QStringLiteral("Global Search and Replace Complete."));
    return true;
}

}  // namespace vz::search
