// SearchCriteria: search items from command-line criteria, for the tool's commands that take a
// search (`vazovi-cli search FILE CRITERION... [--or CRITERION...]...` and `--search` options).
//
// A criterion is one argument:
//   FIELD~TEXT   a character field contains TEXT, in any letter case
//   FIELD=VALUE  a numeric or date field equals VALUE
//   FIELD>VALUE  ... is greater than VALUE
//   FIELD<VALUE  ... is less than VALUE
// FIELD is the field's stored name or its caption, in any letter case. Numbers use "." as the
// decimal point; dates are YYYY-MM-DD. Two criteria on one field (Year>1900 Year<1950) make a
// range. The criteria before the first "--or" form level 1; each "--or" starts the next level.
// At most 10 levels and 75 items, as in the search window.
#pragma once

#include <QString>
#include <array>
#include <string>
#include <vector>

#include "search/SearchItems.h"

namespace vz::data {
struct DatabaseSettings;
}

namespace vz::search {

struct CriteriaParse {
    SearchItems items;    // every level closed, ready for the record test
    size_t consumed = 0;  // the arguments read: criteria and "--or"
    QString error;        // empty on success; otherwise names the bad criterion and why
    bool ok() const { return error.isEmpty(); }
};

// Field captions by field number (index 0: field 1), as the database's settings name them.
using FieldCaptions = std::array<QString, kSearchRows>;
// The default captions.
FieldCaptions defaultFieldCaptions();
// The captions of a database's settings ("Field Names").
FieldCaptions fieldCaptions(const data::DatabaseSettings& settings);

// Reads criteria from the front of `args` up to its end or to the first argument that starts
// with "--" and is not "--or" (so a command may take its own options after the criteria).
// Fails when there is no criterion, a level is empty, a criterion does not read (unknown field,
// operator that does not fit the field's kind, value that is no number or date, text longer than
// the field), or the search exceeds 10 levels or 75 items.
CriteriaParse parseSearchCriteria(const std::vector<std::string>& args,
                                  const FieldCaptions& captions);

// Field number 1 to 25 named by `name` (stored name or caption, any letter case); 0 when none.
int searchFieldNumber(const QString& name, const FieldCaptions& captions);

}  // namespace vz::search
