// One work area: a table opened under an alias, its current record and record
// buffer, its position flags (Bof/Eof), its order and its query. Moves go
// through the area's RecordOrder and skip the records its visibility rule
// hides (deleted records when hidden, records outside the query).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbf/dbf_table.h"
#include "platform/dbf/expr_compiler.h"
#include "platform/dbf/expr_expression.h"
#include "platform/dbf/expr_query_bitmap.h"
#include "platform/dbf/query_plan.h"
#include "platform/dbf/record_order.h"
#include "platform/dbf/tag_order.h"

namespace dbf {

class WorkArea final : public TableClient, public RecordObserver {
public:
    WorkArea(int number, std::shared_ptr<DbfTable> table, std::string alias, OpenMode mode,
             int type, bool repaired);
    ~WorkArea() override;
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    int number() const { return number_; }
    const std::string& alias() const { return alias_; }
    OpenMode mode() const { return mode_; }
    int type() const { return type_; }
    bool repaired() const { return repaired_; }
    DbfTable& table() { return *table_; }
    const std::shared_ptr<DbfTable>& tablePtr() const { return table_; }
    char* buffer() { return buffer_.data(); }
    std::uint32_t recordLength() const { return std::uint32_t(buffer_.size()); }

    // Moves (see dbe.h for the Bof/Eof rules). A move, seek or count that
    // cannot read what it needs (the order's index, a record) gives false
    // (a count 0) and leaves the reason for TakeReadError; a move then
    // stands where it stood.
    bool GoTop();
    bool GoBottom();
    bool Skip(long n);
    bool Go(std::uint32_t recno);
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    std::uint32_t RecNo();
    std::uint32_t RecCount() { return table_->RecordCount(); }

    // Writes the record buffer's image `image` as the current record.
    bool PutRecord(const char* image, std::string& error);
    bool AppendBlank(std::string& error);
    bool SetDeletedFlag(bool deleted, std::string& error);
    bool CanWrite(std::string& error) const;

    const FieldDef* FindField(const char* name) const;
    std::string_view FieldBytes(const FieldDef& field) const
    {
        return std::string_view(buffer_.data() + field.offset, field.width);
    }

    RecordOrder& order() { return *order_; }

    // Orders: 0 natural, then the tags of the production index and of the
    // files this area opened, in that order.
    struct OrderRef {
        IndexFile* file = nullptr;
        IndexTag* tag = nullptr;
    };
    std::vector<OrderRef> Orders();
    // The same as the planner takes them, kept while the tag lists and the
    // files this area opened are the same; `version` names the list (a new
    // number whenever it is made anew).
    struct OpenTagList {
        std::vector<OpenTag> tags;
        std::uint64_t generation = 0;
        std::vector<IndexFile*> extraFiles;
        std::uint64_t version = 0;
    };
    const OpenTagList& OpenTags();
    // The same after the tags followed what other processes added or
    // deleted (for the calls that list or choose orders).
    std::vector<OrderRef> ListOrders();
    int orderNumber() const { return orderNumber_; }
    // Makes `order` current (0 natural); false for a number out of range.
    bool SetOrderNumber(int order);
    TagOrder* tagOrder() { return tagOrder_.get(); }
    // Index files this area opened besides the production index.
    std::vector<IndexFile*>& extraFiles() { return extraFiles_; }
    // Natural order and closes the extra files.
    void CloseExtraFiles();
    // Seeks in the current tag; stands on the found record (or per soft seek).
    bool SeekKey(const std::string& key, bool& found);
    bool found = false;

