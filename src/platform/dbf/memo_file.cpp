#include "platform/dbf/memo_file.h"
#include "platform/dbf/lock_wait.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace dbf {

namespace {

std::uint32_t Be32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
           (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}
void PutBe32(unsigned char* p, std::uint32_t v)
{
    p[0] = (v >> 24) & 0xFF;
    p[1] = (v >> 16) & 0xFF;
    p[2] = (v >> 8) & 0xFF;
    p[3] = v & 0xFF;
}

std::string HeaderBytes(std::uint32_t nextFree, std::uint32_t blockSize)
{
    std::string h(kMemoHeaderSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(h.data());
    PutBe32(p, nextFree);
    p[6] = (blockSize >> 8) & 0xFF;
    p[7] = blockSize & 0xFF;
    return h;
}

std::uint32_t FirstBlock(std::uint32_t blockSize)
{
    return (kMemoHeaderSize + blockSize - 1) / blockSize;
}

// How much a run of appends writes before it starts writing it to disk.
constexpr std::uint64_t kWritebackStep = std::uint64_t(1) << 20;

// The most memo bytes past the file's end that a record is taken to have
// lost in a cut (unless the file is longer): see KeepClearOf.
constexpr std::uint64_t kLostTailLimit = std::uint64_t(64) << 20;

// Appends of several processes to one memo file take turns on this lock.
constexpr off_t kMemoAppendLock = off_t(1) << 40;

// Waits up to 5 seconds for the lock (released at once by the holder's
// end).
bool LockAppend(int fd, short type)
{
    return type == F_UNLCK ? LockByte(fd, type, kMemoAppendLock)
                           : LockByteWait(fd, type, kMemoAppendLock, 5000);
}

}  // namespace

MemoFile::~MemoFile()
{
    std::string ignored;
    Flush(ignored);
}

std::unique_ptr<MemoFile> MemoFile::Open(const std::string& path, bool writable,
                                         std::string& error, bool exclusive)
{
    int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        error = "Memodatei " + path + " lässt sich nicht öffnen: " + ErrnoText();
        return nullptr;
    }
    std::unique_ptr<MemoFile> memo(new MemoFile);
    memo->path_ = path;
    memo->fd_.Reset(fd);
    memo->writable_ = writable;
    memo->unsynced_ = writable;
    memo->exclusive_ = exclusive;
    unsigned char head[8];
    if (!ReadAt(fd, head, sizeof head, 0)) {
        // A damaged header leaves the table usable; memo access then fails.
        error = "Memodatei " + path + " ist beschädigt (Kopf unvollständig)";
        return memo;
    }
    std::uint32_t size = (std::uint32_t(head[6]) << 8) | head[7];
    if (size == 0 || size > 16384) {
        // FoxPro stores the block size in bytes; 0 or a huge value is damage.
        error = "Memodatei " + path + " ist beschädigt (Blockgröße " + std::to_string(size) + ")";
        return memo;
    }
    memo->blockSize_ = size;
    // After a crash the header's next free block may lie inside data written
    // later; other programs would write new memos over it. It is set to the
    // end by RepairStaleHeader once the table is open.
    std::uint64_t next = Be32(head);
    std::int64_t fileSize = FileSize(fd);
    std::uint64_t byEnd = (std::uint64_t(fileSize < 0 ? 0 : fileSize) + size - 1) / size;
    memo->staleHeader_ = writable && next < byEnd && byEnd <= 0xFFFFFFFFull;
    if (memo->staleHeader_ && exclusive) memo->nextFree_ = byEnd;
    return memo;
}

void MemoFile::RepairStaleHeader()
{
    if (!staleHeader_) return;
    staleHeader_ = false;
    // A failed write is tried again (and reported) by the next flush under
    // exclusive use; shared appends take the next block from the file's end
    // under the lock anyway.
    headerDirty_ = true;
    std::string notWritten;
    if (!Flush(notWritten)) headerDirty_ = exclusive_;
}

bool MemoFile::Create(const std::string& path, std::uint32_t blockSize, std::string& error)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "Memodatei " + path + " lässt sich nicht anlegen: " + ErrnoText();
        return false;
    }
    FileHandle h(fd);
    std::string head = HeaderBytes(FirstBlock(blockSize), blockSize);
    if (!WriteAt(fd, head.data(), head.size(), 0)) {
        error = "Memodatei " + path + " lässt sich nicht schreiben: " + ErrnoText();
        return false;
    }
    return true;
}

