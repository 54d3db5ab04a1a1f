#include "engine/TableCheck.h"

#include "engine/Table.h"

namespace vz::engine {

Result<CheckReport> checkTable(const std::string& path, size_t maxProblems,
                               const Table::Progress& progress) {
    Result<std::unique_ptr<Table>> opened = Table::open(path, OpenMode::Shared);
    if (!opened) return opened.status();
    Table& t = **opened;
    CheckReport result;
    result.records = t.recordCount();
    const DbfHeader& h = t.header();
    Result<File> file = File::open(path, File::Access::ReadOnly);
    if (!file) return file.status();
    std::string rec(h.recordLength, '\0');
    std::string value;
    // Every record is examined; only the first maxProblems problems are listed.
    size_t unlisted = 0;
    auto report = [&](std::string problem) {
        if (result.problems.size() < maxProblems)
            result.problems.push_back(std::move(problem));
        else
            ++unlisted;
    };
    for (uint32_t r = 1; r <= t.recordCount(); ++r) {
        if ((r & 0xFFFF) == 0 && progress && !progress(r, t.recordCount())) {
            result.problems.push_back(path + ": the check was stopped at record " +
                                      std::to_string(r) + " of " + std::to_string(t.recordCount()) +
                                      "; the records beyond were not examined.");
            break;
        }
        Status s = file->readAt(h.dataOffset(r), rec.data(), rec.size());
        if (!s) {
            result.problems.push_back(s.message() + " Records " + std::to_string(r) + " to " +
                                      std::to_string(t.recordCount()) + " were not examined.");
            break;
        }
        if (rec[0] == '*') {
            ++result.deleted;
            continue;
        }
        if (rec[0] != ' ') {
            report(path + ": record " + std::to_string(r) + " has the deletion flag byte " +
                   std::to_string(uint8_t(rec[0])) + " (a blank or \"*\" expected).");
            continue;
        }
        if (!t.go(r)) continue;
        for (int f = 0; f < t.fieldCount(); ++f) {
            Status v = t.readText(f, value);
            if (!v) report(v.message());
        }
    }
    result.notListed = unlisted;
    char marker = 0;
    Result<size_t> got = file->readSomeAt(h.dataOffset(t.recordCount() + 1), &marker, 1);
    result.eofMarker = got && *got == 1 && marker == 0x1A;
    return result;
}

}  // namespace vz::engine
