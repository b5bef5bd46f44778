// The deletion marks of a table's records as this process last saw them, in
// a record it read or wrote: a query that only needs to know which of its
// records are deleted looks them up here instead of reading the records.
// The table decides when they may be trusted (DbfTable::TrustedDeletedMarks).
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/dbf/expr_query_bitmap.h"

namespace dbf {

class DeletedMarks {
public:
    void Learn(std::uint32_t recno, bool deleted)
    {
        if (recno == 0) return;
        if (recno > known_.Size()) {
            // Grown in steps, so a run of appends does not copy the bitmaps
            // at each one.
            const std::uint32_t size = std::max(recno, known_.Size() + known_.Size() / 2 + 1024);
            known_.Resize(size);
            deleted_.Resize(size);
        }
        known_.Set(recno);
        deleted_.Assign(recno, deleted);
        last_ = std::max(last_, recno);
    }
    void Forget(std::uint32_t recno)
    {
        known_.Clear(recno);
        deleted_.Clear(recno);
    }
    void ForgetAll()
    {
        known_ = dbfexpr::QueryBitmap();
        deleted_ = dbfexpr::QueryBitmap();
        last_ = 0;
    }
    bool Known(std::uint32_t recno) const { return known_.Test(recno); }
    // (Meaningful only where Known.)
    bool Deleted(std::uint32_t recno) const { return deleted_.Test(recno); }
    // Whether the marks of records 1..count are all known.
    bool AllKnown(std::uint32_t count) const { return last_ <= count && known_.Count() == count; }
    // The deleted records (of those known); may be larger than the table.
    const dbfexpr::QueryBitmap& deleted() const { return deleted_; }

private:
    dbfexpr::QueryBitmap known_, deleted_;
    std::uint32_t last_ = 0;  // the highest record learned
};

}  // namespace dbf
