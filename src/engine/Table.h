// Table: an open dBase IV table, the one way the program reads and writes collection data.
//
// A Table is opened shared or exclusive. Shared opens of one file coexist; an exclusive open
// fails while any other open (in this process or another) exists, and a shared open fails while
// someone holds the table exclusively. Changes by shared openers are serialised with the
// dBase-compatible byte-range locks described in Locking.h.
//
// The table has a current record and a state. In Browse the current record is read from the
// file; append() and edit() start an edit buffer (states Insert and Edit) that post() writes and
// cancel() drops. Navigation skips deleted records and records the record filter refuses.
//
// Data safety: post() and deleteRecord() return only after the record and the header are
// written to the file with no user-space buffering left, so a process killed at any moment leaves
// every posted record in a table that opens. pack() writes a new file and renames it over the old.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CodePage.h"
#include "engine/Date.h"
#include "engine/DbfHeader.h"
#include "engine/Field.h"
#include "engine/File.h"
#include "engine/IndexTag.h"
#include "engine/MdxFile.h"
#include "engine/Status.h"

namespace vz::engine {

enum class OpenMode { Shared, Exclusive };

class Table {
public:
    enum class State { Browse, Edit, Insert };
    using Filter = std::function<bool(const Table&)>;
    using DateFormatter = std::function<std::string(const Date&)>;
    using DateParser = std::function<bool(std::string_view, Date&)>;
    // Told how far a long pass over the table has come (records or entries done of `total`);
    // answering false stops the pass, which then fails with a message saying so.
    using Progress = std::function<bool(uint64_t done, uint64_t total)>;

    // Creates an empty table with these fields and no index, replacing an existing table of that
    // name (and its production index). Fails with Locked when someone has the old table open.
    static Status create(const std::string& path, const std::vector<FieldDef>& fields,
                         CodePage::Id codePage = CodePage::Id::Windows1252);

    // Opens a table; a damaged file gives Corruption naming the file and the defect. A shared
    // open of a file we may not write opens it read-only. A production index whose tags lack
    // entries only for the last records (an append killed before it updated the index) is brought
    // up to date from those records, under the header lock, by shared and exclusive opens alike.
    static Result<std::unique_ptr<Table>> open(const std::string& path, OpenMode mode);

    ~Table();  // cancels a pending edit and releases every lock
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::string& path() const { return path_; }
    OpenMode mode() const { return mode_; }
    bool readOnly() const { return !file_.writable(); }
    const CodePage& codePage() const { return *codePage_; }
    const DbfHeader& header() const { return header_; }

    // --- Fields
    int fieldCount() const { return int(header_.fields.size()); }
    const Field& field(int i) const { return header_.fields[size_t(i)]; }
    // The index of the field with this name, compared without regard to case; -1 when none.
    int fieldIndex(std::string_view name) const;

    // --- Navigation. Each moves among the records that are not deleted and that the filter
    // admits. first()/last() on an empty view set both bof() and eof().
    Status first();
    Status last();
    Status next();   // at the last record: eof() becomes true, the record stays current
    Status prior();  // at the first record: bof() becomes true, the record stays current
    // Makes record `recNo` (1-based) current, whatever the filter says; NotFound when there is no
    // such record or it is deleted.
    Status go(uint32_t recNo);
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    // The current record's number, 0 when there is none (an empty view, or a record being
    // inserted).
    uint32_t recNo() const { return state_ == State::Insert ? 0 : cur_; }
    bool hasRecord() const { return state_ != State::Browse || cur_ != 0; }

    // Records in the table as its header counts them, deleted ones included. In shared mode the
    // count is that of the last open, refresh() or own append.
    uint32_t recordCount() const { return header_.recordCount; }
    // Records not marked deleted; reads the whole table.
    Result<uint32_t> countLive();
    // Appends every record the navigation would visit (live, admitted by the filter) to `out`, in
    // the active order, without moving the current record. Reads the table once from start to
    // end, then the active tag's leaves. An entry whose key is not its record's, or a record
    // without an entry (but for the tail of an append killed before its entries), means the index
    // is out of date: it fails with Corruption and the table stops using the index, as navigation
    // does when a step meets such an entry.
    Status collectOrder(std::vector<uint32_t>& out);

    // Re-reads the record count and the current record from the file, so that a shared reader sees
    // what others appended or changed. A current record deleted meanwhile gives way to the next.
    Status refresh();

    // Asked during long passes: countLive(), collectOrder(), checkIndex(), pack() and building
    // tags. Nullptr removes it.
    void setProgress(Progress progress) { progress_ = std::move(progress); }

