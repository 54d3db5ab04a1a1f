// Importer: adds records to a collection table from a delimited text file or a dBase table.
//
// Each line of a text file (each live record of a table) becomes one new record: the mapped
// import fields are stored into their stamp-record fields, the others stay blank, and the record
// is posted before the next is read. A value its field cannot take stops the import with a
// message naming the line (or record), the field and the value: a text that is not wholly a
// number in a number field, a date that is no date in the date format in force, a text longer
// than its field or holding a character the table's code page lacks, a line with more fields
// than the first line had, a field of over 255 characters, a closing quote followed by anything
// but a comma. Nothing is ever stored as a silent 0 or cut short. The records posted before the
// stop stay, and the result says how many there are; the pending record is dropped.
//
// How values are read by the kind of the receiving field: character fields take the text as it
// is; whole and decimal numbers take plain digits with an optional sign and, for decimals, "."
// before at most as many decimals as the field holds (blanks around them are ignored); dates take
// the date format in force (order and separator; years of one or two digits fall in the current
// century). An empty text, or blanks only, leaves a number or date blank.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exchange/DelimitedReader.h"

namespace vz {
class DisplayFormats;
}
namespace vz::engine {
class Table;
}

namespace vz::exchange {

struct ImportResult {
    enum class Outcome { Done, Stopped, Failed };
    Outcome outcome = Outcome::Done;
    uint64_t added = 0;
    QString error;  // Failed: what stopped it, naming the file, the line and the field

    // The message for the user after a stop or a failure, ending with the count of records added.
    QString stopMessage() const;
};

// Told the records added so far and how far through the input the import is; false stops it.
using ImportProgress = std::function<bool(uint64_t added, uint64_t done, uint64_t total)>;

// The first line of a text file, checked; `error` is set instead when the file cannot be read.
struct TextFileFields {
    FirstLine firstLine;
    TextEncoding encoding = TextEncoding::Windows1252;
    QString error;
};
TextFileFields readTextFileFields(const QString& path);

// The import field names of a dBase table (the first 20 characters of each field name), or an
// error: the table cannot be opened, or it has more than 35 fields.
struct TableFileFields {
    std::vector<QString> names;
    QString error;
};
TableFileFields readTableFileFields(const QString& path);

class Importer {
public:
    // Adds to `table`, which must be open for writing; dates are read in `formats`.
    Importer(engine::Table& table, const DisplayFormats& formats)
        : table_(table), formats_(formats) {}

    // `mapping`: for each import field (file order), the stamp-record field 1 to 25 that receives
    // it, or 0. With `skipFirst` the file's first line is not imported. Empty lines, and lines
    // whose only field is empty, add nothing.
    ImportResult importText(const QString& path, const std::vector<int>& mapping, bool skipFirst,
                            const ImportProgress& progress = {});
    // The live records of the table at `path`, in entry order. Refuses the collection itself.
    ImportResult importTable(const QString& path, const std::vector<int>& mapping,
                             const ImportProgress& progress = {});

private:
    // Stores `utf8` into stamp-record field `number`; an empty string, or why it could not.
    QString store(int number, const std::string& utf8);
    bool prepareTargets(QString& error);
    // Posts the new record; `added` counts the records written. An empty string, or why not.
    QString post(uint64_t& added);
    // Writes the records still kept in memory and ends batch mode.
    void finish(ImportResult& result);
    ImportResult readText(const QString& path, const std::vector<int>& mapping, bool skipFirst,
                          const ImportProgress& progress);
    ImportResult readTable(const QString& path, const std::vector<int>& mapping,
                           const ImportProgress& progress);

    engine::Table& table_;
    const DisplayFormats& formats_;
    std::vector<int> target_;
    uint64_t kept_ = 0;  // records posted but kept in memory by the table's batch  // the table's
                         // index of each stamp-record field (index 0: field 1)
};

}  // namespace vz::exchange
