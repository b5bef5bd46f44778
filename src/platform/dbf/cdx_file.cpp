#include "platform/dbf/cdx_file.h"

#include "platform/dbf/cdx_bytes.h"
#include "platform/dbf/cdx_internal.h"
#include "platform/dbf/cdx_lease.h"
#include "platform/dbf/engine_lock.h"
#include "platform/dbf/file_io.h"
#include "platform/dbf/lock_wait.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dbfcdx {

using namespace internal;

// ---------------------------------------------------------------------------
// CdxFile

namespace {
// The numbers ChangesSeen gives: never the same twice in a process.
std::uint64_t NextChangesSeen()
{
    static std::atomic<std::uint64_t> next{0};
    return ++next;
}
}  // namespace

CdxFile::CdxFile(int fd, bool ownsFd, bool readOnly, const CdxCollation& collation)
    : fd_(fd), ownsFd_(ownsFd), readOnly_(readOnly), collation_(collation), changesSeen_(NextChangesSeen())
{
}

CdxFile::~CdxFile()
{
    try {
        Close();
    } catch (...) {
    }
}

std::unique_ptr<CdxFile> CdxFile::Open(const std::string& path, bool readOnly, const CdxCollation& collation,
                                       bool shared)
{
    const int fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht öffnen: " + std::strerror(errno));
    std::unique_ptr<CdxFile> file(new CdxFile(fd, true, readOnly, collation));
    file->path_ = path;
    file->shared_ = shared;
    // Shared: read under the lock, so no half-done change of another
    // process is seen.
    file->ReadAccess([&] {
        file->Load();
        file->seenVersion_ = file->directory_->version_;
        return 0;
    });
    return file;
}

namespace {

// The index lock: one byte far beyond any page. A process that waits for
// it holds a read lock on one of the two bytes after it (the waiting mark:
// the first for a wait to change the file, the second for a wait to read
// it), so the process holding the index lock knows to give it back, and
// after which turn.
constexpr off_t kIndexLock = off_t(1) << 40;
constexpr off_t kIndexWaiting = kIndexLock + 1;
constexpr off_t kIndexReaderWaiting = kIndexLock + 2;
// How long a process that gave the lock to a waiting one lets it go first.
constexpr auto kHandOverGrace = std::chrono::milliseconds(5);
// How often a holder past its turn looks for the waiting mark (a system call)
// between accesses: a run of changes does not pay for a look each time.
constexpr auto kWaiterLookEvery = std::chrono::microseconds(250);

bool IndexLock(int fd, short type) { return dbf::LockByte(fd, type, kIndexLock); }

}  // namespace

void CdxFile::SetShared(bool shared)
{
    const dbf::EngineLock lock;
    if (shared == shared_)
        return;
    if (shared)
        Flush();  // what exclusive use kept in memory
    else
        ReleaseLease();
    shared_ = shared;
    seenVersion_ = directory_ ? directory_->version_ : 0;
}

void CdxFile::BeginAccess(bool write)
{
    if (accessDepth_ > 0) {
        // A change inside an access that only reads: the read lock becomes
        // the write lock when no other process reads now (waiting here for
        // the others while holding the read lock could wait in a circle).
        if (write && lockMode_ == LockMode::Read && !readOnly_) {
            if (!IndexLock(fd_, F_WRLCK))
                throw CdxBusy(path_, false);
            lockMode_ = LockMode::Write;
        }
        ++accessDepth_;
        return;
    }
    dbf::EngineMutex().lock();  // until the access ends
    bool begun = false;
    try {
        bool handedOver = false;
        if (held_) {
            // Another process waits: after a turn of this one, it gets the
            // lock with what this process changed written. (Only between
            // the engine's accesses: within one, every file it uses stays.)
            // The turn runs to the end of the last access (the clock is read
            // there): between accesses this process does not use the file,
            // and one that pauses has its lock handed over by the lease
            // watcher.
            const auto now = lastUse_;
            const bool handOver = LeaseRegistry::ActiveAccesses() == 0 && now - heldSince_ >= kMinTurn &&
                                  WaiterSeen(now, now - heldSince_);
            const bool upgrade = write && lockMode_ == LockMode::Read;
            if (!handOver) {
                // A held read lock becomes the write lock in place when no
                // other process reads: nothing can have changed meanwhile.
                if (upgrade && IndexLock(fd_, F_WRLCK))
                    lockMode_ = LockMode::Write;
                if (!write || lockMode_ == LockMode::Write) {
                    ++accessDepth_;
                    LeaseRegistry::AccessBegins();
                    begun = true;
                    if (write)
                        TakeOverCutShortChange();
                    return;
                }
            }
            // Else the read lock goes back and this process waits as others.
            ReleaseLease();
            handedOver = handOver;
        }
        AcquireIndexLock(handedOver, write);
        ++accessDepth_;
        LeaseRegistry::AccessBegins();
        begun = true;
        if (directory_ && DiskVersion() != seenVersion_)
            Refresh();
        // A change cut short that a reader found is taken over by the
        // first access that may write.
        if (write)
            TakeOverCutShortChange();
    } catch (...) {
        // (Once the access had begun, EndAccess gives the engine lock back.)
        if (begun)
            EndAccess();
        else
            dbf::EngineMutex().unlock();
        throw;
    }
}

