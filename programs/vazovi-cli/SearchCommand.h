// The "search" command: prints the records a search admits, in the table's saved sort order, in
// the format of "dump".
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vz::cli {

// `args` are the arguments after the file name: criteria and "--or" (SearchCriteria.h). Answers
// kOk (also when nothing matches), kFailed when the table cannot be read, kUsage for a bad
// criterion, which `err` names.
int runSearchCommand(const std::string& table, const std::vector<std::string>& args,
                     std::ostream& out, std::ostream& err);

}  // namespace vz::cli
