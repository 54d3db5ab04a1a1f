// Exporter: writes the records of a collection table to a delimited text file or a new dBase
// table.
//
// The records are those the table's navigation visits, in its order and under its filter: the
// caller decides (by the filter it leaves on the table) whether the whole collection or a search
// result goes out. The output is written under a temporary name beside the file it is to be and
// takes that name only when complete and synced, so a failed or stopped export never leaves half a
// file, and an existing file of that name stays as it was.
//
// Text lines: each exported field's text, inner double quotes doubled, trimmed of blanks at both
// ends, in double quotes; fields joined by commas; CR LF after each line. Texts are the viewer's:
// character fields as stored, numbers as plain digits with "." before the decimals, dates in the
// date format in force but always with four-digit years, so that importing the file gives the
// same dates. A blank value is "". The optional first line holds the fields' captions.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/Date.h"
#include "exchange/DelimitedReader.h"

namespace vz {
class DisplayFormats;
}
namespace vz::engine {
class Table;
}
namespace vz::data {
struct DatabaseSettings;
}

namespace vz::exchange {

enum class ExportKind { Text, DBase };

// Told how far a long pass has come; answering false stops it.
using Progress = std::function<bool(uint64_t done, uint64_t total)>;

struct ExportRequest {
    std::vector<int> fields;        // field numbers 1 to 25 in output order; not empty
    std::vector<QString> captions;  // the header's texts, one per entry of `fields`
    bool firstRow = true;           // text: a first line of captions
    ExportKind kind = ExportKind::Text;
    TextEncoding encoding = TextEncoding::Windows1252;  // text only
};

struct ExportResult {
    enum class Outcome { Done, Stopped, Failed };
    Outcome outcome = Outcome::Done;
    uint64_t records = 0;
    QString error;  // Failed: what went wrong, naming the file
};

// The request for the export settings of `settings` (fields, order, captions, first row).
ExportRequest exportRequestFrom(const data::DatabaseSettings& settings, ExportKind kind);

// A date as exports write it: the order and separator of `formats`, a four-digit year.
QString exportDateText(const engine::Date& d, const DisplayFormats& formats);

// Writes every record the navigation of `table` visits from its first record to `path`. The
// table is left after its last record.
ExportResult exportRecords(engine::Table& table, const QString& path, const ExportRequest& request,
                           const DisplayFormats& formats, const Progress& progress = {});

}  // namespace vz::exchange
