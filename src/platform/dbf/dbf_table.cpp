#include "platform/dbf/dbf_table.h"

#include "platform/dbf/table_indexes.h"
#include "platform/dbf/lock_wait.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbf {

namespace {

// Byte-range lock offsets far beyond any table's data, so they never get in
// the way of reading. A read lock on the use byte marks "open here"; an
// exclusive open holds it as a write lock.
constexpr off_t kUseLock = off_t(1) << 40;
constexpr off_t kAppendLock = kUseLock + 1;
constexpr off_t kRecordLockBase = kUseLock + 2;

using Key = std::pair<std::uint64_t, std::uint64_t>;
// Never destroyed: tables still open at exit are closed by the engine's own
// static destructor, which may run after this function's statics are gone.
std::map<Key, std::weak_ptr<DbfTable>>& Registry()
{
    static auto* registry = new std::map<Key, std::weak_ptr<DbfTable>>;
    return *registry;
}

// The process id, read once: getpid() is a system call, asked several
// times per engine call. A forked child reads it anew (its tables then
// count as the parent's).
std::atomic<pid_t> gProcessId{0};

pid_t ProcessId()
{
    static const bool watched = (::pthread_atfork(nullptr, nullptr, [] { gProcessId.store(0); }), true);
    (void)watched;
    pid_t pid = gProcessId.load(std::memory_order_relaxed);
    if (pid == 0) {
        pid = ::getpid();
        gProcessId.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string Le32Bytes(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = char((v >> (8 * i)) & 0xFF);
    return s;
}

// The files a pack or zap writes beside the table, and the mark that they
// are complete: from the moment the mark is on disk the rewrite counts as
// done, and an interrupted one is finished by the next open.
struct RewriteFiles {
    std::string table, memo, done;
    RewriteFiles(const std::string& tablePath, const std::string& memoPath)
        : table(tablePath + ".pk$"),
          memo(memoPath.empty() ? std::string() : memoPath + ".pk$"),
          done(tablePath + ".pk!")
    {
    }
};

// Ends the text of a complete mark (after the memo file's path).
const std::string kRewriteDone = "\nfertig\n";

bool RewriteLeftovers(const std::string& path)
{
    return FileExists(path + ".pk!") || FileExists(path + ".pk$");
}

// Writes `text` to a new file `path` and syncs file and folder.
bool WriteNewFile(const std::string& path, const std::string& text)
{
    FileHandle fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    return fd.valid() && WriteAt(fd.get(), text.data(), text.size(), 0) && SyncFile(fd.get()) &&
           SyncFolderOf(path);
}

bool ReadSmallFile(const std::string& path, std::string& text)
{
    FileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::int64_t size = fd.valid() ? FileSize(fd.get()) : -1;
    if (size < 0 || size > 65536) return false;
    text.assign(std::size_t(size), '\0');
    return ReadAt(fd.get(), text.data(), text.size(), 0);
}

}  // namespace

void DbfTable::ForgetOpenTablesAfterFork() { Registry().clear(); }

std::string SiblingPath(const std::string& tablePath, const char* upperExtension)
{
    std::size_t slash = tablePath.find_last_of('/');
    std::size_t dot = tablePath.find_last_of('.');
    bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string base = hasExt ? tablePath.substr(0, dot) : tablePath;
    std::string ext = upperExtension;
    std::string lower = ext;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    std::string upperPath = base + ext, lowerPath = base + lower;
    if (FileExists(upperPath)) return upperPath;
    if (FileExists(lowerPath)) return lowerPath;
    // Files copied from Windows may spell the extension in mixed case.
    std::string folder = slash == std::string::npos ? "." : tablePath.substr(0, slash);
    std::string wanted = UpperAscii(base.substr(slash == std::string::npos ? 0 : slash + 1) + ext);
    if (DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str())) {
        std::string found;
        while (dirent* entry = ::readdir(dir)) {
            if (UpperAscii(entry->d_name) == wanted) {
                found = (slash == std::string::npos ? std::string() : tablePath.substr(0, slash + 1)) +
                        entry->d_name;
                break;
            }
        }
        ::closedir(dir);
        if (!found.empty()) return found;
    }
    // New files follow the case of the table's extension.
    bool lowerCase = hasExt && tablePath.size() > dot + 1 && tablePath[dot + 1] >= 'a' &&
                     tablePath[dot + 1] <= 'z';
    return lowerCase ? lowerPath : upperPath;
}

std::string MemoPathFor(const std::string& tablePath) { return SiblingPath(tablePath, ".FPT"); }

bool DbfTable::Foreign() const { return ownerPid_ != ProcessId(); }

std::string DbfTable::ReadOnlyReason() const
{
    return broken_ ? brokenReason_ : "Tabelle " + path_ + " ist schreibgeschützt geöffnet";
}

DbfTable::~DbfTable()
{
    DropMap();
    std::string ignored;
    if (!Foreign()) {
        FlushHeader(ignored);
    } else {
        // A forked child must not write the parent's pending changes.
        if (memo_) memo_->DiscardPending();
        (void)indexes_.release();
    }
    auto& reg = Registry();
    auto it = reg.find({device_, inode_});
    if (it != reg.end() && it->second.expired()) reg.erase(it);
}

bool DbfTable::hasMemoFields() const
{
    return std::any_of(header_.fields.begin(), header_.fields.end(),
                       [](const FieldDef& f) { return f.IsMemo(); });
}

std::shared_ptr<DbfTable> DbfTable::Open(const std::string& path, OpenMode mode,
                                         std::string& error, std::string& note, bool& repaired)
{
    repaired = false;
    if (RewriteLeftovers(path)) {
        // A pack or zap was interrupted. It is finished only while nobody
        // else (no other descriptor, in this process or another) has the
        // table open; nobody can be packing it then either.
        FileHandle probe(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        if (probe.valid() && LockByte(probe.get(), F_WRLCK, kUseLock) &&
            !FinishRewrite(path, error))
            return nullptr;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = "Tabelle " + path + " nicht gefunden";
        return nullptr;
    }
    Key key{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    auto& reg = Registry();
    auto it = reg.find(key);
    if (it != reg.end()) {
        auto table = it->second.lock();
        if (table && !table->Foreign()) {
            if (table->exclusive_ || mode == OpenMode::Exclusive) {
                error = NoteBusy("Tabelle " + path + " ist bereits geöffnet und kann nicht exklusiv benutzt werden",
                                 BusyKind::OpenHere);
                return nullptr;
            }
            if (mode != OpenMode::ReadOnly && !table->writable_ &&
                !table->BecomeWritable(error))
                return nullptr;
            return table;
        }
        reg.erase(it);
    }
    bool writable = mode != OpenMode::ReadOnly;
    // Shared use rests on byte-range locks that every opener sees; where
    // the file system keeps them on this machine only, a writer keeps the
    // table to itself instead.
    std::string noSharing;
    if (mode == OpenMode::Shared && !LocksReachOtherOpeners(path, noSharing)) {
        mode = OpenMode::Exclusive;
        note += (note.empty() ? "" : "; ") + std::string("Tabelle ") + path + " liegt auf einem " + noSharing +
                " und wird deshalb exklusiv geöffnet";
    }
    int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        error = "Tabelle " + path + " lässt sich nicht öffnen: " + ErrnoText();
        return nullptr;
    }
    std::shared_ptr<DbfTable> table(new DbfTable);
    table->fd_.Reset(fd);
    table->path_ = path;
    table->writable_ = writable;
    table->unsynced_ = writable;
    table->exclusive_ = mode == OpenMode::Exclusive;
    table->ownerPid_ = ProcessId();
    table->device_ = key.first;
    table->inode_ = key.second;
    if (!LockByte(fd, table->exclusive_ ? F_WRLCK : F_RDLCK, kUseLock)) {
        error = NoteBusy(table->exclusive_
                             ? "Tabelle " + path + " wird von einem anderen Programm benutzt"
                             : "Tabelle " + path + " wird von einem anderen Programm exklusiv benutzt");
        return nullptr;
    }
    if (!table->LoadHeader(error, note, repaired)) return nullptr;
    if (table->hasMemoFields() && !table->OpenMemo(table->memoError_)) {
        note += (note.empty() ? "" : "; ") + table->memoError_;
    }
    reg[key] = table;
    return table;
}

bool DbfTable::LoadHeader(std::string& error, std::string& note, bool& repaired)
{
    std::int64_t size = FileSize(fd_.get());
    if (size < 0) {
        error = "Tabelle " + path_ + ": " + ErrnoText();
        return false;
    }
    std::string bytes(std::size_t(std::min<std::int64_t>(size, 65536 + 32)), '\0');
    if (!bytes.empty() && !ReadAt(fd_.get(), bytes.data(), bytes.size(), 0)) {
        error = "Tabelle " + path_ + " lässt sich nicht lesen: " + ErrnoText();
        return false;
    }
    auto parsed = ParseHeader(bytes, error);
    if (!parsed) {
        error = "Tabelle " + path_ + ": " + error;
        return false;
    }
    if (parsed->encrypted) {
        error = "Tabelle " + path_ + " ist verschlüsselt; verschlüsselte Tabellen werden nicht unterstützt";
        return false;
    }
    header_ = std::move(*parsed);
    // Records are written before the header count, so the file may hold
    // fewer whole records than the count says only after damage; never read
    // past the last whole record. The size is taken after the count was
    // read: an append of another process in between only makes it larger.
    size = FileSize(fd_.get());
    std::uint64_t data = std::uint64_t(size) > header_.headerLength
                             ? std::uint64_t(size) - header_.headerLength
                             : 0;
    std::uint64_t whole = data / header_.recordLength;
    if (header_.recordCount > whole) {
        note = "Tabelle " + path_ + " repariert: Satzanzahl im Kopf " +
               std::to_string(header_.recordCount) + ", die Datei enthält " +
               std::to_string(whole) + " vollständige Sätze";
        repaired = true;
        header_.recordCount = std::uint32_t(whole);
        if (writable_) {
            // Shared: under the append lock, so no append of another process
            // runs between our look at the file and the write.
            std::string count = Le32Bytes(header_.recordCount);
            bool locked = exclusive_ || LockByteWait(fd_.get(), F_WRLCK, kAppendLock, 5000);
            if (!locked || !WriteTable(count.data(), 4, 4))
                note += "; die korrigierte Satzanzahl lässt sich nicht schreiben: " + ErrnoText();
            if (locked && !exclusive_) LockByte(fd_.get(), F_UNLCK, kAppendLock);
        }
    }
    return true;
}

bool DbfTable::OpenMemo(std::string& error)
{
    memoPath_ = MemoPathFor(path_);
    if (!FileExists(memoPath_)) {
        error = "Memodatei " + memoPath_ + " fehlt; Memofelder sind nicht lesbar";
        return false;
    }
    memo_ = MemoFile::Open(memoPath_, writable_, error, exclusive_);
    return memo_ && memo_->usable();
}

std::uint32_t DbfTable::RecordCount()
{
    // (No other process appends while this one holds the append lock.)
    if (!exclusive_ && !appendLockHeld_) {
        // Another process may have appended: the header count is written
        // after the records, so it never claims records not yet there. The
        // table's mapping of its file, when it has one, shows the count
        // without a system call (writes through any descriptor show in it).
        unsigned char b[4];
        bool read = map_ && mapLength_ >= 8;
        if (read) {
            const std::uint32_t word =
                __atomic_load_n(reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(map_) + 4),
                                __ATOMIC_ACQUIRE);
            std::memcpy(b, &word, sizeof b);
        } else {
            read = ReadAt(fd_.get(), b, 4, 4);
        }
        if (read) {
            std::uint32_t disk = std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                                 (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
            if (disk > header_.recordCount) {
                std::int64_t size = FileSize(fd_.get());
                std::uint64_t whole = size > header_.headerLength
                                          ? (std::uint64_t(size) - header_.headerLength) /
                                                header_.recordLength
                                          : 0;
                disk = std::uint32_t(std::min<std::uint64_t>(disk, whole));
            }
            header_.recordCount = disk;
        }
    }
    return header_.recordCount;
}

bool DbfTable::ReadRecord(std::uint32_t recno, char* out, std::string& error)
{
    const char* image = RecordImage(recno, out, error);
    if (!image) return false;
    if (image != out) std::memcpy(out, image, header_.recordLength);
    return true;
}

const char* DbfTable::RecordImage(std::uint32_t recno, char* scratch, std::string& error)
{
    // A record past the count known here may be one another process
    // appended since (its index keys can name it): the count is read again.
    if (recno == 0 || (recno > header_.recordCount && (exclusive_ || recno > RecordCount()))) {
        error = "Satz " + std::to_string(recno) + " gibt es nicht";
        return nullptr;
    }
    if (recno == tailRecno_) return tail_.data();
    std::uint64_t offset = header_.headerLength + std::uint64_t(recno - 1) * header_.recordLength;
    const char* image = scratch;
    // A record the scans' mapping covers is taken from it: the same bytes
    // (writes through the descriptor show in it) without a system call,
    // once its pages were read often enough to be worth their page faults.
    if (ReadFaulted(path_)) {
        image = nullptr;
    } else if (map_ && offset + header_.recordLength <= mapLength_ && FromMapping(offset)) {
        image = static_cast<const char*>(map_) + offset;
    } else if (!ReadAt(fd_.get(), scratch, header_.recordLength, offset)) {
        image = nullptr;
    }
    if (!image) {
        error = "Satz " + std::to_string(recno) + " lässt sich nicht lesen";
        return nullptr;
    }
    deletedMarks_.Learn(recno, image[0] == '*');
    return image;
}

bool DbfTable::ReadRecords(std::uint32_t first, std::uint32_t count, char* out, std::string& error)
{
    const std::uint64_t last = first - 1 + std::uint64_t(count);
    if (first == 0 || count == 0 || (last > header_.recordCount && (exclusive_ || last > RecordCount()))) {
        error = "Sätze " + std::to_string(first) + " bis " + std::to_string(first + count - 1) +
                " gibt es nicht";
        return false;
    }
    std::uint64_t offset = header_.headerLength + std::uint64_t(first - 1) * header_.recordLength;
    // The record kept in memory may be past the file's end: read up to it.
    std::uint32_t onDisk = count;
    if (tailRecno_ >= first && tailRecno_ < first + count) onDisk = tailRecno_ - first;
    if (onDisk && !ReadAt(fd_.get(), out, std::size_t(onDisk) * header_.recordLength, offset)) {
        error = "Sätze ab " + std::to_string(first) + " lassen sich nicht lesen";
        return false;
    }
    for (std::uint32_t r = first + onDisk; r < first + count; ++r)
        if (!ReadRecord(r, out + std::size_t(r - first) * header_.recordLength, error)) return false;
    return true;
}

bool DbfTable::FromMapping(std::uint64_t offset)
{
    const std::size_t first = std::size_t(offset >> 12);
    const std::size_t last = std::size_t((offset + header_.recordLength - 1) >> 12);
    if (pageReads_.size() <= last) pageReads_.resize(last + 1, 0);
    bool warm = true;
    for (std::size_t page = first; page <= last; ++page) {
        if (pageReads_[page] >= kPageReadsBeforeMapping) continue;
        ++pageReads_[page];
        warm = false;
    }
    return warm;
}

void DbfTable::DropMap()
{
    if (map_) ::munmap(map_, mapLength_);
    map_ = nullptr;
    mapLength_ = 0;
}

bool DbfTable::MapRecords(std::uint32_t count, bool populate)
{
    count = std::min(count, header_.recordCount);
    // The record kept in memory (and any after it) is not on disk yet.
    if (tailRecno_ && tailRecno_ <= count) count = tailRecno_ - 1;
    const std::uint64_t length = header_.headerLength + std::uint64_t(count) * header_.recordLength;
    if (count == 0 || (map_ && mapLength_ >= length)) return count > 0;
    // The mapping stays for the next scan or series of reads (index builds
    // come in series); writes through the descriptor show in it at once.
    if (std::int64_t(length) > FileSize(fd_.get())) return false;
    DropMap();
    void* map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED | (populate ? MAP_POPULATE : 0), fd_.get(), 0);
    if (map == MAP_FAILED) return false;
    map_ = map;
    mapLength_ = length;
    return true;
}

bool DbfTable::ScanRecords(std::uint32_t count,
                           const std::function<void(std::uint32_t, const char*)>& visit,
                           std::string& error)
{
    count = std::min(count, header_.recordCount);
    const std::uint32_t size = header_.recordLength;
    if (count && ReadFaulted(path_)) {
        error = "Sätze von " + path_ + " lassen sich nicht lesen";
        return false;
    }
    // Records on disk are looked at where the page cache holds them; the
    // record kept in memory (and any after it) is read on its own.
    std::uint32_t onDisk = count;
    if (tailRecno_ && tailRecno_ <= count) onDisk = tailRecno_ - 1;
    std::uint32_t r = 1;
    if (onDisk && MapRecords(onDisk, true)) {
        const char* base = static_cast<const char*>(map_) + header_.headerLength;
        for (; r <= onDisk; ++r) {
            const char* image = base + std::size_t(r - 1) * size;
            deletedMarks_.Learn(r, image[0] == '*');
            visit(r, image);
        }
    }
    // Without a mapping: blocks of about 1 MB.
    const std::uint32_t perBlock = std::max<std::uint32_t>(1, (1u << 20) / size);
    std::vector<char> block;
    while (r <= count) {
        std::uint32_t n = std::min(perBlock, count - r + 1);
        block.resize(std::size_t(n) * size);
        if (!ReadRecords(r, n, block.data(), error)) return false;
        for (std::uint32_t i = 0; i < n; ++i) {
            const char* image = block.data() + std::size_t(i) * size;
            deletedMarks_.Learn(r + i, image[0] == '*');
            visit(r + i, image);
        }
        r += n;
    }
    return true;
}

const DeletedMarks* DbfTable::TrustedDeletedMarks()
{
    if (exclusive_) return &deletedMarks_;
    std::uint64_t seen = 0;
    if (!indexes_ || !indexes_->ProductionChangesSeen(seen)) {
        deletedMarks_.ForgetAll();
        marksSeen_ = 0;
        return nullptr;
    }
    // Another process changed the table meanwhile: what was seen before
    // may be out of date (records read from now on are learned anew).
    if (seen != marksSeen_) {
        deletedMarks_.ForgetAll();
        marksSeen_ = seen;
    }
    return &deletedMarks_;
}

bool DbfTable::WriteRecord(std::uint32_t recno, char* image, const TableClient* writer,
                           std::string& error, const char* base)
{
    if (!writable_) {
        error = ReadOnlyReason();
        return false;
    }
    if (recno == 0 || recno > header_.recordCount) {
        error = "Satz " + std::to_string(recno) + " gibt es nicht";
        return false;
    }
    if (recno == tailRecno_ && exclusive_) {
        scratch_ = tail_;
        std::copy(image, image + header_.recordLength, tail_.begin());
        headerDirty_ = true;
        Notify(recno, scratch_.data(), image, writer);
        return true;
    }
    // Shared, the record just appended whose keys still wait under the
    // held index locks (the writes that fill it): written through at once.
    // Its keys only take the new image, so no index access is needed, and
    // none could give the lock to another process between the fields and
    // their keys.
    if (recno == tailRecno_ && indexes_->KeysWaitFor(recno))
        return WriteJustAppended(recno, image, writer, error);
    // Shared: reading the old record, writing the new one and changing its
    // keys happen while no other process changes the indexes, so two
    // processes writing one record cannot leave keys of both behind.
    auto write = [&] {
        if (recno == tailRecno_) return WriteJustAppended(recno, image, writer, error);
        if (!exclusive_ && base) {
            // The record as it is on disk now is also the old image the
            // write replaces: read once.
            scratch_.resize(header_.recordLength);
            std::uint64_t at = header_.headerLength + std::uint64_t(recno - 1) * header_.recordLength;
            if (!ReadAt(fd_.get(), scratch_.data(), scratch_.size(), at)) {
                error = "Satz " + std::to_string(recno) + " lässt sich nicht lesen";
                return false;
            }
            for (std::size_t i = 0; i < scratch_.size(); ++i)
                if (base[i] == image[i]) image[i] = scratch_[i];
            return WriteRecordImage(recno, image, writer, error, true);
        }
        return WriteRecordImage(recno, image, writer, error);
    };
    if (!exclusive_ && indexes_ && !indexes_->files().empty()) return indexes_->AccessAll(write, error);
    if (!exclusive_ && base) {
        // Without indexes the append lock serialises the read and the write.
        if (!LockByteWait(fd_.get(), F_WRLCK, kAppendLock, 5000)) {
            error = NoteBusy("Tabelle " + path_ + ": Satz " + std::to_string(recno) + " ist gesperrt");
            return false;
        }
        bool ok = write();
        LockByte(fd_.get(), F_UNLCK, kAppendLock);
        return ok;
    }
    return write();
}

bool DbfTable::WriteJustAppended(std::uint32_t recno, const char* image, const TableClient* writer,
                                 std::string& error)
{
    // On disk since its append, and no other process can have written it
    // since (the index files stayed held): not read back.
    scratch_ = tail_;
    if (!WriteRecordImage(recno, image, writer, error, true)) return false;
    std::copy(image, image + header_.recordLength, tail_.begin());
    return true;
}

bool DbfTable::WriteRecordImage(std::uint32_t recno, const char* image, const TableClient* writer,
                                std::string& error, bool oldInScratch)
{
    std::uint64_t offset = header_.headerLength + std::uint64_t(recno - 1) * header_.recordLength;
    const char* old = oldInScratch ? scratch_.data() : nullptr;
    if (!old && !observers_.empty()) {
        scratch_.resize(header_.recordLength);
        if (ReadAt(fd_.get(), scratch_.data(), scratch_.size(), offset)) old = scratch_.data();
    }
    // A write that leaves every byte the tags read alone (a memo stored, a
    // field no tag uses) needs no dirty mark: the tags need not follow it.
    // (Nor a look at its bytes when every mark is set already, as after a
    // shared append while the index files stay held.)
    const bool keysMayChange = !old || !indexes_ || (IndexesNeedChangeMark() && indexes_->Follows(old, image));
    if (keysMayChange && !IndexesMarkChanging(error)) return false;
    if (!WriteTable(image, header_.recordLength, offset)) {
        error = "Satz " + std::to_string(recno) + " lässt sich nicht schreiben: " + ErrnoText();
        deletedMarks_.Forget(recno);  // what the file holds now is not known
        return false;
    }
    headerDirty_ = true;
    Notify(recno, old, image, writer);
    return true;
}

bool DbfTable::AppendRecord(const char* image, std::uint32_t& recno, std::string& error)
{
    if (!writable_) {
        error = ReadOnlyReason();
        return false;
    }
    if (exclusive_) {
        if (!FlushTail(error)) return false;
        tail_.assign(image, image + header_.recordLength);
        tailRecno_ = recno = ++header_.recordCount;
        headerDirty_ = true;
        Notify(recno, nullptr, image, nullptr);
        return true;
    }
    // Shared: the indexes are held from before the record is there until
    // its keys are in, so no other process writes the new record in between.
    if (indexes_ && !indexes_->files().empty())
        return indexes_->AccessAll([&] { return AppendShared(image, recno, error); }, error);
    return AppendShared(image, recno, error);
}

bool DbfTable::AppendShared(const char* image, std::uint32_t& recno, std::string& error)
{
    // The record and the header count are written before the append
    // returns, whatever waits: a process that dies afterwards never loses
    // it. While every index file stays held after this access, the keys
    // wait (they are in no index another process can read meanwhile), the
    // append lock is kept for the next append, and the record stays known
    // in memory, so the writes that fill it need not read it back.
    const bool keep = indexes_ && indexes_->AllHeldAfterAccess();
    if (appendLockHeld_ && !keep) SettleSharedTail();
    tailRecno_ = 0;
    // Appends of several processes take turns; the count is read again
    // under the lock, so no record of another process is overwritten.
    if (!appendLockHeld_) {
        if (!LockByteWait(fd_.get(), F_WRLCK, kAppendLock, 5000)) {
            error = NoteBusy("Tabelle " + path_ + ": Anfügen nicht möglich, die Tabelle ist gesperrt");
            return false;
        }
        RecordCount();
        appendLockHeld_ = true;
    }
    if (!IndexesMarkChanging(error)) {
        ReleaseAppendLock();
        return false;
    }
    const std::uint32_t count = header_.recordCount;
    std::uint64_t offset = header_.headerLength + std::uint64_t(count) * header_.recordLength;
    // (Buffers kept: an append allocates nothing; the header's field list
    // is not copied for its date and count.)
    appendBytes_.assign(image, header_.recordLength);
    appendBytes_.push_back(kFileEnd);
    TableHeader stamp;
    StampToday(stamp);
    char head[7] = {char(stamp.year - 1900), char(stamp.month), char(stamp.day)};
    std::string c = Le32Bytes(count + 1);
    std::copy(c.begin(), c.end(), head + 3);
    bool ok = WriteTable(appendBytes_.data(), appendBytes_.size(), offset) &&
              WriteTable(head, sizeof head, 1);
    if (!ok) error = "Tabelle " + path_ + ": Satz lässt sich nicht anfügen: " + ErrnoText();
    if (!ok || !keep) ReleaseAppendLock();
    if (!ok) return false;
    header_.recordCount = count + 1;
    header_.year = stamp.year;
    header_.month = stamp.month;
    header_.day = stamp.day;
    recno = header_.recordCount;
    if (keep) {
        tail_.assign(image, image + header_.recordLength);
        tailRecno_ = recno;
    }
    Notify(recno, nullptr, image, nullptr);
    return true;
}

bool DbfTable::IndexesMarkChanging(std::string& error)
{
    return !indexes_ || indexes_->MarkChanging(error);
}

bool DbfTable::IndexesNeedChangeMark() const
{
    if (!indexes_) return false;
    for (const auto& file : indexes_->files())
        if (file->cdx && file->cdx->NeedsChangeMark()) return true;
    return false;
}

bool DbfTable::FlushTail(std::string& error)
{
    if (tailRecno_ == 0) return true;
    if (!exclusive_) return WriteTail(error);  // on disk already
    return IndexesMarkChanging(error) && WriteTail(error);
}

void DbfTable::ReleaseAppendLock()
{
    if (!appendLockHeld_) return;
    appendLockHeld_ = false;
    if (memo_) memo_->DropLock();
    LockByte(fd_.get(), F_UNLCK, kAppendLock);
}

void DbfTable::SettleSharedTail()
{
    if (exclusive_ || Foreign()) return;
    // (The record is on disk: only what this process knows of it goes.)
    tailRecno_ = 0;
    ReleaseAppendLock();
}

bool DbfTable::WriteTail(std::string& error)
{
    if (tailRecno_ == 0) return true;
    if (!exclusive_) {
        tailRecno_ = 0;  // shared: on disk since its append
        return true;
    }
    std::uint64_t offset =
        header_.headerLength + std::uint64_t(tailRecno_ - 1) * header_.recordLength;
    std::string bytes(tail_.begin(), tail_.end());
    bytes.push_back(kFileEnd);
    StampToday(header_);
    char head[7] = {char(header_.year - 1900), char(header_.month), char(header_.day)};
    std::string c = Le32Bytes(tailRecno_);
    std::copy(c.begin(), c.end(), head + 3);
    if (!WriteTable(bytes.data(), bytes.size(), offset) || !WriteTable(head, sizeof head, 1)) {
        error = "Tabelle " + path_ + ": Satz lässt sich nicht anfügen: " + ErrnoText();
        return false;
    }
    tailRecno_ = 0;
    return true;
}

bool DbfTable::FlushHeader(std::string& error)
{
    if (Foreign()) return true;
    // Every part is written even when one fails; the first failure is told.
    std::string first, step;
    auto keep = [&](bool ok) {
        if (!ok && first.empty()) first = step;
        step.clear();
    };
    keep(FlushTail(step));
    if (tailRecno_ == 0) ReleaseAppendLock();
    keep(!memo_ || memo_->Flush(step));
    keep(!indexes_ || indexes_->Flush(step));
    if (headerDirty_ && writable_ && fd_.valid()) {
        StampToday(header_);
        char head[7] = {char(header_.year - 1900), char(header_.month), char(header_.day)};
        std::string c = Le32Bytes(header_.recordCount);
        std::copy(c.begin(), c.end(), head + 3);
        // Shared: appends keep the count on disk under the append lock, and
        // other processes may have appended since; only the date is ours.
        std::size_t length = exclusive_ ? sizeof head : 3;
        // Bytes the file holds already (an append wrote them) are not
        // written again: the table would need another sync for nothing.
        char onDisk[sizeof head];
        const bool same = ReadAt(fd_.get(), onDisk, length, 1) && std::equal(head, head + length, onDisk);
        bool ok = same || WriteTable(head, length, 1);
        if (!ok) step = "Tabellenkopf von " + path_ + " lässt sich nicht schreiben: " + ErrnoText();
        else headerDirty_ = false;
        keep(ok);
    }
    if (first.empty()) return true;
    error = first;
    return false;
}

bool DbfTable::WriteAppended(std::string& error)
{
    if (!exclusive_ || Foreign()) return true;
    return FlushTail(error);
}

bool DbfTable::SyncForIndex(std::uint32_t& count, std::string& error)
{
    if (writable_ && !Foreign()) {
        if (!WriteTail(error)) return false;
        if (!SyncRecords(true, error)) return false;
    }
    count = RecordCount();
    return true;
}

bool DbfTable::SyncRecords(bool forIndex, std::string& error)
{
    // Shared, before an index's clean mark: the records other processes
    // wrote are covered too, so the table is synced whatever this process
    // wrote.
    const bool others = !exclusive_;
    const bool table = unsynced_ || (forIndex && others);
    // The memo file first, so no record on disk points to a memo block the
    // disk does not hold (shared: the blocks other processes wrote for the
    // records synced here too).
    if (memo_ && memo_->usable() && (memo_->HasUnsyncedWrites() || (table && others)) && !memo_->Sync(error))
        return false;
    if (!table) return true;
    if (!SyncFile(fd_.get())) {
        error = "Tabelle " + path_ + " lässt sich nicht auf die Platte schreiben: " + ErrnoText();
        return false;
    }
    unsynced_ = false;
    return true;
}

bool DbfTable::WriteTable(const void* data, std::size_t size, std::uint64_t offset)
{
    unsynced_ = true;
    return WriteAt(fd_.get(), data, size, offset);
}

bool DbfTable::Commit(std::string& error)
{
    if (Foreign()) return true;
    if (!FlushHeader(error)) return false;
    if (!writable_) return true;
    // An index flush above that cleared a dirty mark synced the memo file,
    // the table and the index pages already; what is left unsynced is what
    // was written since (nothing, for a commit of records and their keys)
    // and the clean marks, whose loss only makes the next open rebuild.
    return SyncRecords(false, error) && (!indexes_ || indexes_->Sync(error));
}

bool DbfTable::ReadMemo(const FieldDef& field, const char* image, std::string& out,
                        std::uint32_t* type, std::string& error)
{
    out.clear();
    std::uint32_t block = 0;
    if (!MemoBlockOf(field, image, block, error)) return false;
    return block == 0 || memo_->Read(block, out, type, error);
}

bool DbfTable::MemoLength(const FieldDef& field, const char* image, std::uint32_t& length,
                          std::string& error)
{
    length = 0;
    std::uint32_t block = 0;
    if (!MemoBlockOf(field, image, block, error)) return false;
    return block == 0 || memo_->Length(block, length, error);
}

bool DbfTable::MemoBlockOf(const FieldDef& field, const char* image, std::uint32_t& block,
                           std::string& error)
{
    if (!ParseMemoRef(std::string_view(image + field.offset, field.width), block)) {
        error = "Memoverweis im Feld " + field.name + " ist beschädigt";
        return false;
    }
    if (block != 0 && (!memo_ || !memo_->usable())) {
        error = memoError_.empty() ? "Memodatei fehlt" : memoError_;
        return false;
    }
    return true;
}

bool DbfTable::StoreMemo(const FieldDef& field, char* image, std::string_view data,
                         std::uint32_t type, std::string& error)
{
    std::uint32_t block = 0;
    if (!data.empty()) {
        if (!memo_ || !memo_->usable()) {
            error = memoError_.empty() ? "Memodatei fehlt" : memoError_;
            return false;
        }
        if (!KeepMemosClear(error)) return false;
        bool stored = false;
        if (exclusive_) {
            stored = memo_->Append(data, type, block, error);
        } else if (appendLockHeld_) {
            // The appends of this process take turns with the others' under
            // the table's append lock, held across calls: the memo file's
            // is kept as long, so the memos of a run of appends take no
            // lock of their own.
            stored = memo_->HoldLock(error) && memo_->Append(data, type, block, error);
        } else if (indexes_ && !indexes_->files().empty()) {
            // Another process may keep the memo file's lock across its
            // calls, while it holds the index files: asking for those first
            // tells it to give both back.
            stored = indexes_->AccessAll([&] { return memo_->Append(data, type, block, error); }, error);
        } else {
            stored = memo_->Append(data, type, block, error);
        }
        if (!stored) return false;
    }
    std::string ref = FormatMemoRef(block, field.width);
    std::copy(ref.begin(), ref.end(), image + field.offset);
    return true;
}

bool DbfTable::KeepMemosClear(std::string& error)
{
    if (memosChecked_) return true;
    // Records are looked at once per open memo file: a memo block is
    // written before the record that points to it, so only a power cut (or
    // files put together from different times) leaves a record pointing
    // past the memo file's end, and only before this open.
    std::uint32_t highest = 0;
    std::vector<const FieldDef*> memoFields;
    for (const FieldDef& f : header_.fields)
        if (f.IsMemo()) memoFields.push_back(&f);
    const bool scanned = ScanRecords(RecordCount(), [&](std::uint32_t, const char* image) {
        for (const FieldDef* f : memoFields) {
            std::uint32_t block = 0;
            if (ParseMemoRef(std::string_view(image + f->offset, f->width), block)) highest = std::max(highest, block);
        }
    }, error);
    if (!scanned) return false;
    // (A block within the file changes nothing: appends go to its end.)
    if (highest) memo_->KeepClearOf(highest);
    memosChecked_ = true;
    return true;
}

bool DbfTable::Lock(std::uint32_t recno, int owner, int timeoutSeconds, std::string& error)
{
    auto it = locks_.find(recno);
    if (it != locks_.end()) {
        if (it->second == owner) return true;
        error = "Satz " + std::to_string(recno) + " ist von Arbeitsbereich " +
                std::to_string(it->second) + " gesperrt";
        return false;
    }
    if (!exclusive_ && writable_ &&
        !LockByteWait(fd_.get(), F_WRLCK, kRecordLockBase + off_t(recno), timeoutSeconds * 1000)) {
        error = NoteBusy("Satz " + std::to_string(recno) + " ist von einem anderen Programm gesperrt");
        return false;
    }
    locks_[recno] = owner;
    return true;
}

void DbfTable::Unlock(std::uint32_t recno, int owner)
{
    for (auto it = locks_.begin(); it != locks_.end();) {
        if (it->second == owner && (recno == 0 || it->first == recno)) {
            if (!exclusive_ && writable_ && !Foreign())
                LockByte(fd_.get(), F_UNLCK, kRecordLockBase + off_t(it->first));
            it = locks_.erase(it);
        } else {
            ++it;
        }
    }
}

bool DbfTable::IsLockedBy(std::uint32_t recno, int owner) const
{
    auto it = locks_.find(recno);
    return it != locks_.end() && it->second == owner;
}

bool DbfTable::EnsureExclusiveUse(std::string& error)
{
    if (!writable_) {
        error = ReadOnlyReason();
        return false;
    }
    if (exclusive_) return true;
    // Upgrading our read lock fails while any other process has it open.
    if (exclusiveHolds_ == 0 && !LockByte(fd_.get(), F_WRLCK, kUseLock)) {
        error = NoteBusy("Tabelle " + path_ + " wird noch von einem anderen Programm benutzt");
        return false;
    }
    ++exclusiveHolds_;
    return true;
}

void DbfTable::ReleaseExclusiveUse()
{
    if (exclusive_ || exclusiveHolds_ == 0 || --exclusiveHolds_ > 0) return;
    if (fd_.valid() && !Foreign()) LockByte(fd_.get(), F_RDLCK, kUseLock);
}

bool DbfTable::BecomeWritable(std::string& error)
{
    // A second descriptor, opened for writing, takes over from the read-only
    // one: it takes the use lock before the old descriptor (and its lock) is
    // closed, so the table is never unguarded. A read-only table holds no
    // record locks, so none are lost.
    int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = "Tabelle " + path_ + " lässt sich nicht zum Schreiben öffnen: " + ErrnoText();
        return false;
    }
    if (!LockByte(fd, F_RDLCK, kUseLock)) {
        ::close(fd);
        error = NoteBusy("Tabelle " + path_ + " wird von einem anderen Programm exklusiv benutzt");
        return false;
    }
    if (indexes_ && !indexes_->BecomeWritable(error)) {
        ::close(fd);
        return false;
    }
    DropMap();
    fd_.Reset(fd);
    writable_ = true;
    unsynced_ = true;
    ReopenMemo();
    // A production index the read-only openers left out (unreadable, or to
    // be rebuilt) is opened by the writer: it must not write without it.
    if (!indexes_ || !indexes_->production()) productionIndexTried = false;
    return true;
}

