// Invariants of a parsed header:
//   headerLength >= 32 + 32 * fields + 1, and the byte after the last descriptor is 0x0D;
//   recordLength == 1 + sum of field widths, offsets ascending from 0 without overlap;
//   headerLength + recordCount * recordLength <= file size;
//   every field has a type we handle, a width that type allows and a non-empty,
//   zero-terminated name.
#include "engine/DbfHeader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace vz::engine {
namespace {

uint16_t get16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}
uint32_t get32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
           (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}
void put16(char* p, uint16_t v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}
void put32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}

// Checks the width and decimals a field type allows; empty when they are fine.
std::string widthProblem(FieldType type, int width, int decimals) {
    switch (type) {
        case FieldType::Character:
            if (width < 1 || width > 254) return "a text width of " + std::to_string(width) + " (1 to 254 allowed)";
            return {};
        case FieldType::Numeric:
        case FieldType::Float:
            if (width < 1 || width > 20) return "a number width of " + std::to_string(width) + " (1 to 20 allowed)";
            if (decimals < 0 || decimals > 18 || (decimals > 0 && decimals > width - 2))
                return std::to_string(decimals) + " decimals in a width of " + std::to_string(width);
            return {};
        case FieldType::Date:
            if (width != 8) return "a date width of " + std::to_string(width) + " (8 required)";
            return {};
        case FieldType::Logical:
            if (width != 1) return "a logical width of " + std::to_string(width) + " (1 required)";
            return {};
    }
    return "an unknown type";
}

bool knownType(char c) {
    return c == 'C' || c == 'N' || c == 'F' || c == 'D' || c == 'L';
}

}  // namespace

Result<DbfHeader> DbfHeader::forNewTable(const std::vector<FieldDef>& defs, uint8_t languageDriver) {
    if (defs.empty()) return Status::invalid("A table needs at least one field.");
    if (defs.size() > kMaxFields) return Status::invalid("A dBase table holds at most 255 fields.");
    DbfHeader h;
    h.languageDriver = languageDriver;
    int offset = 1;
    for (const FieldDef& d : defs) {
        Field f;
        f.name = d.name;
        for (char& c : f.name) c = char(std::toupper(uint8_t(c)));
        f.type = d.type;
        f.width = d.type == FieldType::Date ? 8 : d.type == FieldType::Logical ? 1 : d.width;
        f.decimals = d.type == FieldType::Character || d.type == FieldType::Date ? 0 : d.decimals;
        if (f.name.empty() || f.name.size() > 10)
            return Status::invalid("The field name \"" + d.name + "\" must have 1 to 10 characters.");
        for (char c : f.name)
            if (!(std::isalnum(uint8_t(c)) || c == '_'))
                return Status::invalid("The field name \"" + d.name + "\" may hold only letters, digits and _.");
        for (const Field& other : h.fields)
            if (other.name == f.name) return Status::invalid("The field name \"" + d.name + "\" is used twice.");
        if (std::string p = widthProblem(f.type, f.width, f.decimals); !p.empty())
            return Status::invalid("The field " + d.name + " has " + p + ".");
        f.offset = offset - 1;
        offset += f.width;
        h.fields.push_back(f);
    }
    if (offset > 65535) return Status::invalid("The record is longer than 65,535 bytes.");
    h.recordLength = uint16_t(offset);
    h.headerLength = uint16_t(kPrefixSize + kDescriptorSize * defs.size() + 1);
    h.setUpdateDateToToday();
    return h;
}

void DbfHeader::setUpdateDateToToday() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    updateYear = 1900 + tm.tm_year;
    updateMonth = tm.tm_mon + 1;
    updateDay = tm.tm_mday;
}

Result<DbfHeader> DbfHeader::parsePrefix(const std::string& b, const std::string& path) {
    if (b.size() < size_t(kPrefixSize))
        return Status::corruption(path + ": the file is too short for a dBase header (" +
                                  std::to_string(b.size()) + " bytes).");
    DbfHeader h;
    h.version = uint8_t(b[0]);
    h.updateYear = 1900 + uint8_t(b[1]);
    h.updateMonth = uint8_t(b[2]);
    h.updateDay = uint8_t(b[3]);
    h.recordCount = get32(b, 4);
    h.headerLength = get16(b, 8);
    h.recordLength = get16(b, 10);
    h.mdxFlag = uint8_t(b[kMdxFlagOffset]);
    h.languageDriver = uint8_t(b[29]);
    return h;
}

