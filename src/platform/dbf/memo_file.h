// The FPT memo file (FoxPro form): a 512-byte header holding the next free
// block (big-endian 32-bit, bytes 0-3) and the block size (big-endian 16-bit,
// bytes 6-7), then blocks; a memo starts at a block with its type (0 binary
// or picture, 1 text; big-endian 32-bit) and its length (big-endian 32-bit),
// followed by the bytes. Records refer to memos by block number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/dbf/file_io.h"

namespace dbf {

constexpr std::uint32_t kMemoHeaderSize = 512;
constexpr std::uint32_t kMemoTypeBinary = 0;
constexpr std::uint32_t kMemoTypeText = 1;

class MemoFile {
public:
    // Opens an existing memo file; null and a reason on failure.
    // `exclusive`: no other process writes the file, so the next free block
    // is kept in memory and written to the header by Flush (or on close).
    static std::unique_ptr<MemoFile> Open(const std::string& path, bool writable,
                                          std::string& error, bool exclusive = false);
    ~MemoFile();
    // Writes an empty memo file (header only) with the given block size.
    static bool Create(const std::string& path, std::uint32_t blockSize, std::string& error);

    const std::string& path() const { return path_; }
    std::uint32_t blockSize() const { return blockSize_; }
    bool usable() const { return blockSize_ > 0; }

    // Length of the memo at `block` (0 = none gives 0). False (with a
    // reason) when the block or its length lies outside the file.
    bool Length(std::uint32_t block, std::uint32_t& length, std::string& error);
    // Reads the memo at `block` into `out` (type into `type` when given).
    bool Read(std::uint32_t block, std::string& out, std::uint32_t* type, std::string& error);
    // Appends a memo at the next free block and gives its block number.
    bool Append(std::string_view data, std::uint32_t type, std::uint32_t& block,
                std::string& error);
    // Empties the file (header only).
    bool Clear(std::string& error);
    // Writes a next free block kept in memory to the header.
    bool Flush(std::string& error);
    // Flush, then fdatasync of the file.
    bool Sync(std::string& error);
    // Whether this object wrote anything the disk may not hold yet (true
    // after an open for writing: a process that died may have left writes
    // that were never synced).
    bool HasUnsyncedWrites() const { return unsynced_; }
    // No memo is appended at `block` or before it from now on: a record
    // points there although the block never reached the disk (a power cut
    // kept the record, not the memo), and a new memo there would show as
    // that record's. A block further past the end than a cut can lose is
    // left alone (damage of its record).
    void KeepClearOf(std::uint32_t block);
    // Sets a header found behind the memos written last (left by a crash)
    // to the file's end; called once the table is open, so an open that
    // fails writes nothing.
    void RepairStaleHeader();
    // Forgets an unwritten header (a forked child must not write it).
    void DiscardPending() { headerDirty_ = false; }
    // Shared use: keeps the append lock across appends until DropLock (the
    // table keeps its own append lock as long, see DbfTable). No other
    // process appends meanwhile, so the file's end is known without looking.
    bool HoldLock(std::string& error);
    void DropLock();
    bool LockHeld() const { return lockHeld_; }

private:
    MemoFile() = default;
    bool Locate(std::uint32_t block, std::uint32_t& type, std::uint32_t& length,
                std::string& error);

    std::string path_;
    FileHandle fd_;
    bool writable_ = false;
    bool exclusive_ = false;
    std::uint32_t blockSize_ = 0;
    // The next free block (0 = not known yet). Shared use: the block after
    // this process's last append, which is the next free one while the file
    // still ends there.
    std::uint64_t nextFree_ = 0;
    bool headerDirty_ = false;
    bool unsynced_ = false;
    std::uint64_t floor_ = 0;  // first block an append may take (KeepClearOf)
    bool staleHeader_ = false;  // found at open, not yet repaired
    // Appended bytes from here on are not yet on their way to the disk: a
    // run of appends starts their writing every megabyte, so a commit's
    // sync has little left to wait for.
    std::uint64_t writebackFrom_ = 0;
    bool lockHeld_ = false;  // HoldLock
    bool endKnown_ = false;  // nextFree_ is the file's end (under a held lock)
};

// Block number of the memo reference in a record's field bytes: 10 ASCII
// digits right-aligned (blank = none), or 4 binary bytes little-endian for
// width-4 fields. False when the bytes are not a number.
bool ParseMemoRef(std::string_view fieldBytes, std::uint32_t& block);
// Field bytes for a block number (blank for 0).
std::string FormatMemoRef(std::uint32_t block, std::uint32_t width);

}  // namespace dbf
