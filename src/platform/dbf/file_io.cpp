#include "platform/dbf/file_io.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace dbf {

bool ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset)
{
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::pread(fd, p, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

bool WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(fd, p, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
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
