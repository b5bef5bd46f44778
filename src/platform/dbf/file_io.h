// Small POSIX file helpers of the engine: whole reads and writes at an
// offset (retrying on EINTR and short transfers) and file descriptor RAII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dbf {

// Reads exactly `size` bytes at `offset`; false on error or end of file.
bool ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset);
// Writes exactly `size` bytes at `offset`; false on error.
bool WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset);
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
