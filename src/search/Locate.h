// Locate: moving the collection table's current record to the next record whose value in one
// field matches a typed value. Unlike a search it hides nothing; it walks the records the table
// shows (the active order, and only those the record filter admits).
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace vz::engine {
class Table;
}

namespace vz::search {

enum class LocateMatch { Exact, PartialStart, PartialAny };

struct LocateRequest {
    int field = 0;  // index of the field in the table (0 first)
    QString value;
    bool caseSensitive = false;
    LocateMatch match = LocateMatch::PartialStart;
    bool fromFirst = false;  // from the first record, else from the record after the current one
    // The records the table shows, in its order, when the caller has them (the viewer's rows):
    // then one pass over the table in file order finds the matches, instead of a step through
    // the index for every record.
    const std::vector<uint32_t>* order = nullptr;
};

enum class LocateOutcome { Found, NotFound, Failed };
struct LocateResult {
    LocateOutcome outcome = LocateOutcome::NotFound;
    QString message;  // with Failed: what went wrong (a value that is no number, a read error)
};

// Runs a locate on `table`. A pending edit is posted first. Found leaves the table on the record;
// otherwise the table goes back to the record that was current.
//
// How a record's field is read: text as stored without its trailing blanks; whole numbers as
// plain digits; other numbers in the shortest form that gives the number back, with the regional
// decimal separator; dates in the program's date format. Unless letter case must agree, both
// sides are compared upper-cased letter by letter as the table's code page folds them.
// An exact match on a number field with decimals compares numbers: a value of digits and full
// stops (after an optional minus sign) is read as a number (Failed when it is not one, such as
// an empty value or "1..2"), and any other value matches nothing. With an empty value the partial
// matches find nothing.
LocateResult locateRecord(engine::Table& table, const LocateRequest& request);

// The text of a field of the current record as locate compares it (before any case folding).
QString locateFieldText(const engine::Table& table, int field);

}  // namespace vz::search