void DbfTable::ReopenMemo()
{
    if (!hasMemoFields()) return;
    memo_.reset();
    memosChecked_ = false;
    memoError_.clear();
    OpenMemo(memoError_);  // a failure is kept in memoError_ for the memo reads
}

bool DbfTable::Pack(const Progress& progress, std::string& error)
{
    return Rewrite(true, progress, error);
}

bool DbfTable::Zap(std::string& error) { return Rewrite(false, Progress(), error); }


bool DbfTable::FinishRewrite(const std::string& path, std::string& error)
{
    RewriteFiles files(path, std::string());
    std::string memoPath;
    // A mark cut short by a crash was never complete: the renames start only
    // after it is on disk whole.
    if (ReadSmallFile(files.done, memoPath) && memoPath.size() >= kRewriteDone.size() &&
        memoPath.ends_with(kRewriteDone)) {
        memoPath.resize(memoPath.size() - kRewriteDone.size());
        // Complete: roll forward (the memo first, as the pack did).
        RewriteFiles with(path, memoPath);
        bool ok = (memoPath.empty() || !FileExists(with.memo) || RenameFile(with.memo, memoPath)) &&
                  (!FileExists(with.table) || RenameFile(with.table, path)) && UnlinkFile(with.done);
        if (!ok) error = "Das unterbrochene Packen von " + path + " lässt sich nicht abschließen: " + ErrnoText();
        return ok;
    }
    // Never marked complete: the old files stand; the new ones go.
    RewriteFiles with(path, MemoPathFor(path));
    bool ok = (!FileExists(with.table) || UnlinkFile(with.table)) &&
              (with.memo.empty() || !FileExists(with.memo) || UnlinkFile(with.memo)) &&
              (!FileExists(with.done) || UnlinkFile(with.done));
    if (!ok) error = "Reste eines unterbrochenen Packens von " + path + " lassen sich nicht löschen: " + ErrnoText();
    return ok;
}