bool MemoFile::Locate(std::uint32_t block, std::uint32_t& type, std::uint32_t& length,
                      std::string& error)
{
    if (!usable()) {
        error = "Memodatei " + path_ + " ist nicht lesbar";
        return false;
    }
    std::int64_t size = FileSize(fd_.get());
    std::uint64_t offset = std::uint64_t(block) * blockSize_;
    if (block < FirstBlock(blockSize_) || size < 0 || offset + 8 > std::uint64_t(size)) {
        error = "Memoverweis " + std::to_string(block) + " zeigt hinter das Ende der Memodatei";
        return false;
    }
    unsigned char head[8];
    if (!ReadAt(fd_.get(), head, 8, offset)) {
        error = "Memodatei " + path_ + " lässt sich nicht lesen: " + ErrnoText();
        return false;
    }
    type = Be32(head);
    length = Be32(head + 4);
    if (offset + 8 + length > std::uint64_t(size)) {
        error = "Memo in Block " + std::to_string(block) + " ist beschädigt (Länge " +
                std::to_string(length) + " reicht hinter das Dateiende)";
        return false;
    }
    return true;
}

bool MemoFile::Length(std::uint32_t block, std::uint32_t& length, std::string& error)
{
    length = 0;
    if (block == 0) return true;
    std::uint32_t type = 0;
    return Locate(block, type, length, error);
}

bool MemoFile::Read(std::uint32_t block, std::string& out, std::uint32_t* type, std::string& error)
{
    out.clear();
    if (block == 0) return true;
    std::uint32_t t = 0, length = 0;
    if (!Locate(block, t, length, error)) return false;
    out.resize(length);
    if (length > 0 &&
        !ReadAt(fd_.get(), out.data(), length, std::uint64_t(block) * blockSize_ + 8)) {
        out.clear();
        error = "Memodatei " + path_ + " lässt sich nicht lesen: " + ErrnoText();
        return false;
    }
    if (type) *type = t;
    return true;
}

bool MemoFile::Append(std::string_view data, std::uint32_t type, std::uint32_t& block,
                      std::string& error)
{
    if (!usable() || !writable_) {
        error = "Memodatei " + path_ + " ist nicht beschreibbar";
        return false;
    }
    const bool lockHere = !exclusive_ && !lockHeld_;
    if (lockHere && !LockAppend(fd_.get(), F_WRLCK)) {
        error = NoteBusy("Memodatei " + path_ + " ist gesperrt");
        return false;
    }
    struct Unlock {
        MemoFile* m;
        bool locked;
        ~Unlock()
        {
            if (locked) LockAppend(m->fd_.get(), F_UNLCK);
        }
    } unlock{this, lockHere};
    std::uint64_t start = nextFree_;
    if ((!exclusive_ && !endKnown_) || start == 0) {
        // The next free block from the header, but never inside existing
        // data: a stale or damaged header must not make new memos overwrite
        // old ones. Shared: every append goes at the file's end, so while
        // the file ends where this process's last append left it, nobody
        // appended since and the header need not be read.
        std::int64_t size = FileSize(fd_.get());
        std::uint64_t byEnd = (std::uint64_t(size < 0 ? 0 : size) + blockSize_ - 1) / blockSize_;
        std::uint64_t header = nextFree_;
        if (exclusive_ || nextFree_ == 0 || size < 0 || std::uint64_t(size) != nextFree_ * blockSize_) {
            unsigned char head[4];
            if (!ReadAt(fd_.get(), head, 4, 0)) {
                error = "Memodatei " + path_ + " lässt sich nicht lesen: " + ErrnoText();
                return false;
            }
            header = Be32(head);
        }
        start = std::max<std::uint64_t>({header, byEnd, FirstBlock(blockSize_)});
    }
    start = std::max(start, floor_);
    std::uint64_t blocks = (8 + std::uint64_t(data.size()) + blockSize_ - 1) / blockSize_;
    if (start + blocks > 0xFFFFFFFFull || data.size() > 0xFFFFFFF0u) {
        error = "Memodatei " + path_ + " ist voll";
        return false;
    }
    // Memo bytes padded to whole blocks, then the header: the new block is
    // complete on disk before anything refers to it.
    std::string bytes(std::size_t(blocks * blockSize_), '\0');
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    PutBe32(p, type);
    PutBe32(p + 4, std::uint32_t(data.size()));
    std::copy(data.begin(), data.end(), bytes.begin() + 8);
    unsynced_ = true;
    if (!WriteAt(fd_.get(), bytes.data(), bytes.size(), start * blockSize_)) {
        error = "Memodatei " + path_ + " lässt sich nicht schreiben: " + ErrnoText();
        return false;
    }
    nextFree_ = start + blocks;
    endKnown_ = lockHeld_;
    const std::uint64_t end = nextFree_ * blockSize_;
    if (end < writebackFrom_ || writebackFrom_ == 0) writebackFrom_ = start * blockSize_;
    if (end - writebackFrom_ >= kWritebackStep) {
        StartWriteback(fd_.get(), writebackFrom_, end - writebackFrom_);
        writebackFrom_ = end;
    }
    // (Shared: the header follows at the next flush; other processes'
    // appends take the file's end meanwhile.)
    headerDirty_ = true;
    block = std::uint32_t(start);
    return true;
}