Result<DbfHeader> DbfHeader::parse(const std::string& b, uint64_t fileSize, const std::string& path) {
    Result<DbfHeader> pr = parsePrefix(b, path);
    if (!pr) return pr;
    DbfHeader h = std::move(pr.value());
    const std::string who = path + ": ";
    // dBase III/IV tables without memo (0x03) and with a dBase memo file (0x83, 0x8B).
    if (h.version != 0x03 && h.version != 0x83 && h.version != 0x8B && h.version != 0x04) {
        char v[8];
        std::snprintf(v, sizeof v, "0x%02X", h.version);
        return Status::corruption(who + "the version byte " + v + " is not that of a dBase III or IV table.");
    }
    if (h.headerLength < kPrefixSize + kDescriptorSize + 1)
        return Status::corruption(who + "the header length " + std::to_string(h.headerLength) +
                                  " is too small for even one field.");
    if (h.headerLength > fileSize || b.size() < h.headerLength)
        return Status::corruption(who + "the header is truncated: it declares " +
                                  std::to_string(h.headerLength) + " bytes but the file holds " +
                                  std::to_string(fileSize) + ".");
    // Descriptors run until the 0x0D terminator.
    size_t at = kPrefixSize;
    int offset = 0;
    bool terminated = false;
    while (at < h.headerLength) {
        if (uint8_t(b[at]) == 0x0D) {
            terminated = true;
            break;
        }
        if (at + kDescriptorSize > h.headerLength) break;
        const int no = int(h.fields.size()) + 1;
        const char* d = b.data() + at;
        const void* zero = std::memchr(d, 0, 11);
        if (zero == nullptr)
            return Status::corruption(who + "the name of field " + std::to_string(no) +
                                      " has no terminating zero.");
        Field f;
        f.name.assign(d, static_cast<const char*>(zero) - d);
        if (f.name.empty())
            return Status::corruption(who + "field " + std::to_string(no) + " has an empty name.");
        const char type = d[11];
        if (!knownType(type)) {
            std::string t = std::isprint(uint8_t(type)) ? std::string(1, type) : "byte " + std::to_string(uint8_t(type));
            if (type == 'M' || type == 'B' || type == 'G')
                return Status::notSupported(who + "field " + f.name + " is a memo field (type " + t +
                                            "), which this program does not handle.");
            return Status::corruption(who + "field " + f.name + " has the unknown type " + t + ".");
        }
        f.type = FieldType(type);
        f.width = uint8_t(d[16]);
        f.decimals = uint8_t(d[17]);
        f.indexTag = d[31] != 0;
        if (std::string p = widthProblem(f.type, f.width, f.decimals); !p.empty())
            return Status::corruption(who + "field " + f.name + " has " + p + ".");
        f.offset = offset;
        offset += f.width;
        h.fields.push_back(std::move(f));
        if (h.fields.size() > size_t(kMaxFields))
            return Status::corruption(who + "the header declares more than 255 fields.");
        at += kDescriptorSize;
    }
    if (!terminated)
        return Status::corruption(who + "the field descriptors have no terminator (0x0D) within the "
                                        "header length of " + std::to_string(h.headerLength) + " bytes.");
    if (h.fields.empty()) return Status::corruption(who + "the table has no fields.");
    if (h.recordLength != offset + 1)
        return Status::corruption(who + "the record length " + std::to_string(h.recordLength) +
                                  " disagrees with the fields, which need " + std::to_string(offset + 1) + ".");
    const uint64_t room = (fileSize - h.headerLength) / h.recordLength;
    if (h.recordCount > room)
        return Status::corruption(who + "the header declares " + std::to_string(h.recordCount) +
                                  " records but the file holds only " + std::to_string(room) + ".");
    return h;
}

void DbfHeader::serializePrefix8(char out[8]) const {
    out[0] = char(version);
    out[1] = char(std::min(255, std::max(0, updateYear - 1900)));
    out[2] = char(updateMonth);
    out[3] = char(updateDay);
    put32(out + 4, recordCount);
}

std::string DbfHeader::serialize() const {
    std::string b(headerLength, '\0');
    serializePrefix8(b.data());
    put16(b.data() + 8, headerLength);
    put16(b.data() + 10, recordLength);
    b[kMdxFlagOffset] = char(mdxFlag);
    b[29] = char(languageDriver);
    size_t at = kPrefixSize;
    for (const Field& f : fields) {
        char* d = b.data() + at;
        std::memcpy(d, f.name.data(), std::min<size_t>(f.name.size(), 10));
        d[11] = char(f.type);
        d[16] = char(f.width);
        d[17] = char(f.decimals);
        d[31] = f.indexTag ? 1 : 0;
        at += kDescriptorSize;
    }
    b[at] = 0x0D;
    return b;
}

}  // namespace vz::engine
