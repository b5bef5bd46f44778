#pragma once
// A file written so that no failure and no planted link destroys one: the
// new bytes go into a temporary file beside the target, made with
// O_CREAT|O_EXCL|O_NOFOLLOW under a name nobody can guess, synced to disk,
// and only then put in the target's place (renamed over it, or linked under
// its name when that must still be free); the folder is synced after. A
// target that is a symbolic link is refused: what it points to is never
// written through it. A write that fails at any step leaves the target as
// it was and no temporary behind.
//
// An existing target is replaced only when the user may write it: a file
// made read-only (no owner write bit) or not writable by this process is
// refused (EACCES), as a plain write into it would fail, though the rename
// needs only a writable folder. A target with further hard links is refused
// (EMLINK): replacing it would leave its other names with the old bytes,
// and writing into it in place is not safe against a crash. A replacement
// keeps the file's mode, and its owner and group where this user may set
// them.
//
// Temporaries are named ".<name>.lxtmp<pid>-<random>"; one that a killed
// process left is removed by the next write into its folder (once per
// folder and process) when it belongs to us, no process of its pid runs on
// this machine and it has been untouched for a day (the folder may be
// shared over the network, where the pid may be another machine's live
// write).
//
// Every step asks a seam first (the caller's and a process-wide one for
// tests), so tests can fail the N-th write, sync or rename. Paths are Linux
// paths.

#include <QString>

#include <cstddef>
#include <functional>

enum class TSafeFileStep { Create, Write, Sync, Rename };

// Asked before a step with the temporary's path: 0 lets it go on, an errno
// value makes it fail with that error.
using TSafeFileHook = std::function<int(TSafeFileStep step, const QString& linuxPath)>;

// The process-wide seam, asked before every step of every safe write after
// the writer's own; empty (the default): nothing fails.
void SafeFileHookSet(TSafeFileHook hook);

class TSafeFile {
public:
    explicit TSafeFile(const QString& linuxTarget, TSafeFileHook hook = {});
    ~TSafeFile();  // a temporary not put in place is removed
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    // Makes the temporary beside the target. It gets the permissions of
    // the file it replaces, else those the umask leaves of 0666. False
    // (errno set) when the target is a symbolic link (ELOOP), no file
    // (EISDIR), read-only (EACCES) or hard-linked (EMLINK), or the
    // temporary cannot be made.
    bool Open();
    int Handle() const { return fd_; }
    const QString& TempPath() const { return temp_; }

    // Appends bytes, in pieces of 64 KiB, each asked of the seams.
    bool Write(const char* data, std::size_t size);

    // Syncs the temporary and puts it in place: over an existing target
    // when replace is set (checked again as in Open), else only when the
    // name is still free (EEXIST otherwise); then syncs the folder. On
    // failure the temporary is gone.
    bool Commit(bool replace);

    // Removes the temporary (also done by the destructor).
    void Discard();

    // errno of the step that failed, 0 when none did.
    int Error() const { return error_; }

private:
    bool Ask(TSafeFileStep step, const QString& path);
    bool Failed(int error);

    QString target_;
    QString temp_;
    TSafeFileHook hook_;
    int fd_ = -1;
    int error_ = 0;
};

// Renames a file only when the new name is free: the kernel decides
// (renameat2 with RENAME_NOREPLACE, else a hard link), so no file that
// appears meanwhile is replaced; on a file system with neither (FAT) the
// name is tested right before. False and errno (EEXIST for a taken name).
bool RenameNoReplace(const QString& fromLinux, const QString& toLinux);

// Eight random characters (0-9, a-z) for file names nobody can guess.
QString RandomNamePart();

// Syncs the folder that holds a file (errors ignored: not every file
// system syncs folders).
void SyncFolderOf(const QString& linuxFile);

// The reason of a failed file operation (an errno value) in German, for
// messages and the log.
QString FileErrorText(int error);