void CdxFile::AcquireIndexLock(bool handedOver, bool write)
{
    // (A read-only opener can only take a read lock; it keeps writers out
    // all the same.)
    const short type = readOnly_ || !write ? F_RDLCK : F_WRLCK;
    const LockMode mode = type == F_WRLCK ? LockMode::Write : LockMode::Read;
    ++lockTurns_;
    if (!handedOver && IndexLock(fd_, type)) {
        lockMode_ = mode;
        return;
    }
    if (!handedOver && errno != EAGAIN && errno != EACCES && errno != EINTR)
        throw CdxError(std::string("Die Indexdatei lässt sich nicht sperren: ") + std::strerror(errno));
    // Whoever holds it may wait for a lock this process holds: those go
    // back first. Then the waiting mark tells the holder to give it back.
    ReleaseIdleLeases();
    const off_t mark = type == F_WRLCK ? kIndexWaiting : kIndexReaderWaiting;
    dbf::LockByte(fd_, F_RDLCK, mark);
    struct Unmark {
        int fd;
        off_t mark;
        ~Unmark() { dbf::LockByte(fd, F_UNLCK, mark); }
    } unmark{fd_, mark};
    const auto start = dbf::LockWaitNow();
    const auto limit = dbf::IndexLockWait();
    if (handedOver) {
        // The process this one gave the lock to goes first (it tries in
        // short steps): wait until it has it, for a short while at most.
        while (!dbf::LockedByOther(fd_, F_WRLCK, kIndexLock) && dbf::LockWaitNow() - start < kHandOverGrace)
            dbf::LockWaitPause(std::chrono::microseconds(20));
    }
    // Tried again in short steps that grow: a process that dies gives its
    // lock back at once, a busy one after its turn. The holder keeps the
    // file sound (a stopped process keeps it as it is): a wait that lasts
    // too long only makes the file busy, never damaged.
    auto step = std::chrono::microseconds(20);
    struct Told {
        const std::string& path;
        bool told = false;
        ~Told()
        {
            if (told)
                dbf::TellLockWait({path, {}, true});
        }
    } told{path_};
    for (;;) {
        if (IndexLock(fd_, type)) {
            lockMode_ = mode;
            return;
        }
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            throw CdxError(std::string("Die Indexdatei lässt sich nicht sperren: ") + std::strerror(errno));
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(dbf::LockWaitNow() - start);
        if (waited >= limit)
            throw CdxBusy(path_, false);
        told.told = true;
        if (!dbf::TellLockWait({path_, waited, false}))
            throw CdxBusy(path_, true);
        dbf::LockWaitPause(step);
        step = std::min(step * 2, std::chrono::microseconds(1000));
    }
}

bool CdxFile::WaiterPresent(std::chrono::steady_clock::duration turn) const
{
    // Past a writer's turn any waiting mark counts, before it only a reader's.
    if (turn >= kWriterTurn)
        return dbf::LockedByOther(fd_, F_WRLCK, kIndexWaiting, 2);
    return dbf::LockedByOther(fd_, F_WRLCK, kIndexReaderWaiting);
}

bool CdxFile::WaiterSeen(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::duration turn)
{
    if (now - waiterLookedAt_ < kWaiterLookEvery)
        return false;
    waiterLookedAt_ = now;
    return WaiterPresent(turn);
}

void CdxFile::EndAccess()
{
    if (--accessDepth_ > 0)
        return;
    LeaseRegistry::AccessEnds();
    // Kept after reading too: the next access then needs no lock round and
    // no version read while no other process asks for the lock.
    if (KeepsLockAfterAccess()) {
        const auto now = std::chrono::steady_clock::now();
        if (!held_) {
            held_ = true;
            heldSince_ = now;
            LeaseRegistry::Held(*this);
        }
        lastUse_ = now;
        LeaseRegistry::NoteUse(now);
    } else {
        if (held_) {
            held_ = false;
            LeaseRegistry::Released(*this);
        }
        if (fd_ >= 0)
            IndexLock(fd_, F_UNLCK);
        lockMode_ = LockMode::None;
    }
    dbf::EngineMutex().unlock();
}

void CdxFile::ReleaseLease()
{
    const dbf::EngineLock lock;
    if (!held_ || accessDepth_ > 0)
        return;
    // Within an access of its own: what the owner settles goes in under
    // the lock still held, and nested accesses neither lock nor hand over.
    ++accessDepth_;
    LeaseRegistry::AccessBegins();
    struct Done {
        CdxFile& file;
        ~Done()
        {
            --file.accessDepth_;
            LeaseRegistry::AccessEnds();
            file.held_ = false;
            LeaseRegistry::Released(file);
            if (file.fd_ >= 0)
                IndexLock(file.fd_, F_UNLCK);
            file.lockMode_ = LockMode::None;
        }
    } done{*this};
    if (leaseOwner_)
        leaseOwner_->SettleBeforeRelease();
    try {
        FlushShared();
    } catch (const std::exception& error) {
        // The dirty mark stays on disk: every process rebuilds the file.
        if (brokenReason_.empty())
            brokenReason_ = error.what();
        throw;
    }
}

