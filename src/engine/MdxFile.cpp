// Invariants:
//   pages_ is the file's length in pages and always a whole number of blocks after the header;
//   every tag's header page and every block of its tree lie in [kHeaderPages, pages_);
//   a block is either in exactly one tag (its header or a node) or in the free chain;
//   cache_ holds blocks exactly as the file holds them (writes update both).
#include "engine/MdxFile.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace vz::engine {
namespace {

uint16_t get16(const char* p) { return uint16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8)); }
uint32_t get32(const char* p) {
    return uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) | (uint32_t(uint8_t(p[2])) << 16) |
           (uint32_t(uint8_t(p[3])) << 24);
}
void put16(char* p, uint16_t v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}
void put32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}

void today(char out[3]) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    out[0] = char(tm.tm_year % 100);
    out[1] = char(tm.tm_mon + 1);
    out[2] = char(tm.tm_mday);
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

}  // namespace

Result<std::unique_ptr<MdxFile>> MdxFile::createTemporary(const std::string& path, const std::string& tableName) {
    std::unique_ptr<MdxFile> m(new MdxFile);
    Result<File> tmp = File::createTemporary(folderOf(path), "." + nameOf(path) + ".new-");
    if (!tmp) return tmp.status();
    m->file_ = std::move(tmp.value());
    m->tableName_ = upper(tableName.substr(0, 16));
    today(m->created_);
    Status s = m->writeHeader();
    if (!s) {
        m->discard();
        return s;
    }
    return m;
}

Status MdxFile::publish(const std::string& path) {
    VZ_RETURN_IF_ERROR(writeHeader());
    VZ_RETURN_IF_ERROR(file_.sync());
    VZ_RETURN_IF_ERROR(renameReplacing(file_.path(), path));
    file_.setPath(path);
    return Status::ok();
}

void MdxFile::discard() {
    ::unlink(file_.path().c_str());
    file_.close();
}

Result<std::unique_ptr<MdxFile>> MdxFile::open(const std::string& path, bool writable) {
    std::unique_ptr<MdxFile> m(new MdxFile);
    Result<File> f = File::open(path, writable ? File::Access::ReadWrite : File::Access::ReadOnly);
    if (!f) return f.status();
    m->file_ = std::move(f.value());
    VZ_RETURN_IF_ERROR(m->readHeader());
    return m;
}

Status MdxFile::readHeader() {
    invalidateCache();
    const std::string& who = file_.path();
    Result<uint64_t> size = file_.size();
    if (!size) return size.status();
    if (*size < uint64_t(kHeaderPages) * kPageSize)
        return Status::corruption(who + ": the index file is too short for its header (" + std::to_string(*size) +
                                  " bytes).");
    char h[kHeaderPages * kPageSize];
    VZ_RETURN_IF_ERROR(file_.readAt(0, h, sizeof h));
    if (h[0] != 2)
        return Status::corruption(who + ": the version byte " + std::to_string(uint8_t(h[0])) +
                                  " is not that of a dBase IV production index.");
    if (get16(h + 20) != kPagesPerBlock || get16(h + 22) != kBlockSize)
        return Status::notSupported(who + ": index blocks of " + std::to_string(get16(h + 22)) +
                                    " bytes; only 1,024-byte blocks are handled.");
    if (uint8_t(h[26]) != kTagSlotSize)
        return Status::corruption(who + ": the tag slot length " + std::to_string(uint8_t(h[26])) + " is not 32.");
    const int used = get16(h + 28);
    if (used > kMaxTags)
        return Status::corruption(who + ": the header declares " + std::to_string(used) + " tags (at most 47).");
    const uint32_t pages = get32(h + 32);
    const uint64_t filePages = *size / kPageSize;
    if (pages < kHeaderPages || pages > filePages || (pages - kHeaderPages) % kPagesPerBlock != 0)
        return Status::corruption(who + ": the header declares " + std::to_string(pages) +
                                  " pages but the file holds " + std::to_string(filePages) + ".");
    pages_ = pages;
    freeHead_ = get32(h + 36);
    freeCount_ = get32(h + 40);
    if (freeHead_ != 0 && (freeHead_ < kHeaderPages || freeHead_ >= pages_))
        return Status::corruption(who + ": the free chain starts outside the file (page " +
                                  std::to_string(freeHead_) + ").");
    std::memcpy(created_, h + 1, 3);
    tableName_.assign(h + 4, strnlen(h + 4, 16));
    tags_.clear();
    for (int i = 0; i < used; ++i) {
        const char* slot = h + kTagSlotOffset + i * kTagSlotSize;
        TagEntry t;
        t.headerPage = get32(slot);
        t.name.assign(slot + 4, strnlen(slot + 4, 11));
        while (!t.name.empty() && t.name.back() == ' ') t.name.pop_back();
        t.keyFormat = uint8_t(slot[15]);
        t.keyType = slot[20];
        if (t.name.empty()) return Status::corruption(who + ": tag " + std::to_string(i + 1) + " has no name.");
        if (t.headerPage < kHeaderPages || t.headerPage + kPagesPerBlock > pages_)
            return Status::corruption(who + ": the header of tag " + t.name + " lies outside the file (page " +
                                      std::to_string(t.headerPage) + ").");
        if (t.keyType != 'C' && t.keyType != 'N' && t.keyType != 'D' && t.keyType != 'F')
            return Status::corruption(who + ": tag " + t.name + " has the unknown key type " +
                                      std::to_string(uint8_t(t.keyType)) + ".");
        tags_.push_back(std::move(t));
    }
    return Status::ok();
}

