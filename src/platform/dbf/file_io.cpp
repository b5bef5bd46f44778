#include "platform/dbf/file_io.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace dbf {

namespace {

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

bool WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    return TransferAll(fd, static_cast<const char*>(data), size, offset, ::pwrite);
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
