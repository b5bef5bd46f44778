// One open DBF table file with its memo file: the object every work area on
// that physical file shares (found by device and inode), so a write through
// one area is seen by the next read through any other. All record writes go
// through WriteRecord/AppendRecord, which keep the registered observers
// (index tags, query bitmaps) in step and refresh the other areas' buffers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbf/dbf_format.h"
#include "platform/dbf/deleted_marks.h"
#include "platform/dbf/file_io.h"
#include "platform/dbf/memo_file.h"

namespace dbf {

class TableIndexes;

// Told about every record change of a table.
class RecordObserver {
public:
    virtual ~RecordObserver() = default;
    // `oldImage` is null for an appended record. Images are record-length bytes.
    virtual void RecordWritten(std::uint32_t recno, const char* oldImage, const char* newImage) = 0;
    // Pack or zap renumbered or removed records.
    virtual void TableRebuilt() = 0;
};

// An area's view of the table's changes: its record buffer is refreshed when
// another area writes the record it stands on.
class TableClient {
public:
    virtual ~TableClient() = default;
    virtual std::uint32_t CurrentRecord() const = 0;  // 0 = none (phantom)
    virtual void RecordRefreshed(const char* image) = 0;
    virtual void TableRebuilt() = 0;
};

// Progress of long operations: done of total within one step.
using Progress = std::function<void(std::uint32_t done, std::uint32_t total)>;

enum class OpenMode { Shared = 0, ReadOnly = 1, Exclusive = 2 };

class DbfTable {
public:
    ~DbfTable();
    DbfTable(const DbfTable&) = delete;
    DbfTable& operator=(const DbfTable&) = delete;

    // Opens `path` (or joins the object already open on that file). A header
    // count that disagrees with the file size is reconciled; `note` then says
    // what was corrected and `repaired` is set.
    static std::shared_ptr<DbfTable> Open(const std::string& path, OpenMode mode,
                                          std::string& error, std::string& note, bool& repaired);
    // Writes a new empty table (and memo file when it has memo fields),
    // replacing files of that name; stale production index removed. Fails
    // while the file is open in this process.
    static bool Create(const std::string& path, const std::vector<FieldDef>& fields,
                       std::uint32_t memoBlockSize, std::string& error);
    // Finishes a pack or zap of `path` that was interrupted: rolled forward
    // when its new files were marked complete, else rolled back (the new
    // files removed). Called while no other process uses the table.
    static bool FinishRewrite(const std::string& path, std::string& error);
    // In a child process after fork: the open tables are the parent's (its
    // descriptions, its locks, its unwritten records); a table opened here
    // from now on is a table of its own, never one of those.
    static void ForgetOpenTablesAfterFork();

    const std::string& path() const { return path_; }
    const TableHeader& header() const { return header_; }
    const std::vector<FieldDef>& fields() const { return header_.fields; }
    std::uint32_t recordLength() const { return header_.recordLength; }
    bool exclusive() const { return exclusive_; }
    bool writable() const { return writable_; }
    bool hasMemoFields() const;
    MemoFile* memo() { return memo_.get(); }
    const std::string& memoError() const { return memoError_; }

    // Record count; re-read from the header when other processes may append.
    std::uint32_t RecordCount();
    // Counts record writes, packs and zaps (for caches of positions).
    std::uint64_t changeCount() const { return changes_; }
    // The count as last known, without looking at the file.
    std::uint32_t KnownRecordCount() const { return header_.recordCount; }
    // Reads record `recno` (1..count) into `out` (record length bytes).
    bool ReadRecord(std::uint32_t recno, char* out, std::string& error);
    // The bytes of record `recno` as ReadRecord gives them, read into
    // `scratch` only where they are not in memory (the mapping, the record
    // kept back): valid until the next call on the table. Null on failure.
    const char* RecordImage(std::uint32_t recno, char* scratch, std::string& error);
    // Reads `count` records from `first` on into `out` in one go.
    bool ReadRecords(std::uint32_t first, std::uint32_t count, char* out, std::string& error);
    // Maps records 1..count as far as they are on disk, so ReadRecord copies
    // them from memory instead of reading each from the file (for a series
    // of single reads). False when they cannot be mapped.
    bool MapRecords(std::uint32_t count, bool populate = false);
    // The deletion marks of the records this process read or wrote, when
    // they hold now (null when they cannot be trusted: then the records
    // are read). Exclusive use: always, kept in step by every write.
    // Shared use: while no other process changed the table since they were
    // seen, which the production index's change counter tells (read under
    // its lock when it is not held); without a production index with tags
    // never.
    const DeletedMarks* TrustedDeletedMarks();
    // Calls `visit` for records 1..count in order (each image valid during
    // the call only), reading the file as a whole rather than record by record.
    bool ScanRecords(std::uint32_t count,
                     const std::function<void(std::uint32_t, const char*)>& visit,
                     std::string& error);
    // Writes record `recno`; `writer` is the client whose buffer already holds it.
    // Shared, with `base` (the record as the writer last read it): only the
    // bytes that differ between `base` and `image` are written over the
    // record as it is on disk now, so a change another process made since
    // is kept; `image` then holds what was written.
    bool WriteRecord(std::uint32_t recno, char* image, const TableClient* writer,
                     std::string& error, const char* base = nullptr);
    // Appends a record: the record (and end-of-file byte) first, then the
    // header count.
    bool AppendRecord(const char* image, std::uint32_t& recno, std::string& error);
    // Writes what is pending (the record kept in memory, memo header, index
    // pages) and the date of last update and record count to the header.
    // Every part is tried; the first failure is reported.
    bool FlushHeader(std::string& error);
    // Exclusive use: writes the appended record kept in memory (then the
    // header count). Shared appends are on disk already.
    bool WriteAppended(std::string& error);
    // FlushHeader, then fdatasync of memo, table and index files as far as
    // they hold writes not yet synced: what was written is on disk.
    bool Commit(std::string& error);
    // Before an index file writes its clean marks: the records are put on
    // disk (the one kept in memory written first, the memo file synced
    // before the table) and `count` gets how many there are. False with
    // the reason when they cannot be written.
    bool SyncForIndex(std::uint32_t& count, std::string& error);
    // Shared use: forgets the appended record known in memory (it is on
    // disk) and gives the append lock back, before the index files' lock
    // goes: from then on another process may write or append.
    void SettleSharedTail();

