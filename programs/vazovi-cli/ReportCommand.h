// The "report" command: runs a report of the program folder's report definitions file over a
// collection table and writes it as a text file or a PDF file.
#pragma once

#include <QString>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/Status.h"

namespace vz::engine {
class Table;
}

namespace vz::cli {

enum class ReportOutput { Text, Pdf };

// Runs the report named `name` over the table at `table`, in the table's saved sort order and with
// the global settings' date, money and number formats, into `outFile`. Answers an exit code
// (kOk or kFailed); errors go to `err`, one line each.
// `firstPage` to `lastPage` (1-based; 0 and 0 for all) limit the output to those pages; `search`
// holds search criteria (see search/SearchCriteria.h): only the records they admit are reported.
struct ReportRequest {
    std::string table, name, outFile;
    ReportOutput output = ReportOutput::Text;
    int firstPage = 0, lastPage = 0;
    std::vector<std::string> search;
};
int runReportCommand(const ReportRequest& request, std::ostream& err);
int runReportCommand(const std::string& table, const std::string& name, ReportOutput output,
                     const std::string& outFile, std::ostream& err);

// The whole command from its arguments ("report" first): a report as above, or with
// "FILE --list" the names of the reports in the definitions file, one a line: FILE itself when
// it is a report definitions file (".URP"), else the program folder's. Usage errors answer kUsage.
int reportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);


}  // namespace vz::cli
