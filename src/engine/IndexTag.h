// IndexTag: one tag of a production index, a B-tree of (key, record number) entries kept in an
// MdxFile.
//
// Nodes are blocks: a 4-byte key count, 4 bytes unused (0), then items of a 4-byte pointer and
// the key, each item padded to the tag's item length. Leaves point at 1-based record numbers and
// have a 0 pointer after their last item; interior nodes point at child pages and have one more
// pointer than keys, each key being the highest key of the child on its left. Entries are ordered
// by key and, among equal keys, by record number. Every record of the table, deleted ones
// included, has exactly one entry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/KeyExpression.h"
#include "engine/MdxFile.h"
#include "engine/Status.h"

namespace vz::engine {

class IndexTag {
public:
    // No sound tree is this deep: even with the fewest keys a node holds, a tree of a billion
    // entries has fewer than ten levels. Deeper paths are damage (a loop or a crafted chain).
    static constexpr int kMaxDepth = 32;

    // A position in the tag: the path from the root and the entry in the leaf.
    struct Cursor {
        struct Level {
            uint32_t page;
            int child;  // which pointer of this interior node the path follows
        };
        std::vector<Level> path;  // interior levels, root first
        uint32_t leafPage = 0;
        int pos = -1;             // entry in the leaf; -1 when the cursor is nowhere
        bool valid() const { return pos >= 0; }
    };

    // Opens tag `entry` of `mdx`; `expression` is null when the tag's key expression cannot be
    // evaluated (the tag is then kept but cannot be maintained).
    static Result<std::unique_ptr<IndexTag>> open(MdxFile& mdx, const MdxFile::TagEntry& entry,
                                                  std::unique_ptr<KeyExpression> expression);

    // Builds a new tag in `mdx` from every record's key: `keys` holds keyLength bytes per record,
    // record 1 first. Sorts, then fills the tree bottom-up. The tag stores the expression in
    // its canonical spelling (KeyExpression::canonicalSpelling).
    // `plainField` marks a key that is one field as it stands (key format 0x10).
    static Result<std::unique_ptr<IndexTag>> build(MdxFile& mdx, const std::string& name,
                                                   std::unique_ptr<KeyExpression> expression, bool plainField,
                                                   const std::string& keys, uint32_t records);

    const std::string& name() const { return entry_.name; }
    const MdxFile::TagHeader& header() const { return header_; }
    const KeyExpression* expression() const { return expr_.get(); }
    int keyLength() const { return header_.keyLength; }

    // Re-reads the tag header (another program may have moved the root).
    Status reload();

    // Adds an entry. `newest` says `recNo` is higher than every record number in the tag, which
    // spares looking up record numbers among equal keys.
    Status insert(const char* key, uint32_t recNo, bool newest);
    // Removes the entry (key, recNo); NotFound when it is not there.
    Status remove(const char* key, uint32_t recNo);
    // Puts every block of the tag, its header included, on the free chain.
    Status release();

    // Cursor movement. first()/last() on an empty tag leave the cursor invalid. next()/prior()
    // answer false at the end, leaving the cursor where it was.
    Status first(Cursor& c);
    Status last(Cursor& c);
    Result<bool> next(Cursor& c);
    Result<bool> prior(Cursor& c);
    // Moves one entry (step +1 or -1) within the cursor's leaf only, from the cached block;
    // answers false, with the cursor unchanged, at the leaf's first or last entry.
    Result<bool> stepInLeaf(Cursor& c, int step);
    // True when the cursor's leaf is held in memory as last read, so stepping in it reads no file.
    bool leafInMemory(const Cursor& c) const { return mdx_.isCached(c.leafPage); }
    // Positions at the entry (key, recNo) when present (answers true), else at the first entry
    // after it (answers false; the cursor is invalid when there is none).
    Result<bool> seek(Cursor& c, const char* key, uint32_t recNo);
    Result<uint32_t> recNo(const Cursor& c);
    Result<std::string> key(const Cursor& c);

    // Appends the record number of every entry, in order, to `out`, and shows each entry's key to
    // `visit` when given. Pages reached twice or deeper than any sound tree grows are reported as
    // damage rather than followed.
    Status collect(std::vector<uint32_t>& out,
                   const std::function<void(const char* key, uint32_t recNo)>& visit = nullptr);

    // Checks the tree: node bounds, pages on block boundaries and reached once, depth at most
    // kMaxDepth, order of entries, each interior key being the highest key of its left child,
    // leaves at one depth. Calls `visit` for every entry in order and `report` for every problem
    // (naming the tag and the page); appends every page of the tree to `pages` when given.
    Status walk(const std::function<void(std::string)>& report,
                const std::function<void(const char* key, uint32_t recNo)>& visit,
                std::vector<uint32_t>* pages = nullptr);

    // True when the tree holds an entry for (key, recNo).
    Result<bool> contains(const char* key, uint32_t recNo);
    // True when block `page` is a node of this tree: its lowest entry, looked up from the root,
    // leads through it. Meant for a block about to be reused; reads a few blocks.
    Result<bool> usesPage(uint32_t page);

private:
    struct Node {
        uint32_t page = 0;
        int count = 0;
        std::vector<uint32_t> ptr;  // count + 1 pointers; the last is 0 in a leaf
        std::string keys;           // count keys of keyLength bytes
        bool leaf() const { return ptr[size_t(count)] == 0; }
        const char* keyAt(int i, int len) const { return keys.data() + size_t(i) * size_t(len); }
    };

    IndexTag(MdxFile& mdx, MdxFile::TagEntry entry, MdxFile::TagHeader header, std::unique_ptr<KeyExpression> e)
        : mdx_(mdx), entry_(std::move(entry)), header_(std::move(header)), expr_(std::move(e)) {}

    Status tooDeep() const;
    Result<Node> load(uint32_t page);
    // The key count of a leaf, read from its block without decoding it.
    Result<int> leafCount(uint32_t page);
    Status store(const Node& n);
    void encode(const Node& n, char* out) const;
    int compareKeys(const char* a, const char* b) const;
    Result<uint32_t> lastRecNoUnder(uint32_t page);
    // Finds the child of interior node `n` where (key, recNo) belongs.
    Result<int> childFor(const Node& n, const char* key, uint32_t recNo, bool newest);
    // The position in leaf `n` where (key, recNo) is or belongs.
    int leafPosition(const Node& n, const char* key, uint32_t recNo) const;
    Status descendLeftmost(Cursor& c, uint32_t page);
    Status descendRightmost(Cursor& c, uint32_t page);
    Status setRoot(uint32_t page);
    // After the highest key under the node the path reaches below level `levels` (the leaf when
    // levels is the path's length) rose to `newHighest`: the lowest of the levels above that
    // bounds it on the right takes the new key.
    Status updateSeparators(const Cursor& c, size_t levels, const char* newHighest);

    MdxFile& mdx_;
    MdxFile::TagEntry entry_;
    MdxFile::TagHeader header_;
    std::unique_ptr<KeyExpression> expr_;
};

}  // namespace vz::engine