    // Memo of a record image's field; false with a reason on damage.
    bool ReadMemo(const FieldDef& field, const char* image, std::string& out,
                  std::uint32_t* type, std::string& error);
    bool MemoLength(const FieldDef& field, const char* image, std::uint32_t& length,
                    std::string& error);
    // Stores `data` as a new memo and puts its reference into `image`
    // (empty data: the reference is cleared). The record is not written.
    bool StoreMemo(const FieldDef& field, char* image, std::string_view data, std::uint32_t type,
                   std::string& error);

    // Record locks: owner is the locking area's number. `timeoutSeconds` is
    // how long to wait while another process holds the lock.
    bool Lock(std::uint32_t recno, int owner, int timeoutSeconds, std::string& error);
    void Unlock(std::uint32_t recno, int owner);  // recno 0: all of owner's locks
    bool IsLockedBy(std::uint32_t recno, int owner) const;

    // Takes the table for this process alone (fails while another process
    // has it open) until the matching release; calls nest.
    bool EnsureExclusiveUse(std::string& error);
    // Writes are refused from now on with `reason` (a table opened without
    // the index other processes keep: its changes would be missing there).
    void RefuseWrites(const std::string& reason) { Break(reason); }
    void ReleaseExclusiveUse();

    // Removes deleted records and compacts the memo file into new files that
    // replace the old ones when complete.
    bool Pack(const Progress& progress, std::string& error);
    bool Zap(std::string& error);

    // Progress of the pack or zap that is running (null otherwise), for the
    // index rebuild that follows it.
    const Progress* activeProgress() const { return activeProgress_; }

    // The index files open on the table (made on first use).
    TableIndexes& Indexes();
    // A change of the index files that failed between the program's calls
    // (see TableIndexes::FailedInBackground).
    bool IndexesFailedInBackground(std::string& error);
    bool productionIndexTried = false;
    // Sets or clears the table flag "has a production index" in the header.
    bool MarkProductionIndex(bool on, std::string& error);

    void Attach(TableClient* client);
    void Detach(TableClient* client);
    void AddObserver(RecordObserver* observer);
    void RemoveObserver(RecordObserver* observer);

private:
    // Memo block the field of `image` refers to (0: no memo); false with a
    // reason when the reference is damaged or the memo file is unusable.
    bool MemoBlockOf(const FieldDef& field, const char* image, std::uint32_t& block,
                     std::string& error);
    DbfTable() = default;
    bool LoadHeader(std::string& error, std::string& note, bool& repaired);
    bool OpenMemo(std::string& error);
    // Opens the memo file again (after the table file was reopened).
    void ReopenMemo();
    // Pack (keepLive) or zap: the kept records and their memos go into new
    // files that replace the old ones (see FinishRewrite).
    bool Rewrite(bool keepLive, const Progress& progress, std::string& error);
    // After a failure that left the files half-replaced: every further use
    // fails with `reason`, nothing more is written.
    void Break(const std::string& reason);
    bool broken_ = false;
    int exclusiveHolds_ = 0;  // EnsureExclusiveUse calls not yet released
    std::string ReadOnlyReason() const;  // why writes are refused
    std::string brokenReason_;
    // Device and inode (the registry key) taken from the open descriptor.
    void UpdateIdentity();
    // A read-write opener joins a table so far open read-only: the file,
    // memo file and index files are opened anew for writing. Areas opened
    // read-only still refuse writes by their own mode.
    bool BecomeWritable(std::string& error);
    void Notify(std::uint32_t recno, const char* oldImage, const char* newImage,
                const TableClient* writer);
    void NotifyRebuilt();