bool MemoFile::Flush(std::string& error)
{
    if (!headerDirty_ || !fd_.valid()) return true;
    std::uint64_t next = nextFree_;
    const bool lockHere = !exclusive_ && !lockHeld_;
    if (!exclusive_) {
        // Other processes may have appended since: the header never goes
        // back, and takes the file's end.
        if (lockHere && !LockAppend(fd_.get(), F_WRLCK)) {
            error = NoteBusy("Memodatei " + path_ + " ist gesperrt");
            return false;
        }
        unsigned char head[4];
        const std::int64_t size = FileSize(fd_.get());
        const std::uint64_t byEnd = (std::uint64_t(size < 0 ? 0 : size) + blockSize_ - 1) / blockSize_;
        next = std::max(next, byEnd);
        if (ReadAt(fd_.get(), head, 4, 0)) next = std::max<std::uint64_t>(next, Be32(head));
    }
    unsigned char head[4];
    PutBe32(head, std::uint32_t(next));
    unsynced_ = true;
    const bool ok = WriteAt(fd_.get(), head, 4, 0);
    if (!ok) error = "Memodatei " + path_ + " lässt sich nicht schreiben: " + ErrnoText();
    if (lockHere) LockAppend(fd_.get(), F_UNLCK);
    if (!ok) return false;
    headerDirty_ = false;
    return true;
}

void MemoFile::KeepClearOf(std::uint32_t block)
{
    if (!usable()) return;
    // What a cut loses is the tail written since the last sync (a commit
    // syncs, a run of appends starts writing every megabyte): a reference
    // further out than the file is long, and than 64 MB, is damage of its
    // record, not a lost memo, and does not make the file grow to it.
    const std::int64_t size = FileSize(fd_.get());
    const std::uint64_t byEnd = (std::uint64_t(size < 0 ? 0 : size) + blockSize_ - 1) / blockSize_;
    const std::uint64_t lostTail = std::max<std::uint64_t>(byEnd, kLostTailLimit / blockSize_);
    if (block > byEnd + lostTail) return;
    floor_ = std::max<std::uint64_t>(floor_, std::uint64_t(block) + 1);
}

bool MemoFile::HoldLock(std::string& error)
{
    if (exclusive_ || lockHeld_) return true;
    if (!fd_.valid() || !LockAppend(fd_.get(), F_WRLCK)) {
        error = NoteBusy("Memodatei " + path_ + " ist gesperrt");
        return false;
    }
    lockHeld_ = true;
    endKnown_ = false;  // another process may have appended before
    return true;
}

void MemoFile::DropLock()
{
    if (!lockHeld_) return;
    lockHeld_ = endKnown_ = false;
    if (fd_.valid()) LockAppend(fd_.get(), F_UNLCK);
}

bool MemoFile::Sync(std::string& error)
{
    if (!writable_ || !fd_.valid()) return true;
    if (!Flush(error)) return false;
    if (SyncFile(fd_.get())) {
        unsynced_ = false;
        return true;
    }
    error = "Memodatei " + path_ + " lässt sich nicht auf die Platte schreiben: " + ErrnoText();
    return false;
}

bool MemoFile::Clear(std::string& error)
{
    if (!usable() || !writable_) {
        error = "Memodatei " + path_ + " ist nicht beschreibbar";
        return false;
    }
    std::string head = HeaderBytes(FirstBlock(blockSize_), blockSize_);
    nextFree_ = 0;
    floor_ = 0;
    headerDirty_ = false;
    unsynced_ = true;
    if (!WriteAt(fd_.get(), head.data(), head.size(), 0) ||
        !TruncateFile(fd_.get(), head.size())) {
        error = "Memodatei " + path_ + " lässt sich nicht schreiben: " + ErrnoText();
        return false;
    }
    return true;
}

bool ParseMemoRef(std::string_view bytes, std::uint32_t& block)
{
    block = 0;
    if (bytes.size() == 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        if (bytes == "    ") return true;
        block = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                (std::uint32_t(p[3]) << 24);
        return true;
    }
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\0')) ++i;
    std::uint64_t value = 0;
    for (; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == ' ' || c == '\0') break;
        if (c < '0' || c > '9') return false;
        value = value * 10 + std::uint64_t(c - '0');
        if (value > 0xFFFFFFFFull) return false;
    }
    for (; i < bytes.size(); ++i)
        if (bytes[i] != ' ' && bytes[i] != '\0') return false;
    block = std::uint32_t(value);
    return true;
}

std::string FormatMemoRef(std::uint32_t block, std::uint32_t width)
{
    if (width == 4) {
        if (block == 0) return std::string(4, ' ');
        std::string out(4, '\0');
        for (int i = 0; i < 4; ++i) out[i] = char((block >> (8 * i)) & 0xFF);
        return out;
    }
    if (block == 0) return std::string(width, ' ');
    std::string digits = std::to_string(block);
    if (digits.size() > width) return std::string(width, ' ');
    return std::string(width - digits.size(), ' ') + digits;
}

}  // namespace dbf
