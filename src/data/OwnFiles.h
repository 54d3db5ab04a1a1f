// OwnFiles: the files a collection and the program live on, which no output of the program may
// be written over.
//
// Every command that writes a file the collector names (a report to text or PDF, a printed
// record, an export, a backup) asks protectedFileReason first and refuses the path when it
// answers: a report written over the table or its index would destroy the collection.
#pragma once

#include <QString>

namespace vz::data {

// Why an output must not be written to `outputPath`; empty when it may be. The path is refused
// when, after symbolic links are resolved (and hard links seen through), it is:
// - the collection table `tablePath`, its production index, its settings file or one of its nine
//   list files (under their names and under the names earlier versions gave them), beside the
//   table as named and beside the file a link names;
// - in `programFolder`: the report definitions (and the earlier file converted into them) or a
//   default list, Faults or Miscellaneous;
// - the global settings file (globalSettingsPath()).
// File names are compared without regard to letter case, as the program finds an index
// "T.mdx" beside "T.DBF". `tablePath` or `programFolder` may be empty: nothing of that kind is
// checked then.
QString protectedFileReason(const QString& outputPath, const QString& tablePath,
                            const QString& programFolder);

}  // namespace vz::data
