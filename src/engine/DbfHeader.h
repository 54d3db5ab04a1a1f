// DbfHeader: the header of a dBase IV table file, read from and written to its bytes.
//
// Layout (little-endian), as we read and write it:
//   0      version byte: 0x03 for a dBase IV table without memo
//   1..3   date of last update: year - 1900, month, day
//   4..7   record count
//   8..9   header length: 32 + 32 per field + 1
//   10..11 record length: 1 (deletion flag) + the field widths
//   28     production-index flag: 1 when a production index (.MDX) belongs to the table
//   29     language driver: 0x57 Windows-1252, 0x01/0x1B code page 437, 0x02/0x37/0x1A 850
//   32..   one 32-byte descriptor per field, then the terminator 0x0D
// Descriptor: name (11 bytes, zero-terminated), type letter, 4 reserved, width, decimals,
// 13 reserved, production-index tag flag at byte 31.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Field.h"
#include "engine/Status.h"

namespace vz::engine {

struct DbfHeader {
    static constexpr int kPrefixSize = 32;
    static constexpr int kDescriptorSize = 32;
    static constexpr int kMaxFields = 255;
    static constexpr int kMdxFlagOffset = 28;

    uint8_t version = 0x03;
    int updateYear = 0, updateMonth = 0, updateDay = 0;  // year as written: 1900 + byte
    uint32_t recordCount = 0;
    uint16_t headerLength = 0;
    uint16_t recordLength = 0;
    uint8_t mdxFlag = 0;
    uint8_t languageDriver = 0x57;
    std::vector<Field> fields;

    // Builds the header of a new, empty table; checks names, types and widths.
    static Result<DbfHeader> forNewTable(const std::vector<FieldDef>& defs, uint8_t languageDriver);

    // Reads the fixed 32-byte prefix; `path` only names the file in messages. Checks nothing but
    // the size.
    static Result<DbfHeader> parsePrefix(const std::string& bytes, const std::string& path);
    // Reads and checks the whole header: `bytes` holds at least headerLength bytes (or the whole
    // file when it is shorter), `fileSize` is the file's length.
    static Result<DbfHeader> parse(const std::string& bytes, uint64_t fileSize, const std::string& path);

    // The header's bytes, headerLength of them.
    std::string serialize() const;
    // Bytes 0..7: version, update date and record count, what every append rewrites.
    void serializePrefix8(char out[8]) const;
    void setUpdateDateToToday();

    uint64_t dataOffset(uint32_t recNo) const {  // recNo is 1-based
        return headerLength + uint64_t(recNo - 1) * recordLength;
    }
};

}  // namespace vz::engine
