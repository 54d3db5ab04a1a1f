// The production index of a Table: opening and checking it, ordered navigation, and keeping every
// tag true as records are appended and changed.
//
// Invariants:
//   mdx_ is null when the table has no usable production index (no flag, no file, or a file that
//   failed its checks; indexProblem_ then says why and the next exclusive open regenerates it);
//   tags_ holds one IndexTag per tag of mdx_, in its order; active_ indexes tags_ or is -1;
//   when cursorValid_ and active_ >= 0, cursor_ sits on the entry of record cur_;
//   every record of the table, deleted ones included, has one entry in every tag.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/Locking.h"
#include "engine/Table.h"

namespace vz::engine {
namespace {

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

Status Table::openIndex() {
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
    if (!m) {
        indexProblem_ = m.status().message();
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
    if (indexProblem_.empty()) indexProblem_ = sampleIndex();
    if (!indexProblem_.empty()) {
        for (const auto& t : tags_) rebuildTags_.emplace_back(t->name(), t->header().expression);
        tags_.clear();
        mdx_.reset();
        writeRefusal_.clear();
    }
    return Status::ok();
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
            if (!*found)
                return mdx_->path() + ": tag " + tag->name() + " has no entry for record " + std::to_string(r) +
                       "; the index is out of date.";
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
    Status s;
    const char* p = recordPtr(cur_, s);
    if (p == nullptr) return s;
    std::string key(size_t(tag.keyLength()), ' ');
    tag.expression()->evaluate(p, key.data());
    Result<bool> found = tag.seek(cursor_, key.data(), cur_);
    if (!found) return found.status();
    if (!*found)
        return Status::corruption(indexPath() + ": tag " + tag.name() + " has no entry for record " +
                                  std::to_string(cur_) + ".");
    cursorValid_ = true;
    return Status::ok();
}

// Moves the cursor from where it is in direction `step` (+1, -1) to the first acceptable record,
// or, with `fromEnd`, starts at the first (step +1) or last (step -1) entry. Answers the record,
// 0 when none; the cursor stays on the answer (or where it was when there is none).
Result<uint32_t> Table::orderedScan(int step, bool fromEnd) {
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
        if (*r == 0 || *r > header_.recordCount)
            return Status::corruption(indexPath() + ": tag " + tag.name() + " points at record " + std::to_string(*r) +
                                      " of a table of " + std::to_string(header_.recordCount) + ".");
        if (acceptable(*r, status)) {
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
    // The record is stored; only the index fell behind. It is rebuilt at the next exclusive open.
    indexProblem_ = s.message();
    tags_.clear();
    mdx_.reset();
    active_ = -1;
    cursorValid_ = false;
}

void Table::maintainOnAppend(uint32_t recNo) {
    if (!mdx_) return;
    Status s = reloadIndexForWrite();
    std::string key;
    for (size_t i = 0; s && i < tags_.size(); ++i) {
        IndexTag& tag = *tags_[i];
        key.resize(size_t(tag.keyLength()));
        tag.expression()->evaluate(editBuf_.data(), key.data());
        s = tag.insert(key.data(), recNo, true);
    }
    if (s) s = mdx_->writeHeader();
    if (!s) indexWriteFailed(s);
    cursorValid_ = false;
}

void Table::maintainOnPost(const std::string& before) {
    if (!mdx_) return;
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
    if (!s) indexWriteFailed(s);
    cursorValid_ = false;
}

// ---------------------------------------------------------------------------------------------
// Adding, deleting and regenerating tags

Result<std::string> Table::allKeys(const KeyExpression& e) {
    std::string keys;
    keys.resize(size_t(header_.recordCount) * size_t(e.length()));
    Status s;
    for (uint32_t r = 1; r <= header_.recordCount; ++r) {
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
    if (!mdx_) {
        Result<std::unique_ptr<MdxFile>> created = MdxFile::createTemporary(indexPath(), tableName());
        if (!created) return created.status();
        Status s = (*created)->publish(indexPath());
        if (!s) {
            (*created)->discard();
            return s;
        }
        mdx_ = std::move(created.value());
    }
    Result<std::string> keys = allKeys(*expr);
    if (!keys) return keys.status();
    const bool plain = isPlainField(*expr, header_.fields);
    Result<std::unique_ptr<IndexTag>> tag = IndexTag::build(
        *mdx_, std::string(name), std::make_unique<KeyExpression>(std::move(expr.value())), plain, *keys,
        header_.recordCount);
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
    VZ_RETURN_IF_ERROR(tags_[size_t(i)]->release());
    VZ_RETURN_IF_ERROR(mdx_->removeTag(tags_[size_t(i)]->name()));
    tags_.erase(tags_.begin() + i);
    if (active_ == i) active_ = -1;
    if (active_ > i) --active_;
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
    for (size_t i = 0; i < specs.size(); ++i) {
        const bool plain = isPlainField(*specs[i].expression, header_.fields);
        Result<std::unique_ptr<IndexTag>> tag = IndexTag::build(
            **fresh, specs[i].name, std::move(specs[i].expression), plain, keys[i], records);
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

Status Table::checkIndex(std::vector<std::string>& problems) {
    if (!indexProblem_.empty()) {
        problems.push_back(indexProblem_);
        return Status::ok();
    }
    std::string expected;
    for (const auto& tag : tags_) {
        const KeyExpression* e = tag->expression();
        std::vector<bool> seen(size_t(header_.recordCount) + 1, false);
        const std::string who = mdx_->path() + ": tag " + tag->name();
        size_t before = problems.size();
        auto visit = [&](const char* key, uint32_t r) {
            if (problems.size() - before > 50) return;
            if (r == 0 || r > header_.recordCount) {
                problems.push_back(who + " points at record " + std::to_string(r) + ", which the table does not have.");
                return;
            }
            if (seen[r]) problems.push_back(who + " holds record " + std::to_string(r) + " twice.");
            seen[r] = true;
            if (e == nullptr) return;
            Status s;
            const char* p = recordPtr(r, s);
            if (p == nullptr) {
                problems.push_back(s.message());
                return;
            }
            expected.resize(size_t(e->length()));
            e->evaluate(p, expected.data());
            if (std::memcmp(expected.data(), key, expected.size()) != 0)
                problems.push_back(who + " holds a key for record " + std::to_string(r) +
                                   " that does not match the record.");
        };
        VZ_RETURN_IF_ERROR(tag->walk(problems, visit));
        uint32_t missing = 0, firstMissing = 0;
        for (uint32_t r = 1; r <= header_.recordCount; ++r)
            if (!seen[r] && missing++ == 0) firstMissing = r;
        if (missing != 0)
            problems.push_back(who + " has no entry for " + std::to_string(missing) + " records (the first is record " +
                               std::to_string(firstMissing) + ").");
    }
    return Status::ok();
}

}  // namespace vz::engine
