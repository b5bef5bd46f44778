// CDX compound index files (FoxPro compact format): the file with its tag
// directory (CdxFile), the tags (CdxTag) and positions in a tag (CdxCursor).
//
// Keys. A tag stores keys of KeyLength() bytes and orders them by their bytes
// and then by record number. The caller hands keys in their expression form
// (character bytes, or the 8-byte forms of numbers and dates that
// expr_key.h makes, or "T"/"F"); a shorter key is padded (blank for character
// and logical keys, 0 for numeric and date keys) and a longer one cut. Of a
// character tag the stored key is the weight of each byte under the tag's
// collation (cdx_collation.h); FormKey() gives that stored form, which is what
// CdxCursor::Key() shows.
//
// Errors. Every fault of the file (foreign or truncated file, bad page, loop,
// keys out of order, I/O failure) is raised as CdxError naming the reason; the
// engine answers it by rebuilding the index. A tag that was left half-changed
// (not closed cleanly) or that was built with another sort-weight table opens
// with NeedsRebuild() true and refuses to be read until it is rebuilt.
//
// Pages are cached; changes stay in memory until Flush() (or Close()).
#pragma once

#include "platform/dbf/cdx_collation.h"
#include "platform/dbf/cdx_page.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dbfcdx {

enum class CdxKeyType : char { Character = 'C', Numeric = 'N', Date = 'D', Logical = 'L' };

struct CdxTagSpec {
    std::string name;           // up to 10 characters; stored in upper case
    std::string keyExpression;  // as written by the user
    std::string forExpression;  // empty: no FOR condition
    bool unique = false;        // only the first record of each key
    bool descending = false;    // recorded; keys are stored ascending either way
    int keyLength = 0;          // 1 to 240
    CdxKeyType keyType = CdxKeyType::Character;
};

// The keys a tag is built from: keys of one length, packed in one buffer.
class CdxKeySet {
public:
    explicit CdxKeySet(int keyLength, char pad = ' ') : keyLength_(keyLength), pad_(pad) {}
    void Reserve(std::size_t count);
    // Adds a key in its expression form (padded or cut to the key length).
    void Add(std::string_view key, std::uint32_t recno);
    std::size_t Size() const { return recnos_.size(); }
    int KeyLength() const { return keyLength_; }

private:
    friend class CdxFile;
    int keyLength_;
    char pad_;
    std::string keys_;
    std::vector<std::uint32_t> recnos_;
};

// Sorts `total` keys of `keyLength` bytes, one after the other in `keys`,
// by their bytes and equal keys by record number (`recnos`, one per key;
// null: the keys' places are in record order): `order` gets the places.
void CdxSortKeys(const char* keys, std::size_t total, int keyLength, const std::uint32_t* recnos,
                 std::vector<std::uint32_t>& order);

class CdxTag;

// A position in a tag. It stays usable across changes of the tag: the next
// move finds its key and record number again.
class CdxCursor {
public:
    bool Valid() const { return valid_; }
    std::string_view Key() const { return key_; }  // stored form
    std::uint32_t RecNo() const { return recno_; }

private:
    friend class CdxTag;
    bool valid_ = false;
    std::string key_;
    std::uint32_t recno_ = 0;
    std::uint32_t page_ = kNoPage;
    std::size_t index_ = 0;
    std::uint64_t stamp_ = 0;
    const CdxTag* tag_ = nullptr;
};

class CdxFile;

class CdxTag {
public:
    const std::string& Name() const { return name_; }
    const std::string& KeyExpression() const { return keyExpression_; }
    const std::string& ForExpression() const { return forExpression_; }
    bool Unique() const { return options_ & 0x01; }
    bool HasFor() const { return options_ & 0x08; }
    bool Descending() const { return descending_; }
    int KeyLength() const { return format_.keyLength; }
    CdxKeyType KeyType() const { return keyType_; }
    // Tags written by other programs do not record their key type; the engine
    // sets it from the key expression before it reads keys (default Character).
    void SetKeyType(CdxKeyType type);
    // Checksum of the sort-weight table the tag was built with (0 machine order).
    std::uint32_t CollationChecksum() const { return collationChecksum_; }
    // The sort-weight table the tag's character keys are stored with.
    const CdxCollation& Collation() const { return collation_; }

