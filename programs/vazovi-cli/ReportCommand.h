// The "report" command: runs a report of the program folder's report definitions file over a
// collection table and writes it as a text file or a PDF file.
#pragma once

#include <QString>
#include <iosfwd>
#include <memory>
#include <string>

#include "engine/Status.h"

namespace vz::engine {
class Table;
}

namespace vz::cli {

enum class ReportOutput { Text, Pdf };

// Runs the report named `name` over the table at `table`, in the table's saved sort order and with
// the global settings' date, money and number formats, into `outFile`. Answers an exit code
// (kOk or kFailed); errors go to `err`, one line each.
int runReportCommand(const std::string& table, const std::string& name, ReportOutput output,
                     const std::string& outFile, std::ostream& err);

// Opens the table shared and in the order of `sortString`. The index tag is rebuilt, which needs
// the table to itself, only when it is missing or holds another order.
engine::Result<std::unique_ptr<engine::Table>> openInOrder(const QString& path, const QString& sortString);

}  // namespace vz::cli
