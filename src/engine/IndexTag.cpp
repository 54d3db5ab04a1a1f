// Invariants of a tag's tree:
//   every leaf is at the same depth; the root may be a leaf (an empty tag is an empty root leaf);
//   entries are in strictly ascending (key, record number) order across the leaves;
//   each interior key equals the highest key of the child on its left (exact bytes);
//   no node holds more than maxKeys keys; only the root may be an empty leaf after a build, and
//   deletion merges or removes emptied leaves.
// Separators carry no record numbers, so among equal keys the position of a record number is found
// by looking up the highest record number under a child (lastRecNoUnder); appends of the newest
// record skip that look-up.
#include "engine/IndexTag.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace vz::engine {
namespace {

uint32_t get32(const char* p) {
    return uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) | (uint32_t(uint8_t(p[2])) << 16) |
           (uint32_t(uint8_t(p[3])) << 24);
}
void put32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}

int itemLengthFor(int keyLength) { return ((keyLength + 4 + 3) / 4) * 4; }

// The records (0-based) in key order, equal keys in record order. A key of few distinct values (a
// country, a condition) is sorted by counting: the values are sorted, then the records dealt out
// to them in record order. Any other key gets a stable sort of the records.
std::vector<uint32_t> keyOrder(const KeyExpression& e, const std::string& keys, uint32_t records) {
    const size_t kl = size_t(e.length());
    const char* base = keys.data();
    auto less = [&](const char* a, const char* b) {
        return e.type() == KeyType::Character ? std::memcmp(a, b, kl) < 0 : e.compare(a, b) < 0;
    };
    std::vector<uint32_t> order(records);

    constexpr size_t kFewValues = 4096;
    std::unordered_map<std::string_view, uint32_t> ids;  // value -> its number, by first sight
    std::vector<uint32_t> idOf(records);
    for (uint32_t r = 0; r < records && ids.size() <= kFewValues; ++r)
        idOf[r] = ids.try_emplace(std::string_view(base + r * kl, kl), uint32_t(ids.size())).first->second;
    if (ids.size() <= kFewValues) {
        std::vector<const char*> value(ids.size());
        for (const auto& [v, id] : ids) value[id] = v.data();
        std::vector<uint32_t> byValue(ids.size());
        std::iota(byValue.begin(), byValue.end(), 0u);
        std::sort(byValue.begin(), byValue.end(), [&](uint32_t a, uint32_t b) { return less(value[a], value[b]); });
        // Values that compare equal (a number written two ways) share a slot.
        std::vector<uint32_t> slot(ids.size());
        uint32_t slots = 0;
        for (size_t i = 0; i < byValue.size(); ++i) {
            if (i == 0 || less(value[byValue[i - 1]], value[byValue[i]])) ++slots;
            slot[byValue[i]] = slots - 1;
        }
        std::vector<uint32_t> next(slots + 1, 0);  // where each slot's next record goes
        for (uint32_t r = 0; r < records; ++r) ++next[slot[idOf[r]] + 1];
        std::partial_sum(next.begin(), next.end(), next.begin());
        for (uint32_t r = 0; r < records; ++r) order[next[slot[idOf[r]]]++] = r;
        return order;
    }

    std::vector<uint32_t>().swap(idOf);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return less(base + a * kl, base + b * kl); });
    return order;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening and building

Result<std::unique_ptr<IndexTag>> IndexTag::open(MdxFile& mdx, const MdxFile::TagEntry& entry,
                                                 std::unique_ptr<KeyExpression> expression) {
    Result<MdxFile::TagHeader> h = mdx.readTagHeader(entry.headerPage);
    if (!h) return h.status();
    if (expression && (expression->length() != h->keyLength || char(expression->type()) != h->keyType))
        return Status::corruption(mdx.path() + ": tag " + entry.name + " holds keys of " +
                                  std::to_string(h->keyLength) + " bytes, but its expression \"" + h->expression +
                                  "\" gives " + std::to_string(expression->length()) + ".");
    return std::unique_ptr<IndexTag>(new IndexTag(mdx, entry, std::move(h.value()), std::move(expression)));
}