Status MdxFile::reload() { return readHeader(); }

Status MdxFile::writeHeader() {
    if (writeHookForTesting) writeHookForTesting();
    char h[kHeaderPages * kPageSize] = {};
    h[0] = 2;
    std::memcpy(h + 1, created_, 3);
    std::memcpy(h + 4, tableName_.data(), std::min<size_t>(tableName_.size(), 16));
    put16(h + 20, kPagesPerBlock);
    put16(h + 22, kBlockSize);
    h[24] = 1;
    h[25] = 48;
    h[26] = kTagSlotSize;
    put16(h + 28, uint16_t(tags_.size()));
    put32(h + 32, pages_);
    put32(h + 36, freeHead_);
    put32(h + 40, freeCount_);
    today(h + 44);
    // The slots form a binary tree ordered by tag name, rooted at slot 1.
    std::vector<int> left(tags_.size() + 1, 0), right(tags_.size() + 1, 0), parent(tags_.size() + 1, 0);
    for (size_t k = 2; k <= tags_.size(); ++k) {
        size_t at = 1;
        for (;;) {
            std::vector<int>& side = upper(tags_[k - 1].name) < upper(tags_[at - 1].name) ? left : right;
            if (side[at] == 0) {
                side[at] = int(k);
                parent[k] = int(at);
                break;
            }
            at = size_t(side[at]);
        }
    }
    for (size_t i = 0; i < tags_.size(); ++i) {
        char* slot = h + kTagSlotOffset + i * kTagSlotSize;
        put32(slot, tags_[i].headerPage);
        std::memcpy(slot + 4, tags_[i].name.data(), std::min<size_t>(tags_[i].name.size(), 10));
        slot[15] = char(tags_[i].keyFormat);
        slot[16] = char(left[i + 1]);
        slot[17] = char(right[i + 1]);
        slot[18] = char(parent[i + 1]);
        slot[19] = 2;
        slot[20] = tags_[i].keyType;
    }
    return file_.writeAt(0, h, sizeof h);
}

int MdxFile::findTag(const std::string& name) const {
    const std::string u = upper(name);
    for (size_t i = 0; i < tags_.size(); ++i)
        if (upper(tags_[i].name) == u) return int(i);
    return -1;
}