    // True when the tag must be rebuilt before use; RebuildReason() says why.
    bool NeedsRebuild() const { return !rebuildReason_.empty() || collationMismatch_; }
    std::string RebuildReason() const;

    // The table changed while the tag was set aside for another sort-weight
    // table (its keys were not kept in step): it must be rebuilt whatever
    // table comes next, in this process and in the next one to open the
    // file (its header keeps the dirty mark until the rebuild).
    void MissedChange();

    // The stored form of a key in expression form (padded, cut, weighted).
    std::string FormKey(std::string_view key) const;
    // The same into `out` (its buffer is reused).
    void FormKeyInto(std::string_view key, std::string& out) const;

    // Seeks. Each places the cursor on the first key (lowest record number
    // first) that is not below the probe, or makes it invalid past the end.
    // Exact: the key padded to full length must match; answers whether it does.
    bool SeekExact(std::string_view key, CdxCursor& cursor);
    // Soft: the probe is compared unpadded, over its own length; answers
    // whether the cursor stands on a key at all.
    bool SeekSoft(std::string_view key, CdxCursor& cursor);
    // Prefix: answers whether the key found begins with the probe.
    bool SeekPrefix(std::string_view key, CdxCursor& cursor);
    // Places the cursor on the entry (key, recno), or the first one after it.
    bool SeekEntry(std::string_view key, std::uint32_t recno, CdxCursor& cursor);

    // Moves in stored (ascending) order; false and an invalid cursor at the
    // ends. Next and Prev of an invalid cursor answer false (use First/Last).
    // A descending tag is walked from Last with Prev by the engine.
    bool First(CdxCursor& cursor);
    bool Last(CdxCursor& cursor);
    bool Next(CdxCursor& cursor);
    bool Prev(CdxCursor& cursor);
    // Visits the entries from the cursor's on, in stored order, while
    // `visit(key, recno)` gives true (the key in stored form, valid during
    // the call only); the cursor then stands on the entry that gave false,
    // or is invalid past the last. What a run of Next does, but the entries
    // of a leaf are taken one after the other, without finding the place
    // and copying the key anew for each.
    template <typename Visit>
    void Scan(CdxCursor& cursor, Visit&& visit)
    {
        ScanFrom(cursor, {&visit, [](void* v, std::string_view key, std::uint32_t recno) {
                              return (*static_cast<std::remove_reference_t<Visit>*>(v))(key, recno);
                          }});
    }

    // Adds the entry; false when it is there already, or when the tag is
    // unique and holds the key with another record.
    bool Insert(std::string_view key, std::uint32_t recno);
    // The same for a key already in its stored form (FormKey's result, of
    // KeyLength() bytes). Inserts in ascending order go fastest: the path
    // of the last insert is used again while the next entry belongs in the
    // same leaf.
    bool InsertStored(std::string_view stored, std::uint32_t recno);
    // Removes the entry; false when it is not there.
    bool Delete(std::string_view key, std::uint32_t recno);
    bool Contains(std::string_view key, std::uint32_t recno);
    std::size_t Count();
    // Calls `visit` with the record number of every entry, leaf by leaf.
    void ForEachRecord(const std::function<void(std::uint32_t)>& visit);
    // Changes whenever the entries may have changed (here or, seen at an
    // access, in another process).
    std::uint64_t Stamp() const { return stamp_; }

private:
    friend class CdxFile;
    struct ScanVisitor {
        void* self;
        bool (*call)(void*, std::string_view, std::uint32_t);
    };
    void ScanFrom(CdxCursor& cursor, ScanVisitor visit);
    struct Position {
        std::uint32_t page = kNoPage;
        std::size_t index = 0;
    };
    struct PathStep {
        std::uint32_t page;
        std::size_t index;
    };