    // Asked about every record navigation reads; a record it refuses is skipped. The filter reads
    // the candidate record through this table. Nullptr removes it.
    void setFilter(Filter filter) { filter_ = std::move(filter); }
    const Filter& filter() const { return filter_; }
    bool hasFilter() const { return bool(filter_); }

    // --- Reading the current record (the edit buffer in Edit and Insert)
    bool isBlank(int field) const;
    // The text form: character fields as stored, trailing blanks kept; whole numbers as plain
    // digits; other numbers as their stored digits without the zeros that add nothing (a number
    // written from a double, with more digits than a double holds, in the double's shortest
    // form); dates through the date formatter;
    // logicals as "T" or "F". Blank numbers, dates and logicals give "". Corruption when the stored
    // bytes are not a value of the field's type.
    Status readText(int field, std::string& out) const;
    std::string text(int field) const;  // readText, with "" on failure
    // The bytes of a field of the current record exactly as stored (the table's code page,
    // padding kept), without copying; empty when there is no current record or no such field.
    // Valid until the table moves or reads another record.
    std::string_view storedBytes(int field) const;
    // The text of every field of record `recNo`, as readText gives it, without moving the current
    // record (a deleted record reads too).
    Status readRecordTexts(uint32_t recNo, std::vector<std::string>& out) const;
    Result<double> number(int field) const;
    Result<int64_t> wholeNumber(int field) const;
    Result<Date> date(int field) const;

    void setDateFormatter(DateFormatter f) { dateFormatter_ = std::move(f); }
    void setDateParser(DateParser p) { dateParser_ = std::move(p); }

    // --- Changing records
    State state() const { return state_; }
    // Starts a new, blank record; post() appends it.
    Status append();
    // Starts changing the current record; in shared mode takes its record lock.
    Status edit();
    // Each setter writes the field of the edit buffer (edit() or append() first), converting the
    // value to the field's type. A value the field cannot hold is an InvalidArgument naming the
    // field and the value, and the buffer is left unchanged: text too long, a character the code
    // page lacks, text that is no number or date, a number too wide. setText stores a number
    // from its decimal digits exactly, never through a double, and refuses one with more fraction
    // digits (other than trailing zeros) than the field holds; setFloat stores the double rounded
    // to the field's decimals.
    Status setText(int field, std::string_view utf8);
    Status setWhole(int field, int64_t value);
    Status setFloat(int field, double value);
    Status setDate(int field, const Date& value);
    Status setBlank(int field);
    // Writes the edit buffer. The record stays current. On failure the table stays in its edit
    // state, so the caller may correct and post again, or cancel(); except when the record was
    // written but the production index could not be brought up to date: then the post fails, the
    // table is back in Browse on the stored record, and it refuses further changes (writeRefusal())
    // until it is reopened, since its index is unusable.
    Status post();
    void cancel();
    // --- Appending in batches (an import of many records). With a batch size above 1, post() of a
    // new record keeps it in memory instead of writing it; every `records` kept records, and at
    // flushAppends(), they are written together: the records with one write, then the header's
    // count once, then their index entries, under one taking of the locks. A process killed
    // meanwhile loses the records kept since the last write and leaves a table that opens with
    // a whole prefix of the records appended: a count written after its records never names a
    // record that is not there, and the index entries missing after a kill between count and
    // index are the tail an open catches up with (the batch is never longer than that tail may
    // be). A kept record has no record number and is not seen by navigation or reads until
    // written. Callers flush before they do anything else with the table; navigation, edit(),
    // deleteRecord(), refresh() and the destructor flush first themselves.
    static constexpr uint32_t kMaxAppendBatch = 4096;
    void setAppendBatch(uint32_t records);
    // Writes the kept records; none is kept afterwards. On failure none of them is stored (the
    // message says how many were lost), unless only their index entries failed: then, as for
    // post(), they are stored and the table refuses further changes (writeRefusal()).
    Status flushAppends();
    uint32_t pendingAppends() const { return pendingCount_; }

    // Marks the current record deleted. It vanishes from view at once: the next visible record
    // becomes current (or the prior one, at the end).
    Status deleteRecord();

