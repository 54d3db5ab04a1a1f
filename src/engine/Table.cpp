// Invariants:
//   header_ is the file's header as of open, our own appends and refresh(); in exclusive mode it
//   is always the file's header.
//   The file holds header_.headerLength bytes of header, then recordCount records of
//   recordLength bytes, then (usually) the end-of-file marker 0x1A. Bytes past the counted records
//   (a record written by an append whose process died before it wrote the header) are ignored
//   and overwritten by the next append.
//   An append writes the record (with the marker after it) before the header that counts it, so
//   a header never counts a record that is not in the file.
//   cache_ holds records [cacheFirst_, cacheFirst_ + cacheCount_) exactly as the file held them
//   when read, patched by our own writes.
//   In state Edit of a shared table we hold the lock of record cur_ (lockedRecord_ == cur_).
#include "engine/Table.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/Locking.h"
#include "engine/SharedHeaderLock.h"

namespace vz::engine {
namespace {

constexpr char kEofMarker = 0x1A;
constexpr size_t kCacheBytes = 256 * 1024;

std::string_view trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    // Numbers are stored right-justified: skip their leading blanks eight at a time, and within
    // the first word that is not all blanks, straight to its first byte that is not a blank.
    for (uint64_t w; b + 8 <= e; b += 8) {
        std::memcpy(&w, s.data() + b, 8);
        if (const uint64_t other = w ^ 0x2020202020202020ull) {
            b += size_t(std::endian::native == std::endian::little ? std::countr_zero(other)
                                                                    : std::countl_zero(other)) / 8;
            break;
        }
    }
    while (b < e && (s[b] == ' ' || s[b] == '\0')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
    return s.substr(b, e - b);
}

// True when every byte of `s` is below 0x80; eight bytes at a time.
bool isAscii(std::string_view s) {
    uint64_t any = 0, w;
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::memcpy(&w, s.data() + i, 8);
        any |= w;
    }
    for (; i < s.size(); ++i) any |= uint8_t(s[i]);
    return (any & 0x8080808080808080ull) == 0;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

bool normaliseDecimal(std::string_view s, std::string& out, bool exact = false);

// A stored number of more significant digits than a double holds may have been written from a
// double (setFloat writes its exact expansion, "0.100000000000000006" for 0.1). Such a number
// reads as the double's shortest form when writing that double at the stored number of decimals
// gives the stored digits again; otherwise (a number stored from its decimal digits) false, and
// the caller gives the digits themselves.
[[gnu::cold]] bool shortestIfSameStored(std::string_view s, size_t decimals, std::string& out) {
    double v = 0;
    std::string copy(s.substr(s[0] == '+' ? 1 : 0));
    if (std::from_chars(copy.data(), copy.data() + copy.size(), v).ec != std::errc() || !std::isfinite(v))
        return false;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, int(decimals));
    if (r.ec != std::errc()) return false;
    std::string again, exact;
    if (!normaliseDecimal(std::string_view(buf, size_t(r.ptr - buf)), again, true) ||
        !normaliseDecimal(s, exact, true) || again != exact)
        return false;
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    out.assign(buf, r.ptr);
    return true;
}

// Writes the normalised decimal text of a stored number: no leading zeros or blanks, no
// trailing fraction zeros, no "-0". False when `s` (already trimmed) is not a decimal number.
// Unless `exact`, a number of more than 15 significant digits may read as a double's shortest
// form (shortestIfSameStored).
[[gnu::noinline]] bool normaliseDecimal(std::string_view s, std::string& out, bool exact) {
    out.clear();
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    const size_t intStart = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    const size_t intEnd = i;
    size_t fracStart = i, fracEnd = i;
    if (i < s.size() && s[i] == '.') {
        fracStart = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        fracEnd = i;
    }
    if (i != s.size() || (intEnd == intStart && fracEnd == fracStart)) return false;

    size_t a = intStart;
    while (a < intEnd && s[a] == '0') ++a;
    size_t f = fracEnd;
    while (f > fracStart && s[f - 1] == '0') --f;
    const size_t significant = (intEnd - a) + (f - fracStart);
    if (significant == 0) {
        out.push_back('0');
        return true;
    }
    if (!exact && significant > 15 && shortestIfSameStored(s, fracEnd - fracStart, out)) return true;
    if (!negative && a < intEnd) {
        // The usual number is a piece of its stored text: from its first significant digit to its
        // last (the point included when a fraction digit follows).
        out.append(s.data() + a, (f > fracStart ? f : intEnd) - a);
        return true;
    }
    // The digits (a field is at most 255 characters wide), a sign, a leading zero and a point:
    // build it on the stack and hand it over at once (`out` is empty).
    char buf[264];
    size_t n = 0;
    if (negative) buf[n++] = '-';
    if (a == intEnd) buf[n++] = '0';
    while (a < intEnd) buf[n++] = s[a++];
    if (f > fracStart) {
        buf[n++] = '.';
        for (size_t k = fracStart; k < f; ++k) buf[n++] = s[k];
    }
    out.append(buf, n);
    return true;
}

// Reads a number typed or given as text; accepts a leading "+" and an exponent.
bool parseNumber(std::string_view s, double& v) {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty() || s[0] == '+') return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

bool hasField(const Table& t, int field) { return field >= 0 && field < t.fieldCount(); }

Status noSuchField(const Table& t, int field) {
    return Status::invalid(t.path() + ": there is no field " + std::to_string(field) + ".");
}

std::string typeName(const Field& f) {
    char buf[32];
    if (f.isNumber())
        std::snprintf(buf, sizeof buf, "%c %d,%d", char(f.type), f.width, f.decimals);
    else
        std::snprintf(buf, sizeof buf, "%c %d", char(f.type), f.width);
    return buf;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creating, opening and closing

Status Table::create(const std::string& path, const std::vector<FieldDef>& fields,
                     CodePage::Id cp) {
    Result<DbfHeader> header = DbfHeader::forNewTable(fields, CodePage::get(cp).languageDriver());
    if (!header) return header.status();
    // Hold the old table exclusively while replacing it, so nobody has it open meanwhile.
    // Through a link, the file the link names is replaced, and the link stays.
    const std::string target = resolveLinks(path);
    File old;
    if (fileExists(path)) {
        Result<File> o = File::open(path, File::Access::ReadWrite);
        if (!o) return o.status();
        old = std::move(o.value());
        if (!old.tryLock(locking::kOpen, 1, File::LockKind::Write))
            return Status::locked("The table " + path + " is in use by another program.");
    }
    Result<File> tmp = File::createTemporary(folderOf(target), "." + nameOf(target) + ".new-");
    if (!tmp) return tmp.status();
    std::string bytes = header->serialize();
    bytes.push_back(kEofMarker);
    Status s = tmp->writeAt(0, bytes.data(), bytes.size());
    if (s && old.isOpen()) s = tmp->copyModeFrom(old);
    if (s && !old.isOpen()) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::chmod(tmp->path().c_str(), 0666 & ~mask) != 0) s = Status::ioError(tmp->path() + ": chmod failed.");
    }
    if (s) s = tmp->sync();
    if (s) s = renameReplacing(tmp->path(), target);
    if (!s) {
        ::unlink(tmp->path().c_str());
        return s;
    }
    // A production index left from the table we replaced would describe records that are gone.
    ::unlink(resolveLinks(mdxPathFor(path)).c_str());
    return Status::ok();
}