void CdxFile::ForgetLeaseAfterFork()
{
    held_ = false;
    lockMode_ = LockMode::None;
    // The lock belongs to the open file description shared with the
    // parent: giving it back here would take it from the parent.
    for (auto it = cache_.begin(); it != cache_.end();)
        it = it->second.dirty ? cache_.erase(it) : std::next(it);
    recent_.fill({});
    dirtyPages_.clear();
    pendingFree_.clear();
    if (directory_)
        directory_->dirtyOnDisk_ = directory_->headerChanged_ = false;
    directoryMarkSynced_ = false;
    for (auto& tag : tags_)
        tag->dirtyOnDisk_ = tag->headerChanged_ = false;
    seenVersion_ = 0;  // read everything again at the next access
    if (leaseOwner_)
        leaseOwner_->ForgetPending();
}

std::uint32_t CdxFile::DiskVersion()
{
    std::uint8_t bytes[4];
    ReadAt(8, bytes, sizeof bytes);
    return Le32(bytes);
}

bool CdxFile::HasUnflushedChanges() const
{
    if (!directory_)
        return false;
    bool changed = !pendingFree_.empty() || !dirtyPages_.empty() || directory_->dirtyOnDisk_ ||
                   directory_->headerChanged_;
    for (const auto& tag : tags_)
        changed = changed || tag->dirtyOnDisk_ || tag->headerChanged_;
    return changed;
}

void CdxFile::FlushShared()
{
    if (readOnly_ || !directory_ || !brokenReason_.empty())
        return;
    // Any change counts up the directory's version: the others' sign to
    // read the file again.
    if (!HasUnflushedChanges())
        return;
    directory_->headerChanged_ = true;
    WritePending();
    seenVersion_ = directory_->version_;
}

void CdxFile::TakeOverCutShortChange()
{
    if (!cutShort_)
        return;
    for (auto& tag : tags_)
        tag->rebuildReason_ = cutShortReason_;
    // Written only under the write lock: a reader (shared, its read lock)
    // leaves the mark for the next access that may write.
    if (readOnly_ || (shared_ && lockMode_ != LockMode::Write))
        return;
    // The tags keep the mark each on their own (they are rebuilt one by
    // one); the file's mark goes.
    // (Not counted as dirty on disk: a flush leaves them marked until each
    // is rebuilt.)
    for (auto& tag : tags_)
        WriteHeader(*tag, true);
    Sync();
    // The tags are rebuilt from the table as it is now: the count they
    // will cover (each stays marked until it is).
    coveredKnown_ = table_ != nullptr;
    if (table_)
        covered_ = table_->SyncTableRecords();
    cutShort_ = false;
    ++directory_->version_;  // other processes read the marked tags again
    WriteHeader(*directory_, false);
    seenVersion_ = directory_->version_;
}

void CdxFile::MarkChanging()
{
    if (readOnly_ || !brokenReason_.empty() || !directory_ || directory_->dirtyOnDisk_)
        return;  // a broken file keeps the marks it has
    // Shared: the mark counts the version up too, so a process that finds
    // the mark left by one that died reads the file again.
    if (shared_)
        ++directory_->version_;
    WriteHeader(*directory_, true);
    // On disk before the table changes: whatever of the change a crash
    // leaves, the next open finds the mark (once until the next flush).
    Sync();
    marksUnsynced_ = false;
    directoryMarkSynced_ = true;
    directory_->dirtyOnDisk_ = true;
    seenVersion_ = directory_->version_;
}

void CdxFile::SetTable(IndexedTable* table)
{
    const dbf::EngineLock lock;
    table_ = table;
    if (!table_ || !directory_ || fd_ < 0)
        return;
    ReadAccess([&] {
        CheckCoverage();
        return 0;
    });
}

void CdxFile::CheckCoverage()
{
    if (!table_ || !coveredKnown_ || cutShort_)
        return;
    const std::uint32_t count = table_->TableRecordCount();
    if (count == covered_)
        return;
    cutShort_ = true;
    cutShortReason_ = "Die Indexdatei deckt " + std::to_string(covered_) + " Sätze ab, die Tabelle hat " +
                      std::to_string(count);
    TakeOverCutShortChange();
}