Result<std::unique_ptr<IndexTag>> IndexTag::build(MdxFile& mdx, const std::string& name,
                                                  std::unique_ptr<KeyExpression> expr, bool plainField,
                                                  const std::string& keys, uint32_t records) {
    const int kl = expr->length();
    MdxFile::TagHeader h;
    h.keyType = char(expr->type());
    h.keyLength = uint16_t(kl);
    h.itemLength = uint16_t(itemLengthFor(kl));
    h.maxKeys = uint16_t((MdxFile::kBlockSize - 12) / h.itemLength);
    h.expression = KeyExpression::canonicalSpelling(expr->text());
    h.keyFormat = plainField ? 0x10 : 0x00;

    const std::vector<uint32_t> order = keyOrder(*expr, keys, records);
    const char* base = keys.data();

    Result<uint32_t> headerPage = mdx.allocateBlock();
    if (!headerPage) return headerPage.status();

    // Fill one level of nodes, spreading `count` items evenly over as few nodes as hold them.
    struct Child {
        uint32_t page;
        uint32_t highest;  // index into `order` of the highest entry below
    };
    const int item = h.itemLength;
    std::string batch;
    auto flush = [&](uint32_t firstPage) -> Status {
        Status s = mdx.writeBlocks(firstPage, batch.data(), uint32_t(batch.size() / MdxFile::kBlockSize));
        batch.clear();
        return s;
    };

    std::vector<Child> level;
    {
        const uint32_t perNode = h.maxKeys;
        const uint32_t nodes = std::max<uint32_t>(1, (records + perNode - 1) / perNode);
        const uint32_t first = mdx.reserveAtEnd(nodes);
        uint32_t batchFirst = first;
        uint32_t at = 0;
        for (uint32_t n = 0; n < nodes; ++n) {
            const uint32_t count = records / nodes + (n < records % nodes ? 1 : 0);
            char block[MdxFile::kBlockSize] = {};
            put32(block, count);
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t r = order[at + i];
                char* it = block + 8 + size_t(i) * item;
                put32(it, r + 1);
                std::memcpy(it + 4, base + size_t(r) * kl, size_t(kl));
            }
            at += count;
            const uint32_t page = first + n * MdxFile::kPagesPerBlock;
            level.push_back({page, at == 0 ? 0 : at - 1});
            batch.append(block, sizeof block);
            if (batch.size() >= (1u << 20)) {
                VZ_RETURN_IF_ERROR(flush(batchFirst));
                batchFirst = page + MdxFile::kPagesPerBlock;
            }
        }
        if (!batch.empty()) VZ_RETURN_IF_ERROR(flush(batchFirst));
    }
    while (level.size() > 1) {
        const uint32_t perNode = uint32_t(h.maxKeys) + 1;  // children per interior node
        const uint32_t children = uint32_t(level.size());
        const uint32_t nodes = (children + perNode - 1) / perNode;
        const uint32_t first = mdx.reserveAtEnd(nodes);
        std::vector<Child> up;
        uint32_t at = 0;
        for (uint32_t n = 0; n < nodes; ++n) {
            const uint32_t count = children / nodes + (n < children % nodes ? 1 : 0);
            char block[MdxFile::kBlockSize] = {};
            put32(block, count - 1);
            for (uint32_t i = 0; i < count; ++i) {
                char* it = block + 8 + size_t(i) * item;
                put32(it, level[at + i].page);
                if (i + 1 < count) std::memcpy(it + 4, base + size_t(order[level[at + i].highest]) * kl, size_t(kl));
            }
            up.push_back({first + n * MdxFile::kPagesPerBlock, level[at + count - 1].highest});
            at += count;
            batch.append(block, sizeof block);
        }
        VZ_RETURN_IF_ERROR(flush(first));
        level = std::move(up);
    }
    h.rootPage = level[0].page;
    h.filePages = mdx.pageCount();
    VZ_RETURN_IF_ERROR(mdx.writeTagHeader(*headerPage, h));
    MdxFile::TagEntry entry{name, *headerPage, h.keyFormat, h.keyType};
    VZ_RETURN_IF_ERROR(mdx.addTag(entry));
    return std::unique_ptr<IndexTag>(new IndexTag(mdx, entry, h, std::move(expr)));
}