namespace {

// Temporary files beside a table that no live process holds: a pack's table (".T.DBF.pack-"), a
// new table's (".T.DBF.new-") and a new index's (".T.MDX.new-", either letter case).
void sweepStaleTemporaries(const std::string& table, const std::string& index) {
    std::vector<std::string> prefixes = {"." + nameOf(table) + ".pack-",
                                         "." + nameOf(table) + ".new-"};
    std::string other = nameOf(index);
    for (size_t i = other.rfind('.'); i != std::string::npos && i < other.size(); ++i)
        other[i] = char(std::isupper(uint8_t(other[i])) ? std::tolower(uint8_t(other[i]))
                                                        : std::toupper(uint8_t(other[i])));
    prefixes.push_back("." + nameOf(index) + ".new-");
    prefixes.push_back("." + other + ".new-");
    std::vector<std::string> folders{folderOf(table)};
    if (folderOf(index) != folders[0]) folders.push_back(folderOf(index));
    constexpr size_t kUnique = 6;  // the characters File::createTemporary() adds
    for (const std::string& folder : folders) {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) continue;
        std::vector<std::string> stale;
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            for (const std::string& prefix : prefixes)
                if (name.size() == prefix.size() + kUnique &&
                    name.compare(0, prefix.size(), prefix) == 0)
                    stale.push_back(folder + "/" + name);
        }
        ::closedir(dir);
        for (const std::string& f : stale) removeStaleTemporary(f);
    }
}

// Before a table is opened: when nobody has it open, finishes or undoes a pack that stopped
// during its swap (see pack()), and with `sweep` removes what killed processes left beside it.
Status tidyBeside(const std::string& path, bool sweep) {
    const std::string target = resolveLinks(path);
    const std::string stagedTable = packStagedTablePath(target);
    const std::string stagedIndex = packStagedIndexPath(target);
    const bool tableStaged = fileExists(stagedTable), indexStaged = fileExists(stagedIndex);
    if (!sweep && !tableStaged && !indexStaged) return Status::ok();
    Result<File> probe = File::open(path, File::Access::ReadWrite);
    if (!probe) return Status::ok();  // the open proper reports what is wrong
    // A live packer (or any other opener) holds the table: the staged files may be its own.
    if (!probe->tryLock(locking::kOpen, 1, File::LockKind::Write)) return Status::ok();
    if (indexStaged) {
        // The packer staged its index after its table: the new pair is complete. Put whatever
        // is still staged in place, the table first.
        if (tableStaged) VZ_RETURN_IF_ERROR(renameReplacing(stagedTable, target));
        VZ_RETURN_IF_ERROR(renameReplacing(stagedIndex, resolveLinks(existingMdxPathFor(path))));
    } else if (tableStaged) {
        // The packer stopped before its index was staged: the old pair stands.
        ::unlink(stagedTable.c_str());
    }
    if (sweep) sweepStaleTemporaries(target, resolveLinks(existingMdxPathFor(path)));
    return Status::ok();
}

}  // namespace

Result<std::unique_ptr<Table>> Table::open(const std::string& path, OpenMode mode) {
    VZ_RETURN_IF_ERROR(tidyBeside(path, mode == OpenMode::Exclusive));
    std::unique_ptr<Table> t(new Table);
    t->path_ = path;
    t->mode_ = mode;
    Result<File> f = File::open(path, File::Access::ReadWrite);
    if (!f && mode == OpenMode::Shared && f.status().code() == Status::Code::IOError)
        f = File::open(path, File::Access::ReadOnly);
    if (!f) return f.status();
    t->file_ = std::move(f.value());
    const auto kind = mode == OpenMode::Exclusive ? File::LockKind::Write : File::LockKind::Read;
    Status locked = t->file_.tryLock(locking::kOpen, 1, kind);
    if (!locked) {
        if (locked.code() == Status::Code::Locked)
            return Status::locked("The table " + path + " is in use by another program.");
        return locked;
    }
    {
        // Writers hold the header lock from the record to the last index block they write: read
        // the table and its index as one consistent state.
        SharedHeaderLock consistent(*t);
        VZ_RETURN_IF_ERROR(consistent.status());
        VZ_RETURN_IF_ERROR(t->loadHeader());
        t->codePage_ = &CodePage::forLanguageDriver(t->header_.languageDriver);
        VZ_RETURN_IF_ERROR(t->openIndex(mode == OpenMode::Exclusive));
    }
    // An index behind the table by its last records is brought up to date under the header's
    // write lock; a shared opener takes it only now, so readers never wait for one another.
    if (t->indexBehind_) VZ_RETURN_IF_ERROR(t->catchUpShared());
    // An index that failed its checks is rebuilt as soon as we have the table to ourselves.
    if (!t->indexProblem_.empty() && mode == OpenMode::Exclusive && !t->readOnly() && t->header_.mdxFlag != 0)
        (void)t->regenerateIndexes();
    VZ_RETURN_IF_ERROR(t->first());
    return t;
}

Table::~Table() {
    cancel();
    (void)flushAppends();
}

std::string Table::who() const { return path_; }

Status Table::loadHeader() {
    // The header first, the file's size after it: a shared writer appends the record before the
    // count that includes it, so a size taken later always holds the records the count names.
    std::string bytes(DbfHeader::kPrefixSize, '\0');
    Result<size_t> got = file_.readSomeAt(0, bytes.data(), bytes.size());
    if (!got) return got.status();
    bytes.resize(*got);
    Result<DbfHeader> prefix = DbfHeader::parsePrefix(bytes, path_);
    if (!prefix) return prefix.status();
    bytes.resize(std::max<size_t>(prefix->headerLength, DbfHeader::kPrefixSize));
    got = file_.readSomeAt(0, bytes.data(), bytes.size());
    if (!got) return got.status();
    bytes.resize(*got);
    Result<uint64_t> size = file_.size();
    if (!size) return size.status();
    Result<DbfHeader> h = DbfHeader::parse(bytes, *size, path_);
    if (!h) return h.status();
    header_ = std::move(h.value());
    invalidateCache();
    return Status::ok();
}

