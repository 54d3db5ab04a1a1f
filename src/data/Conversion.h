// Conversion of earlier versions: the whole collection of version 1.x ("SLOG.DBF") or 2.x
// ("S2LOG.DBF") in the program folder is appended, translated to the current layout, to the open
// collection table, and the old table file is deleted afterwards.
//
// Cases the old layouts cannot express in the new one:
// - a version 1.x purchase date whose parts form no real day (blank parts included) leaves Date
//   empty; the rest of the record is converted;
// - under the per-unit adjustment (version 2.x, "Use Quantity" = "No"), a record whose quantity
//   is 0 or blank keeps its market value and cost as they were.
// Each such record is counted and the counts are reported when the conversion ends. The old file
// is deleted only once every one of its records was appended and posted; a conversion that stops
// keeps it and says how many records were added. The program's date format is never changed.
#pragma once

#include <QString>

namespace vz {
class Interaction;
}

namespace vz::engine {
class Table;
}

namespace vz::data {

// True when `fileName` has the version 2.x (21 fields) or 1.x (24 fields) layout: the names of
// fields 2 onward as listed, compared upper-cased and cut to 10 characters. A missing production
// index first clears the table's index flag. Silent.
bool CheckDBaseFormatV2(const QString& fileName);
bool CheckDBaseFormatV1(const QString& fileName);

struct ConversionResult {
    bool complete = false;  // every record appended and posted
    int added = 0;          // records appended to the collection
    int badDates = 0;       // version 1.x records whose purchase date was left empty
    int noQuantity = 0;     // version 2.x records left unadjusted for a quantity of 0
    QString error;          // why it stopped
};

// Appends every record of the old table `fileName` to `target` (the open collection table).
// `programFolder` holds the version 2.x settings file "KRSTAMP.INI".
ConversionResult ConvertV2(const QString& fileName, engine::Table& target,
                           const QString& programFolder);
ConversionResult ConvertV1(const QString& fileName, engine::Table& target);

// The start-up step: offers each old table of the program folder found (2.x first, then 1.x),
// converts it on Yes and then deletes it. Answers the number of records added.
int CheckForConversion(const QString& programFolder, engine::Table& target, Interaction& ui);

}  // namespace vz::data
