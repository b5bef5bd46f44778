#include "platform/dbf/file_io.h"
#include "platform/dbf/lock_wait.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbf {

namespace {

IoFaultHook& FaultHook()
{
    static auto* hook = new IoFaultHook;  // never destroyed: used by closes at exit
    return *hook;
}

// True (errno EIO) when the test seam fails this operation.
bool Faulted(IoOp op, const std::string& path)
{
    IoFaultHook& hook = FaultHook();
    if (hook && hook(op, path)) {
        errno = EIO;
        return true;
    }
    return false;
}

std::string FdPath(int fd) { return "fd:" + std::to_string(fd); }

// pread/pwrite until the whole range is done; a short transfer is retried from
// where it stopped, an interruption by a signal is retried, end of file or an
// error fails.
template <typename Byte, typename Transfer>
bool TransferAll(int fd, Byte* p, std::size_t size, std::uint64_t offset, Transfer transfer)
{
    while (size > 0) {
        ssize_t n = transfer(fd, p, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

}  // namespace

bool ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset)
{
    return TransferAll(fd, static_cast<char*>(data), size, offset, ::pread);
}

void SetIoFaultHook(IoFaultHook hook) { FaultHook() = std::move(hook); }

namespace {
IoReadFaultHook& ReadFaultHook()
{
    static auto* hook = new IoReadFaultHook;  // never destroyed, as FaultHook
    return *hook;
}
}  // namespace

void SetIoReadFaultHook(IoReadFaultHook hook) { ReadFaultHook() = std::move(hook); }

bool ReadFaulted(const std::string& path)
{
    IoReadFaultHook& hook = ReadFaultHook();
    if (hook && hook(path)) {
        errno = EIO;
        return true;
    }
    return false;
}

bool WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    if (Faulted(IoOp::Write, FdPath(fd))) return false;
    return TransferAll(fd, static_cast<const char*>(data), size, offset, ::pwrite);
}

bool SyncFile(int fd)
{
    if (Faulted(IoOp::Sync, FdPath(fd))) return false;
    return ::fdatasync(fd) == 0;
}

void StartWriteback(int fd, std::uint64_t offset, std::uint64_t length)
{
    (void)::sync_file_range(fd, off_t(offset), off_t(length), SYNC_FILE_RANGE_WRITE);
}

bool TruncateFile(int fd, std::uint64_t size)
{
    if (Faulted(IoOp::Truncate, FdPath(fd))) return false;
    return ::ftruncate(fd, off_t(size)) == 0;
}

bool SyncFolderOf(const std::string& path)
{
    if (Faulted(IoOp::Sync, path)) return false;
    std::size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    ::close(fd);
    return ok;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    if (Faulted(IoOp::Rename, from)) return false;
    return ::rename(from.c_str(), to.c_str()) == 0 && SyncFolderOf(to);
}

bool UnlinkFile(const std::string& path)
{
    if (Faulted(IoOp::Unlink, path)) return false;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return false;
    return SyncFolderOf(path);
}

namespace {

// One byte at `offset`, for a lock of `type`.
struct flock ByteRange(short type, std::uint64_t offset)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(offset);
    fl.l_len = 1;
    return fl;
}

}  // namespace

bool LockByte(int fd, short type, std::uint64_t offset)
{
    struct flock fl = ByteRange(type, offset);
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool LockedByOther(int fd, short type, std::uint64_t offset)
{
    struct flock fl = ByteRange(type, offset);
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return true;
    return fl.l_type != F_UNLCK;
}

bool LockedByOther(int fd, short type, std::uint64_t offset, std::uint64_t length)
{
    struct flock fl = ByteRange(type, offset);
    fl.l_len = off_t(length);
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return true;
    return fl.l_type != F_UNLCK;
}

bool LockByteWait(int fd, short type, std::uint64_t offset, int timeoutMs)
{
    auto until = LockWaitNow() + std::chrono::milliseconds(timeoutMs);
    for (bool first = true;; first = false) {
        if (LockByte(fd, type, offset)) return true;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) return false;
        if (LockWaitNow() >= until) return false;
        if (first) ReleaseHeldIndexLocks();
        LockWaitPause(std::chrono::milliseconds(2));
    }
}

namespace {

LockSupportProbe& Probe()
{
    static auto* probe = new LockSupportProbe;
    return *probe;
}

// Undoes the octal escapes of /proc/self/mountinfo ("\040" for a blank).
std::string Unescaped(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        auto octal = [&](std::size_t k) { return k < field.size() && field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool HasOption(const std::string& options, const std::string& wanted)
{
    std::size_t start = 0;
    while (start <= options.size()) {
        const std::size_t end = std::min(options.find(',', start), options.size());
        const std::string option = options.substr(start, end - start);
        if (option == wanted || option.rfind(wanted + "=", 0) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool MountInfoLocksReach(const std::string& mountInfo, const std::string& file, std::string& reason)
{
    std::istringstream mounts(mountInfo);
    std::string line, bestPoint, bestType, bestOptions;
    while (std::getline(mounts, line)) {
        // id parent major:minor root mount-point options [fields] - type source super-options
        std::istringstream in(line);
        std::string id, parent, device, root, point, options, field;
        in >> id >> parent >> device >> root >> point >> options;
        while (in >> field && field != "-") {
        }
        std::string type, source, superOptions;
        in >> type >> source >> superOptions;
        point = Unescaped(point);
        const bool contains = point == "/" || file == point || file.rfind(point + "/", 0) == 0;
        if (contains && point.size() >= bestPoint.size()) {
            bestPoint = point;
            bestType = type;
            bestOptions = options + "," + superOptions;
        }
    }
    if ((bestType == "nfs" || bestType == "nfs4") &&
        (HasOption(bestOptions, "nolock") || bestOptions.find("local_lock=all") != std::string::npos ||
         bestOptions.find("local_lock=posix") != std::string::npos)) {
        reason = "NFS-Laufwerk " + bestPoint + " ohne Sperren über das Netz";
        return false;
    }
    if ((bestType == "cifs" || bestType == "smb3") && HasOption(bestOptions, "nobrl")) {
        reason = "Netzlaufwerk " + bestPoint + " ohne Bereichssperren (nobrl)";
        return false;
    }
    if (bestType == "fuse" || bestType.rfind("fuse.", 0) == 0) {
        reason = "FUSE-Dateisystem " + bestPoint + " (" + bestType + "), das Bereichssperren nicht sicher weitergibt";
        return false;
    }
    return true;
}

void SetLockSupportProbe(LockSupportProbe probe) { Probe() = std::move(probe); }

bool LocksReachOtherOpeners(const std::string& path, std::string& reason)
{
    const LockSupportProbe& probe = Probe();
    if (probe) return probe(path, reason);
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return true;  // the open that follows reports it
    std::ifstream in("/proc/self/mountinfo");
    std::ostringstream mountInfo;
    mountInfo << in.rdbuf();
    return MountInfoLocksReach(mountInfo.str(), resolved, reason);
}

std::int64_t FileSize(int fd)
{
    struct stat st{};
    if (::fstat(fd, &st) != 0) return -1;
    return st.st_size;
}

std::string ErrnoText() { return std::strerror(errno); }

void FileHandle::Reset(int fd)
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

}  // namespace dbf