int Table::fieldIndex(std::string_view name) const {
    for (size_t i = 0; i < header_.fields.size(); ++i)
        if (equalsNoCase(header_.fields[i].name, name)) return int(i);
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Reading records

const char* Table::recordPtr(uint32_t recNo, Status& status) const {
    if (recNo == 0 || recNo > header_.recordCount) {
        status = Status::notFound(who() + ": there is no record " + std::to_string(recNo) + ".");
        return nullptr;
    }
    const size_t len = header_.recordLength;
    if (recNo >= cacheFirst_ && recNo < cacheFirst_ + cacheCount_)
        return cache_.data() + size_t(recNo - cacheFirst_) * len;
    // Stepping on from the window reads a new window, forwards from the record or backwards when
    // stepping back, twice as long as the last one, up to kCacheBytes: a scan soon reads large
    // windows, while the order of an index, which lands beside its last record only now and then,
    // reads little more than the records it visits. A jump elsewhere reads just the record.
    const bool forwards = cacheCount_ != 0 && recNo == cacheFirst_ + cacheCount_;
    const bool backwards = cacheCount_ != 0 && recNo + 1 == cacheFirst_;
    const uint32_t most = uint32_t(std::max<size_t>(1, kCacheBytes / len));
    const uint32_t per = forwards || backwards ? std::min(most, 2 * cacheCount_) : 1;
    uint32_t firstRec = recNo;
    if (backwards) firstRec = recNo >= per ? recNo - per + 1 : 1;
    const uint32_t count = std::min<uint32_t>(per, header_.recordCount - firstRec + 1);
    const size_t bytes = size_t(count) * len;
    if (cache_.size() < bytes) cache_.resize(bytes);  // only grows: a shorter window uses its start
    cacheCount_ = 0;
    Result<size_t> got = file_.readSomeAt(header_.dataOffset(firstRec), cache_.data(), bytes);
    if (!got) {
        status = got.status();
        return nullptr;
    }
    if (*got < bytes) {
        status = Status::corruption(who() + ": the file is truncated: record " +
                                    std::to_string(firstRec + *got / len) + " is missing.");
        return nullptr;
    }
    cacheFirst_ = firstRec;
    cacheCount_ = count;
    return cache_.data() + size_t(recNo - cacheFirst_) * len;
}

const char* Table::currentPtr() const {
    if (state_ != State::Browse) return editBuf_.data();
    const uint32_t r = probe_ != 0 ? probe_ : cur_;
    if (r == 0) return nullptr;
    // The usual case, a record in the read-ahead window (which never reaches past recordCount).
    if (r >= cacheFirst_ && r - cacheFirst_ < cacheCount_)
        return cache_.data() + size_t(r - cacheFirst_) * header_.recordLength;
    Status ignored;
    return recordPtr(r, ignored);
}

bool Table::acceptable(uint32_t recNo, Status& status) {
    const char* p = recordPtr(recNo, status);
    if (p == nullptr || *p == '*') return false;
    if (!filter_) return true;
    probe_ = recNo;
    const bool ok = filter_(*this);
    probe_ = 0;
    return ok;
}

Result<uint32_t> Table::scan(uint32_t start, int step) {
    Status status;
    for (int64_t r = start; r >= 1 && r <= int64_t(header_.recordCount); r += step) {
        if (acceptable(uint32_t(r), status)) return uint32_t(r);
        if (!status) return status;
    }
    return 0u;
}

bool Table::isBlank(int field) const {
    const char* p = currentPtr();
    if (p == nullptr || !hasField(*this, field)) return true;
    const Field& f = header_.fields[size_t(field)];
    return trimmed(std::string_view(p + 1 + f.offset, size_t(f.width))).empty();
}

namespace {

// The text of a stored date or logical value, as readText gives it; false when the bytes are no
// value of the field's type. Apart from readText, which stays a short path for the common reads,
// character fields and numbers.
[[gnu::noinline]] bool valueText(const Field& f, const char* v, const Table::DateFormatter& formatter,
                                 std::string& out) {
    switch (f.type) {
        case FieldType::Character:
        case FieldType::Numeric:
        case FieldType::Float: break;  // read by readText itself
        case FieldType::Date: {
            std::string_view s(v, 8);
            if (s == "00000000") return true;
            Date d;
            if (!Date::parse(s, d)) return false;
            if (d.isBlank()) return true;
            if (formatter) {
                out = formatter(d);
            } else {
                // A date parsed from eight bytes is eight digits: d.toIso() is those digits with
                // dashes, made here without a temporary string.
                const char iso[10] = {v[0], v[1], v[2], v[3], '-', v[4], v[5], '-', v[6], v[7]};
                out.append(iso, sizeof iso);
            }
            return true;
        }
        case FieldType::Logical:
            switch (*v) {
                case 'T': case 't': case 'Y': case 'y': out = "T"; return true;
                case 'F': case 'f': case 'N': case 'n': out = "F"; return true;
                case '?': case ' ': return true;
                default: break;
            }
            break;
    }
    return false;
}

[[gnu::cold]] Status noCurrentRecord(const Table& t) {
    return Status::notFound(t.path() + ": there is no current record.");
}

[[gnu::cold]] Status notAValue(const Table& t, const Field& f, const char* v, std::string& out) {
    std::string raw;
    t.codePage().decodeAppend(v, size_t(f.width), raw);
    out.clear();
    return Status::corruption(t.path() + ": field " + f.name + " of record " + std::to_string(t.recNo()) +
                              " holds \"" + raw + "\", which is not a value of type " + typeName(f) + ".");
}

}  // namespace

Status Table::readText(int field, std::string& out) const {
    out.clear();
    if (!hasField(*this, field)) return noSuchField(*this, field);
    const char* p = currentPtr();
    if (p == nullptr) return noCurrentRecord(*this);
    return fieldText(p, field, out);
}

Status Table::readRecordTexts(uint32_t recNo, std::vector<std::string>& out) const {
    Status s;
    const char* p = recordPtr(recNo, s);
    if (p == nullptr) return s;
    out.resize(header_.fields.size());
    for (int i = 0; i < fieldCount(); ++i) {
        out[size_t(i)].clear();
        VZ_RETURN_IF_ERROR(fieldText(p, i, out[size_t(i)]));
    }
    return Status::ok();
}

Status Table::fieldText(const char* p, int field, std::string& out) const {
    const Field& f = header_.fields[size_t(field)];
    const char* v = p + 1 + f.offset;
    if (f.type == FieldType::Character) {
        codePage_->decodeAppend(v, size_t(f.width), out);
    } else if (f.isNumber()) {
        const std::string_view s = trimmed(std::string_view(v, size_t(f.width)));
        if (!s.empty() && !normaliseDecimal(s, out)) return notAValue(*this, f, v, out);
    } else if (!valueText(f, v, dateFormatter_, out)) {
        return notAValue(*this, f, v, out);
    }
    return Status::ok();
}

std::string_view Table::storedBytes(int field) const {
    const char* p = currentPtr();
    if (p == nullptr || !hasField(*this, field)) return {};
    const Field& f = header_.fields[size_t(field)];
    return std::string_view(p + 1 + f.offset, size_t(f.width));
}

std::string Table::text(int field) const {
    std::string s;
    if (!readText(field, s)) s.clear();
    return s;
}

Result<double> Table::number(int field) const {
    if (!hasField(*this, field)) return noSuchField(*this, field);
    const char* p = currentPtr();
    if (p == nullptr) return Status::notFound(who() + ": there is no current record.");
    const Field& f = header_.fields[size_t(field)];
    if (f.type == FieldType::Date || f.type == FieldType::Logical)
        return Status::invalid("Field " + f.name + " is not a number field.");
    std::string s;
    if (f.type == FieldType::Character) {
        s = std::string(trimmed(text(field)));
    } else {
        s = std::string(trimmed(std::string_view(p + 1 + f.offset, size_t(f.width))));
    }
    if (s.empty()) return 0.0;
    double v = 0;
    if (!parseNumber(s, v))
        return Status::invalid("Field " + f.name + " holds \"" + s + "\", which is not a number.");
    return v;
}

Result<int64_t> Table::wholeNumber(int field) const {
    Result<double> v = number(field);
    if (!v) return v.status();
    if (std::fabs(*v) > 9.2e18) return Status::invalid("Field " + header_.fields[size_t(field)].name + " is out of range.");
    return int64_t(std::llround(*v));
}

Result<Date> Table::date(int field) const {
    if (!hasField(*this, field)) return noSuchField(*this, field);
    const char* p = currentPtr();
    if (p == nullptr) return Status::notFound(who() + ": there is no current record.");
    const Field& f = header_.fields[size_t(field)];
    if (f.type != FieldType::Date) return Status::invalid("Field " + f.name + " is not a date field.");
    std::string_view s(p + 1 + f.offset, 8);
    Date d;
    if (s == "00000000") return d;
    if (!Date::parse(s, d))
        return Status::corruption(who() + ": field " + f.name + " of record " + std::to_string(recNo()) +
                                  " holds \"" + std::string(s) + "\", which is not a date.");
    return d;
}

// ---------------------------------------------------------------------------------------------
// Navigation

Result<uint32_t> Table::fromEnd(int step) {
    if (active_ >= 0) return orderedScan(step, true);
    return step > 0 ? scan(1, +1) : scan(header_.recordCount, -1);
}

Result<uint32_t> Table::fromCurrent(int step) {
    if (active_ >= 0) return orderedScan(step, false);
    if (step < 0 && cur_ <= 1) return 0u;
    return scan(uint32_t(int64_t(cur_) + step), step);
}

Status Table::first() {
    VZ_RETURN_IF_ERROR(flushAppends());
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    Result<uint32_t> r = fromEnd(+1);
    if (!r) return r.status();
    cur_ = *r;
    bof_ = true;
    eof_ = cur_ == 0;
    return Status::ok();
}

Status Table::last() {
    VZ_RETURN_IF_ERROR(flushAppends());
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    Result<uint32_t> r = fromEnd(-1);
    if (!r) return r.status();
    cur_ = *r;
    eof_ = true;
    bof_ = cur_ == 0;
    return Status::ok();
}

Status Table::next() {
    VZ_RETURN_IF_ERROR(flushAppends());
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    if (cur_ == 0) {
        eof_ = true;
        return Status::ok();
    }
    Result<uint32_t> r = fromCurrent(+1);
    if (!r) return r.status();
    if (*r == 0) {
        eof_ = true;
    } else {
        cur_ = *r;
        bof_ = eof_ = false;
    }
    return Status::ok();
}

Status Table::prior() {
    VZ_RETURN_IF_ERROR(flushAppends());
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    if (cur_ == 0) {
        bof_ = true;
        return Status::ok();
    }
    Result<uint32_t> r = fromCurrent(-1);
    if (!r) return r.status();
    if (*r == 0) {
        bof_ = true;
    } else {
        cur_ = *r;
        bof_ = eof_ = false;
    }
    return Status::ok();
}

Status Table::go(uint32_t recNo) {
    VZ_RETURN_IF_ERROR(flushAppends());
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    Status s;
    const char* p = recordPtr(recNo, s);
    if (p == nullptr) return s;
    if (*p == '*') return Status::notFound(who() + ": record " + std::to_string(recNo) + " is deleted.");
    cur_ = recNo;
    cursorValid_ = false;
    bof_ = eof_ = false;
    return Status::ok();
}

Result<uint32_t> Table::countLive() {
    uint32_t live = 0;
    Status s;
    for (uint32_t r = 1; r <= header_.recordCount; ++r) {
        if ((r & 0xFFFF) == 0) VZ_RETURN_IF_ERROR(progress(r, header_.recordCount));
        const char* p = recordPtr(r, s);
        if (p == nullptr) return s;
        if (*p != '*') ++live;
    }
    return live;
}

Status Table::collectOrder(std::vector<uint32_t>& out) {
    const uint32_t count = header_.recordCount;
    const bool ordered = active_ >= 0;
    VZ_RETURN_IF_ERROR(checkMemory(uint64_t(count) * (ordered ? 14 : 5), "list the order of"));
    std::vector<bool> admitted(size_t(count) + 1, false);
    // A digest of each record's key, to find entries that do not carry their record's key.
    std::vector<uint64_t> digests(ordered ? size_t(count) + 1 : 0);
    const KeyExpression* e = ordered ? tags_[size_t(active_)]->expression() : nullptr;
    std::string key(e != nullptr ? size_t(e->length()) : 0, ' ');
    auto digest = [](const char* k, size_t n) {
        uint64_t h = 14695981039346656037ull;
        for (size_t i = 0; i < n; ++i) h = (h ^ uint8_t(k[i])) * 1099511628211ull;
        return h;
    };
    size_t live = 0;
    Status status;
    for (uint32_t r = 1; r <= count; ++r) {
        if ((r & 0xFFFF) == 0) VZ_RETURN_IF_ERROR(progress(r, count));
        admitted[r] = acceptable(r, status);
        if (!status) return status;
        live += admitted[r] ? 1 : 0;
        if (e == nullptr) continue;
        const char* p = recordPtr(r, status);
        if (p == nullptr) return status;
        e->evaluate(p, key.data());
        digests[r] = digest(key.data(), key.size());
    }
    out.reserve(out.size() + live);
    if (!ordered) {
        for (uint32_t r = 1; r <= count; ++r)
            if (admitted[r]) out.push_back(r);
        return Status::ok();
    }
    IndexTag& tag = *tags_[size_t(active_)];
    std::vector<uint32_t> entries, suspects;
    std::vector<bool> listed(size_t(count) + 1, false);
    entries.reserve(count);
    {
        // Writers in other programs change the tree under the header lock; read it whole under
        // the same lock, from its current root.
        SharedHeaderLock consistent(*this);
        VZ_RETURN_IF_ERROR(consistent.status());
        VZ_RETURN_IF_ERROR(reloadIndexForWrite());
        auto visit = [&](const char* k, uint32_t r) {
            if (r == 0 || r > count) return;
            listed[r] = true;
            if (digests[r] != digest(k, key.size())) suspects.push_back(r);
        };
        VZ_RETURN_IF_ERROR(tag.collect(entries, visit));
    }
    for (uint32_t r = 1; r <= count; ++r)
        if (!listed[r]) suspects.push_back(r);
    // A suspect may be a record someone changed since we read it; only the file as it is now,
    // under the header lock, tells. Records missing at the end are an append killed before its
    // entries: the next open makes them good, and they are not listed meanwhile.
    if (!suspects.empty()) {
        uint32_t tail = count + 1;  // the first of the records without an entry at the end
        while (tail > 1 && !listed[tail - 1]) --tail;
        bool tailMissing = false;
        if (tail <= count) {
            Result<bool> lastAgrees = entryAgrees(tag, count);
            if (!lastAgrees) return lastAgrees.status();
            tailMissing = !*lastAgrees;
        }
        for (uint32_t r : suspects) {
            if (tailMissing && r >= tail) continue;
            Result<bool> agrees = entryAgrees(tag, r);
            if (!agrees) return agrees.status();
            if (!*agrees) return indexOutOfDate(tag, r);
        }
    }
    for (uint32_t r : entries) {
        if (r == 0 || r > count) continue;  // a record appended by another program since our count
        if (admitted[r]) out.push_back(r);
        admitted[r] = false;               // an entry listed twice shows once
    }
    return Status::ok();
}

Status Table::refresh() {
    VZ_RETURN_IF_ERROR(flushAppends());
    SharedHeaderLock consistent(*this);
    VZ_RETURN_IF_ERROR(consistent.status());
    char prefix[8];
    VZ_RETURN_IF_ERROR(file_.readAt(0, prefix, sizeof prefix));
    const uint32_t count = uint32_t(uint8_t(prefix[4])) | (uint32_t(uint8_t(prefix[5])) << 8) |
                           (uint32_t(uint8_t(prefix[6])) << 16) | (uint32_t(uint8_t(prefix[7])) << 24);
    Result<uint64_t> size = file_.size();
    if (!size) return size.status();
    if (*size < header_.headerLength || (*size - header_.headerLength) / header_.recordLength < count)
        return Status::corruption(who() + ": the header declares " + std::to_string(count) +
                                  " records but the file holds fewer.");
    header_.recordCount = count;
    invalidateCache();
    if (mdx_ && mode_ == OpenMode::Shared) {
        Status reloaded = reloadIndexForWrite();
        if (!reloaded) indexWriteFailed(reloaded);
    }
    if (state_ != State::Browse || cur_ == 0) return Status::ok();
    Status s;
    if (acceptable(cur_, s)) return Status::ok();
    if (!s) return s;
    // The current record was deleted meanwhile: show the next one, or else the prior one.
    Result<uint32_t> r = fromCurrent(+1);
    if (r && *r == 0) r = fromCurrent(-1);
    if (!r) return r.status();
    cur_ = *r;
    cursorValid_ = false;
    bof_ = eof_ = cur_ == 0;
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Changing records

Status Table::append() {
    if (readOnly()) return Status::invalid(who() + " is open read-only.");
    if (!writeRefusal_.empty()) return Status::notSupported(writeRefusal_);
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    editBuf_.assign(header_.recordLength, ' ');
    state_ = State::Insert;
    return Status::ok();
}

Status Table::edit() {
    VZ_RETURN_IF_ERROR(flushAppends());
    if (state_ == State::Edit) return Status::ok();
    if (state_ == State::Insert) return Status::invalid(who() + ": a new record is being added.");
    if (readOnly()) return Status::invalid(who() + " is open read-only.");
    if (!writeRefusal_.empty()) return Status::notSupported(writeRefusal_);
    if (cur_ == 0) return Status::notFound(who() + ": there is no current record to edit.");
    if (mode_ == OpenMode::Shared) {
        Status s = file_.lock(locking::record(cur_), 1, File::LockKind::Write, 1000);
        if (!s) {
            if (s.code() == Status::Code::Locked)
                return Status::locked("Record " + std::to_string(cur_) + " of " + who() +
                                      " is locked by another user.");
            return s;
        }
        lockedRecord_ = cur_;
    }
    // Edit what the file holds now, not what we read before.
    std::string fresh(header_.recordLength, '\0');
    Status s = file_.readAt(header_.dataOffset(cur_), fresh.data(), fresh.size());
    if (s && fresh[0] == '*')
        s = Status::notFound("Record " + std::to_string(cur_) + " of " + who() + " was deleted by another user.");
    if (!s) {
        releaseRecordLock();
        return s;
    }
    if (cur_ >= cacheFirst_ && cur_ < cacheFirst_ + cacheCount_)
        std::memcpy(cache_.data() + size_t(cur_ - cacheFirst_) * fresh.size(), fresh.data(), fresh.size());
    editBase_ = fresh;
    editBuf_ = std::move(fresh);
    state_ = State::Edit;
    return Status::ok();
}

void Table::releaseRecordLock() {
    if (lockedRecord_ != 0) file_.unlock(locking::record(lockedRecord_), 1);
    lockedRecord_ = 0;
}

void Table::cancel() {
    releaseRecordLock();
    editBase_.clear();
    state_ = State::Browse;
    editBuf_.clear();
}

Status Table::fieldNotFit(int field, const std::string& value, const std::string& why) const {
    const Field& f = header_.fields[size_t(field)];
    std::string mention = "Field " + f.name + " (" + typeName(f) + ")";
    return Status::invalid(mention + " cannot take \"" + value + "\": " + why + ".").aboutField(field, mention);
}

Status Table::editField(int field, std::string_view stored) {
    const Field& f = header_.fields[size_t(field)];
    char* dst = editBuf_.data() + 1 + f.offset;
    std::memset(dst, ' ', size_t(f.width));
    if (stored.empty()) return Status::ok();  // blank; an empty view may carry no pointer at all
    if (f.isNumber() || f.type == FieldType::Logical)
        std::memcpy(dst + f.width - stored.size(), stored.data(), stored.size());  // right-justified
    else
        std::memcpy(dst, stored.data(), stored.size());
    return Status::ok();
}

namespace {
// The stored text of a number in a field of `width` and `decimals`; false when it does not fit.
bool formatNumber(double v, int width, int decimals, std::string& out) {
    // The exact decimal expansion rounded to `decimals` places, as "%.*f" gives it, without
    // printf's cost on every number an import stores. 400 bytes hold any finite double.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return false;
    out.assign(buf, r.ptr);
    if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return int(out.size()) <= width;
}
enum class DecimalFit { Fits, NotANumber, TooManyDecimals, TooWide };

// The stored text of a number given as decimal text (an optional sign, digits with an optional
// point, an optional exponent), in a field of `width` and `decimals`: the same decimal digits,
// padded with fraction zeros to `decimals` places. The digits are taken as they are, never
// through a double, so every number the field can hold is stored exactly; one it cannot hold
// (a fraction digit beyond `decimals` that is not 0, or too many digits) is refused.
DecimalFit exactDecimal(std::string_view s, int width, int decimals, std::string& out) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    std::string digits;   // every mantissa digit, the point left out
    long long point = 0;  // digits before the point
    bool seenPoint = false, anyDigit = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (digits.size() > 1024) return DecimalFit::TooWide;
            digits.push_back(c);
            if (!seenPoint) ++point;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return DecimalFit::NotANumber;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool minus = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) minus = s[i++] == '-';
        if (i == s.size()) return DecimalFit::NotANumber;
        long long e = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
            e = std::min(e * 10 + (s[i] - '0'), 100000LL);
        point += minus ? -e : e;
    }
    if (i != s.size()) return DecimalFit::NotANumber;

    // Without leading and trailing zeros the digits are significant, the first `point` of them
    // before the point.
    size_t lead = 0;
    while (lead < digits.size() && digits[lead] == '0') ++lead;
    digits.erase(0, lead);
    point -= static_cast<long long>(lead);
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) {
        negative = false;
        point = 0;
    }
    const long long fraction = std::max(0LL, static_cast<long long>(digits.size()) - point);
    if (fraction > decimals) return DecimalFit::TooManyDecimals;
    if (point > width) return DecimalFit::TooWide;

    out.clear();
    if (negative) out.push_back('-');
    if (point <= 0) {
        out.push_back('0');
    } else {
        out.append(digits, 0, std::min(size_t(point), digits.size()));
        if (size_t(point) > digits.size()) out.append(size_t(point) - digits.size(), '0');
    }
    if (decimals > 0) {
        out.push_back('.');
        std::string frac;
        if (point < 0) frac.assign(size_t(-point), '0');
        if (static_cast<long long>(digits.size()) > std::max(0LL, point))
            frac.append(digits, size_t(std::max(0LL, point)));
        frac.resize(size_t(decimals), '0');
        out += frac;
    }
    return int(out.size()) <= width ? DecimalFit::Fits : DecimalFit::TooWide;
}
}  // namespace