    // Query: when active, only records whose bit is set are visible. An
    // expression query keeps its bits in step with every record write.
    bool queryActive() const { return queryActive_; }
    const std::string& queryExpression() const { return queryExpression_; }
    bool SetQueryExpression(const std::string& text, std::string& error);
    void ClearQuery();
    // What the index tags gave the last query expression set.
    IndexAnswer queryAnswer() const { return queryAnswer_; }
    void SetQueryBit(std::uint32_t recno, bool on);
    bool QueryBit(std::uint32_t recno) const { return queryBits_.Test(recno); }
    // Number of visible records; remembered until the table, the query, the
    // scope, the order or the deleted setting changes. A count of the
    // passing records' bits when the order holds every record.
    std::uint32_t VisibleCount();
    // Position of the current record among the visible records of the
    // order (1-based; 0 when it is not among them). A walk forward one
    // record at a time costs a few steps per call, not a count from the top.
    std::uint32_t OrderPosition();
    // The records the query and the deleted setting let through, order and
    // scope aside; remembered until the table, the query or the deleted
    // setting changes.
    const dbfexpr::QueryBitmap& PassingRecords() { return PassingRecords(RecCount()); }
    // The same for `records`, the record count just read (by Visibility).
    const dbfexpr::QueryBitmap& PassingRecords(std::uint32_t records);
    // Compiles an expression against the table's fields.
    std::unique_ptr<dbfexpr::Expression> Compile(const std::string& text, std::string& error);
    dbfexpr::ExprContext Context();

    bool turboRead = false;

    // Why the last move, seek or count failed ("" when none did).
    std::string TakeReadError() { return std::exchange(readError_, std::string()); }

    // TableClient
    std::uint32_t CurrentRecord() const override { return eof_ ? 0 : recno_; }
    void RecordRefreshed(const char* image) override;
    void TableRebuilt() override;
    // RecordObserver (expression queries)
    void RecordWritten(std::uint32_t recno, const char* oldImage, const char* newImage) override;

private:
    // OrderPosition's work (its caches); ReadFailed() tells whether it holds.
    std::uint32_t WalkedPosition();
    // Starts a read: no failure yet.
    void BeginRead();
    // Whether the read since BeginRead failed (readError_ then says why).
    bool ReadFailed();
    bool Visible(std::uint32_t recno, const char* image) const;
    dbfexpr::ExprCompileOptions CompileOptions() const;
    // Clears in `bits` the records the full evaluation of `expression`
    // rejects, reading only the records whose bit is set.
    // `listed`, when given, holds the records to evaluate, in order (set in
    // `bits`; the other records set stay as they are), and keeps those that
    // pass.
    bool KeepPassing(dbfexpr::Expression& expression, dbfexpr::QueryBitmap& bits, std::string& error,
                     std::vector<std::uint32_t>* listed = nullptr);
    // Clears the deleted records in `bits`; `by` is set to the tag whose
    // entries did it (a tag FOR .NOT. DELETED()), if one did.
    // `members`, when given, lists the records set in `bits` (in order):
    // only those are looked at, and those cleared are taken out of it.
    bool ClearDeleted(dbfexpr::QueryBitmap& bits, const IndexTag*& by,
                      std::vector<std::uint32_t>* members = nullptr);
    // The same through a tag FOR .NOT. DELETED(); false when none serves.
    // `mayCollect`: a tag whose entries are not known yet may serve.
    bool ClearDeletedByTag(dbfexpr::QueryBitmap& bits, const IndexTag*& by, bool mayCollect,
                           std::vector<std::uint32_t>* members);
    // Sets or clears one bit of the query, keeping queryList_ in step (at
    // most Settings().queryListLimit records; more: the list is given up).
    void AssignQueryBit(std::uint32_t recno, bool on);
    // Whether the tag holds exactly the records not deleted (FOR .NOT.
    // DELETED(), not unique).
    bool HoldsLiveRecords(const IndexTag& tag);
    // Passing records up to this many have their deletion mark read rather
    // than a tag's entries collected.
    static constexpr std::uint32_t kFewToLookAt = 256;
    // The passing records the current order holds, counted from the bits
    // (no scope: the tag's entries are known); false when only a walk of
    // the order can tell.
    bool CountFromBits(std::uint32_t records, std::uint32_t& count);
    // A query that lets few records through, in a tag order without scope:
    // its records are sorted by their keys once, so moves, the count and
    // the position need no walk of the tag. False when it does not apply.
    bool UseSparseOrder();
    // The record after (before) `from` in the sparse order; `from` 0: the
    // first (last). 0 past the end.
    std::uint32_t SparseNeighbour(std::uint32_t from, bool forward);
    // `r` loaded into scratch_, or 0.
    std::uint32_t Loaded(std::uint32_t r) { return r != 0 && LoadScratch(r) ? r : 0; }
    // Loads `recno` into `scratch_`; false when unreadable.
    bool LoadScratch(std::uint32_t recno);
    // First visible record from `start` walking with next/prev.
    std::uint32_t Seek(std::uint32_t start, bool forward);
    void StandOn(std::uint32_t recno);  // scratch_ holds the record
    void StandOnPhantom();
    // Stands on `r`, the first or last visible record, or on the phantom
    // record when there is none (0); used by GoTop and GoBottom.
    bool StandOnEnd(std::uint32_t r);

