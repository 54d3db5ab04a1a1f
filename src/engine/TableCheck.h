// checkTable: a structural check of a table file, for "vazovi-cli check" and the tests.
#pragma once

#include <string>
#include <vector>

#include "engine/Status.h"
#include "engine/Table.h"

namespace vz::engine {

struct CheckReport {
    std::vector<std::string> problems;  // each names the file, the record and the defect
    size_t notListed = 0;               // problems found beyond the ones listed
    uint32_t records = 0;
    uint32_t deleted = 0;
    bool eofMarker = false;
    bool sound() const { return problems.empty() && notListed == 0; }
};

// Opens the table shared and reads every record: the header must parse, every deletion flag be
// a blank or "*", and every field hold a value of its type. Every record is examined; the first
// `maxProblems` problems are listed and the rest counted in notListed. `progress` (optional) is
// told how far the pass has come and may stop it, which the report then says. A file that does
// not open at all gives the open's Status.
Result<CheckReport> checkTable(const std::string& path, size_t maxProblems = 100,
                               const Table::Progress& progress = nullptr);

}  // namespace vz::engine
