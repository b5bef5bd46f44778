#pragma once
// File-system routines of the framework on Windows-form paths (resolved
// through the drive map, see win_path.h; a path starting with "/" is taken
// as a Linux path). None of them throws for a missing file or drive; they
// report through their result.

#include "platform/core/sys_utils.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

// File attributes as the framework numbers them. On Linux: read-only = the
// owner may not write; hidden = the name starts with "."; archive = every
// plain file; system and volume are never set.
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

bool FileExists(const QString& path);       // a file (not a folder)
bool DirectoryExists(const QString& path);
bool ForceDirectories(const QString& path); // every missing level; true when it exists afterwards
bool CreateDir(const QString& path);        // one level
bool RemoveDir(const QString& path);        // empty folder only
bool DeleteFile(const QString& path);
bool RenameFile(const QString& oldName, const QString& newName);  // no overwrite of an existing target
// Copies a file; failIfExists as in the Windows call. Times are kept.
bool CopyFile(const QString& source, const QString& dest, bool failIfExists);
int64_t FileSizeOf(const QString& path);    // -1 when missing
int FileGetAttr(const QString& path);       // -1 when missing
// Only faReadOnly has an effect (clears or sets the owner's write permission).
int FileSetAttr(const QString& path, int attr);  // 0 on success, else errno
// Modification time; -1 (as TDateTime) when missing.
TDateTime FileDateTime(const QString& path);
bool FileSetDateTime(const QString& path, TDateTime dt);
// The framework's FileAge: the modification time as DOS date-time (local
// time, 2-second steps); -1 when missing. FileDateToDateTime converts it.
int FileAge(const QString& path);
TDateTime FileDateToDateTime(int dosDateTime);
int DateTimeToFileDate(TDateTime dt);
// Free bytes on the file system holding the path; -1 when unknown.
int64_t DiskFreeBytes(const QString& path);

// Whole files. Read: nullopt-like empty + false on failure.
bool ReadFileBytes(const QString& path, QByteArray& bytes);
// Atomic replacement: a temporary file beside the target, written, flushed
// to disk (fsync), renamed over the target; a crash leaves the old or the new
// file. Throws EFCreateError / EWriteError with a German message on failure.
void WriteFileAtomic(const QString& path, const QByteArray& bytes);

// Windows wild-card match of one name (case-insensitive): "*" any run, "?" one
// character, "*.*" matches every name (also one without ".").
bool MatchesWildcard(const QString& name, const QString& mask);

// The framework's folder search. FindFirst(mask "C:\Bilder\*.jpg", attr,
// rec): 0 and the first entry on success, else a non-zero code (2 = none
// found / folder missing). Plain files are always found; folders, hidden and
// system entries only when attr asks for them. "." and ".." are never
// returned. Entries come sorted by name.
struct TSearchRec {
    QString Name;      // name only
    int Attr = 0;
    int64_t Size = 0;
    TDateTime Time = 0;  // modification time
    QString LinuxPath; // where the entry really is
    struct Impl;
    std::shared_ptr<Impl> impl;
};
int FindFirst(const QString& mask, int attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);