    CdxTag(CdxFile& file, std::uint32_t header) : file_(file), header_(header) {}
    void CheckUsable() const;
    int Compare(const CdxNode& node, std::size_t i, std::string_view probe, std::uint32_t recno) const;
    // Descends to the first entry >= (probe, recno); fills `path` when given.
    Position LowerBound(std::string_view probe, std::uint32_t recno, std::vector<PathStep>* path);
    // LowerBound for a full-length probe, filling `path`: by the path of the
    // last change (finger_) when it is still a path of the tree and the
    // entry belongs in its leaf, else by a descent from the root.
    Position Descend(std::string_view probe, std::uint32_t recno, std::vector<PathStep>& path);
    // The leaf finger_ leads to, when it does and (probe, recno) lies above
    // its first entry and not above its last one (above it too when the
    // leaf is the last): the descent would end there. Else null.
    const CdxNode* FingerLeaf(std::string_view probe, std::uint32_t recno);
    // Moves a position past the end of its leaf to the next key (or the end).
    Position Normalize(Position position);
    bool Place(Position position, CdxCursor& cursor);
    bool Resync(CdxCursor& cursor, bool& onEntry);
    bool StepForward(Position& position, const CdxCursor& from);
    bool StepBack(Position& position, const CdxCursor& from);
    void FixParentKeys(const std::vector<PathStep>& path, std::size_t level);
    void SplitNode(std::vector<PathStep>& path, std::size_t level);
    void RemoveFromParent(std::vector<PathStep>& path, std::size_t level);
    void MergeLeaves(std::vector<PathStep>& path, std::size_t level);
    std::uint32_t LeftmostLeaf(bool rightmost);
    void MarkChanged();
    void ApplyCollation(const CdxCollation& collation);
    bool DoInsert(std::string_view stored, std::uint32_t recno);
    bool DoDelete(std::string_view stored, std::uint32_t recno);
    std::string HeaderBytes(bool dirty) const;

    CdxFile& file_;
    std::uint32_t header_;
    std::uint32_t root_ = kNoPage;
    std::string name_;
    std::string keyExpression_;
    std::string forExpression_;
    std::uint8_t options_ = 0x20;
    bool descending_ = false;
    CdxKeyType keyType_ = CdxKeyType::Character;
    bool ownKeyType_ = false;  // the header records the key type
    CdxPageFormat format_;
    CdxCollation collation_;
    std::uint32_t collationChecksum_ = 0;
    std::string rebuildReason_;    // damaged, dirty, other key type
    bool collationMismatch_ = false;  // built with another sort-weight table
    bool dirtyOnDisk_ = false;   // the dirty mark is set in the file
    bool headerChanged_ = false;
    std::uint32_t version_ = 0;
    std::uint64_t stamp_ = 1;
    std::size_t count_ = 0;
    bool countKnown_ = false;
    // Scratch of inserts and deletes (kept, so they allocate nothing).
    std::string stored_;
    std::vector<PathStep> path_;
    std::vector<PathStep> finger_;  // path of the last change (empty: none)
};

class CdxFile {
public:
    // Opens an existing index file. `collation` is the engine's current
    // sort-weight table: character tags built with another table open with
    // NeedsRebuild(). Throws CdxError when the file cannot be read as a CDX
    // file or was not closed cleanly after a change of its tag directory.
    static std::unique_ptr<CdxFile> Open(const std::string& path, bool readOnly,
                                         const CdxCollation& collation = CdxCollation(), bool shared = false);
    // Creates an empty index file (replacing any file of that name).
    static std::unique_ptr<CdxFile> Create(const std::string& path,
                                           const CdxCollation& collation = CdxCollation());
    // The same over a descriptor the caller keeps open (and closes).
    static std::unique_ptr<CdxFile> OpenFd(int fd, bool readOnly, const CdxCollation& collation = CdxCollation());
    // A file opened read-only is opened anew for writing (same descriptor
    // number, so nothing holding it changes). No-op when already writable.
    void ReopenWritable(const std::string& path);
    static std::unique_ptr<CdxFile> CreateFd(int fd, const CdxCollation& collation = CdxCollation());

    ~CdxFile();  // closes (flushing what is pending; errors are swallowed here)
    CdxFile(const CdxFile&) = delete;
    CdxFile& operator=(const CdxFile&) = delete;

