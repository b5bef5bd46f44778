// The engine's file I/O seam: every write, sync, truncation, rename and
// unlink of the table, memo and index files goes through these helpers (as
// LevelDB's Env does), so a test can fail the N-th one and check that each
// command is either done or not done at all. Reads retry on EINTR and short
// transfers; file descriptor RAII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace dbf {

enum class IoOp { Write, Sync, Truncate, Rename, Unlink };

// Asked before every changing file operation; true makes it fail with EIO
// without touching the file. Empty (the default): nothing fails.
using IoFaultHook = std::function<bool(IoOp op, const std::string& path)>;
void SetIoFaultHook(IoFaultHook hook);
// The same for reads of the index files and of the table's records (asked
// before each read with the file's path: of a record, also one taken from
// the table's mapping; of a scan of the table, once; true makes it fail with
// EIO). Kept apart from the hook above, whose callers count changing
// operations only.
using IoReadFaultHook = std::function<bool(const std::string& path)>;
void SetIoReadFaultHook(IoReadFaultHook hook);
// Whether the read seam fails a read of `path` now (errno set to EIO).
bool ReadFaulted(const std::string& path);

// Reads exactly `size` bytes at `offset`; false on error or end of file.
bool ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset);
// Writes exactly `size` bytes at `offset`; false on error.
bool WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset);
// fdatasync of the file; false on error.
bool SyncFile(int fd);
// Starts writing `length` bytes from `offset` to the disk without waiting
// (a later SyncFile then has less left to wait for). Only a hint: nothing
// relies on it, so it is no operation of the test seam and its failure is
// ignored.
void StartWriteback(int fd, std::uint64_t offset, std::uint64_t length);
// ftruncate; false on error.
bool TruncateFile(int fd, std::uint64_t size);
// rename(2), then fsync of the folder so the new name is on disk.
bool RenameFile(const std::string& from, const std::string& to);
// unlink(2) of an existing file (a missing one counts as removed), then
// fsync of the folder.
bool UnlinkFile(const std::string& path);
// fsync of the folder holding `path`.
bool SyncFolderOf(const std::string& path);
// Byte-range locks on open file descriptions (F_OFD_SETLK) of one byte at
// `offset`: type F_RDLCK, F_WRLCK or F_UNLCK. One try; false when another
// holder refuses it (or on error).
bool LockByte(int fd, short type, std::uint64_t offset);
// The same, tried again every few milliseconds while another holder refuses
// it, until `timeoutMs` have passed (0: one try). Before it waits, the index
// locks this process holds across calls are given back (whoever holds this
// lock may be waiting for one of them).
bool LockByteWait(int fd, short type, std::uint64_t offset, int timeoutMs);
// Whether another open file description holds a lock on the byte at
// `offset` that a lock of `type` would conflict with (true when that
// cannot be asked: the careful answer).
bool LockedByOther(int fd, short type, std::uint64_t offset);
// The same for the `length` bytes from `offset`.
bool LockedByOther(int fd, short type, std::uint64_t offset, std::uint64_t length);
// Whether byte-range locks on the file system that holds `path` reach every
// process that may open the file: false (with the reason) for network mounts
// that keep their locks on this machine (NFS mounted "nolock" or with
// "local_lock", CIFS/SMB mounted "nobrl") and for FUSE file systems, which
// may not pass locks on at all. Tests replace the probe; empty: the real one,
// which reads /proc/self/mountinfo.
using LockSupportProbe = std::function<bool(const std::string& path, std::string& reason)>;
void SetLockSupportProbe(LockSupportProbe probe);
bool LocksReachOtherOpeners(const std::string& path, std::string& reason);
// The real probe's rule over the text of /proc/self/mountinfo, for the
// mount that holds the resolved path `file`.
bool MountInfoLocksReach(const std::string& mountInfo, const std::string& file, std::string& reason);
// Gives back the index locks this process holds across calls (see
// CdxFile::ReleaseLease) and no access uses.
void ReleaseHeldIndexLocks();
// Size of the open file, or -1.
std::int64_t FileSize(int fd);
// Text of errno for messages.
std::string ErrnoText();

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { Reset(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int Release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

}  // namespace dbf
