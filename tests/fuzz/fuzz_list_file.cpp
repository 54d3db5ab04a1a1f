// Fuzz target: a data list file from outside. Reading takes any bytes; the entries read write
// and read back
// to no more entries than there were.
#include <QString>
#include <cstdint>

#include "FuzzSupport.h"
#include "data/ListFile.h"

using namespace vz::data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = QString::fromStdString(vz::fuzz::scratchFile("MINE.001"));
    vz::fuzz::writeFile(path.toStdString(), data, size);
    const ListFileRead read = readListFile(path);
    if (read.outcome != ListFileRead::Outcome::Read) __builtin_trap();
    for (const QString& entry : read.entries) {
        // At most 255 characters of a line are taken, each byte one character.
        if (entry.isEmpty() || entry.size() > kMaxListLine) __builtin_trap();
        if (decodeListLine(encodeListEntry(entry)).size() != entry.size()) __builtin_trap();
    }
    const QString copy = QString::fromStdString(vz::fuzz::scratchFile("COPY.001"));
    if (writeListFile(copy, read.entries).outcome != ListFileWrite::Outcome::Written)
        __builtin_trap();
    if (readListFile(copy).entries.size() > read.entries.size()) __builtin_trap();
    return 0;
}