    // Writes every pending change and clears the dirty marks (the pages and
    // the table's records synced first, see SetTable).
    void Flush();
    // fdatasync of the file (after Flush: the index is on disk).
    void Sync();
    // The same, where this object wrote anything since the last sync but a
    // clean directory mark that a flush wrote after its sync: a lost clean
    // mark leaves the synced dirty mark, which only makes the next open
    // rebuild the tags.
    void SyncChanges();
    // Before the table changes in a way the tags must follow (a record
    // written or appended): the file's dirty mark (in the directory header)
    // is written and synced, if it is not set yet; the next flush clears it
    // after the tags are written and synced. An open that finds it set rebuilds every tag, so a
    // table change whose keys never reached the file is never hidden behind
    // a clean index.
    void MarkChanging();
    // Whether MarkChanging would write the mark (it is not set yet, and
    // the file can take it): a change whose mark is set already needs no
    // look at which keys it touches.
    bool NeedsChangeMark() const
    {
        return !readOnly_ && brokenReason_.empty() && directory_ && !directory_->dirtyOnDisk_;
    }
    // Before the table's record numbers change (pack, zap): every tag header
    // is written with its dirty mark and synced, and the file is left
    // broken for this session (nothing more is written), so whatever happens
    // next, the tags are rebuilt rather than trusted.
    void MarkForRebuild(const std::string& reason);
    void Close();

    // Tags in the order of their creation. Under shared use the list follows
    // what other processes added and deleted (read again with the headers
    // when the change counter moved); TagListVersion() counts each change
    // of it. A tag another process deleted stays valid as an object (its
    // users may still point at it) but refuses to be read.
    std::uint64_t TagListVersion() const { return tagListVersion_; }
    std::size_t TagCount() const { return tags_.size(); }
    CdxTag& Tag(std::size_t i) { return *tags_[i]; }
    CdxTag* FindTag(std::string_view name);  // ignoring ASCII case

    // Builds a tag from its keys (any order; they are sorted here) and adds it
    // after the others; a tag of that name is replaced in its place.
    CdxTag& AddTag(const CdxTagSpec& spec, CdxKeySet keys);
    // Builds the tag anew from `keys` with the current collation, keeping its
    // definition and its place.
    void RebuildTag(std::string_view name, CdxKeySet keys);
    void DeleteTag(std::string_view name);

    // The engine's sort-weight table changed: used by the next builds, and
    // character tags built with another table now need a rebuild (those built
    // with this one are usable again).
    void SetCollation(const CdxCollation& collation);
    const CdxCollation& Collation() const { return collation_; }

    // Reads every page of every tag and checks the whole structure.
    void Verify();

    // Shared use: other processes may change the file. Every access then
    // runs under a lock on the file (a byte far beyond its pages: a read
    // lock for accesses that only read, shared by the readers of every
    // process, the write lock for changes, so every access sees a whole
    // tree): at its
    // start the directory header's version (the change counter) is read
    // again, and when another process changed the file the cached pages
    // (but for those compared byte for byte with the file when next used),
    // free list and tag headers are dropped and read anew. Exclusive use
    // (the default) takes no lock and keeps the changes in memory until
    // Flush.
    //
    // An access keeps the lock after it ends: the file is "held". Changes
    // stay in memory as under exclusive use, so a run of appends writes each
    // changed page once instead of after every change, and a run of reads
    // takes no lock and reads no version while it holds the lock. A held
    // lock is given back (pages and headers written first, version counted
    // up) by ReleaseLease: when another process waits for it (seen at the
    // next access, after a short turn of this one, or by a background
    // thread while the program does not call in), before this process
    // waits for any lock, at Flush, Close, and after a short while unused.
    void SetShared(bool shared);
    bool Shared() const { return shared_; }
    bool InAccess() const { return accessDepth_ > 0; }
    // Runs `f` (which gives a value) as one access that may change the
    // file, under the write lock; nested accesses share the outer one's
    // lock.
    template <typename F>
    auto Access(F&& f)
    {
        return RunAccess(true, std::forward<F>(f));
    }
    // The same for an access that only reads (seeks, walks, the tag list):
    // a read lock, which readers of other processes share, so a reader that
    // keeps its lock (or is stopped with it) keeps no other reader out;
    // only writers wait for it. A held write lock serves as well.
    template <typename F>
    auto ReadAccess(F&& f)
    {
        return RunAccess(false, std::forward<F>(f));
    }
    // Whether this process holds the file's write lock (changes can only
    // wait in memory under it).
    bool WriteLocked() const { return lockMode_ == LockMode::Write; }
    // Why the file is broken (empty: it is not).
    const std::string& BrokenReason() const { return brokenReason_; }