void CdxFile::Refresh()
{
    changesSeen_ = NextChangesSeen();
    // Pages whose bytes are known are kept, to be compared with the file
    // when next used (most pages of a large index are not changed between
    // two accesses); the others go.
    recent_.fill({});
    for (auto it = cache_.begin(); it != cache_.end();) {
        if (it->second.dirty || it->second.image.empty()) {
            it = cache_.erase(it);
        } else {
            it->second.stale = true;
            ++it;
        }
    }
    dirtyPages_.clear();
    trimmedSize_ = 0;
    pendingFree_.clear();
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw CdxError(std::string("Indexdatei lässt sich nicht lesen: ") + std::strerror(errno));
    fileEnd_ = static_cast<std::uint64_t>(st.st_size);
    ReadTagHeader(*directory_, true);
    ++directory_->stamp_;
    directory_->dirtyOnDisk_ = directory_->headerChanged_ = false;
    directoryMarkSynced_ = false;
    FollowDirectory();
    for (auto& tag : tags_) {
        tag->rebuildReason_.clear();
        tag->dirtyOnDisk_ = tag->headerChanged_ = false;
        tag->countKnown_ = false;
        ++tag->stamp_;
        ReadTagHeader(*tag, false);
    }
    CheckCoverage();
    TakeOverCutShortChange();
    seenVersion_ = directory_->version_;
}

void CdxFile::FollowDirectory()
{
    std::vector<std::pair<std::uint32_t, std::string>> entries;
    CdxCursor cursor;
    for (bool ok = directory_->First(cursor); ok; ok = directory_->Next(cursor))
        entries.emplace_back(cursor.RecNo(), TrimName(cursor.Key()));
    std::sort(entries.begin(), entries.end());
    bool same = entries.size() == tags_.size();
    for (std::size_t i = 0; same && i < entries.size(); ++i)
        same = tags_[i]->header_ == entries[i].first && tags_[i]->name_ == entries[i].second;
    if (same)
        return;
    std::vector<std::unique_ptr<CdxTag>> list;
    for (const auto& [header, name] : entries) {
        auto known = std::find_if(tags_.begin(), tags_.end(), [&, h = header, n = name](const auto& t) {
            return t && t->header_ == h && t->name_ == n;
        });
        if (known != tags_.end()) {
            list.push_back(std::move(*known));
        } else {
            // (Its header is read with the others' next, in Refresh.)
            list.emplace_back(new CdxTag(*this, header));
            list.back()->name_ = name;
        }
    }
    for (auto& gone : tags_) {
        if (!gone)
            continue;
        gone->rebuildReason_ = "Der Index " + gone->name_ + " wurde von einem anderen Programm gelöscht";
        retiredTags_.push_back(std::move(gone));
    }
    tags_ = std::move(list);
    directory_->count_ = tags_.size();
    directory_->countKnown_ = true;
    ++tagListVersion_;
}

std::unique_ptr<CdxFile> CdxFile::Create(const std::string& path, const CdxCollation& collation)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht anlegen: " + std::strerror(errno));
    std::unique_ptr<CdxFile> file(new CdxFile(fd, true, false, collation));
    file->path_ = path;
    file->InitEmpty();
    return file;
}

std::unique_ptr<CdxFile> CdxFile::OpenFd(int fd, bool readOnly, const CdxCollation& collation)
{
    std::unique_ptr<CdxFile> file(new CdxFile(fd, false, readOnly, collation));
    file->Load();
    return file;
}

void CdxFile::ReopenWritable(const std::string& path)
{
    if (!readOnly_ || fd_ < 0)
        return;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht zum Schreiben öffnen: " + std::strerror(errno));
    const int placed = ::dup2(fd, fd_);
    ::close(fd);
    if (placed < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht zum Schreiben öffnen: " + std::strerror(errno));
    readOnly_ = false;
}

std::unique_ptr<CdxFile> CdxFile::CreateFd(int fd, const CdxCollation& collation)
{
    if (!dbf::TruncateFile(fd, 0))
        throw CdxError(std::string("Indexdatei lässt sich nicht leeren: ") + std::strerror(errno));
    std::unique_ptr<CdxFile> file(new CdxFile(fd, false, false, collation));
    file->InitEmpty();
    return file;
}

void CdxFile::InitEmpty()
{
    fileEnd_ = kHeaderSize;
    directory_.reset(new CdxTag(*this, 0));
    CdxTag& dir = *directory_;
    dir.name_ = "";
    dir.options_ = 0x20 | 0x40;
    dir.format_ = {kDirectoryKeyLength, ' '};
    dir.root_ = AppendPages(1);
    CdxNode root;
    root.root = true;
    PutNode(dir, dir.root_, std::move(root));
    dir.countKnown_ = true;
    dir.headerChanged_ = true;
    Flush();
}

void CdxFile::ReadAt(std::uint64_t offset, void* data, std::size_t size)
{
    if (fd_ < 0)
        throw CdxError("Die Indexdatei ist geschlossen");
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = dbf::ReadFaulted(path_) ? -1 : ::pread(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CdxError(std::string("Lesefehler in der Indexdatei: ") + std::strerror(errno));
        if (n == 0)
            throw CdxError("Die Indexdatei ist kürzer als ihre Verweise (abgeschnitten)");
        p += n;
        size -= n;
        offset += n;
    }
}

void CdxFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (fd_ < 0)
        throw CdxError("Die Indexdatei ist geschlossen");
    // Other processes may read the file now: never written under a read lock.
    if (shared_ && lockMode_ == LockMode::Read)
        throw CdxError("Die Indexdatei ist nur zum Lesen gesperrt");
    unsynced_ = true;
    if (!dbf::WriteAt(fd_, data, size, offset))
        throw CdxError(std::string("Schreibfehler in der Indexdatei: ") + std::strerror(errno));
}