bool DbfTable::Rewrite(bool keepLive, const Progress& progress, std::string& error)
{
    if (!EnsureExclusiveUse(error)) return false;
    struct Release {
        DbfTable* t;
        ~Release() { t->ReleaseExclusiveUse(); }
    } release{this};
    if (!FlushHeader(error)) return false;
    if (broken_) {
        error = brokenReason_;
        return false;
    }
    // Record numbers are about to change: the indexes are marked for a
    // rebuild first, so a crash at any later point never leaves a clean
    // index with the old numbers.
    if (indexes_ && !indexes_->MarkForRebuild(error)) return false;

    const std::uint32_t count = keepLive ? RecordCount() : 0;
    RewriteFiles files(path_, memoPath_);
    std::string head(header_.headerLength, '\0');
    if (!ReadAt(fd_.get(), head.data(), head.size(), 0)) {
        error = "Tabelle " + path_ + " lässt sich nicht lesen: " + ErrnoText();
        return false;
    }
    FileHandle out(::open(files.table.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!out.valid()) {
        error = "Hilfsdatei " + files.table + " lässt sich nicht anlegen: " + ErrnoText();
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = why;
        UnlinkFile(files.table);
        if (!files.memo.empty()) UnlinkFile(files.memo);
        return false;
    };
    // The new table is ours alone from the start: whoever opens it after
    // the rename waits until its indexes are rebuilt.
    if (!LockByte(out.get(), F_WRLCK, kUseLock))
        return fail(NoteBusy("Hilfsdatei " + files.table + " wird von einem anderen Programm benutzt"));
    std::unique_ptr<MemoFile> newMemo;
    bool memoFields = hasMemoFields() && memo_ && memo_->usable();
    if (memoFields) {
        if (!MemoFile::Create(files.memo, memo_->blockSize(), error)) return fail(error);
        newMemo = MemoFile::Open(files.memo, true, error, true);
        if (!newMemo || !newMemo->usable()) return fail(error);
    }
    std::vector<char> rec(header_.recordLength);
    std::string memoData;
    std::uint32_t kept = 0;
    std::string buffer;
    buffer.reserve(std::size_t(header_.recordLength) * 256);
    std::uint64_t writeOffset = header_.headerLength;
    auto flush = [&]() {
        bool ok = buffer.empty() || WriteAt(out.get(), buffer.data(), buffer.size(), writeOffset);
        writeOffset += buffer.size();
        buffer.clear();
        return ok;
    };
    const std::string writeError = "Hilfsdatei " + files.table + " lässt sich nicht schreiben: ";
    if (progress) progress(0, count);
    for (std::uint32_t r = 1; r <= count; ++r) {
        if (progress && r % 256 == 0) progress(r, count);
        if (!ReadRecord(r, rec.data(), error)) return fail(error);
        if (rec[0] == '*') continue;
        if (memoFields) {
            for (const FieldDef& f : header_.fields) {
                if (!f.IsMemo()) continue;
                std::uint32_t type = kMemoTypeText;
                if (!ReadMemo(f, rec.data(), memoData, &type, error))
                    return fail("Packen abgebrochen: Satz " + std::to_string(r) + ", Feld " +
                                f.name + ": " + error);
                std::uint32_t block = 0;
                if (!memoData.empty() && !newMemo->Append(memoData, type, block, error))
                    return fail(error);
                std::string ref = FormatMemoRef(block, f.width);
                std::copy(ref.begin(), ref.end(), rec.begin() + f.offset);
            }
        }
        buffer.append(rec.data(), rec.size());
        ++kept;
        if (buffer.size() >= std::size_t(header_.recordLength) * 256 && !flush())
            return fail(writeError + ErrnoText());
    }
    if (progress) progress(count, count);
    buffer.push_back(kFileEnd);
    if (!flush()) return fail(writeError + ErrnoText());
    TableHeader h = header_;
    h.recordCount = kept;
    StampToday(h);
    std::string fixed = BuildFixedHeader(h);
    std::copy(fixed.begin() + 1, fixed.begin() + 8, head.begin() + 1);
    if (!WriteAt(out.get(), head.data(), head.size(), 0) || !SyncFile(out.get()))
        return fail(writeError + ErrnoText());
    if (newMemo && !newMemo->Sync(error)) return fail(error);
    newMemo.reset();
    if (!memoFields) files.memo.clear();

    // Both files complete and on disk: the mark makes the rewrite count as
    // done. Before it, a crash leaves the old files; after it, the next open
    // finishes the renames.
    if (!WriteNewFile(files.done, (files.memo.empty() ? std::string() : memoPath_) + kRewriteDone)) {
        std::string why = "Packen von " + path_ + " lässt sich nicht abschließen: " + ErrnoText();
        UnlinkFile(files.done);
        return fail(why);
    }
    bool renamed = (files.memo.empty() || RenameFile(files.memo, memoPath_)) &&
                   RenameFile(files.table, path_);
    if (!renamed) {
        // The old memo file may be gone already: this object must not go on
        // with the old table. The next open finishes the pack.
        Break("Packen von " + path_ + " ist unterbrochen (" + ErrnoText() +
              "); die Tabelle wird beim nächsten Öffnen fertig gepackt");
        error = brokenReason_;
        return false;
    }
    UnlinkFile(files.done);  // a mark left behind only renames nothing next time

    header_.recordCount = kept;
    headerDirty_ = false;
    tailRecno_ = 0;
    locks_.clear();  // record numbers changed; the old file's locks are gone
    DropMap();
    fd_ = std::move(out);
    UpdateIdentity();
    ReopenMemo();
    activeProgress_ = &progress;
    NotifyRebuilt();
    activeProgress_ = nullptr;
    return true;
}

void DbfTable::Break(const std::string& reason)
{
    broken_ = true;
    brokenReason_ = reason;
    writable_ = false;
    headerDirty_ = false;
    tailRecno_ = 0;
    if (memo_) memo_->DiscardPending();
}

void DbfTable::UpdateIdentity()
{
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) return;
    auto& reg = Registry();
    auto it = reg.find({device_, inode_});
    std::weak_ptr<DbfTable> self;
    if (it != reg.end()) {
        self = it->second;
        reg.erase(it);
    }
    device_ = std::uint64_t(st.st_dev);
    inode_ = std::uint64_t(st.st_ino);
    if (!self.expired()) reg[{device_, inode_}] = self;
}

