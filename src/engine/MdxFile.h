// MdxFile: a dBase IV production index file (.MDX): its header, tag table, tag headers and the
// blocks that hold the tags' B-trees.
//
// Layout, in pages of 512 bytes; one block is 2 pages (1,024 bytes):
//   pages 0-3   file header (2,048 bytes):
//       0 version (2); 1-3 creation date YYMMDD; 4-19 table name, zero-padded; 20-21 pages per
//       block (2); 22-23 bytes per block (1024); 24 production flag (1); 25 tag slots (48);
//       26 slot length (32); 28-29 tags in use; 32-35 pages in the file; 36-39 first block of the
//       free chain (0: none); 40-43 blocks in the free chain; 44-46 date of last update YYMMDD.
//       Tag slots of 32 bytes from offset 544 (47 fit before page 4): 0-3 tag header page;
//       4-14 tag name, zero-padded; 15 key format; 16-18 threads of the binary tree of tag names
//       (slot numbers of the left and right subtrees and the parent, 0 for none); 19 (2);
//       20 key type.
//   then blocks: one tag header block per tag, and B-tree nodes.
// A free block holds, in its first 4 bytes, the page of the next free block (0 ends the chain).
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/File.h"
#include "engine/Status.h"

namespace vz::engine {

class MdxFile {
public:
    static constexpr int kPageSize = 512;
    static constexpr int kBlockSize = 1024;
    static constexpr int kPagesPerBlock = 2;
    static constexpr int kHeaderPages = 4;
    static constexpr int kTagSlotOffset = 544;
    static constexpr int kTagSlotSize = 32;
    static constexpr int kMaxTags = 47;
    static constexpr int kMaxExpression = 220;

    struct TagEntry {
        std::string name;
        uint32_t headerPage = 0;
        uint8_t keyFormat = 0;
        char keyType = 'C';
    };

    // What the tag header block of a tag holds.
    struct TagHeader {
        uint32_t rootPage = 0;
        uint32_t filePages = 0;
        uint8_t keyFormat = 0;  // 0x10: the key is a plain field; 0: an expression
        char keyType = 'C';
        uint16_t keyLength = 0;
        uint16_t maxKeys = 0;        // keys per node: (1024 - 12) / itemLength
        uint16_t itemLength = 0;     // 4-byte pointer + key, rounded up to a multiple of 4
        bool unique = false;
        std::string expression;
    };

    // Creates a new index file holding no tags, under a temporary name beside `path`; publish()
    // gives it that name.
    static Result<std::unique_ptr<MdxFile>> createTemporary(const std::string& path, const std::string& tableName);
    // Syncs a file made by createTemporary() and renames it over `path`, replacing any file there.
    Status publish(const std::string& path);
    // Removes a file made by createTemporary() that will not be published.
    void discard();
    // Opens an index file and checks its header and tag table.
    static Result<std::unique_ptr<MdxFile>> open(const std::string& path, bool writable);

    const std::string& path() const { return file_.path(); }
    const std::vector<TagEntry>& tags() const { return tags_; }
    int findTag(const std::string& name) const;  // index into tags(), -1 when none; ignores case

    Result<TagHeader> readTagHeader(uint32_t page);
    Status writeTagHeader(uint32_t page, const TagHeader& h);

    // Blocks are read through a small cache; writes go straight to the file.
    Result<const char*> readBlock(uint32_t page);
    // True when the block is in the cache, as last read or written, and readBlock reads nothing.
    bool isCached(uint32_t page) const { return cache_.count(page) != 0; }
    Status writeBlock(uint32_t page, const char* data);
    // Called before every write of a block, a tag header or the file header; tests stop a
    // process there to see what a kill at that moment leaves.
    static inline std::function<void()> writeHookForTesting;
    // Writes `count` consecutive blocks, bypassing the cache (for bulk builds of new blocks).
    Status writeBlocks(uint32_t firstPage, const char* data, uint32_t count);
    // A block from the free chain, or a new one at the end of the file. The header is written at
    // once, so a process killed before the block is linked into a tree leaves it unused (lost to
    // the file until the next rebuild), never both free and in a tree. A block of the chain that
    // the in-use test says is in use is refused (Corruption) and the chain left as it is.
    Result<uint32_t> allocateBlock();
    Status freeBlock(uint32_t page);
    uint32_t pageCount() const { return pages_; }
    // Asked about a block of the free chain before allocateBlock() hands it out: true when a tag
    // uses it.
    void setInUseTest(std::function<Result<bool>(uint32_t page)> test) { inUse_ = std::move(test); }

    // Follows the free chain and appends its pages to `pages`; a link outside the file or off a
    // block boundary, or a page reached twice, is reported to `report` and ends the walk.
    void freeChain(std::vector<uint32_t>& pages, const std::function<void(std::string)>& report);
    uint32_t freeCount() const { return freeCount_; }

    // Gives the file the permission bits of `like` (the table), for a new index file.
    Status adoptMode(const File& like) { return file_.copyModeFrom(like); }

    Status addTag(const TagEntry& entry);
    Status removeTag(const std::string& name);
    // Drops every block after the header when no tag is left.
    Status shrinkIfEmpty();

    // Forgets cached blocks and re-reads the header, after another program may have changed the
    // file.
    Status reload();
    Status sync() { return file_.sync(); }
    // Writes the header and tag table.
    Status writeHeader();

    // Reserves `blocks` consecutive new blocks at the end of the file (for a bulk build);
    // answers the first page.
    uint32_t reserveAtEnd(uint32_t blocks);

private:
    MdxFile() = default;
    Status readHeader();
    void invalidateCache();

    File file_;
    std::string tableName_;
    uint32_t pages_ = kHeaderPages;
    uint32_t freeHead_ = 0;
    uint32_t freeCount_ = 0;
    char created_[3] = {0, 0, 0};
    std::vector<TagEntry> tags_;
    std::function<Result<bool>(uint32_t)> inUse_;

    // Block cache: page -> bytes, least recently used first in lru_.
    struct Cached {
        std::string bytes;
        std::list<uint32_t>::iterator lru;
    };
    std::unordered_map<uint32_t, Cached> cache_;
    std::list<uint32_t> lru_;
    static constexpr size_t kCacheBlocks = 256;
};

}  // namespace vz::engine