void CdxFile::Sync()
{
    if (fd_ >= 0 && !readOnly_ && !dbf::SyncFile(fd_))
        throw CdxError(std::string("Die Indexdatei lässt sich nicht auf die Platte schreiben: ") +
                       std::strerror(errno));
    unsynced_ = false;
}

void CdxFile::SyncChanges()
{
    if (unsynced_)
        Sync();
}

void CdxFile::CheckWritable() const
{
    if (!brokenReason_.empty())
        throw CdxError("Die Indexdatei ist nach einem Fehler beim Ändern unbrauchbar: " + brokenReason_);
    if (readOnly_)
        throw CdxError("Die Indexdatei ist nur zum Lesen geöffnet");
}

void CdxFile::ReadTagHeader(CdxTag& tag, bool directory)
{
    if (tag.header_ % kPageSize != 0 || tag.header_ + std::uint64_t{kHeaderSize} > fileEnd_ ||
        (!directory && tag.header_ < kHeaderSize))
        throw CdxError("Das Tag-Verzeichnis der Indexdatei verweist auf eine ungültige Stelle (" +
                       std::to_string(tag.header_) + ")");
    std::uint8_t h[kHeaderSize];
    ReadAt(tag.header_, h, sizeof h);
    const std::string which = directory ? std::string("Kopf der Indexdatei") : "Kopf des Index " + tag.name_;
    const int keyLength = Le16(h + 12);
    if (keyLength < 1 || keyLength > kMaxKeyLength)
        throw CdxError(which + ": ungültige Schlüssellänge " + std::to_string(keyLength));
    tag.options_ = h[14];
    if (!(tag.options_ & 0x20))
        throw CdxError(which + ": kein kompakter Index");
    if (directory && !(tag.options_ & 0x40))
        throw CdxError("Die Datei ist keine Mehrfachindexdatei (CDX)");
    tag.root_ = Le32(h);
    const bool ours = std::memcmp(h + kEngineMark, kEngineMagic, sizeof kEngineMagic) == 0;
    const bool dirty = ours && h[kEngineDirty] != 0;
    if (tag.root_ % kPageSize != 0 || tag.root_ < kHeaderSize || tag.root_ + std::uint64_t{kPageSize} > fileEnd_) {
        // A tag that is rebuilt anyway (its own mark, or the directory's)
        // may point to pages a cut kept from the disk: a flush writes the
        // tag headers with the pages, before their sync.
        if (directory || !(dirty || cutShort_))
            throw CdxError(which + ": ungültiger Wurzelverweis " + std::to_string(tag.root_));
        tag.rebuildReason_ = which + ": ungültiger Wurzelverweis " + std::to_string(tag.root_);
        tag.root_ = kNoPage;
    }
    tag.version_ = Le32(h + 8);
    tag.descending_ = Le16(h + 502) != 0;
    tag.keyExpression_ = PoolText(h + 512, Le16(h + 508), Le16(h + 510));
    tag.forExpression_ = PoolText(h + 512, Le16(h + 504), Le16(h + 506));
    tag.format_.keyLength = keyLength;
    if (ours && ValidKeyType(static_cast<char>(h[kEngineKeyType]))) {
        tag.keyType_ = static_cast<CdxKeyType>(h[kEngineKeyType]);
        tag.ownKeyType_ = true;
    }
    tag.format_.padByte = PadFor(tag.keyType_);
    tag.collationChecksum_ = ours ? Le32(h + kEngineCollation) : 0;
    if (directory) {
        // A change was cut short: the tag list is read (a torn one fails
        // below), every tag needs a rebuild, and the free list is not
        // trusted.
        cutShort_ = dirty;
        if (dirty)
            cutShortReason_ = "Die Indexdatei wurde bei einer Änderung nicht sauber geschlossen";
        coveredKnown_ = ours && h[kEngineCountKnown] == 1;
        covered_ = coveredKnown_ ? Le32(h + kEngineRecordCount) : 0;
        freeHead_ = ours && !dirty ? Le32(h + 4) : kNoPage;  // a foreign free list is not trusted
        foreignDirectory_ = !ours;
        if (freeHead_ == 0)
            freeHead_ = kNoPage;
        return;
    }
    if (dirty && tag.rebuildReason_.empty())
        tag.rebuildReason_ = "Der Index " + tag.name_ + " wurde bei einer Änderung nicht sauber geschlossen";
    tag.ApplyCollation(collation_);
}