bool DbfTable::Create(const std::string& path, const std::vector<FieldDef>& fields,
                      std::uint32_t memoBlockSize, std::string& error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        auto it = Registry().find({std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)});
        if (it != Registry().end() && !it->second.expired()) {
            error = "Tabelle " + path + " ist geöffnet und kann nicht neu angelegt werden";
            return false;
        }
    }
    FileHandle fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        error = "Tabelle " + path + " lässt sich nicht anlegen: " + ErrnoText();
        return false;
    }
    if (!LockByte(fd.get(), F_WRLCK, kUseLock)) {
        error = NoteBusy("Tabelle " + path + " wird von einem anderen Programm benutzt");
        return false;
    }
    TableHeader h = MakeHeader(fields);
    std::string bytes = BuildHeader(h);
    bytes.push_back(kFileEnd);
    if (::ftruncate(fd.get(), 0) != 0 || !WriteAt(fd.get(), bytes.data(), bytes.size(), 0)) {
        error = "Tabelle " + path + " lässt sich nicht schreiben: " + ErrnoText();
        return false;
    }
    // A production index of an earlier table of this name would not match.
    std::string cdx = SiblingPath(path, ".CDX");
    if (FileExists(cdx) && !UnlinkFile(cdx)) {
        error = "Alte Indexdatei " + cdx + " lässt sich nicht löschen: " + ErrnoText();
        return false;
    }
    bool memo = std::any_of(fields.begin(), fields.end(),
                            [](const FieldDef& f) { return f.IsMemo(); });
    if (memo && !MemoFile::Create(MemoPathFor(path), memoBlockSize, error)) return false;
    return true;
}

