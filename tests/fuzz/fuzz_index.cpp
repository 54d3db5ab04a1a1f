// Fuzz target: a production index from outside, beside a sound table. Opening it, checking every
// tag against the table and walking each tag both ways must give records or a Status, never a
// crash or a walk without end.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/Table.h"

using namespace vz::engine;

namespace {

// The fixed table's bytes, made once; every run starts from them, so nothing a run does to the
// table carries over.
const std::string& tableBytes() {
    static const std::string bytes = [] {
        const std::string made = vz::fuzz::scratchFile("MADE.DBF");
        vz::fuzz::makeFixedTable(made);
        return vz::fuzz::readFile(made);
    }();
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = vz::fuzz::scratchFile("T.DBF");
    vz::fuzz::writeFile(path, tableBytes());
    vz::fuzz::writeFile(mdxPathFor(path), data, size);
    Result<std::unique_ptr<Table>> opened = Table::open(path, OpenMode::Shared);
    if (!opened) return 0;
    Table& t = **opened;
    std::vector<std::string> problems;
    (void)t.checkIndex(problems);
    for (const std::string& tag : t.tagNames()) {
        (void)t.tagExpression(tag);
        if (!t.setOrder(tag)) continue;
        int steps = 0;
        for (Status s = t.first(); s && !t.eof() && steps < 500; s = t.next()) ++steps;
        steps = 0;
        for (Status s = t.last(); s && !t.bof() && steps < 500; s = t.prior()) ++steps;
        std::vector<uint32_t> order;
        (void)t.collectOrder(order);
        if (t.go(30)) (void)t.next();
    }
    return 0;
}
