#include "engine/TableCheck.h"

#include "engine/Table.h"

namespace vz::engine {

Result<CheckReport> checkTable(const std::string& path, size_t maxProblems) {
    Result<std::unique_ptr<Table>> opened = Table::open(path, OpenMode::Shared);
    if (!opened) return opened.status();
    Table& t = **opened;
    CheckReport report;
    report.records = t.recordCount();
    const DbfHeader& h = t.header();
    Result<File> file = File::open(path, File::Access::ReadOnly);
    if (!file) return file.status();
    std::string rec(h.recordLength, '\0');
    std::string value;
    for (uint32_t r = 1; r <= t.recordCount() && report.problems.size() < maxProblems; ++r) {
        Status s = file->readAt(h.dataOffset(r), rec.data(), rec.size());
        if (!s) {
            report.problems.push_back(s.message());
            break;
        }
        if (rec[0] == '*') {
            ++report.deleted;
            continue;
        }
        if (rec[0] != ' ') {
            report.problems.push_back(path + ": record " + std::to_string(r) +
                                      " has the deletion flag byte " + std::to_string(uint8_t(rec[0])) +
                                      " (a blank or \"*\" expected).");
            continue;
        }
        if (!t.go(r)) continue;
        for (int f = 0; f < t.fieldCount(); ++f) {
            Status v = t.readText(f, value);
            if (!v) report.problems.push_back(v.message());
        }
    }
    char marker = 0;
    Result<size_t> got = file->readSomeAt(h.dataOffset(t.recordCount() + 1), &marker, 1);
    report.eofMarker = got && *got == 1 && marker == 0x1A;
    return report;
}

}  // namespace vz::engine
