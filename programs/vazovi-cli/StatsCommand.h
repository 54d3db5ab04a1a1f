// The "stats" command: the totals and breakdowns of a collection (CollectionStatistics), as
// aligned text or as JSON for scripts.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vz::cli {

// `args` are the words after "stats": the table's file name, then "--json" and "--search" with
// its criteria in any order. Answers an exit code (kOk, kFailed or kUsage); the figures go to
// `out`, errors to `err`, one line each.
int runStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vz::cli