    // Whoever keeps work for this file outside it (the table's keys of an
    // appended record that wait for its fields): it is asked to hand them in
    // before a held lock goes.
    class LeaseOwner {
    public:
        // Puts what waits into the file's tags (runs within an access).
        virtual void SettleBeforeRelease() = 0;
        // In a child process after fork: the parent writes what waits.
        virtual void ForgetPending() = 0;

    protected:
        ~LeaseOwner() = default;
    };
    void SetLeaseOwner(LeaseOwner* owner) { leaseOwner_ = owner; }

    // The table the file indexes. A flush that clears the dirty marks first
    // has the table's records put on disk (with the file's pages), so a
    // clean mark never covers keys of records a crash could take away, nor
    // records whose keys it could; and it records the table's record count
    // in the directory header. A file whose recorded count differs from the
    // table's when it is read (at SetTable, or when another process changed
    // it) was left so by a crash (or changed by another program): every tag
    // is rebuilt, as after a change cut short.
    class IndexedTable {
    public:
        // The table's record count as on disk now.
        virtual std::uint32_t TableRecordCount() = 0;
        // Puts the table's records on disk and gives their count; raises
        // CdxError when they cannot be written.
        virtual std::uint32_t SyncTableRecords() = 0;

    protected:
        ~IndexedTable() = default;
    };
    // Sets the table (null: none; a flush then records no count) and
    // compares its record count with the file's.
    void SetTable(IndexedTable* table);
    bool Held() const { return held_; }
    // Counts the times this process took the index lock: while the file is
    // held and the number is the same, no other process changed the file
    // since (what an access read then still holds).
    std::uint64_t LockTurn() const { return lockTurns_; }
    // Shared use: a number, unique in the process, that changes whenever an
    // access finds the file changed by another process (and differs between
    // file objects). A process of this engine that writes a record whose
    // deletion mark changes changes this file (its tags follow the mark), so
    // while the number stands and the file has tags, no other process
    // deleted or recalled a record of the table.
    std::uint64_t ChangesSeen() const { return changesSeen_; }
    // Whether the file was found with a change cut short (the directory's
    // dirty mark, or a record count that differs from the table's) that no
    // access could take over yet: every tag must be rebuilt; and why.
    bool CutShort() const { return cutShort_; }
    const std::string& CutShortReason() const { return cutShortReason_; }
    // Shared use: an access keeps the lock after it ends (not when the file
    // is read-only or broken).
    bool KeepsLockAfterAccess() const { return shared_ && fd_ >= 0 && !readOnly_ && brokenReason_.empty(); }
    // Writes what the held lock kept in memory and gives the lock back
    // (no-op when not held). A write error leaves the file broken (its dirty
    // mark on disk makes every process rebuild it) and is raised.
    void ReleaseLease();
    // Gives back every held lock of this process that no access is using
    // (write errors are left to the next use of each file). Called before
    // this process waits for a lock, so nobody waits for it in a circle.
    static void ReleaseIdleLeases();

    // A change that failed half-way (CdxError from Insert, Delete, AddTag,
    // RebuildTag or DeleteTag after it had begun to change the file) leaves
    // the file unusable for this session: nothing more is written, its dirty
    // marks stay set, every later call raises CdxError. Recreate it.
    bool Broken() const { return !brokenReason_.empty(); }

private:
    friend class CdxTag;
    struct CachedNode {
        CdxNode node;
        CdxPageFormat format;  // of the tag whose tree holds the page
        bool dirty = false;
        // The page's bytes as the node stands, when known (empty: encode
        // anew). Kept from the last flush, so a leaf changed by single keys
        // since is patched instead of encoded again (shared use flushes
        // after every change).
        std::vector<std::uint8_t> image;
        // Kept from before another process changed the file: used again
        // only when the page's bytes on disk are still `image`.
        bool stale = false;
    };

