// The index files open on one table (its production .CDX and any further
// .CDX files areas opened), with each tag's key and FOR expressions compiled
// against the table's fields. Registered as the table's record observer, so
// every record write keeps every open tag in step, whichever area writes.
// An index file that cannot be read is rebuilt from the table, never a reason
// to lose the table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbf/cdx_file.h"
#include "platform/dbf/cdx_lease.h"
#include "platform/dbf/dbf_table.h"
#include "platform/dbf/expr_expression.h"
#include "platform/dbf/expr_query_bitmap.h"

namespace dbf {

// One tag with its compiled expressions. The definition is kept here too, so
// the whole file can be made anew when it turns out to be damaged.
struct IndexTag {
    dbfcdx::CdxTagSpec spec;
    dbfcdx::CdxTag* tag = nullptr;
    std::unique_ptr<dbfexpr::Expression> key;
    std::unique_ptr<dbfexpr::Expression> condition;  // null: every record
    // The records that have an entry, as last collected by the query
    // optimiser, and the tag's stamp then (see CdxTag::Stamp).
    struct Entries {
        std::uint64_t stamp = 0;
        dbfexpr::QueryBitmap records;
        // The records without an entry, in order, when they are few
        // (`missingListed`); made with `records`.
        std::vector<std::uint32_t> missing;
        bool missingListed = false;
        // Shared use: the index file's lock turn (CdxFile::LockTurn) in
        // which an access last found them current.
        const dbfcdx::CdxFile* file = nullptr;
        std::uint64_t turn = 0;
    } entries;
};

struct IndexFile {
    std::string path;
    bool production = false;
    int users = 0;  // areas that opened it (the production file: unused)
    std::uint64_t tagList = 0;  // the file's TagListVersion the tags follow
    std::unique_ptr<dbfcdx::CdxFile> cdx;
    std::vector<std::unique_ptr<IndexTag>> tags;  // in the file's order
    // Why the file is not open (empty: it is): a failed change left it
    // broken and it could neither be made anew nor opened again. It is
    // opened again (its tags rebuilt under its lock) at its next use;
    // until then its orders fail with this reason, and a shared table
    // takes no record (the others would miss its keys).
    std::string lost;
};

class TableIndexes final : public RecordObserver,
                           public dbfcdx::CdxFile::LeaseOwner,
                           public dbfcdx::CdxFile::IndexedTable {
public:
    explicit TableIndexes(DbfTable& table);
    ~TableIndexes() override;

    // Opens the production index when the table has one. A damaged file is
    // rebuilt when its tag definitions can be read, else set aside (renamed
    // to .CDX.bad) so the table still opens; `note` tells what happened.
    // Set aside only while the table can be had exclusively; else the file
    // stays and the table opens without it, its writes refused.
    // False (with the reason) when another process keeps the file's lock:
    // the table is busy and must not be opened without its index.
    // A read-only opener opens the table without an index whose every tag
    // must be rebuilt (a change cut short), with a note.
    bool OpenProduction(std::string& note, std::string& error);
    IndexFile* production() { return production_; }
    // Opens (or joins) an index file; null with a reason on failure.
    // `busy` (when given) tells whether it failed because another process
    // keeps the file's lock.
    IndexFile* OpenFile(const std::string& path, std::string& error, bool* busy = nullptr);
    void Release(IndexFile* file);
    // Makes a new empty index file (replacing a file of that name) and opens it.
    IndexFile* CreateFile(const std::string& path, std::string& error);

    // Creates or replaces a tag and builds it from the table. `file` null:
    // the production index (made when missing). Gives the tag, null with a
    // reason on failure.
    IndexTag* CreateTag(IndexFile* file, const std::string& path, const std::string& name,
                        const std::string& keyExpression, const std::string& forExpression,
                        bool unique, bool descending, const Progress& progress, std::string& error);
    // Makes every tag of the file anew from the table.
    bool RebuildFile(IndexFile& file, const Progress& progress, std::string& error);
    bool RebuildAll(const Progress& progress, std::string& error);
    // Builds one tag anew when it cannot be read as it is (left half-changed).
    // A character tag built with another sort-weight table than the engine's
    // is left alone: false with the reason.
    bool MakeUsable(IndexFile& file, IndexTag& tag, std::string& error);
    // An index file failed while it was read: it is made anew from the
    // table. One that another process keeps locked is only busy: the
    // failure is reported (TakeError) and the file stays as it is.
    void RebuildAfterError(IndexFile& file, const dbfcdx::CdxError& why);
    // Opens a lost index file again (see IndexFile::lost): its tags left
    // half-changed are rebuilt from the table, under its lock when shared.
    // True when the file is open; else false with the reason.
    bool Reopen(IndexFile& file, std::string& error);
    // A read of an index file failed (tried twice) on a call that reads:
    // the reason for that call. The file is made anew from the table only
    // where the table can be had exclusively; else it stays as it is.
    std::string ReadFailed(IndexFile& file, const dbfcdx::CdxError& why);
    // The engine's sort-weight table changed: tags built with the new table
    // become usable again; the others wait for their own table (or a
    // reindex).
    void CollationChanged();
    // The table became writable: every open index file is opened for writing.
    bool BecomeWritable(std::string& error);
    // Puts the keys of just appended records into the tags. Under exclusive
    // use the keys of a run of appended records wait: the writes that fill
    // a record (fields, memos) follow its append, and the keys of many
    // records go in faster together, each tag's in key order. Called before
    // every use of a tag.
    void Settle();
    // Runs `f` (giving bool) under the access of every open index file (see
    // CdxFile::Access; nothing under exclusive use): a record write of a
    // shared table reads the old record, writes the new one and changes the
    // keys while no other process changes the indexes. A fault of an index
    // file is answered by rebuilding it. When another process keeps an
    // index file's lock, `f` does not run: false, with the reason in `error`.
    bool AccessAll(const std::function<bool()>& f, std::string& error);
    // Shared use: every index file keeps its lock after the access that runs
    // now (so the table may keep an appended record in memory meanwhile).
    bool AllHeldAfterAccess() const;
    // Whether the keys of appended record `recno` wait (see RecordWritten).
    bool KeysWaitFor(std::uint32_t recno) const
    {
        return pendingCount_ && recno >= pendingFirst_ && recno - pendingFirst_ < pendingCount_;
    }
    // A change that failed between the program's calls (a held lock given
    // back by the background thread: its keys or pages could not be
    // written): true with the failure in `error`, the file made anew. Any
    // call of the table asks first, so a read never answers from an index
    // whose changes were lost.
    bool FailedInBackground(std::string& error);
    // Rebuilds the files whose fault was met inside an access (they cannot
    // be replaced while it runs).
    void RebuildDeferred();
    // The message for an index file another process keeps locked.
    std::string BusyText(const dbfcdx::CdxBusy& busy) const;

    // Writes pending index pages; a file left broken by a failed change is
    // reported too.
    bool Flush(std::string& error);
    // Flush, then fdatasync of every index file that holds unsynced changes.
    bool Sync(std::string& error);
    // Before a record write or append: every open index file carries its
    // dirty mark (CdxFile::MarkChanging); false with a reason when the mark
    // cannot be written (the table is then left unchanged).
    bool MarkChanging(std::string& error);
    // Whether a record write from `oldImage` to `newImage` changes a byte
    // that a tag's key or FOR expression reads (or the deletion flag): a
    // write that changes none needs no dirty mark.
    bool Follows(const char* oldImage, const char* newImage) const;
    // Marks every open index file for rebuilding (see
    // CdxFile::MarkForRebuild) before the record numbers change.
    bool MarkForRebuild(std::string& error);

    // Key (expression form) and FOR result of a record image for a tag.
    bool MakeKey(IndexTag& tag, const char* image, std::string& key);
    bool Passes(IndexTag& tag, const char* image);
    dbfexpr::ExprContext Context(std::uint32_t recno);
    // Shared use: the production index's ChangesSeen as it stands now (the
    // change counter read under its lock unless this process holds it);
    // false when there is none to ask (no production index with tags, or
    // its lock or file cannot be had).
    bool ProductionChangesSeen(std::uint64_t& seen);
    // Shared use: the tags of every open index file follow what other
    // processes added or deleted (the change counter read under the lock).
    void FollowTagLists();
    // Whether the file's tag list changed since its tags were loaded; the
    // tags are then loaded again (outside any access of the file).
    bool TagListChanged(const IndexFile& file) const
    {
        return file.cdx && file.tagList != file.cdx->TagListVersion();
    }
    void FollowTagList(IndexFile& file);
    // The table's fields as expressions see them.
    const std::vector<dbfexpr::ExprField>& Fields() const;

    // Counts every reload of tag lists: orders holding tag pointers look
    // their tag up again when it changed.
    std::uint64_t generation() const { return generation_; }
    const std::vector<std::unique_ptr<IndexFile>>& files() const { return files_; }

    // A failure while keeping the indexes in step with a write, pack or zap
    // (the write itself stood); cleared by reading it.
    std::string TakeError() { return std::exchange(pendingError_, std::string()); }

    // RecordObserver
    void RecordWritten(std::uint32_t recno, const char* oldImage, const char* newImage) override;
    void TableRebuilt() override;

    // CdxFile::LeaseOwner: under shared use an appended record's keys wait
    // (as under exclusive use) only while every index file is held, so no
    // other process can write the record or read the tags before they are in.
    // The records are on disk since their appends: their keys always go in
    // (a write that fails then leaves the file marked for rebuild, reported
    // by the next call), and the table's append lock goes back.
    void SettleBeforeRelease() override;
    void ForgetPending() override;

    // CdxFile::IndexedTable: the table's records on disk before an index
    // file's clean marks, and their count.
    std::uint32_t TableRecordCount() override;
    std::uint32_t SyncTableRecords() override;

private:
    bool Load(IndexFile& file, std::string& error);
    bool CompileTag(IndexTag& tag, std::string& error);
    bool BuildKeys(IndexTag& tag, dbfcdx::CdxKeySet& keys, const Progress& progress,
                   std::string& error);
    // An index file that failed (`why`) is made anew from the table, or
    // opened again where other processes use the table; else it is lost
    // until its next use (IndexFile::lost). Gives what became of it, for
    // the message.
    std::string MarkBroken(IndexFile& file, const std::string& why);
    // An index file left broken by a write that failed between calls (a
    // held lock given back by the background thread): true with the
    // failure in `error`, the file made anew.
    bool FailedOutsideCalls(std::string& error);
    bool AccessFrom(const std::vector<IndexFile*>& files, std::size_t i,
                    const std::function<bool()>& f);
    void Apply(std::uint32_t recno, const char* oldImage, const char* newImage);
    // Whether every open index file is in an access now (shared use: its
    // lock is held), so keys may wait past it.
    bool AllInAccess() const;
    // Runs `change` on every tag that is not waiting for its rebuild, within
    // one access per index file; a file that fails is rebuilt.
    void ChangeUsableTags(const std::function<void(IndexTag&)>& change);
    // Puts the keys of the appended records first.. (count images one after
    // the other) into every tag.
    void ApplyAppended(std::uint32_t first, std::uint32_t count, const char* images);
    // Keys of the waiting records in one tag's stored form (key expression,
    // length, type and sort-weight table), and their order by (key, record).
    struct AppendedKeys {
        std::string keyExpression;
        int keyLength = 0;
        dbfcdx::CdxKeyType keyType = dbfcdx::CdxKeyType::Character;
        std::uint32_t collation = 0;
        std::string keys;
        std::vector<std::uint32_t> order;
    };
    // Results of one FOR expression for the waiting records.
    struct AppendedFilter {
        std::string forExpression;
        std::vector<char> in;
    };
    const AppendedKeys& KeysOfAppended(IndexTag& tag, std::uint32_t first, std::uint32_t count,
                                       const char* images, dbfexpr::ExprContext& context);
    const std::vector<char>& FilterOfAppended(IndexTag& tag, std::uint32_t first,
                                              std::uint32_t count, const char* images,
                                              dbfexpr::ExprContext& context);

    DbfTable& table_;
    std::vector<std::unique_ptr<IndexFile>> files_;
    IndexFile* production_ = nullptr;
    std::uint64_t generation_ = 1;
    std::string pendingError_;
    std::vector<std::pair<IndexFile*, std::string>> deferredBroken_;
    std::uint32_t pendingFirst_ = 0;  // first appended record whose keys wait
    std::uint32_t pendingCount_ = 0;  // records from it whose keys wait (0: none)
    std::vector<char> pendingImages_;  // their images, one after the other
    // Scratch of ApplyAppended and Apply (kept, so they allocate little).
    std::vector<AppendedKeys> appendedKeys_;
    std::size_t appendedKeysUsed_ = 0;
    std::vector<AppendedFilter> appendedFilters_;
    std::size_t appendedFiltersUsed_ = 0;
    std::string key_, oldKey_, stored_;
    mutable std::vector<dbfexpr::ExprField> fields_;  // Fields(), made at first use
};

// The engine's current sort-weight table as a CDX collation.
dbfcdx::CdxCollation CurrentCollation();

}  // namespace dbf
