// Helpers shared by the fuzz targets: a scratch folder that is the only place they write, and
// the fixed table the index target reads its fuzzed index against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Field.h"

namespace vz::fuzz {

// A folder made under $TMPDIR (or /tmp) at the first call and removed with its content when the
// process exits. The targets write nowhere else.
const std::string& scratchFolder();
std::string scratchFile(const std::string& name);

// Replaces the file at `path` with these bytes; aborts when it cannot (the run is broken).
void writeFile(const std::string& path, const uint8_t* data, size_t size);
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// The fields of the fixed table: one of each type the engine handles.
const std::vector<engine::FieldDef>& fixedFields();

// Makes the fixed table at `path`: 60 records with the tags NEWINDEX (UPPER(NAME)), BYYEAR
// (STR(YEAR,11,0)+COUNTRY) and BYDATE (BOUGHT), and its production index beside it. The same
// records every time, so an index made for one copy fits every other.
void makeFixedTable(const std::string& path);

}  // namespace vz::fuzz
