// Fuzz target: a report definitions file from outside. Listing and loading its records must
// give definitions or a Status, never a crash; a record that loads is brought into range, so it
// writes and reads back as the same definition.
#include <QString>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "reports/ReportFile.h"

using namespace vz::reports;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first record, padded with zero bytes, so that short inputs reach every field.
    std::string record(reinterpret_cast<const char*>(data),
                       std::min<size_t>(size, kReportRecordSize));
    record.resize(kReportRecordSize, '\0');
    vz::engine::Result<ReportDefinition> def =
        decodeReport(record.data(), QStringLiteral("fuzz, report 1"));
    if (def) {
        vz::engine::Result<std::string> bytes = encodeReport(*def);
        if (!bytes) __builtin_trap();  // a definition read from the file's code page writes back
        vz::engine::Result<ReportDefinition> again =
            decodeReport(bytes->data(), QStringLiteral("again"));
        if (!again || !(*again == *def)) __builtin_trap();
    }
    // The whole input as a file: every complete record listed and loaded.
    const QString file = QString::fromStdString(vz::fuzz::scratchFile(kReportFileName));
    vz::fuzz::writeFile(file.toStdString(), data, size);
    vz::engine::Status problem;
    const QStringList names = ListReports(file, &problem);
    for (int i = 0; i < names.size() && i < 8; ++i) (void)LoadReport(file, i);
    (void)reportCount(file);
    return 0;
}