void CdxFile::Load()
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw CdxError(std::string("Indexdatei lässt sich nicht lesen: ") + std::strerror(errno));
    if (st.st_size < static_cast<off_t>(kHeaderSize + kPageSize))
        throw CdxError("Die Indexdatei ist zu kurz (" + std::to_string(st.st_size) + " Bytes)");
    if (st.st_size % kPageSize != 0)
        throw CdxError("Die Länge der Indexdatei ist kein Vielfaches von 512 (abgeschnitten?)");
    if (static_cast<std::uint64_t>(st.st_size) > 0xFFFFFE00u)
        throw CdxError("Die Indexdatei ist größer als 4 GB");
    fileEnd_ = static_cast<std::uint64_t>(st.st_size);
    directory_.reset(new CdxTag(*this, 0));
    ReadTagHeader(*directory_, true);
    directory_->keyType_ = CdxKeyType::Character;
    directory_->format_.padByte = ' ';
    directory_->collation_ = CdxCollation();
    directory_->collationChecksum_ = 0;

    CdxCursor cursor;
    std::vector<std::uint32_t> headers;
    for (bool ok = directory_->First(cursor); ok; ok = directory_->Next(cursor)) {
        const std::uint32_t header = cursor.RecNo();
        if (std::find(headers.begin(), headers.end(), header) != headers.end())
            throw CdxError("Zwei Indexe der Datei teilen sich einen Kopf");
        headers.push_back(header);
        std::unique_ptr<CdxTag> tag(new CdxTag(*this, header));
        tag->name_ = TrimName(cursor.Key());
        ReadTagHeader(*tag, false);
        tags_.push_back(std::move(tag));
    }
    directory_->count_ = tags_.size();
    directory_->countKnown_ = true;
    std::sort(tags_.begin(), tags_.end(), [](const auto& a, const auto& b) { return a->header_ < b->header_; });
    TakeOverCutShortChange();
    for (auto& tag : tags_) {
        if (!tag->NeedsRebuild()) {
            try {
                Node(*tag, tag->root_);
            } catch (const CdxError& error) {
                tag->rebuildReason_ = error.what();
            }
        }
    }
}

CdxFile::CachedNode* CdxFile::Cached(std::uint32_t page)
{
    RecentPage& recent = recent_[(page / kPageSize) % recent_.size()];
    if (recent.page == page)
        return recent.cached;
    auto it = cache_.find(page);
    if (it == cache_.end())
        return nullptr;
    recent = {page, &it->second};
    return &it->second;
}

void CdxFile::EraseCached(std::uint32_t page)
{
    RecentPage& recent = recent_[(page / kPageSize) % recent_.size()];
    if (recent.page == page)
        recent = {};
    cache_.erase(page);
}

void CdxFile::ClearCache()
{
    recent_.fill({});
    cache_.clear();
}

CdxNode& CdxFile::LookUpNode(const CdxTag& tag, std::uint32_t page)
{
    CachedNode* cached = Cached(page);
    if (cached && cached->stale) {
        const bool sameFormat = cached->format.keyLength == tag.format_.keyLength &&
                                cached->format.padByte == tag.format_.padByte;
        std::uint8_t bytes[kPageSize];
        if (sameFormat && page + std::uint64_t{kPageSize} <= fileEnd_) {
            ReadAt(page, bytes, sizeof bytes);
            if (std::memcmp(bytes, cached->image.data(), kPageSize) == 0) {
                cached->stale = false;
                return cached->node;
            }
            EraseCached(page);
            return Remember(tag, page, bytes);
        }
        EraseCached(page);
        cached = nullptr;
    }
    if (cached) {
        const CdxPageFormat& format = cached->format;
        if (format.keyLength != tag.format_.keyLength || format.padByte != tag.format_.padByte)
            throw CdxError("Der Index " + tag.name_ + " ist beschädigt: Seite " + std::to_string(page) +
                           " gehört zu einem anderen Index");
        return cached->node;
    }
    if (page % kPageSize != 0 || page < kHeaderSize || page + std::uint64_t{kPageSize} > fileEnd_)
        throw CdxError("Der Index " + tag.name_ + " ist beschädigt: Seitenverweis " + std::to_string(page) +
                       " außerhalb der Datei");
    std::uint8_t bytes[kPageSize];
    ReadAt(page, bytes, sizeof bytes);
    return Remember(tag, page, bytes);
}

CdxNode& CdxFile::Remember(const CdxTag& tag, std::uint32_t page, const std::uint8_t* bytes)
{
    CachedNode& cached = cache_[page];
    cached.node = CdxDecodePage(bytes, tag.format_, page);
    cached.format = tag.format_;
    recent_[(page / kPageSize) % recent_.size()] = {page, &cached};
    return cached.node;
}

void CdxFile::PutNode(const CdxTag& tag, std::uint32_t page, CdxNode node)
{
    CachedNode fresh;
    fresh.node = std::move(node);
    fresh.format = tag.format_;
    fresh.dirty = true;
    cache_[page] = std::move(fresh);
    dirtyPages_.push_back(page);
}