Status Table::setText(int field, std::string_view utf8) {
    if (state_ == State::Browse) return Status::invalid(who() + ": the table is not being edited.");
    if (!hasField(*this, field)) return noSuchField(*this, field);
    const Field& f = header_.fields[size_t(field)];
    switch (f.type) {
        case FieldType::Character: {
            if (isAscii(utf8)) {
                // The same bytes in UTF-8 and in every code page: store them as they are.
                if (utf8.size() > size_t(f.width))
                    return fieldNotFit(field, std::string(utf8),
                                       "it has " + std::to_string(utf8.size()) + " characters, the field holds " +
                                           std::to_string(f.width));
                return editField(field, utf8);
            }
            std::string bytes;
            CodePage::EncodeError e = codePage_->encodeAppend(utf8, bytes);
            if (e.kind == CodePage::EncodeError::Kind::BadUtf8)
                return Status::invalid("Field " + f.name + " cannot take text that is not valid UTF-8.")
                    .aboutField(field, "Field " + f.name);
            if (e.kind == CodePage::EncodeError::Kind::Unmappable)
                return Status::invalid("The character " + describeCharacter(e.character) +
                                       " cannot be stored in field " + f.name + ": the table uses " +
                                       codePage_->name() + ".")
                    .aboutField(field, "field " + f.name);
            if (int(bytes.size()) > f.width)
                return fieldNotFit(field, std::string(utf8),
                                   "it has " + std::to_string(bytes.size()) + " characters, the field holds " +
                                       std::to_string(f.width));
            return editField(field, bytes);
        }
        case FieldType::Numeric:
        case FieldType::Float: {
            std::string_view s = trimmed(utf8);
            if (s.empty()) return setBlank(field);
            std::string stored;
            switch (exactDecimal(s, f.width, f.decimals, stored)) {
                case DecimalFit::Fits:
                    return editField(field, stored);
                case DecimalFit::NotANumber:
                    return fieldNotFit(field, std::string(utf8), "it is not a number");
                case DecimalFit::TooManyDecimals:
                    return fieldNotFit(field, std::string(utf8),
                                       f.decimals == 0
                                           ? "the field holds whole numbers only"
                                           : "the field holds " + std::to_string(f.decimals) +
                                                 " decimal places only");
                case DecimalFit::TooWide:
                    return fieldNotFit(field, std::string(utf8), "the number is too wide");
            }
            return fieldNotFit(field, std::string(utf8), "it is not a number");
        }
        case FieldType::Date: {
            Date d;
            std::string_view s = trimmed(utf8);
            const bool ok = s.empty() || (dateParser_ ? dateParser_(s, d) : Date::parse(s, d));
            if (!ok || (!d.isBlank() && !d.isValid())) return fieldNotFit(field, std::string(utf8), "it is not a date");
            return setDate(field, d);
        }
        case FieldType::Logical: {
            std::string_view s = trimmed(utf8);
            if (s.empty()) return setBlank(field);
            const char c = s.size() == 1 ? s[0] : '\0';
            if (std::strchr("TtYy", c) && c) return editField(field, "T");
            if (std::strchr("FfNn", c) && c) return editField(field, "F");
            return fieldNotFit(field, std::string(utf8), "it is not T, F, Y or N");
        }
    }
    return Status::invalid("unknown field type");
}

