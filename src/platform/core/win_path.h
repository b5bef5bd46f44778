#pragma once
// Windows-form paths ("C:\Bilder\a.jpg") over the drive map.
//
// WinToLinux resolves a Windows-form path component by component: the exact
// name first, then a case-insensitive match, so upper-cased paths and
// albums made on Windows still find their files; components that do not
// exist are kept as written (so a new file can be created). Accepted forms:
//   "C:\dir\file"        absolute with drive letter ("/" also accepted as separator)
//   "\\server\share\x"   UNC, mapped onto the network drive of that share
//   "\dir\file"          root of the current drive
//   "dir\file", "C:dir"  relative to the current folder (of that drive)
//   "/home/anna/x"       already a Linux path: taken as it is (only resolved)
//   "\\?\C:\x", "\\?\UNC\server\share\x"  the extended-length forms of the above
// "." and ".." components are folded. Paths longer than the old limit of 260
// characters are allowed.
//
// LinuxToWin gives the Windows form of a Linux path: the drive whose root
// holds it (the deepest root; "C:" = "/" otherwise), "\" as separator.

#include <QByteArray>
#include <QString>

#include <optional>

// nullopt when the drive letter or UNC share is not in the drive map.
std::optional<QString> WinToLinux(const QString& winPath);
// WinToLinux in the file system's encoding, for calls below Qt.
std::optional<QByteArray> WinToLinuxName(const QString& winPath);
// Like WinToLinux, but throws EPathError ("Laufwerk X: ist nicht vorhanden").
QString WinToLinuxOrThrow(const QString& winPath);
// nullopt only for a relative Linux path that cannot be made absolute or
// when no drive holds the path (a fake drive table without "C:").
std::optional<QString> LinuxToWin(const QString& linuxPath);
// A Linux path name for display or a Windows path: LinuxToWin or the input.
QString LinuxToWinOrSelf(const QString& linuxPath);

// True for "C:\..." , "\\server\share..." forms.
bool IsAbsoluteWinPath(const QString& path);
// Drive letter of an absolute "X:..." path, else a null QChar.
QChar DriveLetterOf(const QString& winPath);

// The current folder in Windows form with no trailing "\" except on a root.
QString GetCurrentDir();
// Sets the current folder (Windows form); false when it does not exist.
bool SetCurrentDir(const QString& winPath);
// Windows-form absolute path of a relative one, "." and ".." folded; no file access.
QString ExpandFileName(const QString& winPath);

// ---- String operations on Windows-form paths (no file access) ----------
QString IncludeTrailingBackslash(const QString& s);   // "" gives "\"
QString ExcludeTrailingBackslash(const QString& s);   // also strips from "C:\" -> "C:"
QString ExtractFilePath(const QString& s);  // up to and including the last "\" or ":"
QString ExtractFileDir(const QString& s);   // the same without the trailing "\" (except "C:\")
QString ExtractFileName(const QString& s);  // after the last "\" or ":"
QString ExtractFileExt(const QString& s);   // from the last "." of the name on, "" without
QString ExtractFileDrive(const QString& s); // "C:" or "\\server\share"; "" otherwise
QString ChangeFileExt(const QString& s, const QString& ext);  // ext with its "."
