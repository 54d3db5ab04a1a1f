// The "export" and "import" commands: records of a collection to and from delimited text files
// and dBase tables, by the rules of the program's export and import windows.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vz::cli {

// `args` are the command's arguments after its name. Answer an exit code; errors go to `err`.
int runExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vz::cli