Status Table::setWhole(int field, int64_t value) {
    if (state_ == State::Browse) return Status::invalid(who() + ": the table is not being edited.");
    if (!hasField(*this, field)) return noSuchField(*this, field);
    const Field& f = header_.fields[size_t(field)];
    if (f.type == FieldType::Character) return setText(field, std::to_string(value));
    if (!f.isNumber()) return fieldNotFit(field, std::to_string(value), "it is not a number field");
    std::string s = std::to_string(value);
    if (f.decimals > 0) s += "." + std::string(size_t(f.decimals), '0');
    if (int(s.size()) > f.width) return fieldNotFit(field, std::to_string(value), "the number is too wide");
    return editField(field, s);
}

Status Table::setFloat(int field, double value) {
    if (state_ == State::Browse) return Status::invalid(who() + ": the table is not being edited.");
    if (!hasField(*this, field)) return noSuchField(*this, field);
    const Field& f = header_.fields[size_t(field)];
    // The shortest text of the value, for a character field and for messages; only made when
    // needed, as it costs as much as storing the number.
    auto text = [value] {
        char shown[64];
        auto r = std::to_chars(shown, shown + sizeof shown, value);
        return std::string(shown, r.ptr);
    };
    if (f.type == FieldType::Character) return setText(field, text());
    if (!f.isNumber()) return fieldNotFit(field, text(), "it is not a number field");
    if (!std::isfinite(value)) return fieldNotFit(field, text(), "it is not a finite number");
    if (f.decimals == 0 && value != std::trunc(value))
        return fieldNotFit(field, text(), "the field holds whole numbers only");
    std::string s;
    if (!formatNumber(value, f.width, f.decimals, s)) return fieldNotFit(field, text(), "the number is too wide");
    return editField(field, s);
}