Status IndexTag::reload() {
    const int i = mdx_.findTag(entry_.name);
    if (i < 0) return Status::notFound(mdx_.path() + ": the tag " + entry_.name + " is gone.");
    entry_ = mdx_.tags()[size_t(i)];
    Result<MdxFile::TagHeader> h = mdx_.readTagHeader(entry_.headerPage);
    if (!h) return h.status();
    header_ = std::move(h.value());
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Nodes

Result<IndexTag::Node> IndexTag::load(uint32_t page) {
    Result<const char*> b = mdx_.readBlock(page);
    if (!b) return b.status();
    const char* p = *b;
    Node n;
    n.page = page;
    const uint32_t count = get32(p);
    if (count > header_.maxKeys)
        return Status::corruption(mdx_.path() + ": tag " + entry_.name + ", page " + std::to_string(page) + " holds " +
                                  std::to_string(count) + " keys (at most " + std::to_string(header_.maxKeys) + ").");
    n.count = int(count);
    const int item = header_.itemLength, kl = header_.keyLength;
    n.ptr.resize(count + 1);
    n.keys.resize(size_t(count) * kl);
    for (uint32_t i = 0; i < count; ++i) {
        n.ptr[i] = get32(p + 8 + size_t(i) * item);
        std::memcpy(n.keys.data() + size_t(i) * kl, p + 8 + size_t(i) * item + 4, size_t(kl));
    }
    n.ptr[count] = get32(p + 8 + size_t(count) * item);
    if (!n.leaf()) {
        for (uint32_t child : n.ptr)
            if (child < MdxFile::kHeaderPages || child + MdxFile::kPagesPerBlock > mdx_.pageCount() || child == page)
                return Status::corruption(mdx_.path() + ": tag " + entry_.name + ", page " + std::to_string(page) +
                                          " points at page " + std::to_string(child) + ", outside the index.");
    }
    return n;
}

void IndexTag::encode(const Node& n, char* out) const {
    std::memset(out, 0, MdxFile::kBlockSize);
    put32(out, uint32_t(n.count));
    const int item = header_.itemLength, kl = header_.keyLength;
    for (int i = 0; i < n.count; ++i) {
        put32(out + 8 + size_t(i) * item, n.ptr[size_t(i)]);
        std::memcpy(out + 8 + size_t(i) * item + 4, n.keyAt(i, kl), size_t(kl));
    }
    put32(out + 8 + size_t(n.count) * item, n.ptr[size_t(n.count)]);
}

Status IndexTag::store(const Node& n) {
    char block[MdxFile::kBlockSize];
    encode(n, block);
    return mdx_.writeBlock(n.page, block);
}

int IndexTag::compareKeys(const char* a, const char* b) const {
    if (header_.keyType == 'C') return std::memcmp(a, b, header_.keyLength);
    if (header_.keyType == 'D') {
        const double x = KeyExpression::dateKeyValue(a), y = KeyExpression::dateKeyValue(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return KeyExpression::compareNumericKeys(a, b);  // exact, all twenty digits
}

Result<uint32_t> IndexTag::lastRecNoUnder(uint32_t page) {
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (n->leaf()) return n->count == 0 ? 0u : n->ptr[size_t(n->count - 1)];
        page = n->ptr[size_t(n->count)];
    }
    return tooDeep();
}

Result<int> IndexTag::childFor(const Node& n, const char* key, uint32_t recNo, bool newest) {
    int lo = 0, hi = n.count;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        const int c = compareKeys(key, n.keyAt(mid, header_.keyLength));
        bool atOrBefore;
        if (c != 0) {
            atOrBefore = c < 0;
        } else if (newest) {
            atOrBefore = false;
        } else {
            Result<uint32_t> last = lastRecNoUnder(n.ptr[size_t(mid)]);
            if (!last) return last.status();
            atOrBefore = recNo <= *last;
        }
        if (atOrBefore)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

int IndexTag::leafPosition(const Node& n, const char* key, uint32_t recNo) const {
    int lo = 0, hi = n.count;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        int c = compareKeys(n.keyAt(mid, header_.keyLength), key);
        if (c == 0) c = n.ptr[size_t(mid)] < recNo ? -1 : n.ptr[size_t(mid)] > recNo ? 1 : 0;
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

Status IndexTag::setRoot(uint32_t page) {
    header_.rootPage = page;
    header_.filePages = mdx_.pageCount();
    return mdx_.writeTagHeader(entry_.headerPage, header_);
}

Status IndexTag::updateSeparators(const Cursor& c, size_t levels, const char* newHighest) {
    for (size_t l = levels; l-- > 0;) {
        Result<Node> n = load(c.path[l].page);
        if (!n) return n.status();
        const int i = c.path[l].child;
        if (i < n->count) {
            std::memcpy(n->keys.data() + size_t(i) * header_.keyLength, newHighest, header_.keyLength);
            return store(*n);
        }
    }
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Insertion and removal

Status IndexTag::insert(const char* key, uint32_t recNo, bool newest) {
    const int kl = header_.keyLength;
    Cursor c;
    uint32_t page = header_.rootPage;
    Node leaf;
    for (int depth = 0;; ++depth) {
        if (depth > kMaxDepth) return tooDeep();
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (n->leaf()) {
            leaf = std::move(n.value());
            break;
        }
        Result<int> i = childFor(*n, key, recNo, newest);
        if (!i) return i.status();
        c.path.push_back({page, *i});
        page = n->ptr[size_t(*i)];
    }
    const int pos = leafPosition(leaf, key, recNo);
    leaf.keys.insert(size_t(pos) * kl, key, size_t(kl));
    leaf.ptr.insert(leaf.ptr.begin() + pos, recNo);
    ++leaf.count;
    // The new entry is the highest of its leaf: the separators above that bound the leaf rise to
    // it. They rise before the entry is written, so a process killed in between leaves a tree
    // whose bounds are merely loose, and the entry is found missing where it belongs.
    bool newHighest = pos == leaf.count - 1;
    if (leaf.count <= header_.maxKeys) {
        if (newHighest) VZ_RETURN_IF_ERROR(updateSeparators(c, c.path.size(), key));
        return store(leaf);
    }

    // Split the leaf into two new blocks; the tree reaches them through one write of the parent
    // (or of the tag header, for a new root), so a kill before it leaves the old tree whole and
    // the new blocks unused. An entry added at the very end leaves the left node full, so appends
    // in key order fill their nodes.
    std::vector<uint32_t> replaced{leaf.page};
    Node left = std::move(leaf);
    const int split = pos == left.count - 1 ? left.count - 1 : left.count / 2;
    Result<uint32_t> leftPage = mdx_.allocateBlock();
    if (!leftPage) return leftPage.status();
    Result<uint32_t> rightPage = mdx_.allocateBlock();
    if (!rightPage) return rightPage.status();
    left.page = *leftPage;
    Node right;
    right.page = *rightPage;
    right.count = left.count - split;
    right.keys.assign(left.keys, size_t(split) * kl, std::string::npos);
    right.ptr.assign(left.ptr.begin() + split, left.ptr.begin() + left.count);
    right.ptr.push_back(0);
    left.count = split;
    left.keys.resize(size_t(split) * kl);
    left.ptr.resize(size_t(split));
    left.ptr.push_back(0);
    VZ_RETURN_IF_ERROR(store(right));
    VZ_RETURN_IF_ERROR(store(left));
    std::string separator(left.keyAt(left.count - 1, kl), size_t(kl));
    uint32_t newChild = right.page;
    uint32_t newLeft = left.page;
    auto freeReplaced = [&]() -> Status {
        for (uint32_t page : replaced) VZ_RETURN_IF_ERROR(mdx_.freeBlock(page));
        return Status::ok();
    };

    // Carry the separator up, splitting full interior nodes on the way.
    for (size_t l = c.path.size(); l-- > 0;) {
        Result<Node> pn = load(c.path[l].page);
        if (!pn) return pn.status();
        Node& p = *pn;
        const int i = c.path[l].child;
        p.ptr[size_t(i)] = newLeft;
        p.keys.insert(size_t(i) * kl, separator);
        p.ptr.insert(p.ptr.begin() + i + 1, newChild);
        ++p.count;
        if (newHighest && i + 1 < p.count) {
            // The right half's bound is the new entry now; the nodes above keep theirs.
            std::memcpy(p.keys.data() + size_t(i + 1) * kl, key, size_t(kl));
            newHighest = false;
        }
        if (p.count <= header_.maxKeys) {
            if (newHighest) VZ_RETURN_IF_ERROR(updateSeparators(c, l, key));
            VZ_RETURN_IF_ERROR(store(p));
            return freeReplaced();
        }
        // Children 0..m go left, the key m goes up, children m+1.. go right; both new blocks.
        const int m = p.count / 2;
        Result<uint32_t> lp = mdx_.allocateBlock();
        if (!lp) return lp.status();
        Result<uint32_t> rp = mdx_.allocateBlock();
        if (!rp) return rp.status();
        replaced.push_back(p.page);
        Node r;
        r.page = *rp;
        r.count = p.count - m - 1;
        r.keys.assign(p.keys, size_t(m + 1) * kl, std::string::npos);
        r.ptr.assign(p.ptr.begin() + m + 1, p.ptr.end());
        separator.assign(p.keyAt(m, kl), size_t(kl));
        p.page = *lp;
        p.count = m;
        p.keys.resize(size_t(m) * kl);
        p.ptr.resize(size_t(m) + 1);
        VZ_RETURN_IF_ERROR(store(r));
        VZ_RETURN_IF_ERROR(store(p));
        newChild = r.page;
        newLeft = p.page;
    }
    // The root split: a new root over the two halves.
    Result<uint32_t> rootPage = mdx_.allocateBlock();
    if (!rootPage) return rootPage.status();
    Node root;
    root.page = *rootPage;
    root.count = 1;
    root.keys = separator;
    root.ptr = {newLeft, newChild};
    VZ_RETURN_IF_ERROR(store(root));
    VZ_RETURN_IF_ERROR(setRoot(root.page));
    return freeReplaced();
}

Status IndexTag::remove(const char* key, uint32_t recNo) {
    const int kl = header_.keyLength;
    Cursor c;
    std::vector<Node> nodes;  // the path's nodes, root first, the leaf last
    uint32_t page = header_.rootPage;
    for (int depth = 0;; ++depth) {
        if (depth > kMaxDepth) return tooDeep();
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (n->leaf()) {
            nodes.push_back(std::move(n.value()));
            break;
        }
        Result<int> i = childFor(*n, key, recNo, false);
        if (!i) return i.status();
        c.path.push_back({page, *i});
        page = n->ptr[size_t(*i)];
        nodes.push_back(std::move(n.value()));
    }
    Node& leaf = nodes.back();
    const int pos = leafPosition(leaf, key, recNo);
    if (pos >= leaf.count || leaf.ptr[size_t(pos)] != recNo || compareKeys(leaf.keyAt(pos, kl), key) != 0)
        return Status::notFound(mdx_.path() + ": tag " + entry_.name + " has no entry for record " +
                                std::to_string(recNo) + ".");
    leaf.keys.erase(size_t(pos) * kl, size_t(kl));
    leaf.ptr.erase(leaf.ptr.begin() + pos);
    --leaf.count;
    // Blocks the tree no longer reaches go on the free chain only after the write unlinking them.
    std::vector<uint32_t> unlinked;
    auto freeUnlinked = [&]() -> Status {
        for (uint32_t p : unlinked) VZ_RETURN_IF_ERROR(mdx_.freeBlock(p));
        unlinked.clear();
        return Status::ok();
    };
    int bound = -1;  // the lowest level whose separator bounds the leaf, when its highest key went
    if (pos == leaf.count && leaf.count > 0)
        for (size_t l = c.path.size(); l-- > 0;)
            if (c.path[l].child < nodes[l].count) {
                bound = int(l);
                break;
            }
    if (bound < 0) {
        VZ_RETURN_IF_ERROR(store(leaf));
    } else {
        // The leaf and its separator change together: the leaf and the levels between go to new
        // blocks, and the one write of the separator's node links them in.
        for (size_t l = nodes.size(); l-- > size_t(bound) + 1;) {
            Result<uint32_t> fresh = mdx_.allocateBlock();
            if (!fresh) return fresh.status();
            unlinked.push_back(nodes[l].page);
            nodes[l].page = *fresh;
            if (l + 1 < nodes.size()) nodes[l].ptr[size_t(c.path[l].child)] = nodes[l + 1].page;
            VZ_RETURN_IF_ERROR(store(nodes[l]));
        }
        Node& n = nodes[size_t(bound)];
        const int i = c.path[size_t(bound)].child;
        std::memcpy(n.keys.data() + size_t(i) * kl, leaf.keyAt(leaf.count - 1, kl), size_t(kl));
        n.ptr[size_t(i)] = nodes[size_t(bound) + 1].page;
        VZ_RETURN_IF_ERROR(store(n));
        VZ_RETURN_IF_ERROR(freeUnlinked());
    }

    // Merge an underfull node with a sibling while both fit in one node, upwards. The merged node
    // is a new block, which the one write of the parent links in place of the two; a kill before
    // that write leaves the old tree whole and the new block unused.
    for (size_t l = c.path.size(); l-- > 0;) {
        Node& parent = nodes[l];
        Node& child = nodes[l + 1];
        if (child.count >= header_.maxKeys / 2) break;
        const int i = c.path[l].child;
        const bool leafLevel = child.leaf();
        int a = -1;  // merge children a and a + 1 of parent
        Node sibling;
        for (int candidate : {i, i - 1}) {
            if (candidate < 0 || candidate >= parent.count) continue;
            const int other = candidate == i ? i + 1 : i - 1;
            Result<Node> s = load(parent.ptr[size_t(other)]);
            if (!s) return s.status();
            const int merged = child.count + s->count + (leafLevel ? 0 : 1);
            if (merged <= header_.maxKeys) {
                a = candidate;
                sibling = std::move(s.value());
                break;
            }
        }
        if (a < 0) break;
        Node lo = a == i ? child : sibling;
        const Node& hi = a == i ? sibling : child;
        unlinked.push_back(lo.page);
        unlinked.push_back(hi.page);
        if (!leafLevel) lo.keys.append(parent.keyAt(a, kl), size_t(kl));
        lo.keys += hi.keys;
        if (leafLevel) lo.ptr.pop_back();  // a leaf's closing 0; an interior node's last child stays
        lo.ptr.insert(lo.ptr.end(), hi.ptr.begin(), hi.ptr.end());
        lo.count += hi.count + (leafLevel ? 0 : 1);
        Result<uint32_t> fresh = mdx_.allocateBlock();
        if (!fresh) return fresh.status();
        lo.page = *fresh;
        VZ_RETURN_IF_ERROR(store(lo));
        parent.keys.erase(size_t(a) * kl, size_t(kl));
        parent.ptr.erase(parent.ptr.begin() + a + 1);
        parent.ptr[size_t(a)] = lo.page;
        --parent.count;
        if (l == 0 && parent.count == 0) {
            // The root kept a single child: that child becomes the root.
            VZ_RETURN_IF_ERROR(setRoot(lo.page));
            unlinked.push_back(parent.page);
            return freeUnlinked();
        }
        VZ_RETURN_IF_ERROR(store(parent));
        VZ_RETURN_IF_ERROR(freeUnlinked());
        nodes[l + 1] = std::move(lo);  // keep the path's node current for the level above
        c.path[l].child = a;
    }
    return Status::ok();
}

Status IndexTag::release() {
    std::vector<uint32_t> stack{header_.rootPage}, pages;
    while (!stack.empty()) {
        const uint32_t page = stack.back();
        stack.pop_back();
        pages.push_back(page);
        if (pages.size() > mdx_.pageCount()) return Status::corruption(mdx_.path() + ": tag " + entry_.name + " has a cycle.");
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (!n->leaf()) stack.insert(stack.end(), n->ptr.begin(), n->ptr.end());
    }
    for (uint32_t page : pages) VZ_RETURN_IF_ERROR(mdx_.freeBlock(page));
    return mdx_.freeBlock(entry_.headerPage);
}

// ---------------------------------------------------------------------------------------------
// Cursors

Status IndexTag::descendLeftmost(Cursor& c, uint32_t page) {
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (n->leaf()) {
            c.leafPage = page;
            c.pos = n->count > 0 ? 0 : -1;
            return Status::ok();
        }
        c.path.push_back({page, 0});
        page = n->ptr[0];
    }
    return tooDeep();
}

Status IndexTag::descendRightmost(Cursor& c, uint32_t page) {
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (n->leaf()) {
            c.leafPage = page;
            c.pos = n->count - 1;
            return Status::ok();
        }
        c.path.push_back({page, n->count});
        page = n->ptr[size_t(n->count)];
    }
    return tooDeep();
}

Status IndexTag::first(Cursor& c) {
    c = Cursor{};
    VZ_RETURN_IF_ERROR(descendLeftmost(c, header_.rootPage));
    if (c.valid()) return Status::ok();
    // An emptied leaf at the front: move on to the first entry.
    c.pos = 0;
    Result<bool> moved = next(c);
    if (!moved) return moved.status();
    if (!*moved) c = Cursor{};
    return Status::ok();
}

Status IndexTag::last(Cursor& c) {
    c = Cursor{};
    VZ_RETURN_IF_ERROR(descendRightmost(c, header_.rootPage));
    if (c.valid()) return Status::ok();
    c.pos = 0;
    Result<bool> moved = prior(c);
    if (!moved) return moved.status();
    if (!*moved) c = Cursor{};
    return Status::ok();
}

Result<int> IndexTag::leafCount(uint32_t page) {
    Result<const char*> b = mdx_.readBlock(page);
    if (!b) return b.status();
    const uint32_t count = get32(*b);
    if (count > header_.maxKeys)
        return Status::corruption(mdx_.path() + ": tag " + entry_.name + ", page " + std::to_string(page) + " holds " +
                                  std::to_string(count) + " keys (at most " + std::to_string(header_.maxKeys) + ").");
    return int(count);
}

Result<bool> IndexTag::next(Cursor& c) {
    // Within the leaf, straight from the cached block.
    Result<int> count = leafCount(c.leafPage);
    if (!count) return count.status();
    if (c.pos + 1 < *count) {
        ++c.pos;
        return true;
    }
    Cursor probe = c;
    while (!probe.path.empty()) {
        Cursor::Level& up = probe.path.back();
        Result<Node> n = load(up.page);
        if (!n) return n.status();
        if (up.child < n->count) {
            ++up.child;
            VZ_RETURN_IF_ERROR(descendLeftmost(probe, n->ptr[size_t(up.child)]));
            if (probe.valid()) {
                c = std::move(probe);
                return true;
            }
            continue;  // an empty leaf: keep going
        }
        probe.path.pop_back();
    }
    return false;
}

Result<bool> IndexTag::stepInLeaf(Cursor& c, int step) {
    Result<int> count = leafCount(c.leafPage);
    if (!count) return count.status();
    const int to = c.pos + step;
    if (c.pos < 0 || to < 0 || to >= *count) return false;
    c.pos = to;
    return true;
}

Result<bool> IndexTag::prior(Cursor& c) {
    if (c.pos > 0) {
        --c.pos;
        return true;
    }
    Cursor probe = c;
    while (!probe.path.empty()) {
        Cursor::Level& up = probe.path.back();
        if (up.child > 0) {
            Result<Node> n = load(up.page);
            if (!n) return n.status();
            --up.child;
            VZ_RETURN_IF_ERROR(descendRightmost(probe, n->ptr[size_t(up.child)]));
            if (probe.valid()) {
                c = std::move(probe);
                return true;
            }
            continue;
        }
        probe.path.pop_back();
    }
    return false;
}

Result<bool> IndexTag::seek(Cursor& c, const char* key, uint32_t recNo) {
    c = Cursor{};
    uint32_t page = header_.rootPage;
    for (int depth = 0;; ++depth) {
        if (depth > kMaxDepth) return tooDeep();
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (n->leaf()) {
            c.leafPage = page;
            const int pos = leafPosition(*n, key, recNo);
            if (pos < n->count) {
                c.pos = pos;
                return n->ptr[size_t(pos)] == recNo && compareKeys(n->keyAt(pos, header_.keyLength), key) == 0;
            }
            // Past this leaf's end: the answer is the next leaf's first entry.
            c.pos = n->count - 1;
            if (n->count == 0) c.pos = 0;
            Result<bool> moved = next(c);
            if (!moved) return moved.status();
            if (!*moved) c = Cursor{};
            return false;
        }
        Result<int> i = childFor(*n, key, recNo, false);
        if (!i) return i.status();
        c.path.push_back({page, *i});
        page = n->ptr[size_t(*i)];
    }
}

Result<uint32_t> IndexTag::recNo(const Cursor& c) {
    // One look-up of the leaf for both its count and the entry.
    Result<const char*> b = mdx_.readBlock(c.leafPage);
    if (!b) return b.status();
    const uint32_t count = get32(*b);
    if (count > header_.maxKeys) return leafCount(c.leafPage).status();  // the message names the defect
    if (c.pos < 0 || uint32_t(c.pos) >= count)
        return Status::corruption(mdx_.path() + ": tag " + entry_.name + " changed under the cursor.");
    return get32(*b + 8 + size_t(c.pos) * header_.itemLength);
}

Result<std::string> IndexTag::key(const Cursor& c) {
    Result<Node> n = load(c.leafPage);
    if (!n) return n.status();
    if (c.pos < 0 || c.pos >= n->count)
        return Status::corruption(mdx_.path() + ": tag " + entry_.name + " changed under the cursor.");
    return std::string(n->keyAt(c.pos, header_.keyLength), size_t(header_.keyLength));
}

// ---------------------------------------------------------------------------------------------
// Checking

Status IndexTag::collect(std::vector<uint32_t>& out,
                         const std::function<void(const char* key, uint32_t recNo)>& visit) {
    std::vector<bool> seen(mdx_.pageCount() + 1, false);
    const std::string who = mdx_.path() + ": tag " + entry_.name;
    std::function<Status(uint32_t, int)> visitNode = [&](uint32_t page, int depth) -> Status {
        if (depth > kMaxDepth) return tooDeep();
        if (page >= seen.size() || seen[page])
            return Status::corruption(who + ": page " + std::to_string(page) +
                                      " is reached twice.");
        seen[page] = true;
        Result<const char*> b = mdx_.readBlock(page);
        if (!b) return b.status();
        const char* p = *b;
        const uint32_t count = get32(p);
        if (count > header_.maxKeys)
            return Status::corruption(who + ", page " + std::to_string(page) + " holds " + std::to_string(count) +
                                      " keys (at most " + std::to_string(header_.maxKeys) + ").");
        const size_t item = size_t(header_.itemLength);
        if (get32(p + 8 + count * item) == 0) {  // a leaf
            for (uint32_t i = 0; i < count; ++i) {
                out.push_back(get32(p + 8 + i * item));
                if (visit) visit(p + 8 + i * item + 4, out.back());
            }
            return Status::ok();
        }
        // The block buffer is reused by the reads below: take the pointers first.
        Result<Node> n = load(page);
        if (!n) return n.status();
        for (uint32_t child : n->ptr) VZ_RETURN_IF_ERROR(visitNode(child, depth + 1));
        return Status::ok();
    };
    return visitNode(header_.rootPage, 0);
}

Status IndexTag::walk(const std::function<void(std::string)>& report,
                      const std::function<void(const char* key, uint32_t recNo)>& visit,
                      std::vector<uint32_t>* pages) {
    const int kl = header_.keyLength;
    const std::string who = mdx_.path() + ": tag " + entry_.name;
    std::vector<bool> seen(mdx_.pageCount() + 1, false);
    std::string prevKey;
    uint32_t prevRec = 0;
    bool any = false;
    int leafDepth = -1;
    // Returns the highest key under `page` (empty when none). The depth is bounded, so the
    // recursion is too.
    std::function<Result<std::string>(uint32_t, int)> visitNode =
        [&](uint32_t page, int depth) -> Result<std::string> {
        if (depth > kMaxDepth)
            return Status::corruption(who + " is more than " + std::to_string(kMaxDepth) +
                                      " levels deep at page " + std::to_string(page) +
                                      "; no sound tree is.");
        if (page >= seen.size() || seen[page])
            return Status::corruption(who + ": page " + std::to_string(page) + " is reached twice.");
        seen[page] = true;
        if ((page - MdxFile::kHeaderPages) % MdxFile::kPagesPerBlock != 0)
            report(who + ": page " + std::to_string(page) + " does not start a block.");
        if (pages) pages->push_back(page);
        Result<Node> n = load(page);
        if (!n) return n.status();
        if (n->leaf()) {
            if (leafDepth < 0) leafDepth = depth;
            if (depth != leafDepth)
                report(who + ": leaf page " + std::to_string(page) + " is at depth " +
                       std::to_string(depth) + ", others at " + std::to_string(leafDepth) + ".");
            for (int i = 0; i < n->count; ++i) {
                const char* k = n->keyAt(i, kl);
                const uint32_t r = n->ptr[size_t(i)];
                if (any) {
                    int c = compareKeys(prevKey.data(), k);
                    if (c > 0 || (c == 0 && prevRec >= r))
                        report(who + ": page " + std::to_string(page) + " holds record " +
                               std::to_string(r) + " out of order.");
                }
                prevKey.assign(k, size_t(kl));
                prevRec = r;
                any = true;
                if (visit) visit(k, r);
            }
            if (n->count == 0) return std::string();
            return std::string(n->keyAt(n->count - 1, kl), size_t(kl));
        }
        std::string highest;
        for (int i = 0; i <= n->count; ++i) {
            Result<std::string> h = visitNode(n->ptr[size_t(i)], depth + 1);
            if (!h) return h.status();
            if (i < n->count && !h->empty() &&
                std::memcmp(h->data(), n->keyAt(i, kl), size_t(kl)) != 0)
                report(who + ": page " + std::to_string(page) + " key " + std::to_string(i + 1) +
                       " is not the highest key of its left child.");
            if (!h->empty()) highest = *h;
        }
        return highest;
    };
    Result<std::string> top = visitNode(header_.rootPage, 0);
    return top.status();
}

Result<bool> IndexTag::contains(const char* key, uint32_t recNo) {
    Cursor c;
    return seek(c, key, recNo);
}

Result<bool> IndexTag::usesPage(uint32_t page) {
    if (page == header_.rootPage) return true;
    // A block that does not read as a node of this tag, or an empty one (only a root is empty),
    // is no node of it.
    Result<Node> n = load(page);
    if (!n || n->count == 0) return false;
    Node lowest = std::move(n.value());
    for (int depth = 0; !lowest.leaf(); ++depth) {
        if (depth > kMaxDepth) return false;
        Result<Node> child = load(lowest.ptr[0]);
        if (!child || child->count == 0) return false;
        lowest = std::move(child.value());
    }
    const std::string key(lowest.keyAt(0, header_.keyLength), size_t(header_.keyLength));
    const uint32_t recNo = lowest.ptr[0];
    uint32_t p = header_.rootPage;
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        if (p == page) return true;
        Result<Node> node = load(p);
        if (!node) return node.status();
        if (node->leaf()) return false;
        Result<int> i = childFor(*node, key.data(), recNo, false);
        if (!i) return i.status();
        p = node->ptr[size_t(*i)];
    }
    return tooDeep();
}

Status IndexTag::tooDeep() const {
    return Status::corruption(mdx_.path() + ": tag " + entry_.name + " is more than " +
                              std::to_string(kMaxDepth) +
                              " levels deep (a loop or a damaged chain of nodes).");
}

}  // namespace vz::engine