    std::string path_;
    std::string memoPath_;
    FileHandle fd_;
    bool writable_ = false;
    bool exclusive_ = false;
    bool headerDirty_ = false;
    // This object wrote to the table since its last sync (true after an
    // open for writing: a process that died may have left writes unsynced).
    bool unsynced_ = false;
    bool WriteTable(const void* data, std::size_t size, std::uint64_t offset);
    // fdatasync of the memo file, then of the table, where they hold
    // unsynced writes; `forIndex` (shared use): the table and memo file
    // whatever this process wrote, as they hold the others' records too.
    bool SyncRecords(bool forIndex, std::string& error);
    // Whether the memo blocks records point to were looked at (see
    // KeepMemosClear).
    bool memosChecked_ = false;
    // Before the first memo this object stores: no new memo may take a
    // block a record points to past the memo file's end (left by a power
    // cut that kept the record and lost its memo).
    bool KeepMemosClear(std::string& error);
    TableHeader header_;
    std::unique_ptr<MemoFile> memo_;
    std::string memoError_;
    std::uint64_t device_ = 0, inode_ = 0;
    // The process that opened the file. A forked child inherits the object
    // but shares its open file description with the parent: it must neither
    // release the parent's locks nor write through it.
    int ownerPid_ = 0;
    bool Foreign() const;
    std::map<std::uint32_t, int> locks_;  // record -> owning area
    std::vector<TableClient*> clients_;
    std::vector<RecordObserver*> observers_;
    std::vector<char> scratch_;
    const Progress* activeProgress_ = nullptr;
    std::uint64_t changes_ = 0;
    // The last appended record. Exclusive use keeps it in memory until the
    // next append or flush, so an append and the writes that fill it cost
    // one record write (written before the header count, as every append).
    // Shared use writes it and the header count at once (a saved record is
    // on disk when its append returns) and keeps a copy while every index
    // file stays held after the append, holding the append lock meanwhile
    // (`appendLockHeld_`): no other process can write the record then, so
    // the writes that fill it go straight to the file without reading it
    // back. Both go before the index files' lock does (SettleSharedTail).
    std::vector<char> tail_;
    std::uint32_t tailRecno_ = 0;
    bool appendLockHeld_ = false;
    // The index files' dirty marks, then the tail written.
    bool FlushTail(std::string& error);
    bool WriteTail(std::string& error);
    void ReleaseAppendLock();
    // The index files' dirty marks, before the table changes.
    bool IndexesMarkChanging(std::string& error);
    // Whether any index file still lacks its dirty mark.
    bool IndexesNeedChangeMark() const;
    std::string appendBytes_;  // a shared append's record and end mark
    bool AppendShared(const char* image, std::uint32_t& recno, std::string& error);
    // `oldInScratch`: scratch_ holds the record as it is on disk (else it is
    // read when observers or the indexes need it).
    bool WriteRecordImage(std::uint32_t recno, const char* image, const TableClient* writer,
                          std::string& error, bool oldInScratch = false);
    // Shared: writes the record kept from its append (recno == tailRecno_).
    bool WriteJustAppended(std::uint32_t recno, const char* image, const TableClient* writer,
                           std::string& error);
    // The file mapped for reading by ScanRecords and MapRecords (null: none).
    void* map_ = nullptr;
    std::uint64_t mapLength_ = 0;
    void DropMap();
    // Single reads of each 4 KB page of the file made without the mapping
    // (saturating). The first touch of a mapped page is a page fault, which
    // on some virtual machines costs as much as a hundred reads of a record;
    // a page is copied from the mapping only once it was read that often.
    std::vector<std::uint8_t> pageReads_;
    static constexpr std::uint8_t kPageReadsBeforeMapping = 128;
    // Whether the record at `offset` is copied from the mapping (counts
    // the read otherwise).
    bool FromMapping(std::uint64_t offset);
    // See TrustedDeletedMarks; `marksSeen_`: the production index's
    // ChangesSeen under which they were learned (shared use).
    DeletedMarks deletedMarks_;
    std::uint64_t marksSeen_ = 0;
    std::unique_ptr<TableIndexes> indexes_;  // last: destroyed first
};

// Memo file path of a table path: same name with ".FPT" (".fpt" when the
// table's extension is lower case); an existing file of either case wins.
std::string MemoPathFor(const std::string& tablePath);
// Same for the production index (".CDX").
std::string SiblingPath(const std::string& tablePath, const char* upperExtension);

}  // namespace dbf
