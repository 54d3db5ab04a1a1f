// The commands that look after a collection: replace, convert, backup and restore. They run the
// same logic as the program's windows and print what the windows show.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vz::cli {

// `args` are the command's arguments after its name. Answers an exit code (kOk, kFailed,
// kUsage); messages go to `out` (notices) and `err` (errors, warnings), one line each.
int runReplaceCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err);
int runConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runBackupCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runRestoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vz::cli
