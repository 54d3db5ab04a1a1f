// Search and replace: changes one field in every record of the collection whose value in that
// field equals a given value, optionally asking before each change, with the table to itself and
// in its stored order; the sort index is rebuilt afterwards. The logic of the Search and Replace
// window and of vazovi-cli's replace command.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "engine/Date.h"

namespace vz {
class Interaction;
}

namespace vz::data {
class CollectionHost;
}

namespace vz::search {

// The values of one run, read and checked from what was typed.
struct ReplaceValues {
    int field = 0;            // schema field number 1 to 25
    QString searchText;       // trimmed
    QString replacementText;  // trimmed, as typed
    double searchNumber = 0;  // numeric fields
    engine::Date searchDate;  // date fields
    engine::Date replacementDate;
};

enum class ReplaceFault { None, NoField, SearchValue, ReplacementValue };

using DateReader = std::function<bool(QStringView text, engine::Date& out)>;

// Checks the typed values for `field` (0: none chosen) and fills `out`. A number is a decimal
// number with "." as its point; a date is what `readDate` reads. The first fault is shown with its
// message and answered.
ReplaceFault prepareReplace(int field, const QString& search, const QString& replacement,
                            const DateReader& readDate, Interaction& ui, ReplaceValues& out);

struct ReplaceCounters {
    uint64_t processed = 0;  // records visited
    uint64_t found = 0;      // records whose field matched
    uint64_t changed = 0;    // records changed
};

struct ReplaceCallbacks {
    // Told the counters after every record.
    std::function<void(const ReplaceCounters&)> counters;
    // Asked before each change when set (given the record's catalogue number); false leaves the
    // record as it is, counted as found.
    std::function<bool(const QString& catalog)> confirm;
};

// Runs the search and replace on the host's collection table. A character field matches when its
// whole value equals the search text without regard to the case of ASCII letters; a number or
// date when it equals the search value (a blank value matches an empty character search only).
// A replacement the field cannot hold is refused before any record is visited. Answers true when
// the run finished ("Global Search and Replace Complete." shown); on every path the table ends
// open shared again, in the sort order, and search mode is as it was.
bool runSearchAndReplace(data::CollectionHost& host, Interaction& ui, const ReplaceValues& values,
                         const ReplaceCallbacks& callbacks, ReplaceCounters& counters);

}  // namespace vz::search