    CdxFile(int fd, bool ownsFd, bool readOnly, const CdxCollation& collation);
    template <typename F>
    auto RunAccess(bool write, F&& f)
    {
        if (!shared_ || fd_ < 0)
            return f();
        BeginAccess(write);
        struct End {
            CdxFile& file;
            ~End() { file.EndAccess(); }
        } end{*this};
        return f();
    }
    void BeginAccess(bool write);
    void EndAccess();
    // Takes the index lock (`write`: the write lock, else a read lock),
    // waiting (with the waiting mark set) while another process holds it
    // against it; `handedOver`: this process just gave it back to a waiting
    // one, which goes first. Raises CdxBusy when the wait's limit passes or
    // its observer stops it.
    void AcquireIndexLock(bool handedOver, bool write);
    // Whether another process waits for the lock and its turn has come
    // after this one held it for `turn` (see kMinTurn, kWriterTurn).
    bool WaiterPresent(std::chrono::steady_clock::duration turn) const;
    // The same, looked at no more often than every few hundred microseconds
    // (false in between).
    bool WaiterSeen(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::duration turn);
    bool HasUnflushedChanges() const;
    void FlushShared();
    // Writes pending pages, the free list and headers (Flush's work).
    void WritePending();
    // In a child process after fork: the lock and what it kept belong to
    // the parent; nothing of it is written here.
    void ForgetLeaseAfterFork();
    friend struct LeaseRegistry;
    // Drops what is cached (pages whose bytes are known are kept, marked
    // stale) and reads the headers again (another process changed the file).
    void Refresh();
    // Reads the tag directory's entries again (Refresh): tags another
    // process added join the list, deleted ones are retired.
    void FollowDirectory();
    std::uint32_t DiskVersion();
    // After reading a directory header whose dirty mark is set: every tag
    // needs a rebuild (marked in its own header), the file's mark goes.
    void TakeOverCutShortChange();
    // A recorded record count that differs from the table's: taken as a
    // change cut short.
    void CheckCoverage();
    // Runs a changing call; a CdxError after the call had changed something
    // marks the file broken.
    template <typename F>
    auto Guarded(F&& change)
    {
        const std::uint64_t before = changes_;
        try {
            return change();
        } catch (const CdxError& error) {
            if (changes_ != before && brokenReason_.empty())
                brokenReason_ = error.what();
            throw;
        }
    }
    CdxTag& DoAddTag(const CdxTagSpec& spec, CdxKeySet& keys);
    void DoDeleteTag(std::string_view name);
    void Load();
    void InitEmpty();
    void ReadTagHeader(CdxTag& tag, bool directory);
    // The page's node (read when not cached). Most lookups are of a page
    // looked up just before: answered from recent_ here.
    CdxNode& Node(const CdxTag& tag, std::uint32_t page)
    {
        const RecentPage& recent = recent_[(page / kPageSize) % recent_.size()];
        if (recent.page == page && !recent.cached->stale &&
            recent.cached->format.keyLength == tag.format_.keyLength &&
            recent.cached->format.padByte == tag.format_.padByte)
            return recent.cached->node;
        return LookUpNode(tag, page);
    }
    CdxNode& LookUpNode(const CdxTag& tag, std::uint32_t page);
    // Decodes the page's bytes into the cache (the page is not cached).
    CdxNode& Remember(const CdxTag& tag, std::uint32_t page, const std::uint8_t* bytes);
    // The cached page, null when it is not cached.
    CachedNode* Cached(std::uint32_t page);
    CachedNode& CachedOrFail(std::uint32_t page);  // std::out_of_range as map::at
    // Whether the page is cached as part of a tree (a page kept from before
    // another process's change is dropped: it may be free now).
    bool InUse(std::uint32_t page);
    void EraseCached(std::uint32_t page);
    void ClearCache();
    void PutNode(const CdxTag& tag, std::uint32_t page, CdxNode node);
    void TouchNode(std::uint32_t page);
    // A leaf changed by a key inserted at / removed from `index` (its counts
    // kept): marked dirty, its kept bytes patched.
    void TouchLeaf(std::uint32_t page, std::size_t index, bool inserted);
    std::uint32_t AllocPage();
    // A page from the free list, kNoPage when it is empty.
    std::uint32_t TakeFreePage();
    // `count` pages for a build: free pages first (ascending), the rest
    // appended at the end of the file.
    std::vector<std::uint32_t> PagesForBuild(std::uint32_t count);
    void FreePage(std::uint32_t page);
    std::uint32_t AppendPages(std::uint32_t count);
    void ReadAt(std::uint64_t offset, void* data, std::size_t size);
    void WriteAt(std::uint64_t offset, const void* data, std::size_t size);
    void WriteHeader(CdxTag& tag, bool dirty);
    void MarkDirty(CdxTag& tag);
    void CheckWritable() const;
    void TrimCache();
    std::uint32_t BuildTree(CdxTag& tag, CdxKeySet& keys);
    void CollectPages(CdxTag& tag, std::vector<std::uint32_t>& pages);
    void DropPages(CdxTag& tag);
    void VerifyTag(CdxTag& tag, std::vector<std::uint8_t>& seen);
    void SetupTag(CdxTag& tag, const CdxTagSpec& spec);
    void NormalizeDirectory();