    int number_;
    std::shared_ptr<DbfTable> table_;
    std::string alias_;
    OpenMode mode_;
    int type_;
    bool repaired_;
    std::vector<char> buffer_;
    std::vector<char> scratch_;
    std::uint32_t recno_ = 0;
    bool bof_ = false;
    bool eof_ = true;
    NaturalOrder natural_;
    RecordOrder* order_;
    int orderNumber_ = 0;
    std::unique_ptr<TagOrder> tagOrder_;
    std::vector<IndexFile*> extraFiles_;
    OpenTagList openTags_;
    bool queryActive_ = false;
    bool observing_ = false;
    std::string queryExpression_;
    std::shared_ptr<dbfexpr::Expression> query_;
    dbfexpr::QueryBitmap queryBits_;
    // The records set in queryBits_, in order, while `queryListed_` (a
    // query that lets few records through): counts and the passing records
    // are made from it without a pass over the whole bitmap.
    std::vector<std::uint32_t> queryList_;
    bool queryListed_ = true;
    // A bitmap with no bit set, kept from a listed query's bits (its listed
    // bits cleared), so the next query with few hits needs no new one.
    dbfexpr::QueryBitmap spareBits_;
    // The last query expression compiled, with its frame for the tags: the
    // same text set again is not parsed again (the table's fields and the
    // compile options are those of this area while they are the same).
    struct CompiledQuery {
        std::string text;
        dbfexpr::ExprCompileOptions options;
        std::shared_ptr<dbfexpr::Expression> expression;
        dbfexpr::ExprCondition condition;
        PlanCache plan;  // what the planner worked out for `condition`
    } compiled_;
    std::uint64_t queryVersion_ = 0;
    IndexAnswer queryAnswer_ = IndexAnswer::None;
    // ".NOT. DELETED()" compiled, to know the tags of that FOR condition.
    std::unique_ptr<dbfexpr::Expression> notDeleted_;
    std::string readError_;
    // What the visible records depend on: the table's changes and size, the
    // query, the scope, the order and the deleted setting.
    struct VisibilityState {
        std::uint64_t changes = 0, query = 0, scope = 0;
        std::uint32_t records = 0;
        int order = -1;
        bool deletedHidden = false;
        bool operator==(const VisibilityState&) const = default;
    };
    VisibilityState Visibility();
    struct PositionCache {
        VisibilityState state;
        std::uint32_t recno = 0, position = 0;
    } positionCache_;
    struct CountCache {
        VisibilityState state;
        std::uint32_t count = 0;
    } countCache_;
    struct PassingCache {
        std::uint64_t changes = 0, query = 0, generation = 0;
        std::uint32_t records = 0;
        bool deletedHidden = false;
        bool valid = false;
        dbfexpr::QueryBitmap bits;
        // The records set in `bits`, in order, when they were made from
        // queryList_ (`listed`).
        std::vector<std::uint32_t> members;
        bool listed = false;
        // The tag whose entries took the deleted records out (null: none).
        const IndexTag* entriesApplied = nullptr;
    } passing_;
    struct SparseOrder {
        VisibilityState state;
        bool valid = false;
        bool usable = false;
        bool descending = false;
        std::uint64_t generation = 0;  // of the index files (a rebuild changes keys)
        // Stored key and record number (big-endian), in the walk's order.
        std::vector<std::string> keys;
        std::vector<std::uint32_t> records;
    } sparse_;
    // Stored key and record number of record `r` in the current tag (as
    // sorted in sparse_), false when the record cannot be read.
    bool SortKey(std::uint32_t r, std::string& out);
};

}  // namespace dbf