Result<MdxFile::TagHeader> MdxFile::readTagHeader(uint32_t page) {
    Result<const char*> b = readBlock(page);
    if (!b) return b.status();
    const char* p = *b;
    TagHeader t;
    t.rootPage = get32(p);
    t.filePages = get32(p + 4);
    t.keyFormat = uint8_t(p[8]);
    t.keyType = p[9];
    t.keyLength = get16(p + 12);
    t.maxKeys = get16(p + 14);
    t.itemLength = get16(p + 18);
    t.unique = p[23] != 0;
    t.expression.assign(p + 24, strnlen(p + 24, kMaxExpression));
    const std::string who = file_.path() + ": the tag header at page " + std::to_string(page);
    if (t.keyLength == 0 || t.keyLength > 100)
        return Status::corruption(who + " gives the key length " + std::to_string(t.keyLength) + ".");
    const int item = ((t.keyLength + 4 + 3) / 4) * 4;
    if (t.itemLength != item)
        return Status::corruption(who + " gives the item length " + std::to_string(t.itemLength) + " for keys of " +
                                  std::to_string(t.keyLength) + " bytes.");
    if (t.maxKeys == 0 || t.maxKeys > (kBlockSize - 12) / t.itemLength)
        return Status::corruption(who + " gives " + std::to_string(t.maxKeys) + " keys per node.");
    if (t.rootPage < kHeaderPages || t.rootPage + kPagesPerBlock > pages_)
        return Status::corruption(who + " puts the root at page " + std::to_string(t.rootPage) +
                                  ", outside the file.");
    return t;
}

Status MdxFile::writeTagHeader(uint32_t page, const TagHeader& t) {
    if (writeHookForTesting) writeHookForTesting();
    char p[kBlockSize] = {};
    put32(p, t.rootPage);
    put32(p + 4, t.filePages);
    p[8] = char(t.keyFormat);
    p[9] = t.keyType;
    put16(p + 12, t.keyLength);
    put16(p + 14, t.maxKeys);
    put16(p + 18, t.itemLength);
    p[23] = t.unique ? 1 : 0;
    std::memcpy(p + 24, t.expression.data(), std::min<size_t>(t.expression.size(), kMaxExpression - 1));
    return writeBlock(page, p);
}

void MdxFile::invalidateCache() {
    cache_.clear();
    lru_.clear();
}

Result<const char*> MdxFile::readBlock(uint32_t page) {
    if (page < kHeaderPages || page + kPagesPerBlock > pages_)
        return Status::corruption(file_.path() + ": a link points at page " + std::to_string(page) +
                                  ", outside the file's " + std::to_string(pages_) + " pages.");
    auto it = cache_.find(page);
    if (it != cache_.end()) {
        lru_.splice(lru_.end(), lru_, it->second.lru);
        return it->second.bytes.data();
    }
    if (cache_.size() >= kCacheBlocks) {
        cache_.erase(lru_.front());
        lru_.pop_front();
    }
    std::string bytes(kBlockSize, '\0');
    VZ_RETURN_IF_ERROR(file_.readAt(uint64_t(page) * kPageSize, bytes.data(), bytes.size()));
    lru_.push_back(page);
    Cached& c = cache_[page];
    c.bytes = std::move(bytes);
    c.lru = std::prev(lru_.end());
    return c.bytes.data();
}

Status MdxFile::writeBlock(uint32_t page, const char* data) {
    if (writeHookForTesting) writeHookForTesting();
    VZ_RETURN_IF_ERROR(file_.writeAt(uint64_t(page) * kPageSize, data, kBlockSize));
    auto it = cache_.find(page);
    if (it != cache_.end()) std::memcpy(it->second.bytes.data(), data, kBlockSize);
    return Status::ok();
}

Status MdxFile::writeBlocks(uint32_t firstPage, const char* data, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) cache_.erase(firstPage + i * kPagesPerBlock);
    lru_.remove_if([this](uint32_t p) { return cache_.count(p) == 0; });
    return file_.writeAt(uint64_t(firstPage) * kPageSize, data, size_t(count) * kBlockSize);
}

uint32_t MdxFile::reserveAtEnd(uint32_t blocks) {
    const uint32_t first = pages_;
    pages_ += blocks * kPagesPerBlock;
    return first;
}