    int fd_ = -1;
    std::string path_;  // for the messages of a wait for the lock
    bool ownsFd_ = false;
    bool readOnly_ = false;
    CdxCollation collation_;
    std::uint64_t fileEnd_ = 0;
    std::uint32_t freeHead_ = kNoPage;
    bool foreignDirectory_ = false;  // written by another program
    std::unique_ptr<CdxTag> directory_;
    std::vector<std::unique_ptr<CdxTag>> tags_;  // by header offset = creation order
    std::vector<std::unique_ptr<CdxTag>> retiredTags_;  // deleted by another process
    std::uint64_t tagListVersion_ = 0;
    std::unordered_map<std::uint32_t, CachedNode> cache_;
    // The pages looked up last, by page number (most lookups are of pages
    // just used): pointers into cache_, whose entries stay where they are
    // until erased; an erase forgets them.
    struct RecentPage {
        std::uint32_t page = kNoPage;
        CachedNode* cached = nullptr;
    };
    std::array<RecentPage, 256> recent_{};
    std::vector<std::uint32_t> dirtyPages_;  // made dirty since the last flush
    std::size_t trimmedSize_ = 0;
    std::uint64_t changes_ = 0;  // counts changes begun, for Guarded
    std::string brokenReason_;
    std::map<std::uint32_t, std::uint32_t> pendingFree_;  // freed page -> next free page
    bool shared_ = false;
    bool cutShort_ = false;  // the directory header was read with its dirty mark
    std::string cutShortReason_;  // why (a dirty mark, a record count that differs)
    IndexedTable* table_ = nullptr;
    bool coveredKnown_ = false;  // the directory header records covered_
    std::uint32_t covered_ = 0;  // the table's record count the tags cover
    bool marksUnsynced_ = false;  // dirty marks written since the last sync
    bool unsynced_ = false;       // anything written since (see SyncChanges)
    // The directory's dirty mark was synced by MarkChanging: it alone makes
    // the next open rebuild every tag, so the tags' own marks need no sync.
    bool directoryMarkSynced_ = false;
    int accessDepth_ = 0;
    std::uint32_t seenVersion_ = 0;  // directory version of what is cached
    bool held_ = false;              // the lock is kept across accesses
    std::uint64_t lockTurns_ = 0;    // see LockTurn
    std::uint64_t changesSeen_;      // see ChangesSeen
    enum class LockMode { None, Read, Write };
    LockMode lockMode_ = LockMode::None;  // the index lock this process has
    std::chrono::steady_clock::time_point heldSince_{};  // start of this turn
    std::chrono::steady_clock::time_point lastUse_{};    // end of the last access
    std::chrono::steady_clock::time_point waiterLookedAt_{};
    LeaseOwner* leaseOwner_ = nullptr;
};

}  // namespace dbfcdx