    // Drops the deleted records and shrinks the file, and rebuilds the production index for the
    // packed records. Exclusive tables only. Every tag's key expression is checked first: a tag
    // that cannot be rebuilt refuses the pack and nothing changes. The packed table and its new
    // index are written beside the old pair and take its place together (docs/locking.md): a
    // crash at any moment leaves the old pair or the new pair, and the next open finishes or
    // undoes the swap. Leaves the table on its first record.
    Status pack();
    // For tests: called with each step of pack()'s swap as it is reached (1: the packed table and
    // index written and synced, 2: the table staged, 3: the index staged, 4: the table in place,
    // 5: the index in place), so a test can stop the process there.
    static inline std::function<void(int step)> packStepHookForTesting;

    // --- The production index (.MDX): tags of dBase key expressions that order the records.
    // Every append and post keeps every tag true. A production index that fails its checks at open
    // (damaged, or out of date because another program changed the table without it) is not used,
    // and is rebuilt by the next exclusive open.
    std::string indexPath() const;
    std::vector<std::string> tagNames() const;
    bool hasTag(std::string_view name) const;
    // The key expression of a tag as the index file holds it; empty when there is no such tag.
    std::string tagExpression(std::string_view name) const;
    // The active tag's name; empty for the natural (entry) order.
    std::string activeTag() const;
    // Makes tag `name` the order of navigation, or the natural order when empty; then goes to the
    // first record.
    Status setOrder(std::string_view name);
    // Adds a tag built from every record; the expression is checked before anything is written.
    // Creates the index file when the table has none. Exclusive tables only.
    Status addTag(std::string_view name, std::string_view expression);
    // Removes a tag; its blocks go to the index file's free chain. Exclusive tables only.
    Status deleteTag(std::string_view name);
    // Gives tag `name` the key `expression`, adding the tag when there is none: builds a new index
    // file with every other tag and the new one beside the old file, which it replaces once
    // complete and synced. A bad expression, a tag that cannot be rebuilt, a full disk or a crash
    // leave the old index and its order as they were. Exclusive tables only.
    Status replaceTag(std::string_view name, std::string_view expression);
    // Rebuilds every tag into a new index file beside the old one, which replaces it once synced.
    // NotFound, changing nothing, when the table has no production index. Exclusive tables only.
    Status regenerateIndexes();
    // Why the production index is not in use, or empty.
    const std::string& indexProblem() const { return indexProblem_; }
    // Why the table refuses changes (a tag whose key expression we cannot evaluate, an index we
    // may read but not write, an index update that failed), or empty.
    const std::string& writeRefusal() const { return writeRefusal_; }
    // Compares every tag with the table, key by key, and checks each tree's shape and the free
    // chain; appends what is wrong to `problems`, one line each, at most `maxPerTag` for each tag
    // (and for the free chain). The problems found beyond those are added to `*notListed`, or,
    // without it, counted in a line of their own. In a shared table it re-reads the record count
    // and reads the index under the header lock, so a writer in another process is never mistaken
    // for damage.
    Status checkIndex(std::vector<std::string>& problems, size_t maxPerTag = 50,
                      size_t* notListed = nullptr);

private:
    Table() = default;
    class SharedHeaderLock;
    std::string who() const;  // the path, for messages
    Status loadHeader();
    const char* recordPtr(uint32_t recNo, Status& status) const;
    const char* currentPtr() const;
    Status fieldText(const char* record, int field, std::string& out) const;
    // Moves to the first acceptable record from `start` in direction `step` (+1 or -1); 0 if none.
    Result<uint32_t> scan(uint32_t start, int step);
    // The first acceptable record from the start (+1) or the end (-1) of the current order, and
    // the next one from the current record; 0 when there is none.
    Result<uint32_t> fromEnd(int step);
    Result<uint32_t> fromCurrent(int step);
    bool acceptable(uint32_t recNo, Status& status);
    Status writeHeaderPrefix();
    Status appendRecord();
    Status editField(int field, std::string_view stored);
    Status fieldNotFit(int field, const std::string& value, const std::string& why) const;
    void invalidateCache() { cacheCount_ = 0; }
    void releaseRecordLock();
    std::string tableName() const;

