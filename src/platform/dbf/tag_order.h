// The order of an index tag, with its scope: walks the tag's keys through a
// CDX cursor. A record number the cursor does not stand on is found again by
// its key, so moves work from any record (also one the tag leaves out).
// A move or seek that cannot read the tag answers 0 and says why
// (failure()): a tag that cannot be used (gone, waiting for a rebuild this
// process cannot make, built with another sort-weight table, its index
// file lost to a failed change and not to be opened again; each is tried
// again at every use), or one whose file cannot be read. It never goes on
// in natural order under the tag's name, nor answers "not found" for a key
// it could not look for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dbf/record_order.h"
#include "platform/dbf/table_indexes.h"

namespace dbf {

class TagOrder final : public RecordOrder {
public:
    TagOrder(DbfTable& table, IndexFile* file, std::string tagName);

    // The tag, made usable where this process can (rebuilt when it was left
    // half-changed); null when it is gone (file closed, tag deleted) or
    // cannot be used (see Usable).
    IndexTag* Tag();
    // Whether Tag() gives the tag; else false with the reason in `why`.
    bool Usable(std::string& why);
    IndexFile* file() const { return file_; }

    std::uint32_t First() override;
    std::uint32_t Last() override;
    std::uint32_t Next(std::uint32_t current) override;
    std::uint32_t Prev(std::uint32_t current) override;

    // Places the cursor on the first key not below `key` (within the scope)
    // and gives its record, 0 past the end.
    std::uint32_t SeekFirst(std::string_view key);
    // Whether the cursor's key matches `key`: exact compares the whole key
    // (the probe blank-padded), otherwise the probe's length.
    bool CursorMatches(std::string_view key, bool exact);

    // Scope bounds in key text form; both empty: none.
    void SetScope(std::string low, std::string high);
    const std::string& scopeLow() const { return low_; }
    const std::string& scopeHigh() const { return high_; }
    // Changes with every scope set, and differs between orders, so a count
    // or position remembered under one scope is never taken for another.
    std::uint64_t scopeVersion() const { return scopeVersion_; }

    // Key of a record image as text (numbers as their value, dates yyyymmdd).
    std::string KeyText(const char* image, std::uint32_t recno);

    // Why a move or seek since the last ClearFailure could not read the tag
    // (another process kept the index lock past the wait, or the file could
    // not be read): its answer 0 then means "unknown", never "end" or "not
    // found". Empty when every one could.
    const std::string& failure() const { return failure_; }
    void ClearFailure() { failure_.clear(); }

private:
    // Expression form of a key text for this tag.
    std::string Probe(std::string_view text);
    // Stored form (collation applied) of a probe, cut to what it compares.
    std::string StoredPrefix(std::string_view text);
    void ApplyScope();  // the stored forms of the bounds for the tag
    std::uint32_t DoFirst();
    std::uint32_t DoLast();
    std::uint32_t DoNext(std::uint32_t current);
    std::uint32_t DoPrev(std::uint32_t current);
    std::uint32_t DoSeekFirst(std::string_view key);
    std::uint32_t DoPrevOf(std::uint32_t current);
    std::uint32_t DoNextOf(std::uint32_t current);
    bool Descending();
    // The record a step found; a key past the table's end (an index that a
    // crash left ahead of its table) is damage, raised as CdxError, never
    // a record another append may take later.
    std::uint32_t InTable(std::uint32_t recno);
    template <typename F>
    std::uint32_t Guard(F&& step);
    bool Locate(std::uint32_t recno);  // true: the cursor stands on recno
    bool BelowLow();
    bool AboveHigh();
    std::uint32_t Current();

    DbfTable& table_;
    IndexFile* file_;
    std::string name_;
    IndexTag* tag_ = nullptr;
    std::string unusable_;  // why Tag() gave null the last time
    std::uint64_t generation_ = 0;
    dbfcdx::CdxCursor cursor_;
    std::string low_, high_, lowStored_, highStored_;
    std::vector<char> image_;
    std::uint64_t scopeVersion_;
    std::string failure_;
};

}  // namespace dbf
