// Table::SharedHeaderLock: the read side of a table's header lock, held while a reader reads
// the record count and the production index as one state. Private to the engine's Table sources.
#pragma once

#include "engine/Locking.h"
#include "engine/Table.h"

namespace vz::engine {

// In a shared table, a read lock on the header byte for the life of the object: it waits for a
// writer to finish and keeps writers out meanwhile. Nothing in an exclusive table, and nothing
// when we hold the header lock already (an outer reader, or our own writer).
class Table::SharedHeaderLock {
public:
    explicit SharedHeaderLock(Table& t) : t_(t) {
        outermost_ = t_.mode_ == OpenMode::Shared && t_.headerHeld_ == 0;
        if (outermost_)
            status_ = t_.file_.lock(locking::kHeader, 1, File::LockKind::Read, locking::kWaitMs);
        counted_ = status_.isOk();
        if (counted_) ++t_.headerHeld_;
    }
    ~SharedHeaderLock() {
        if (counted_) --t_.headerHeld_;
        if (counted_ && outermost_) t_.file_.unlock(locking::kHeader, 1);
    }
    const Status& status() const { return status_; }
    // True when this object took the lock: what was read before may have changed meanwhile.
    bool outermost() const { return outermost_ && counted_; }

private:
    Table& t_;
    Status status_;
    bool outermost_ = false;
    bool counted_ = false;
};

}  // namespace vz::engine
