// replaceWholeFile: how the program saves a small file it always writes whole (settings, data
// lists, report definitions), through the table engine's file layer.
#pragma once

#include <string>
#include <string_view>

#include "engine/Status.h"

namespace vz {

// Replaces the file at `path` with `bytes`. They go to a new temporary file beside it, which
// takes the old file's permissions (a new file: 0666 less the umask), is synced, and is renamed
// over `path`; a symbolic link at `path` keeps pointing at the file it names, which is the one
// replaced. When any step fails the old file is left exactly as it was, with no temporary file
// beside it, and the Status says why; `notCreated`, when given, tells whether the failure came
// before anything was written: the temporary file could not be created (a missing or read-only
// folder), or `path` is a folder.
[[nodiscard]] engine::Status replaceWholeFile(const std::string& path, std::string_view bytes,
                                              bool* notCreated = nullptr);

}  // namespace vz
