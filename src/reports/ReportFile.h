// ReportFile: the report definitions file DUZEZIVA.URP in the program folder.
//
// The file is a plain sequence of 20,622-byte records, one ReportDefinition each, with no
// header; a report's position in the file is its identity (the report list shows the names in
// file order, and the list index is the record number). Text in the file is Windows-1252.
// docs/report-definitions.md gives the record byte by byte.
//
// Reading never trusts the file: a record is read field by field at fixed offsets and never past
// a field's end. Values the program would never write but that can be used safely (a negative
// margin, an item wider than any report, a font of 0 points, a control character in a text) are
// brought into range, so every definition handed out satisfies the guarantees listed in
// ReportDefinition.h. A record whose width is not 90, 120 or 150, whose number of lines is not
// 0 to 12, or whose text lengths run past their fields is damaged: loading it fails with a
// Corruption status naming the file, the record number and the name. A partial record at the
// end of the file is not a report: it is not listed and cannot be loaded.
//
// Every change rewrites the whole file into a temporary file in the same folder and renames it
// over the old one, so a failed save, delete or creation leaves the old file as it was.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "engine/Status.h"
#include "reports/ReportDefinition.h"

namespace vz::reports {

inline constexpr const char* kReportFileName = "DUZEZIVA.URP";
inline constexpr const char* kEarlierReportFileName = "STAMP.URP";

// The report definitions file in `programFolder`.
QString reportFilePath(const QString& programFolder);

// ---- One record ----

// The 20,622 bytes of `def`. Texts are cut to their fields and control characters become
// blanks; out-of-range values are brought into range as sanitiseReport() does. Fails with
// InvalidArgument, naming the text, when a text holds a character Windows-1252 cannot store.
engine::Result<std::string> encodeReport(const ReportDefinition& def);

// Reads one record from `bytes` (kReportRecordSize of them). Fails with Corruption when the
// record is damaged (see above); `where` starts the message ("DUZEZIVA.URP, report 3").
engine::Result<ReportDefinition> decodeReport(const char* bytes, const QString& where);

// Brings every value of `def` into the ranges ReportDefinition.h guarantees: the width to the
// nearest of 90, 120 and 150, the number of lines to 0..12, margins, font sizes, item widths and
// text lengths to their limits; a field item whose number is out of range takes the number of
// its name, or becomes a filler when the name is no field's.
void sanitiseReport(ReportDefinition& def);

// The field number of a stored column name on a report line ("Catalog" 1 ... "Wanted" 25), or
// of a total name on the totals line ("Market Value" 1, "Purchase Price" 2, "Quantity" 3);
// 0 when the name is none of them.
int fieldNumberOfName(const QString& name, bool totalsLine);

// ---- The file ----

// The names of all complete records in file order; empty when the file is missing or cannot
// be read. When `problem` is given it receives what was wrong with the file (unreadable, or a
// partial record at its end), and stays ok otherwise.
QStringList ListReports(const QString& file, engine::Status* problem = nullptr);

// The number of complete records; 0 when the file is missing or cannot be read.
int reportCount(const QString& file);

// Record `index` (0-based). NotFound when the file is missing or holds no such record;
// IOError when it cannot be read; Corruption when the record is damaged.
engine::Result<ReportDefinition> LoadReport(const QString& file, int index);

inline constexpr int kAppendReport = -1;

// Writes `def` over record `index`, or after the last record when `index` is kAppendReport,
// and answers the index written (after an append, the old record count). A missing file is
// created; a file that exists but cannot be read is an error and is left alone, never emptied.
// Overwriting a record that is not in the file is InvalidArgument. A partial record at the end
// of the file is dropped by the rewrite.
engine::Result<int> SaveReport(const QString& file, const ReportDefinition& def,
                               int index = kAppendReport);

// Removes record `index`; the records after it move up one place. InvalidArgument when there is
// no such record, NotFound when the file is missing.
engine::Status DeleteReport(const QString& file, int index);

// Replaces the file (or creates it) with the six built-in reports in their fixed order.
engine::Status CreateDefaultReports(const QString& file);

// What converting the earlier file did.
struct ConversionResult {
    int converted = 0;         // records appended to the report definitions file
    int skippedBuiltIn = 0;    // records named like a built-in report
    QStringList problems;      // damaged records, a partial record, a failed write
    QStringList deletedFiles;  // the earlier files removed after conversion
    QStringList keptFiles;     // earlier files not wholly converted, kept under a new name
};

// What an earlier file not wholly converted is renamed to: its name followed by this.
inline constexpr const char* kKeptSuffix = ".KEPT";

// Converts every earlier-format file "STAMP.URP" (in any letter case) in `programFolder`:
// each of its records not named like a built-in report is turned into a current record and
// appended to the report definitions file there, and the earlier file is then deleted. A record
// with an odd width, number of lines or text length is converted with its values made safe, and
// named in the problems. When the converted records cannot be written, the earlier file is kept
// for the next start; when some part of it could not be converted (a partial record at its end,
// a record that cannot be stored), it is renamed with kKeptSuffix, never deleted.
ConversionResult ConvertEarlierReports(const QString& programFolder);

// The start-up step: writes the built-in reports when the report definitions file is missing,
// then converts any earlier file. Failures are in the result (and in `created`), never shown.
struct PreparationResult {
    engine::Status created;  // the outcome of writing the built-ins, when they were written
    bool wroteBuiltIns = false;
    ConversionResult conversion;
};
PreparationResult prepareReportFile(const QString& programFolder);

}  // namespace vz::reports