Status Table::setDate(int field, const Date& value) {
    if (state_ == State::Browse) return Status::invalid(who() + ": the table is not being edited.");
    if (!hasField(*this, field)) return noSuchField(*this, field);
    const Field& f = header_.fields[size_t(field)];
    if (f.type == FieldType::Character) return setText(field, dateFormatter_ ? dateFormatter_(value) : value.toIso());
    if (f.type != FieldType::Date) return fieldNotFit(field, value.toIso(), "it is not a date field");
    if (!value.isBlank() && !value.isValid()) return fieldNotFit(field, value.toStored(), "it is not a real date");
    return editField(field, value.toStored());
}

Status Table::setBlank(int field) {
    if (state_ == State::Browse) return Status::invalid(who() + ": the table is not being edited.");
    if (!hasField(*this, field)) return noSuchField(*this, field);
    return editField(field, {});
}

Status Table::writeHeaderPrefix() {
    char prefix[8];
    header_.serializePrefix8(prefix);
    return file_.writeAt(0, prefix, sizeof prefix);
}

Status Table::appendRecord() {
    const bool shared = mode_ == OpenMode::Shared;
    if (shared) {
        VZ_RETURN_IF_ERROR(file_.lock(locking::kAppend, 1, File::LockKind::Write, locking::kWaitMs));
        Status h = file_.lock(locking::kHeader, 1, File::LockKind::Write, locking::kWaitMs);
        if (!h) {
            file_.unlock(locking::kAppend, 1);
            return h;
        }
    }
    if (shared) ++headerHeld_;
    auto unlockAll = [&] {
        if (!shared) return;
        --headerHeld_;
        file_.unlock(locking::kHeader, 1);
        file_.unlock(locking::kAppend, 1);
    };
    const uint32_t known = header_.recordCount;
    if (shared) {
        // Others may have appended since we last looked: the file's count is the truth.
        auto count = fileRecordCount();
        if (!count) {
            unlockAll();
            return count.status();
        }
        header_.recordCount = *count;
    }
    if (header_.recordCount == 0xFFFFFFFFu) {
        unlockAll();
        return Status::invalid(who() + ": the table cannot hold more records.");
    }
    const uint32_t recNo = header_.recordCount + 1;
    editBuf_[0] = ' ';
    editBuf_.push_back(kEofMarker);
    Status s = file_.writeAt(header_.dataOffset(recNo), editBuf_.data(), editBuf_.size());
    editBuf_.pop_back();
    if (s) {
        header_.recordCount = recNo;
        header_.setUpdateDateToToday();
        s = writeHeaderPrefix();
        if (!s) header_.recordCount = recNo - 1;
    }
    // The record is stored; the index follows under the same locks.
    Status indexed;
    if (s) indexed = maintainOnAppend(recNo, known + 1 != recNo);
    unlockAll();
    if (!s) {
        if (!shared) header_.recordCount = known;
        return s;
    }
    if (shared && known + 1 != recNo) invalidateCache();
    cur_ = recNo;
    bof_ = eof_ = false;
    state_ = State::Browse;
    editBuf_.clear();
    return indexed;
}

