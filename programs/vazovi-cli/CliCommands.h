// vazovi-cli: the command-line tool for collection tables. runCli() is the whole program, apart
// from its streams, so tests run it in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vz::cli {

enum ExitCode { kOk = 0, kFailed = 1, kUsage = 2 };

// Runs one command; `args` excludes the program name. Errors go to `err` as one line each.
int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace vz::cli
