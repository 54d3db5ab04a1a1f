// The production index of a Table: opening and checking it, ordered navigation, and keeping every
// tag true as records are appended and changed.
//
// Invariants:
//   mdx_ is null when the table has no usable production index (no flag, no file, or a file that
//   failed its checks; indexProblem_ then says why and the next exclusive open regenerates it);
//   tags_ holds one IndexTag per tag of mdx_, in its order; active_ indexes tags_ or is -1;
//   when cursorValid_ and active_ >= 0, cursor_ sits on the entry of record cur_;
//   every record of the table, deleted ones included, has one entry in every tag.
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "engine/Locking.h"
#include "engine/SharedHeaderLock.h"
#include "engine/Table.h"

namespace vz::engine {
namespace {

// The longest run of missing entries at the end of a tag that an open or an append makes good
// one by one; a longer one is no interrupted append, and the index counts as out of date.
constexpr uint32_t kMaxCatchUp = 10000;
static_assert(Table::kMaxAppendBatch <= kMaxCatchUp,
              "a killed batch must leave a tail the next open catches up with");

std::string upperAscii(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return u;
}

// True when the expression is one field's name and nothing else.
bool isPlainField(const KeyExpression& e, const std::vector<Field>& fields) {
    if (e.fieldsUsed().size() != 1) return false;
    std::string_view t = e.text();
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return upperAscii(t) == upperAscii(fields[size_t(e.fieldsUsed().front())].name);
}

// What every pass says of a record without an entry carrying its key, wherever it meets one.
std::string outOfDate(const std::string& mdxPath, const std::string& tag, uint32_t recNo) {
    return mdxPath + ": tag " + tag + " has no entry for record " + std::to_string(recNo) +
           "; the index is out of date.";
}

}  // namespace

std::string Table::indexPath() const { return mdxPathFor(path_); }

std::vector<std::string> Table::tagNames() const {
    std::vector<std::string> names;
    for (const auto& t : tags_) names.push_back(t->name());
    return names;
}

bool Table::hasTag(std::string_view name) const { return findTag(name) >= 0; }

std::string Table::tagExpression(std::string_view name) const {
    const int i = findTag(name);
    return i < 0 ? std::string() : tags_[size_t(i)]->header().expression;
}

int Table::findTag(std::string_view name) const {
    const std::string u = upperAscii(name);
    for (size_t i = 0; i < tags_.size(); ++i)
        if (upperAscii(tags_[i]->name()) == u) return int(i);
    return -1;
}

std::string Table::activeTag() const { return active_ >= 0 ? tags_[size_t(active_)]->name() : std::string(); }

Status Table::openIndex(bool mayCatchUp) {
    indexBehind_ = false;
    mdx_.reset();
    tags_.clear();
    active_ = -1;
    indexProblem_.clear();
    writeRefusal_.clear();
    rebuildTags_.clear();
    if (header_.mdxFlag == 0) return Status::ok();
    std::string mdxPath = indexPath();
    if (!fileExists(mdxPath)) {
        // A table moved from another system may carry its index in the other letter case.
        std::string alt = mdxPath;
        const size_t dot = alt.rfind('.');
        for (size_t i = dot; i < alt.size(); ++i) alt[i] = char(std::islower(uint8_t(alt[i])) ? std::toupper(uint8_t(alt[i])) : std::tolower(uint8_t(alt[i])));
        if (!fileExists(alt)) {
            indexProblem_ = who() + ": the production index " + mdxPath + " is missing.";
            return Status::ok();
        }
        mdxPath = alt;
    }
    Result<std::unique_ptr<MdxFile>> m = MdxFile::open(mdxPath, !readOnly());
    std::string cannotWrite;
    if (!m && !readOnly() && m.status().code() == Status::Code::IOError) {
        // We may write the table but not its index (another user's file): read it, write nothing.
        cannotWrite = m.status().message();
        m = MdxFile::open(mdxPath, false);
    }
    auto refuseWrites = [&] {
        if (!cannotWrite.empty())
            writeRefusal_ = who() + ": its production index cannot be written (" + cannotWrite +
                            "). The table can be read but not changed.";
    };
    if (!m) {
        indexProblem_ = m.status().message();
        refuseWrites();
        return Status::ok();
    }
    mdx_ = std::move(m.value());
    for (const MdxFile::TagEntry& e : mdx_->tags()) {
        Result<MdxFile::TagHeader> h = mdx_->readTagHeader(e.headerPage);
        if (!h) {
            indexProblem_ = h.status().message();
            break;
        }
        Result<KeyExpression> expr = KeyExpression::parse(h->expression, header_.fields, *codePage_);
        std::unique_ptr<KeyExpression> owned;
        if (expr) {
            owned = std::make_unique<KeyExpression>(std::move(expr.value()));
        } else if (writeRefusal_.empty()) {
            writeRefusal_ = who() + ": the index tag " + e.name + " has the key expression \"" + h->expression +
                            "\", which this program cannot keep up to date (" + expr.status().message() +
                            "). The table can be read but not changed.";
        }
        Result<std::unique_ptr<IndexTag>> tag = IndexTag::open(*mdx_, e, std::move(owned));
        if (!tag) {
            indexProblem_ = tag.status().message();
            break;
        }
        tags_.push_back(std::move(tag.value()));
    }
    if (indexProblem_.empty() && mdx_ && header_.recordCount > 0 && writeRefusal_.empty() &&
        cannotWrite.empty()) {
        // An append killed between its record and its index entries leaves the tags short of the
        // last records: make them good, or leave that to an opener holding the header's write lock.
        Result<bool> behind = tailBehind(header_.recordCount);
        if (!behind) {
            indexProblem_ = behind.status().message();
        } else if (*behind && !readOnly() && !mayCatchUp) {
            indexBehind_ = true;
            return Status::ok();
        } else if (*behind && !readOnly()) {
            Result<bool> caught = catchUpTail(header_.recordCount);
            if (!caught) indexProblem_ = caught.status().message();
        }
    }
    guardFreeChain();
    if (indexProblem_.empty()) indexProblem_ = sampleIndex();
    if (!indexProblem_.empty()) {
        for (const auto& t : tags_) rebuildTags_.emplace_back(t->name(), t->header().expression);
        tags_.clear();
        mdx_.reset();
        writeRefusal_.clear();
    }
    refuseWrites();
    return Status::ok();
}

void Table::guardFreeChain() {
    if (!mdx_) return;
    mdx_->setInUseTest([this](uint32_t page) -> Result<bool> {
        for (const MdxFile::TagEntry& e : mdx_->tags())
            if (e.headerPage == page) return true;
        for (const auto& t : tags_) {
            Result<bool> used = t->usesPage(page);
            if (!used || *used) return used;
        }
        return false;
    });
}

Status Table::catchUpShared() {
    indexBehind_ = false;
    auto giveUp = [&](const std::string& why) {
        indexProblem_ =
            who() +
            ": the production index lacks the last records and could not be brought up to date (" +
            why + ").";
        for (const auto& t : tags_) rebuildTags_.emplace_back(t->name(), t->header().expression);
        tags_.clear();
        mdx_.reset();
        return Status::ok();
    };
    Status l = file_.lock(locking::kHeader, 1, File::LockKind::Write, locking::kWaitMs);
    if (!l) return giveUp(l.message());
    ++headerHeld_;
    // Everything again under the write lock: another opener may have caught up meanwhile.
    Status s = loadHeader();
    if (s) s = openIndex(true);
    --headerHeld_;
    file_.unlock(locking::kHeader, 1);
    return s;
}

Status Table::readRecordFresh(uint32_t recNo, std::string& out) const {
    out.resize(header_.recordLength);
    return file_.readAt(header_.dataOffset(recNo), out.data(), out.size());
}

Result<uint32_t> Table::fileRecordCount() const {
    if (mode_ == OpenMode::Exclusive) return header_.recordCount;
    char count[4];
    VZ_RETURN_IF_ERROR(file_.readAt(4, count, sizeof count));
    return uint32_t(uint8_t(count[0])) | (uint32_t(uint8_t(count[1])) << 8) |
           (uint32_t(uint8_t(count[2])) << 16) | (uint32_t(uint8_t(count[3])) << 24);
}

Result<bool> Table::tailBehind(uint32_t upTo) {
    std::string rec, key;
    VZ_RETURN_IF_ERROR(readRecordFresh(upTo, rec));
    for (const auto& tag : tags_) {
        const KeyExpression* e = tag->expression();
        if (e == nullptr) continue;
        key.resize(size_t(e->length()));
        e->evaluate(rec.data(), key.data());
        Result<bool> found = tag->contains(key.data(), upTo);
        if (!found) return found.status();
        if (!*found) return true;
    }
    return false;
}

Result<bool> Table::catchUpTail(uint32_t upTo) {
    std::string rec, key;
    bool changed = false;
    for (const auto& tag : tags_) {
        const KeyExpression* e = tag->expression();
        if (e == nullptr) continue;
        key.resize(size_t(e->length()));
        auto has = [&](uint32_t r) -> Result<bool> {
            VZ_RETURN_IF_ERROR(readRecordFresh(r, rec));
            e->evaluate(rec.data(), key.data());
            return tag->contains(key.data(), r);
        };
        Result<bool> last = has(upTo);
        if (!last) return last.status();
        if (*last) continue;
        // Entries are missing only at the end: find the first record without one.
        uint32_t lo = 0, hi = upTo;  // record lo has an entry (0: none needed), record hi has none
        while (hi - lo > 1) {
            const uint32_t mid = lo + (hi - lo) / 2;
            Result<bool> found = has(mid);
            if (!found) return found.status();
            (*found ? lo : hi) = mid;
        }
        if (upTo - hi + 1 > kMaxCatchUp) return false;
        // A record another program changed without the index also lacks its entry: make sure no
        // entry names a record of the tail before adding any.
        std::vector<uint32_t> present;
        VZ_RETURN_IF_ERROR(tag->collect(present));
        for (uint32_t r : present)
            if (r >= hi) return false;
        for (uint32_t r = hi; r <= upTo; ++r) {
            VZ_RETURN_IF_ERROR(readRecordFresh(r, rec));
            e->evaluate(rec.data(), key.data());
            VZ_RETURN_IF_ERROR(tag->insert(key.data(), r, false));
        }
        changed = true;
    }
    if (changed) VZ_RETURN_IF_ERROR(mdx_->writeHeader());
    cursorValid_ = false;
    return true;
}

Status Table::outOfMemory(const std::string& what) const {
    return Status::invalid(who() + ": there is not enough memory to " + what + " its " +
                           std::to_string(header_.recordCount) + " records.");
}

Status Table::checkMemory(uint64_t bytes, const std::string& what) const {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return Status::ok();
    const uint64_t memory = uint64_t(pages) * uint64_t(pageSize);
    if (bytes <= memory / 2) return Status::ok();
    return Status::invalid(who() + ": to " + what + " its " + std::to_string(header_.recordCount) +
                           " records would take about " + std::to_string(bytes >> 20) +
                           " MB of memory, more than this computer (" +
                           std::to_string(memory >> 20) + " MB) can give.");
}

Status Table::progress(uint64_t done, uint64_t total) const {
    if (!progress_ || progress_(done, total)) return Status::ok();
    return Status::invalid(who() + ": stopped on request after " + std::to_string(done) + " of " +
                           std::to_string(total) + " records; nothing was changed by the pass.");
}

// Looks up the keys of a few records spread over the table, the last one included, in every tag;
// a tag left behind by a program that changed the table without it fails here.
std::string Table::sampleIndex() {
    const uint32_t n = header_.recordCount;
    if (n == 0) return {};
    std::vector<uint32_t> sample{n};
    for (uint32_t k = 1; k < 16; ++k) sample.push_back(std::max<uint32_t>(1, uint32_t(uint64_t(n) * k / 16)));
    std::string key;
    for (const auto& tag : tags_) {
        const KeyExpression* e = tag->expression();
        if (e == nullptr) continue;
        key.resize(size_t(e->length()));
        for (uint32_t r : sample) {
            Status s;
            const char* p = recordPtr(r, s);
            if (p == nullptr) return s.message();
            e->evaluate(p, key.data());
            IndexTag::Cursor c;
            Result<bool> found = tag->seek(c, key.data(), r);
            if (!found) return found.status().message();
            if (!*found) return outOfDate(mdx_->path(), tag->name(), r);
        }
    }
    return {};
}

Status Table::setOrder(std::string_view tag) {
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    if (tag.empty()) {
        active_ = -1;
        return first();
    }
    const int i = findTag(tag);
    if (i < 0) {
        if (!indexProblem_.empty()) return Status::corruption(indexProblem_);
        return Status::notFound(who() + ": there is no index tag " + std::string(tag) + ".");
    }
    if (tags_[size_t(i)]->expression() == nullptr)
        return Status::notSupported(who() + ": the key expression of tag " + tags_[size_t(i)]->name() +
                                    " cannot be evaluated.");
    active_ = i;
    cursorValid_ = false;
    return first();
}

// ---------------------------------------------------------------------------------------------
// Ordered navigation

Status Table::placeCursor() {
    if (cursorValid_) return Status::ok();
    cursor_ = IndexTag::Cursor{};
    if (cur_ == 0) return Status::ok();
    IndexTag& tag = *tags_[size_t(active_)];
    // The key of the record as the file holds it now: another program may have changed it since
    // we read it, and the index with it.
    std::string fresh;
    const char* p = nullptr;
    if (mode_ == OpenMode::Shared) {
        VZ_RETURN_IF_ERROR(readRecordFresh(cur_, fresh));
        p = fresh.data();
    } else {
        Status s;
        p = recordPtr(cur_, s);
        if (p == nullptr) return s;
    }
    std::string key(size_t(tag.keyLength()), ' ');
    tag.expression()->evaluate(p, key.data());
    Result<bool> found = tag.seek(cursor_, key.data(), cur_);
    if (!found) return found.status();
    if (!*found) return indexOutOfDate(tag, cur_);
    cursorValid_ = true;
    return Status::ok();
}

// Moves the cursor from where it is in direction `step` (+1, -1) to the first acceptable record,
// or, with `fromEnd`, starts at the first (step +1) or last (step -1) entry. Answers the record,
// 0 when none; the cursor stays on the answer (or where it was when there is none).
Result<uint32_t> Table::orderedScan(int step, bool fromEnd) {
    if (mode_ == OpenMode::Shared && !fromEnd && cursorValid_ && headerHeld_ == 0) {
        Result<uint32_t> quick = stepWithinLeaf(step);
        if (!quick) return quick.status();
        if (*quick != 0) return *quick;
    }
    // Writers in other programs change the tree under the header lock: every step reads it under
    // the lock's read side, from the tree as it is now, and finds the current entry again.
    SharedHeaderLock consistent(*this);
    VZ_RETURN_IF_ERROR(consistent.status());
    uint32_t appended = header_.recordCount;  // records others appended since our count
    if (consistent.outermost()) {
        VZ_RETURN_IF_ERROR(reloadIndexForWrite());
        Result<uint32_t> n = fileRecordCount();
        if (!n) return n.status();
        appended = std::max(appended, *n);
    }
    IndexTag& tag = *tags_[size_t(active_)];
    IndexTag::Cursor c;
    if (fromEnd) {
        VZ_RETURN_IF_ERROR(step > 0 ? tag.first(c) : tag.last(c));
        if (!c.valid()) return 0u;
    } else {
        VZ_RETURN_IF_ERROR(placeCursor());
        if (!cursorValid_) return 0u;
        // Step the cursor itself rather than a copy: when no record is found it no longer sits on
        // the current record, and the next placeCursor() finds that record's entry again.
        c = std::move(cursor_);
        cursorValid_ = false;
        Result<bool> moved = step > 0 ? tag.next(c) : tag.prior(c);
        if (!moved) return moved.status();
        if (!*moved) {
            cursor_ = std::move(c);  // next() and prior() leave it where it was at the end
            cursorValid_ = true;
            return 0u;
        }
    }
    Status status;
    for (;;) {
        Result<uint32_t> r = tag.recNo(c);
        if (!r) return r.status();
        if (*r == 0 || *r > appended)
            return Status::corruption(indexPath() + ": tag " + tag.name() + " points at record " +
                                      std::to_string(*r) + " of a table of " +
                                      std::to_string(appended) + ".");
        // A record appended since our count shows after the next refresh().
        if (*r <= header_.recordCount && acceptable(*r, status)) {
            // The entry must carry the key of the record as the file holds it now, or the order
            // shown would be wrong.
            Result<std::string> entryKey = tag.key(c);
            if (!entryKey) return entryKey.status();
            std::string fresh;
            const char* p = nullptr;
            if (mode_ == OpenMode::Shared) {
                VZ_RETURN_IF_ERROR(readRecordFresh(*r, fresh));
                p = fresh.data();
            } else if ((p = recordPtr(*r, status)) == nullptr) {
                return status;
            }
            std::string key(size_t(tag.keyLength()), ' ');
            tag.expression()->evaluate(p, key.data());
            if (key != *entryKey) return indexOutOfDate(tag, *r);
            cursor_ = std::move(c);
            cursorValid_ = true;
            return *r;
        }
        if (!status) return status;
        Result<bool> moved = step > 0 ? tag.next(c) : tag.prior(c);
        if (!moved) return moved.status();
        if (!*moved) return 0u;
    }
}

// A shared reader's step inside the leaf it stands in, without the lock: the leaf is the one the
// last locked step read, and each record it names must still carry the entry's key, be within our
// count and not be deleted (or refused by the filter, which only skips it). Anything else, and the
// leaf's edge, answers 0 and leaves the step to the locked path, which reads the tree as it is
// now; so a walk pays for the lock once a leaf rather than once a record, and never reports damage
// from a leaf another writer has changed since.
Result<uint32_t> Table::stepWithinLeaf(int step) {
    IndexTag& tag = *tags_[size_t(active_)];
    IndexTag::Cursor c = cursor_;
    // Only the leaf as the locked step read it will do: one read now, outside the lock, could meet
    // a writer halfway through the block or a page reused for other keys.
    if (!tag.leafInMemory(c)) return 0u;
    Result<uint32_t> here = tag.recNo(c);
    if (!here || *here != cur_) return 0u;
    Status status;
    std::string key(size_t(tag.keyLength()), ' ');
    for (;;) {
        Result<bool> moved = tag.stepInLeaf(c, step);
        if (!moved || !*moved) return 0u;
        Result<uint32_t> r = tag.recNo(c);
        if (!r || *r == 0 || *r > header_.recordCount) return 0u;
        // The record as the file holds it now, not as our window of records read it earlier: it is
        // what the caller reads next.
        invalidateCache();
        const char* p = recordPtr(*r, status);
        if (p == nullptr) return 0u;
        Result<std::string> entryKey = tag.key(c);
        if (!entryKey) return 0u;
        tag.expression()->evaluate(p, key.data());
        if (key != *entryKey) return 0u;
        if (!acceptable(*r, status)) {
            if (!status) return 0u;
            continue;
        }
        cursor_ = std::move(c);
        return *r;
    }
}

// ---------------------------------------------------------------------------------------------
// Keeping the tags true

Status Table::reloadIndexForWrite() {
    if (mode_ != OpenMode::Shared || !mdx_) return Status::ok();
    // Another program may have changed the index since we last looked.
    VZ_RETURN_IF_ERROR(mdx_->reload());
    for (auto& t : tags_) VZ_RETURN_IF_ERROR(t->reload());
    cursorValid_ = false;
    return Status::ok();
}

void Table::indexWriteFailed(const Status& s) {
    // The record is stored; only the index fell behind. Changes stop here: the next open brings
    // the index up to date, or finds it out of date and leaves it to an exclusive open to rebuild.
    indexProblem_ = s.message();
    writeRefusal_ = who() + ": its production index could not be kept up to date (" + s.message() +
                    "). The table takes no more changes until it is opened again.";
    tags_.clear();
    mdx_.reset();
    active_ = -1;
    cursorValid_ = false;
}

Status Table::indexOutOfDate(const IndexTag& tag, uint32_t recNo) {
    const std::string why = outOfDate(mdx_->path(), tag.name(), recNo);
    indexProblem_ = why;
    for (const auto& t : tags_) rebuildTags_.emplace_back(t->name(), t->header().expression);
    tags_.clear();
    mdx_.reset();
    active_ = -1;
    cursorValid_ = false;
    return Status::corruption(why);
}

Result<bool> Table::entryAgrees(IndexTag& tag, uint32_t recNo) {
    SharedHeaderLock consistent(*this);
    VZ_RETURN_IF_ERROR(consistent.status());
    if (consistent.outermost()) VZ_RETURN_IF_ERROR(reloadIndexForWrite());
    std::string rec, key(size_t(tag.keyLength()), ' ');
    VZ_RETURN_IF_ERROR(readRecordFresh(recNo, rec));
    tag.expression()->evaluate(rec.data(), key.data());
    return tag.contains(key.data(), recNo);
}

Status Table::maintainOnAppend(uint32_t recNo, bool othersAppended) {
    if (!mdx_) return Status::ok();
    Status s = reloadIndexForWrite();
    if (s && othersAppended && recNo > 1) {
        // Another program appended since we last did: if it died before its index entries, they
        // are the tail before ours.
        Result<bool> caught = catchUpTail(recNo - 1);
        if (!caught) s = caught.status();
        if (caught && !*caught)
            s = Status::corruption(indexPath() + ": the index lacks entries for more than " +
                                   std::to_string(kMaxCatchUp) + " records before record " +
                                   std::to_string(recNo) + ".");
    }
    std::string key;
    for (size_t i = 0; s && i < tags_.size(); ++i) {
        IndexTag& tag = *tags_[i];
        key.resize(size_t(tag.keyLength()));
        tag.expression()->evaluate(editBuf_.data(), key.data());
        s = tag.insert(key.data(), recNo, true);
    }
    if (s) s = mdx_->writeHeader();
    cursorValid_ = false;
    if (s) return s;
    const std::string why = s.message();
    indexWriteFailed(s);
    return Status::ioError("Record " + std::to_string(recNo) + " was stored in " + who() +
                           ", but its production index could not be updated: " + why +
                           " The table takes no more changes until it is opened again.");
}

Status Table::maintainOnAppendBatch(uint32_t firstRec, const std::string& records, uint32_t count,
                                    bool othersAppended) {
    if (!mdx_) return Status::ok();
    Status s = reloadIndexForWrite();
    if (s && othersAppended && firstRec > 1) {
        Result<bool> caught = catchUpTail(firstRec - 1);
        if (!caught) s = caught.status();
        if (caught && !*caught)
            s = Status::corruption(indexPath() + ": the index lacks entries for more than " +
                                   std::to_string(kMaxCatchUp) + " records before record " +
                                   std::to_string(firstRec) + ".");
    }
    const size_t length = header_.recordLength;
    std::string key;
    for (uint32_t k = 0; s && k < count; ++k)
        for (size_t i = 0; s && i < tags_.size(); ++i) {
            IndexTag& tag = *tags_[i];
            key.resize(size_t(tag.keyLength()));
            tag.expression()->evaluate(records.data() + k * length, key.data());
            s = tag.insert(key.data(), firstRec + k, true);
        }
    if (s) s = mdx_->writeHeader();
    cursorValid_ = false;
    if (s) return s;
    const std::string why = s.message();
    indexWriteFailed(s);
    return Status::ioError("Records " + std::to_string(firstRec) + " to " +
                           std::to_string(firstRec + count - 1) + " were stored in " + who() +
                           ", but the production index could not be updated: " + why +
                           " The table takes no more changes until it is opened again.");
}

Status Table::maintainOnPost(const std::string& before) {
    if (!mdx_) return Status::ok();
    Status s = reloadIndexForWrite();
    std::string oldKey, newKey;
    for (size_t i = 0; s && i < tags_.size(); ++i) {
        IndexTag& tag = *tags_[i];
        oldKey.resize(size_t(tag.keyLength()));
        newKey.resize(size_t(tag.keyLength()));
        tag.expression()->evaluate(before.data(), oldKey.data());
        tag.expression()->evaluate(editBuf_.data(), newKey.data());
        if (oldKey == newKey) continue;
        s = tag.remove(oldKey.data(), cur_);
        if (s) s = tag.insert(newKey.data(), cur_, false);
    }
    if (s) s = mdx_->writeHeader();
    cursorValid_ = false;
    if (s) return s;
    const std::string why = s.message();
    indexWriteFailed(s);
    return Status::ioError("Record " + std::to_string(cur_) + " was changed in " + who() +
                           ", but its production index could not be updated: " + why +
                           " The table takes no more changes until it is opened again.");
}

// ---------------------------------------------------------------------------------------------
// Adding, deleting and regenerating tags

Result<std::string> Table::allKeys(const KeyExpression& e) {
    // The keys, then the sort's record numbers and value numbers: refuse at once what cannot fit.
    VZ_RETURN_IF_ERROR(
        checkMemory(uint64_t(header_.recordCount) * (uint64_t(e.length()) + 12), "index"));
    std::string keys;
    try {
        keys.resize(size_t(header_.recordCount) * size_t(e.length()));
    } catch (const std::bad_alloc&) {
        return outOfMemory("index");
    }
    Status s;
    for (uint32_t r = 1; r <= header_.recordCount; ++r) {
        if ((r & 0xFFFF) == 0) VZ_RETURN_IF_ERROR(progress(r, header_.recordCount));
        const char* p = recordPtr(r, s);
        if (p == nullptr) return s;
        e.evaluate(p, keys.data() + size_t(r - 1) * size_t(e.length()));
    }
    return keys;
}

Status Table::writeFieldTagFlags() {
    std::vector<bool> flagged(header_.fields.size(), false);
    for (const auto& t : tags_) {
        const KeyExpression* e = t->expression();
        if (e != nullptr && isPlainField(*e, header_.fields)) flagged[size_t(e->fieldsUsed().front())] = true;
    }
    for (size_t i = 0; i < flagged.size(); ++i) {
        if (header_.fields[i].indexTag == flagged[i]) continue;
        header_.fields[i].indexTag = flagged[i];
        const char v = flagged[i] ? 1 : 0;
        VZ_RETURN_IF_ERROR(file_.writeAt(DbfHeader::kPrefixSize + DbfHeader::kDescriptorSize * i + 31, &v, 1));
    }
    return Status::ok();
}

Status Table::setMdxFlag(bool on) {
    if ((header_.mdxFlag != 0) == on) return Status::ok();
    header_.mdxFlag = on ? 1 : 0;
    const char v = char(header_.mdxFlag);
    return file_.writeAt(DbfHeader::kMdxFlagOffset, &v, 1);
}

Status Table::addTag(std::string_view name, std::string_view expression) {
    if (mode_ != OpenMode::Exclusive) return Status::invalid(who() + ": adding an index tag needs the table opened exclusively.");
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    if (name.empty() || name.size() > 10)
        return Status::invalid("The tag name \"" + std::string(name) + "\" must have 1 to 10 characters.");
    if (hasTag(name)) return Status::invalid(who() + ": the index tag " + std::string(name) + " exists already.");
    Result<KeyExpression> expr = KeyExpression::parse(expression, header_.fields, *codePage_);
    if (!expr) return expr.status();
    if (!indexProblem_.empty()) VZ_RETURN_IF_ERROR(regenerateIndexes());
    // The keys first: a table too large to index gets no index file either.
    Result<std::string> keys = allKeys(*expr);
    if (!keys) return keys.status();
    if (!mdx_) {
        Result<std::unique_ptr<MdxFile>> created = MdxFile::createTemporary(indexPath(), tableName());
        if (!created) return created.status();
        Status s = (*created)->adoptMode(file_);
        if (s) s = (*created)->publish(indexPath());
        if (!s) {
            (*created)->discard();
            return s;
        }
        mdx_ = std::move(created.value());
        guardFreeChain();
    }
    const bool plain = isPlainField(*expr, header_.fields);
    Result<std::unique_ptr<IndexTag>> tag = outOfMemory("index");
    try {
        tag = IndexTag::build(*mdx_, std::string(name),
                              std::make_unique<KeyExpression>(std::move(expr.value())), plain,
                              *keys, header_.recordCount);
    } catch (const std::bad_alloc&) {
    }
    if (!tag) return tag.status();
    tags_.push_back(std::move(tag.value()));
    VZ_RETURN_IF_ERROR(mdx_->sync());
    VZ_RETURN_IF_ERROR(setMdxFlag(true));
    return writeFieldTagFlags();
}

Status Table::deleteTag(std::string_view name) {
    if (mode_ != OpenMode::Exclusive)
        return Status::invalid(who() + ": deleting an index tag needs the table opened exclusively.");
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    const int i = findTag(name);
    if (i < 0) return Status::notFound(who() + ": there is no index tag " + std::string(name) + ".");
    // The tag leaves the tag table first, then its blocks join the free chain: a failure on the
    // way leaves the old index whole, or the new one with some blocks unused, never a listed tag
    // whose blocks are already free.
    VZ_RETURN_IF_ERROR(mdx_->removeTag(tags_[size_t(i)]->name()));
    std::unique_ptr<IndexTag> dropped = std::move(tags_[size_t(i)]);
    tags_.erase(tags_.begin() + i);
    if (active_ == i) active_ = -1;
    if (active_ > i) --active_;
    VZ_RETURN_IF_ERROR(dropped->release());
    VZ_RETURN_IF_ERROR(mdx_->writeHeader());
    VZ_RETURN_IF_ERROR(mdx_->shrinkIfEmpty());
    VZ_RETURN_IF_ERROR(mdx_->sync());
    return writeFieldTagFlags();
}

Status Table::rebuildableTags(std::vector<TagSpec>& out, std::string_view except) {
    const std::string skip = upperAscii(except);
    auto cannot = [&](const std::string& name, const std::string& expression,
                      const std::string& why) {
        return Status::notSupported(
            who() + ": the index tag " + name + " has the key expression \"" + expression +
            "\", which this program cannot rebuild" + (why.empty() ? "" : " (" + why + ")") + ".");
    };
    // A file too damaged to list its tags gives what could be read of it.
    for (const auto& [name, expression] : rebuildTags_) {
        if (!skip.empty() && upperAscii(name) == skip) continue;
        Result<KeyExpression> e = KeyExpression::parse(expression, header_.fields, *codePage_);
        if (!e) return cannot(name, expression, e.status().message());
        out.push_back({name, std::make_unique<KeyExpression>(std::move(e.value()))});
    }
    for (const auto& t : tags_) {
        if (!skip.empty() && upperAscii(t->name()) == skip) continue;
        if (t->expression() == nullptr) return cannot(t->name(), t->header().expression, {});
        Result<KeyExpression> e =
            KeyExpression::parse(t->expression()->text(), header_.fields, *codePage_);
        if (!e) return cannot(t->name(), t->header().expression, e.status().message());
        out.push_back({t->name(), std::make_unique<KeyExpression>(std::move(e.value()))});
    }
    return Status::ok();
}

std::string Table::indexTarget() const {
    return resolveLinks(existingMdxPathFor(path_));
}

Result<std::unique_ptr<MdxFile>> Table::buildIndexFile(
    std::vector<TagSpec>& specs, const std::vector<std::string>& keys, uint32_t records,
    std::vector<std::unique_ptr<IndexTag>>& built) {
    Result<std::unique_ptr<MdxFile>> fresh = MdxFile::createTemporary(indexTarget(), tableName());
    if (!fresh) return fresh.status();
    Status adopted = (*fresh)->adoptMode(file_);
    if (!adopted) {
        (*fresh)->discard();
        return adopted;
    }
    for (size_t i = 0; i < specs.size(); ++i) {
        const bool plain = isPlainField(*specs[i].expression, header_.fields);
        Result<std::unique_ptr<IndexTag>> tag = outOfMemory("index");
        try {
            tag = IndexTag::build(**fresh, specs[i].name, std::move(specs[i].expression), plain,
                                  keys[i], records);
        } catch (const std::bad_alloc&) {
        }
        if (!tag) {
            (*fresh)->discard();
            built.clear();
            return tag.status();
        }
        built.push_back(std::move(tag.value()));
    }
    Status s = (*fresh)->writeHeader();
    if (s) s = (*fresh)->sync();
    if (!s) {
        (*fresh)->discard();
        built.clear();
        return s;
    }
    return fresh;
}

Status Table::installIndex(std::vector<TagSpec> specs) {
    std::vector<std::string> keys;
    for (const TagSpec& spec : specs) {
        Result<std::string> k = allKeys(*spec.expression);
        if (!k) return k.status();
        keys.push_back(std::move(k.value()));
    }
    std::vector<std::unique_ptr<IndexTag>> built;
    Result<std::unique_ptr<MdxFile>> fresh =
        buildIndexFile(specs, keys, header_.recordCount, built);
    if (!fresh) return fresh.status();
    // The old index stays in use until the new one, complete and synced, takes its name.
    Status s = (*fresh)->publish(indexTarget());
    if (!s) {
        (*fresh)->discard();
        return s;
    }
    const std::string active = activeTag();
    tags_ = std::move(built);
    mdx_ = std::move(fresh.value());
    guardFreeChain();
    indexProblem_.clear();
    writeRefusal_.clear();
    rebuildTags_.clear();
    active_ = findTag(active);
    cursorValid_ = false;
    VZ_RETURN_IF_ERROR(setMdxFlag(true));
    return writeFieldTagFlags();
}

Status Table::replaceTag(std::string_view name, std::string_view expression) {
    if (mode_ != OpenMode::Exclusive)
        return Status::invalid(who() +
                               ": replacing an index tag needs the table opened exclusively.");
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    if (name.empty() || name.size() > 10)
        return Status::invalid("The tag name \"" + std::string(name) +
                               "\" must have 1 to 10 characters.");
    Result<KeyExpression> expr = KeyExpression::parse(expression, header_.fields, *codePage_);
    if (!expr) return expr.status();
    std::vector<TagSpec> specs;
    VZ_RETURN_IF_ERROR(rebuildableTags(specs, name));
    if (specs.size() >= size_t(MdxFile::kMaxTags))
        return Status::invalid(who() + ": an index holds at most 47 tags.");
    specs.push_back({std::string(name), std::make_unique<KeyExpression>(std::move(expr.value()))});
    return installIndex(std::move(specs));
}

Status Table::regenerateIndexes() {
    if (mode_ != OpenMode::Exclusive)
        return Status::invalid(who() +
                               ": rebuilding the index needs the table opened exclusively.");
    if (state_ != State::Browse) VZ_RETURN_IF_ERROR(post());
    if (header_.mdxFlag == 0)
        return Status::notFound(who() + " has no production index; there is nothing to rebuild.");
    std::vector<TagSpec> specs;
    VZ_RETURN_IF_ERROR(rebuildableTags(specs, {}));
    return installIndex(std::move(specs));
}

std::string Table::tableName() const {
    std::string name = nameOf(path_);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return upperAscii(name);
}

// ---------------------------------------------------------------------------------------------
// Checking

Status Table::checkIndex(std::vector<std::string>& problems, size_t maxPerTag, size_t* notListed) {
    // Read the index and the count as one state: writers in other programs hold the header lock
    // from the record to the last index block they change.
    SharedHeaderLock consistent(*this);
    VZ_RETURN_IF_ERROR(consistent.status());
    if (indexProblem_.empty() && mdx_ && consistent.outermost()) {
        Status reloaded = reloadIndexForWrite();
        if (!reloaded) {
            problems.push_back(reloaded.message());
            return Status::ok();
        }
        Result<uint32_t> n = fileRecordCount();
        if (!n) return n.status();
        header_.recordCount = *n;
        invalidateCache();
    }
    if (!indexProblem_.empty()) {
        problems.push_back(indexProblem_);
        return Status::ok();
    }
    if (!mdx_) return Status::ok();
    const uint32_t count = header_.recordCount;
    VZ_RETURN_IF_ERROR(checkMemory(uint64_t(count) / 8 + mdx_->pageCount(), "check the index of"));
    try {
        std::string expected;
        std::vector<int> owner(size_t(mdx_->pageCount()) + 1, -1);  // the tag using each page
        std::vector<uint32_t> pages;
        for (size_t t = 0; t < tags_.size(); ++t) {
            IndexTag& tag = *tags_[t];
            const KeyExpression* e = tag.expression();
            const std::string who = mdx_->path() + ": tag " + tag.name();
            size_t listed = 0, unlisted = 0;
            auto report = [&](std::string problem) {
                if (listed < maxPerTag) {
                    problems.push_back(std::move(problem));
                    ++listed;
                } else {
                    ++unlisted;
                }
            };
            std::vector<bool> seen(size_t(count) + 1, false);
            uint64_t entries = 0;
            Status stopped;
            auto visit = [&](const char* key, uint32_t r) {
                if (!stopped) return;
                if ((++entries & 0xFFFF) == 0) stopped = progress(entries, count);
                if (r == 0 || r > count) {
                    report(who + " points at record " + std::to_string(r) +
                           ", which the table does not have.");
                    return;
                }
                if (seen[r]) report(who + " holds record " + std::to_string(r) + " twice.");
                seen[r] = true;
                if (e == nullptr) return;
                Status s;
                const char* p = recordPtr(r, s);
                if (p == nullptr) {
                    report(s.message());
                    return;
                }
                expected.resize(size_t(e->length()));
                e->evaluate(p, expected.data());
                if (std::memcmp(expected.data(), key, expected.size()) != 0)
                    report(who + " holds a key for record " + std::to_string(r) +
                           " that does not match the record; the index is out of date.");
            };
            pages.clear();
            Status walked = tag.walk(report, visit, &pages);
            VZ_RETURN_IF_ERROR(stopped);
            if (!walked) {
                report(walked.message() +
                       " The walk stopped there: the entries beyond were not examined, and records"
                       " without an entry were not counted.");
            } else {
                uint32_t missing = 0, firstMissing = 0;
                for (uint32_t r = 1; r <= count; ++r)
                    if (!seen[r] && missing++ == 0) firstMissing = r;
                if (missing != 0)
                    report(who + " has no entry for " + std::to_string(missing) +
                           " records (the first is record " + std::to_string(firstMissing) +
                           "); the index is out of date.");
            }
            if (notListed != nullptr)
                *notListed += unlisted;
            else if (unlisted != 0)
                problems.push_back(who + ": " + std::to_string(unlisted) +
                                   " more problems not listed.");
            // The tag header's block and the tree's nodes belong to this tag alone.
            if (const int slot = mdx_->findTag(tag.name()); slot >= 0)
                pages.push_back(mdx_->tags()[size_t(slot)].headerPage);
            for (uint32_t page : pages) {
                if (page >= owner.size()) continue;
                if (owner[size_t(page)] >= 0 && owner[size_t(page)] != int(t))
                    problems.push_back(
                        mdx_->path() + ": page " + std::to_string(page) + " is used by tags " +
                        tags_[size_t(owner[size_t(page)])]->name() + " and " + tag.name() + ".");
                owner[size_t(page)] = int(t);
            }
        }
        // The free chain: within the file, on block boundaries, without a loop, and no block in
        // use.
        std::vector<uint32_t> chain;
        size_t chainProblems = 0;
        mdx_->freeChain(chain, [&](std::string problem) {
            problems.push_back(std::move(problem));
            ++chainProblems;
        });
        size_t chainUnlisted = 0;
        for (uint32_t page : chain) {
            if (page >= owner.size() || owner[size_t(page)] < 0) continue;
            if (chainProblems++ >= maxPerTag) {
                ++chainUnlisted;
                continue;
            }
            problems.push_back(mdx_->path() + ": page " + std::to_string(page) +
                               " is on the free chain but tag " +
                               tags_[size_t(owner[size_t(page)])]->name() + " uses it.");
        }
        if (notListed != nullptr)
            *notListed += chainUnlisted;
        else if (chainUnlisted != 0)
            problems.push_back(mdx_->path() + ": " + std::to_string(chainUnlisted) +
                               " more free pages in use not listed.");
    } catch (const std::bad_alloc&) {
        return outOfMemory("check the index of");
    }
    return Status::ok();
}

}  // namespace vz::engine
