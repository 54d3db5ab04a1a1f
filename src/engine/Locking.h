// Byte offsets of the locks a table takes in its .DBF file.
//
// Record, header and append locks sit where dBase IV and the BDE put them, so other dBase-aware
// programs that lock the same way are serialised with us:
//   record n: the byte at 0xEFFFFFFE - n
//   header:   the byte at 0xEFFFFFFE
//   append:   the byte at 0xEFFFFFFF
// The lock that marks an open lies above all of those, at 0xF0001000: a shared open holds a
// read lock on it and an exclusive open a write lock, so the two kinds exclude each other and an
// exclusive open excludes every other open. None of these bytes need exist in the file.
#pragma once

#include <cstdint>

namespace vz::engine::locking {

constexpr uint64_t kHeader = 0xEFFFFFFEull;
constexpr uint64_t kAppend = 0xEFFFFFFFull;
constexpr uint64_t kOpen = 0xF0001000ull;
constexpr uint64_t record(uint32_t recNo) { return kHeader - recNo; }

// How long a writer waits for a record, header or append lock before giving up.
constexpr int kWaitMs = 5000;

}  // namespace vz::engine::locking