TableIndexes& DbfTable::Indexes()
{
    if (!indexes_) indexes_ = std::make_unique<TableIndexes>(*this);
    return *indexes_;
}

bool DbfTable::IndexesFailedInBackground(std::string& error)
{
    return indexes_ && !Foreign() && indexes_->FailedInBackground(error);
}

bool DbfTable::MarkProductionIndex(bool on, std::string& error)
{
    std::uint8_t flags = on ? (header_.tableFlags | kFlagProductionCdx)
                            : (header_.tableFlags & ~kFlagProductionCdx);
    if (flags == header_.tableFlags || !writable_) return true;
    char b = char(flags);
    if (!WriteTable(&b, 1, 28)) {
        error = "Tabellenkopf von " + path_ + " lässt sich nicht schreiben: " + ErrnoText();
        return false;
    }
    header_.tableFlags = flags;
    return true;
}

void DbfTable::Attach(TableClient* client) { clients_.push_back(client); }

void DbfTable::Detach(TableClient* client)
{
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    std::string ignored;
    if (clients_.empty() && !Foreign()) FlushHeader(ignored);
}

void DbfTable::AddObserver(RecordObserver* observer) { observers_.push_back(observer); }

void DbfTable::RemoveObserver(RecordObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void DbfTable::Notify(std::uint32_t recno, const char* oldImage, const char* newImage,
                      const TableClient* writer)
{
    ++changes_;
    deletedMarks_.Learn(recno, newImage[0] == '*');
    for (RecordObserver* o : observers_) o->RecordWritten(recno, oldImage, newImage);
    for (TableClient* c : clients_)
        if (c != writer && c->CurrentRecord() == recno) c->RecordRefreshed(newImage);
}

void DbfTable::NotifyRebuilt()
{
    ++changes_;
    deletedMarks_.ForgetAll();
    for (RecordObserver* o : observers_) o->TableRebuilt();
    for (TableClient* c : clients_) c->TableRebuilt();
}

}  // namespace dbf