bool CdxFile::InUse(std::uint32_t page)
{
    CachedNode* cached = Cached(page);
    if (cached && cached->stale) {
        // Another process may have freed it since.
        EraseCached(page);
        return false;
    }
    return cached != nullptr;
}

CdxFile::CachedNode& CdxFile::CachedOrFail(std::uint32_t page)
{
    CachedNode* cached = Cached(page);
    if (!cached)
        throw std::out_of_range("CDX page not cached");
    return *cached;
}

void CdxFile::TouchNode(std::uint32_t page)
{
    CachedNode& cached = CachedOrFail(page);
    if (!cached.dirty)
        dirtyPages_.push_back(page);
    cached.dirty = true;
    cached.image.clear();
}

void CdxFile::TouchLeaf(std::uint32_t page, std::size_t index, bool inserted)
{
    CachedNode& cached = CachedOrFail(page);
    if (!cached.dirty)
        dirtyPages_.push_back(page);
    cached.dirty = true;
    if (cached.image.empty())
        return;
    const bool patched = inserted ? CdxPatchLeafInsert(cached.node, cached.format, index, cached.image.data())
                                  : CdxPatchLeafRemove(cached.node, cached.format, index, cached.image.data());
    if (!patched)
        cached.image.clear();
}

void CdxFile::TrimCache()
{
    // Dirty pages stay until the flush; trimming again only once the cache
    // has grown well past what the last trim left keeps this cheap.
    if (cache_.size() <= std::max(kCacheLimit, 2 * trimmedSize_))
        return;
    recent_.fill({});
    for (auto it = cache_.begin(); it != cache_.end();) {
        if (it->second.dirty)
            ++it;
        else
            it = cache_.erase(it);
    }
    trimmedSize_ = cache_.size();
}

std::uint32_t CdxFile::AppendPages(std::uint32_t count)
{
    if (fileEnd_ + std::uint64_t{count} * kPageSize > 0xFFFFFE00u)
        throw CdxError("Die Indexdatei würde größer als 4 GB");
    const auto page = static_cast<std::uint32_t>(fileEnd_);
    fileEnd_ += std::uint64_t{count} * kPageSize;
    return page;
}

std::uint32_t CdxFile::AllocPage()
{
    MarkDirty(*directory_);
    const std::uint32_t page = TakeFreePage();
    return page != kNoPage ? page : AppendPages(1);
}

std::uint32_t CdxFile::TakeFreePage()
{
    if (freeHead_ == kNoPage)
        return kNoPage;
    const std::uint32_t page = freeHead_;
    if (page % kPageSize != 0 || page < kHeaderSize || page + std::uint64_t{kPageSize} > fileEnd_ ||
        InUse(page)) {
        freeHead_ = kNoPage;  // a broken free list is dropped: its pages stay unused
        return kNoPage;
    }
    auto pending = pendingFree_.find(page);
    if (pending != pendingFree_.end()) {
        freeHead_ = pending->second;
        pendingFree_.erase(pending);
    } else {
        std::uint8_t link[4];
        ReadAt(page, link, sizeof link);
        freeHead_ = Le32(link);
        if (freeHead_ == 0 || freeHead_ == page)
            freeHead_ = kNoPage;
    }
    return page;
}

std::vector<std::uint32_t> CdxFile::PagesForBuild(std::uint32_t count)
{
    std::vector<std::uint32_t> pages;
    pages.reserve(count);
    if (freeHead_ != kNoPage)
        MarkDirty(*directory_);
    while (pages.size() < count) {
        const std::uint32_t page = TakeFreePage();
        if (page == kNoPage)
            break;
        pages.push_back(page);
    }
    std::sort(pages.begin(), pages.end());
    const auto rest = static_cast<std::uint32_t>(count - pages.size());
    if (rest > 0) {
        const std::uint32_t base = AppendPages(rest);
        for (std::uint32_t i = 0; i < rest; ++i)
            pages.push_back(base + i * kPageSize);
    }
    return pages;
}

void CdxFile::FreePage(std::uint32_t page)
{
    MarkDirty(*directory_);
    EraseCached(page);
    pendingFree_[page] = freeHead_;
    freeHead_ = page;
}

void CdxFile::WriteHeader(CdxTag& tag, bool dirty)
{
    const std::string bytes = tag.HeaderBytes(dirty);
    WriteAt(tag.header_, bytes.data(), bytes.size());
}

void CdxFile::MarkDirty(CdxTag& tag)
{
    ++changes_;
    if (tag.dirtyOnDisk_)
        return;
    if (shared_ && &tag != directory_.get()) {
        // Shared use flushes within the access: the file's one mark (in the
        // directory header) covers its tags, so a change costs two header
        // writes, not two per tag.
        MarkChanging();
        return;
    }
    WriteHeader(tag, true);
    tag.dirtyOnDisk_ = true;
    marksUnsynced_ = true;  // synced before the pages it covers are written
}