void Table::setAppendBatch(uint32_t records) {
    // An open catches up with at most kMaxAppendBatch missing index entries at the end.
    batchSize_ = std::min(records, kMaxAppendBatch);
}

Status Table::flushAppends() {
    if (pendingCount_ == 0) return Status::ok();
    const bool shared = mode_ == OpenMode::Shared;
    if (shared) {
        VZ_RETURN_IF_ERROR(
            file_.lock(locking::kAppend, 1, File::LockKind::Write, locking::kWaitMs));
        Status h = file_.lock(locking::kHeader, 1, File::LockKind::Write, locking::kWaitMs);
        if (!h) {
            file_.unlock(locking::kAppend, 1);
            return h;
        }
        ++headerHeld_;
    }
    auto unlockAll = [&] {
        if (!shared) return;
        --headerHeld_;
        file_.unlock(locking::kHeader, 1);
        file_.unlock(locking::kAppend, 1);
    };
    const uint32_t known = header_.recordCount;
    if (shared) {
        auto count = fileRecordCount();
        if (!count) {
            unlockAll();
            return count.status();
        }
        header_.recordCount = *count;
    }
    if (uint64_t(header_.recordCount) + pendingCount_ >= 0xFFFFFFFFu) {
        if (shared) header_.recordCount = known;
        unlockAll();
        return Status::invalid(who() + ": the table cannot hold more records.");
    }
    const uint32_t firstRec = header_.recordCount + 1;
    const uint32_t count = pendingCount_;
    // The records first, then the count that names them.
    pending_.push_back(kEofMarker);
    Status s = file_.writeAt(header_.dataOffset(firstRec), pending_.data(), pending_.size());
    pending_.pop_back();
    if (s) {
        header_.recordCount = firstRec + count - 1;
        header_.setUpdateDateToToday();
        s = writeHeaderPrefix();
        if (!s) header_.recordCount = firstRec - 1;
    }
    Status indexed;
    if (s) indexed = maintainOnAppendBatch(firstRec, pending_, count, known + 1 != firstRec);
    unlockAll();
    pending_.clear();
    pendingCount_ = 0;
    if (!s) {
        if (!shared) header_.recordCount = known;
        const std::string lost =
            " The last " + std::to_string(count) + " records added were not stored.";
        return s.code() == Status::Code::IOError ? Status::ioError(s.message() + lost)
                                                 : Status::invalid(s.message() + lost);
    }
    if (shared && known + 1 != firstRec) invalidateCache();
    if (state_ == State::Browse) {
        cur_ = header_.recordCount;
        bof_ = eof_ = false;
    }
    return indexed;
}

Status Table::post() {
    switch (state_) {
        case State::Browse: return Status::ok();
        case State::Insert:
            if (batchSize_ > 1) {
                editBuf_[0] = ' ';
                pending_ += editBuf_;
                ++pendingCount_;
                state_ = State::Browse;
                editBuf_.clear();
                return pendingCount_ >= batchSize_ ? flushAppends() : Status::ok();
            }
            return appendRecord();
        case State::Edit: break;
    }
    // With an index, the header lock is held from the record to the last index block, so that
    // readers and writers in other processes never see the one without the other.
    const bool lockHeader = mdx_ && mode_ == OpenMode::Shared;
    if (lockHeader)
        VZ_RETURN_IF_ERROR(
            file_.lock(locking::kHeader, 1, File::LockKind::Write, locking::kWaitMs));
    if (lockHeader) ++headerHeld_;
    auto unlockHeader = [&] {
        if (!lockHeader) return;
        --headerHeld_;
        file_.unlock(locking::kHeader, 1);
    };
    Status s = file_.writeAt(header_.dataOffset(cur_), editBuf_.data(), editBuf_.size());
    if (!s) {
        unlockHeader();
        return s;
    }
    if (cur_ >= cacheFirst_ && cur_ < cacheFirst_ + cacheCount_)
        std::memcpy(cache_.data() + size_t(cur_ - cacheFirst_) * editBuf_.size(), editBuf_.data(), editBuf_.size());
    // Only the date: the count may have moved on in another process.
    header_.setUpdateDateToToday();
    char prefix[8];
    header_.serializePrefix8(prefix);
    s = file_.writeAt(1, prefix + 1, 3);
    Status indexed = mdx_ ? maintainOnPost(editBase_) : Status::ok();
    unlockHeader();
    releaseRecordLock();
    state_ = State::Browse;
    editBuf_.clear();
    editBase_.clear();
    return s ? indexed : s;
}

