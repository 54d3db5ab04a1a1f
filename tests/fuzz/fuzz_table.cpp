// Fuzz target: a table file from outside. Opening it, checking it and reading every record, in
// both directions, must give values or a Status, never a crash.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/Table.h"
#include "engine/TableCheck.h"

using namespace vz::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = vz::fuzz::scratchFile("T.DBF");
    vz::fuzz::writeFile(path, data, size);
    (void)checkTable(path, 20);
    Result<std::unique_ptr<Table>> opened = Table::open(path, OpenMode::Shared);
    if (!opened) return 0;
    Table& t = **opened;
    std::string text;
    std::vector<std::string> texts;
    auto readAll = [&] {
        for (int f = 0; f < t.fieldCount(); ++f) {
            (void)t.readText(f, text);
            (void)t.isBlank(f);
            (void)t.number(f);
            (void)t.wholeNumber(f);
            (void)t.date(f);
        }
    };
    int steps = 0;
    for (Status s = t.first(); s && !t.eof() && steps < 2000; s = t.next(), ++steps) readAll();
    steps = 0;
    for (Status s = t.last(); s && !t.bof() && steps < 2000; s = t.prior(), ++steps) readAll();
    for (uint32_t r = 1; r <= t.recordCount() && r <= 2000; ++r) {
        if (t.go(r)) readAll();
        (void)t.readRecordTexts(r, texts);
    }
    (void)t.countLive();
    std::vector<uint32_t> order;
    (void)t.collectOrder(order);
    (void)t.refresh();
    return 0;
}