    // The production index (TableIndex.cpp).
    Status openIndex(bool mayCatchUp);
    Status catchUpShared();
    // Makes the index file refuse to hand out a block of its free chain that a tag still uses.
    void guardFreeChain();
    // Inserts the entries missing from the end of every tag, up to record `upTo`; answers false
    // when the gap is too long to be an interrupted append (the index is then out of date).
    Result<bool> catchUpTail(uint32_t upTo);
    Result<bool> tailBehind(uint32_t upTo);
    Status readRecordFresh(uint32_t recNo, std::string& out) const;
    Result<uint32_t> fileRecordCount() const;
    // InvalidArgument when `bytes`, the memory a pass over the records needs, is more than the
    // computer can spare; `what` names the pass ("index").
    Status checkMemory(uint64_t bytes, const std::string& what) const;
    Status outOfMemory(const std::string& what) const;
    Status progress(uint64_t done, uint64_t total) const;
    std::string sampleIndex();
    int findTag(std::string_view name) const;
    Status placeCursor();
    Result<uint32_t> orderedScan(int step, bool fromEnd);
    Result<uint32_t> stepWithinLeaf(int step);
    Status reloadIndexForWrite();
    void indexWriteFailed(const Status& s);
    // The index disagrees with the table (a record without an entry carrying its key): it is not
    // used from here on, as if the open had found it so, until it is rebuilt. Answers the
    // Corruption that says so.
    Status indexOutOfDate(const IndexTag& tag, uint32_t recNo);
    // Whether tag `tag` holds an entry for record `recNo` with the key the record gives now, read
    // from the file under the header lock.
    Result<bool> entryAgrees(IndexTag& tag, uint32_t recNo);
    Status maintainOnAppend(uint32_t recNo, bool othersAppended);
    // The entries of `count` records appended from `firstRec` on, held in `records` (record
    // length bytes each, deletion flag first).
    Status maintainOnAppendBatch(uint32_t firstRec, const std::string& records, uint32_t count,
                                 bool othersAppended);
    Status maintainOnPost(const std::string& before);
    Result<std::string> allKeys(const KeyExpression& e);
    struct TagSpec {
        std::string name;
        std::unique_ptr<KeyExpression> expression;
    };
    // The tags of the production index (those of a damaged file included), ready to rebuild, less
    // tag `except`; NotSupported when one has a key expression we cannot evaluate.
    Status rebuildableTags(std::vector<TagSpec>& out, std::string_view except);
    // Builds an index file holding `specs`, from `keys` (one string per spec, keyLength bytes per
    // record), under a temporary name beside the index; the caller publishes it.
    Result<std::unique_ptr<MdxFile>> buildIndexFile(std::vector<TagSpec>& specs,
                                                    const std::vector<std::string>& keys,
                                                    uint32_t records,
                                                    std::vector<std::unique_ptr<IndexTag>>& built);
    // Rebuilds the index as `specs` and makes it the production index.
    Status installIndex(std::vector<TagSpec> specs);
    // Where the production index is written: the file on disk in either letter case, links
    // resolved.
    std::string indexTarget() const;
    Status writeFieldTagFlags();
    Status setMdxFlag(bool on);

    std::string path_;
    OpenMode mode_ = OpenMode::Shared;
    File file_;
    DbfHeader header_;
    const CodePage* codePage_ = nullptr;
    Filter filter_;
    DateFormatter dateFormatter_;
    DateParser dateParser_;

    State state_ = State::Browse;
    uint32_t cur_ = 0;
    bool bof_ = true, eof_ = true;
    std::string editBuf_;
    uint32_t lockedRecord_ = 0;
    uint32_t probe_ = 0;  // the record the filter is looking at, during a scan

    std::unique_ptr<MdxFile> mdx_;
    std::vector<std::unique_ptr<IndexTag>> tags_;
    int active_ = -1;
    IndexTag::Cursor cursor_;
    bool cursorValid_ = false;
    std::string indexProblem_;
    std::string writeRefusal_;
    bool indexBehind_ = false;  // at open: tags lack the last records' entries
    int headerHeld_ = 0;        // nesting of our own hold on the header lock
    Progress progress_;
    std::string editBase_;  // the record as it was when edit() began
    // The tags (name, key expression) of an index that failed its checks, to rebuild.
    std::vector<std::pair<std::string, std::string>> rebuildTags_;

    // Appends kept in memory by post() in batch mode (setAppendBatch).
    uint32_t batchSize_ = 0;
    uint32_t pendingCount_ = 0;
    std::string pending_;

    // Read-ahead window of whole records: records [cacheFirst_, cacheFirst_ + cacheCount_).
    mutable std::string cache_;
    mutable uint32_t cacheFirst_ = 1;
    mutable uint32_t cacheCount_ = 0;
};

// Writes 0 into the production-index flag (byte 28) of a table file; does nothing when the file
// cannot be opened for writing.
void removeMdxByte(const std::string& path);

// The names under which pack() stages a packed table and its index beside `table` (links
// resolved) before they take their place.
std::string packStagedTablePath(const std::string& table);
std::string packStagedIndexPath(const std::string& table);

}  // namespace vz::engine