Status Table::deleteRecord() {
    VZ_RETURN_IF_ERROR(flushAppends());
    if (state_ == State::Insert) {
        cancel();
        return Status::ok();
    }
    if (readOnly()) return Status::invalid(who() + " is open read-only.");
    if (cur_ == 0) return Status::notFound(who() + ": there is no current record to delete.");
    if (state_ == State::Browse && mode_ == OpenMode::Shared) {
        Status s = file_.lock(locking::record(cur_), 1, File::LockKind::Write, 1000);
        if (!s) {
            if (s.code() == Status::Code::Locked)
                return Status::locked("Record " + std::to_string(cur_) + " of " + who() +
                                      " is locked by another user.");
            return s;
        }
        lockedRecord_ = cur_;
    }
    const char mark = '*';
    Status s = file_.writeAt(header_.dataOffset(cur_), &mark, 1);
    cancel();  // drops any edit and the record lock
    if (!s) return s;
    if (cur_ >= cacheFirst_ && cur_ < cacheFirst_ + cacheCount_)
        cache_[size_t(cur_ - cacheFirst_) * header_.recordLength] = mark;
    header_.setUpdateDateToToday();
    char prefix[8];
    header_.serializePrefix8(prefix);
    VZ_RETURN_IF_ERROR(file_.writeAt(1, prefix + 1, 3));
    // The record vanishes from view: the next one takes its place, or the prior one at the end.
    Result<uint32_t> r = fromCurrent(+1);
    if (!r) return r.status();
    if (*r != 0) {
        cur_ = *r;
        bof_ = eof_ = false;
        return Status::ok();
    }
    r = fromCurrent(-1);
    if (!r) return r.status();
    cur_ = *r;
    eof_ = true;
    bof_ = cur_ == 0;
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Pack

Status Table::pack() {
    if (mode_ != OpenMode::Exclusive) return Status::invalid(who() + ": packing needs the table opened exclusively.");
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    // Every tag must be rebuilt for the new record numbers: check that we can before anything
    // changes.
    const bool indexed = header_.mdxFlag != 0;
    std::vector<TagSpec> specs;
    if (indexed) VZ_RETURN_IF_ERROR(rebuildableTags(specs, {}));
    std::vector<std::string> keys(specs.size());

    const std::string target = resolveLinks(path_);
    Result<File> tmp = File::createTemporary(folderOf(target), "." + nameOf(target) + ".pack-");
    if (!tmp) return tmp.status();
    DbfHeader packed = header_;
    std::string head = packed.serialize();
    Status s = tmp->writeAt(0, head.data(), head.size());
    uint64_t at = head.size();
    uint32_t kept = 0;
    std::string out;
    out.reserve(1 << 20);
    for (uint32_t r = 1; s && r <= header_.recordCount; ++r) {
        if ((r & 0xFFFF) == 0 && !(s = progress(r, header_.recordCount))) break;
        const char* p = recordPtr(r, s);
        if (p == nullptr) break;
        if (*p == '*') continue;
        for (size_t i = 0; i < specs.size(); ++i) {
            const KeyExpression& e = *specs[i].expression;
            keys[i].resize(keys[i].size() + size_t(e.length()));
            e.evaluate(p, keys[i].data() + keys[i].size() - size_t(e.length()));
        }
        out.append(p, header_.recordLength);
        ++kept;
        if (out.size() >= (1 << 20)) {
            s = tmp->writeAt(at, out.data(), out.size());
            at += out.size();
            out.clear();
        }
    }
    out.push_back(kEofMarker);
    if (s) s = tmp->writeAt(at, out.data(), out.size());
    packed.recordCount = kept;
    packed.setUpdateDateToToday();
    head = packed.serialize();
    if (s) s = tmp->writeAt(0, head.data(), head.size());
    if (s) s = tmp->copyModeFrom(file_);
    if (s) s = tmp->sync();
    std::unique_ptr<MdxFile> fresh;
    std::vector<std::unique_ptr<IndexTag>> built;
    if (s && indexed) {
        Result<std::unique_ptr<MdxFile>> m = buildIndexFile(specs, keys, kept, built);
        if (m)
            fresh = std::move(m.value());
        else
            s = m.status();
    }
    if (!s) {
        ::unlink(tmp->path().c_str());
        return s;
    }
    auto step = [](int n) {
        if (packStepHookForTesting) packStepHookForTesting(n);
    };
    step(1);
    if (!indexed) {
        s = renameReplacing(tmp->path(), target);
        if (!s) {
            ::unlink(tmp->path().c_str());
            return s;
        }
    } else {
        // The swap of the pair (docs/locking.md): stage the table, then the index (the commit),
        // then put the table and the index in place. An opener finishes a swap whose index is
        // staged and drops a staged table without one.
        const std::string stagedTable = packStagedTablePath(target);
        const std::string stagedIndex = packStagedIndexPath(target);
        s = renameReplacing(tmp->path(), stagedTable);
        if (s) step(2);
        if (s) s = fresh->publish(stagedIndex);
        if (!s) {
            ::unlink(tmp->path().c_str());
            ::unlink(stagedTable.c_str());
            fresh->discard();
            return s;
        }
        step(3);
        s = renameReplacing(stagedTable, target);
        if (s) step(4);
        if (s) s = fresh->publish(indexTarget());
        if (!s)
            return Status::ioError(
                s.message() +
                " The packed table and its index are complete and take the old ones' "
                "place at the next open.");
        step(5);
    }
    tmp->setPath(path_);
    file_ = std::move(tmp.value());
    header_ = std::move(packed);
    invalidateCache();
    cursorValid_ = false;
    if (indexed) {
        const std::string active = activeTag();
        tags_ = std::move(built);
        mdx_ = std::move(fresh);
        indexProblem_.clear();
        writeRefusal_.clear();
        rebuildTags_.clear();
        active_ = findTag(active);
    }
    return first();
}

std::string packStagedTablePath(const std::string& table) {
    return folderOf(table) + "/." + nameOf(table) + ".packed";
}
std::string packStagedIndexPath(const std::string& table) {
    return folderOf(table) + "/." + nameOf(table) + ".packed-index";
}

void removeMdxByte(const std::string& path) {
    Result<File> f = File::open(path, File::Access::ReadWrite);
    if (!f) return;
    // Never write into a file too short to be a table (it would grow), nor a byte that is 0.
    char flag = 0;
    if (!f->readAt(DbfHeader::kMdxFlagOffset, &flag, 1) || flag == 0) return;
    const char zero = 0;
    (void)f->writeAt(DbfHeader::kMdxFlagOffset, &zero, 1);
}

}  // namespace vz::engine