void CdxFile::MarkForRebuild(const std::string& reason)
{
    if (fd_ < 0 || readOnly_ || !directory_)
        return;
    if (brokenReason_.empty()) {
        Flush();
        for (auto& tag : tags_) {
            WriteHeader(*tag, true);
            tag->dirtyOnDisk_ = true;
        }
        Sync();
    }
    brokenReason_ = reason;
}

void CdxFile::Flush()
{
    const dbf::EngineLock lock;
    if (!shared_) {
        WritePending();
    } else if (held_ && accessDepth_ == 0) {
        ReleaseLease();
    } else {
        FlushShared();
    }
}

void CdxFile::WritePending()
{
    // After a failed change nothing more is written: the dirty marks already
    // on disk make the next open rebuild.
    if (fd_ < 0 || readOnly_ || !directory_ || !brokenReason_.empty())
        return;
    // The pages made dirty since the last flush (a page dropped from the
    // cache since, or listed twice, is passed over). The list is cleared
    // only when all are written: after a failed write the rest stay listed.
    std::vector<std::uint32_t> pages = dirtyPages_;
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    // The dirty marks go to disk before any page they cover.
    if (marksUnsynced_ && !directoryMarkSynced_ && (!pages.empty() || !pendingFree_.empty())) {
        Sync();
        marksUnsynced_ = false;
    }
    // Pages that follow each other in the file go out in one write.
    std::vector<std::uint8_t> run;
    std::vector<CachedNode*> runNodes;
    std::uint32_t runStart = 0;
    auto writeRun = [&] {
        if (run.empty())
            return;
        WriteAt(runStart, run.data(), run.size());
        for (CachedNode* cached : runNodes)
            cached->dirty = false;
        run.clear();
        runNodes.clear();
    };
    for (std::uint32_t page : pages) {
        CachedNode* found = Cached(page);
        if (!found || !found->dirty)
            continue;
        if (!run.empty() && runStart + run.size() != page)
            writeRun();
        if (run.empty())
            runStart = page;
        CachedNode& cached = *found;
        if (cached.image.empty()) {
            cached.image.resize(kPageSize);
            if (!CdxEncodePage(cached.node, cached.format, cached.image.data())) {
                cached.image.clear();
                throw CdxError("Interner Fehler: Indexseite " + std::to_string(page) + " läuft über");
            }
        }
        run.insert(run.end(), cached.image.begin(), cached.image.end());
        runNodes.push_back(&cached);
    }
    writeRun();
    dirtyPages_.clear();
    std::uint8_t bytes[kPageSize];
    for (const auto& [page, next] : pendingFree_) {
        std::memset(bytes, 0, sizeof bytes);
        PutLe32(bytes, next);
        WriteAt(page, bytes, sizeof bytes);
    }
    pendingFree_.clear();
    // Headers last, the directory's at the very end: a clean dirty mark
    // promises that everything before it is on disk, so before a header
    // that was marked dirty on disk is written clean, the table's records
    // and the pages are synced (shared use too: once per lock turn), and
    // the directory records the table's record count the tags now cover.
    //
    // While the directory's dirty mark is on disk and synced, it alone makes
    // the next open rebuild every tag: the tag headers are written with the
    // pages and synced with them, so the directory header is the one write
    // after the sync, and the clean mark it carries needs no sync of its own
    // (lost, it leaves the synced dirty mark).
    bool cleaning = directory_->dirtyOnDisk_;
    for (auto& tag : tags_)
        cleaning = cleaning || tag->dirtyOnDisk_;
    const bool directoryCovers =
        cleaning && directory_->dirtyOnDisk_ && (directoryMarkSynced_ || !marksUnsynced_);
    auto writeTagHeaders = [&] {
        for (auto& tag : tags_) {
            if (tag->dirtyOnDisk_ || tag->headerChanged_) {
                ++tag->version_;
                WriteHeader(*tag, false);
                tag->dirtyOnDisk_ = tag->headerChanged_ = false;
            }
        }
    };
    if (directoryCovers)
        writeTagHeaders();
    if (cleaning) {
        coveredKnown_ = table_ != nullptr;
        if (table_)
            covered_ = table_->SyncTableRecords();
        Sync();
        marksUnsynced_ = false;
        directory_->headerChanged_ = true;  // with the count
    }
    writeTagHeaders();
    CdxTag& dir = *directory_;
    if (dir.dirtyOnDisk_ || dir.headerChanged_) {
        ++dir.version_;
        const bool unsynced = unsynced_;
        WriteHeader(dir, false);
        if (directoryCovers)
            unsynced_ = unsynced;
        dir.dirtyOnDisk_ = dir.headerChanged_ = false;
        directoryMarkSynced_ = false;
    }
}

void CdxFile::Close()
{
    const dbf::EngineLock lock;
    if (fd_ < 0)
        return;
    try {
        Flush();
    } catch (...) {
        if (ownsFd_)
            ::close(fd_);
        fd_ = -1;
        throw;
    }
    if (ownsFd_)
        ::close(fd_);
    fd_ = -1;
}

}  // namespace dbfcdx