Result<uint32_t> MdxFile::allocateBlock() {
    if (freeHead_ != 0) {
        const uint32_t page = freeHead_;
        if ((page - kHeaderPages) % kPagesPerBlock != 0)
            return Status::corruption(file_.path() + ": the free chain leads to page " +
                                      std::to_string(page) + ", which does not start a block.");
        if (inUse_) {
            Result<bool> used = inUse_(page);
            if (!used) return used.status();
            if (*used)
                return Status::corruption(
                    file_.path() + ": the free chain leads to page " + std::to_string(page) +
                    ", which a tag still uses; the index is damaged and must be rebuilt.");
        }
        Result<const char*> b = readBlock(page);
        if (!b) return b.status();
        const uint32_t next = get32(*b);
        if (next != 0 && (next < kHeaderPages || next >= pages_))
            return Status::corruption(file_.path() + ": the free chain leads outside the file (page " +
                                      std::to_string(next) + ").");
        if (next == page)
            return Status::corruption(file_.path() + ": the free chain loops at page " +
                                      std::to_string(page) + ".");
        freeHead_ = next;
        if (freeCount_ > 0) --freeCount_;
        VZ_RETURN_IF_ERROR(writeHeader());
        return page;
    }
    const uint32_t page = reserveAtEnd(1);
    char zero[kBlockSize] = {};
    Status s = writeBlock(page, zero);
    if (s) s = writeHeader();
    if (!s) {
        pages_ -= kPagesPerBlock;
        return s;
    }
    return page;
}

void MdxFile::freeChain(std::vector<uint32_t>& pages,
                        const std::function<void(std::string)>& report) {
    std::vector<bool> seen(pages_ + 1, false);
    uint32_t link = freeHead_, from = 0;
    while (link != 0) {
        const std::string where = from == 0
                                      ? std::string("The free chain starts at page ")
                                      : "Free page " + std::to_string(from) + " links to page ";
        if (link < kHeaderPages || link + kPagesPerBlock > pages_) {
            report(file_.path() + ": " + where + std::to_string(link) + ", outside the file.");
            return;
        }
        if ((link - kHeaderPages) % kPagesPerBlock != 0) {
            report(file_.path() + ": " + where + std::to_string(link) +
                   ", which does not start a block.");
            return;
        }
        if (seen[link]) {
            report(file_.path() + ": " + where + std::to_string(link) +
                   ", which is in the chain already (a loop).");
            return;
        }
        seen[link] = true;
        pages.push_back(link);
        Result<const char*> b = readBlock(link);
        if (!b) {
            report(b.status().message());
            return;
        }
        from = link;
        link = get32(*b);
    }
}

Status MdxFile::freeBlock(uint32_t page) {
    char b[kBlockSize] = {};
    put32(b, freeHead_);
    VZ_RETURN_IF_ERROR(writeBlock(page, b));
    freeHead_ = page;
    ++freeCount_;
    return Status::ok();
}

Status MdxFile::addTag(const TagEntry& entry) {
    if (tags_.size() >= size_t(kMaxTags))
        return Status::invalid(file_.path() + ": an index file holds at most 47 tags.");
    if (findTag(entry.name) >= 0) return Status::invalid(file_.path() + ": the tag " + entry.name + " exists.");
    tags_.push_back(entry);
    return writeHeader();
}

Status MdxFile::removeTag(const std::string& name) {
    const int i = findTag(name);
    if (i < 0) return Status::notFound(file_.path() + ": there is no tag " + name + ".");
    const TagEntry removed = tags_[size_t(i)];
    tags_.erase(tags_.begin() + i);
    Status s = writeHeader();
    if (!s) tags_.insert(tags_.begin() + i, removed);  // the file still lists it
    return s;
}

Status MdxFile::shrinkIfEmpty() {
    if (!tags_.empty()) return Status::ok();
    pages_ = kHeaderPages;
    freeHead_ = 0;
    freeCount_ = 0;
    invalidateCache();
    VZ_RETURN_IF_ERROR(writeHeader());
    return file_.truncate(uint64_t(kHeaderPages) * kPageSize);
}

}  // namespace vz::engine
