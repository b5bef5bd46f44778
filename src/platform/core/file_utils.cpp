#include "platform/core/file_utils.h"

#include "platform/core/exceptions.h"
#include "platform/core/safe_file.h"
#include "platform/core/win_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Linux path of a Windows-form (or Linux) path; empty when the drive is missing.
QString LinuxPathOf(const QString& path)
{
    if (path.isEmpty())
        return QString();
    return WinToLinux(path).value_or(QString());
}

// A Linux path in the file system's encoding, for the system calls.
QByteArray NativeName(const QString& linuxPath)
{
    return QFile::encodeName(linuxPath);
}

bool Stat(const QString& path, struct stat& st)
{
    const QString l = LinuxPathOf(path);
    return !l.isEmpty() && ::stat(NativeName(l).constData(), &st) == 0;
}

int AttrOf(const QString& name, const struct stat& st)
{
    int attr = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if (name.startsWith(u'.'))
        attr |= faHidden;
    if (!(st.st_mode & S_IWUSR))
        attr |= faReadOnly;
    return attr;
}

TDateTime FromTimespec(const struct timespec& ts)
{
    return DateTimeFromQt(QDateTime::fromMSecsSinceEpoch(
        static_cast<qint64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000));
}

}  // namespace

bool FileExists(const QString& path)
{
    struct stat st;
    return Stat(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const QString& path)
{
    struct stat st;
    return Stat(path, st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const QString& path)
{
    const QString l = LinuxPathOf(ExcludeTrailingBackslash(path));
    return !l.isEmpty() && QDir().mkpath(l);
}

bool CreateDir(const QString& path)
{
    const QString l = LinuxPathOf(ExcludeTrailingBackslash(path));
    return !l.isEmpty() && ::mkdir(NativeName(l).constData(), 0777) == 0;
}

bool RemoveDir(const QString& path)
{
    const QString l = LinuxPathOf(ExcludeTrailingBackslash(path));
    return !l.isEmpty() && ::rmdir(NativeName(l).constData()) == 0;
}

bool DeleteFile(const QString& path)
{
    struct stat st;
    const QString l = LinuxPathOf(path);
    if (l.isEmpty() || ::lstat(NativeName(l).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(NativeName(l).constData()) == 0;
}

bool RenameFile(const QString& oldName, const QString& newName)
{
    const QString from = LinuxPathOf(oldName), to = LinuxPathOf(newName);
    if (from.isEmpty() || to.isEmpty())
        return false;
    struct stat st;
    // Windows refuses to rename over an existing file; a case-only rename of
    // the same file is allowed.
    if (::stat(NativeName(to).constData(), &st) == 0 && from != to) {
        struct stat src;
        if (::stat(NativeName(from).constData(), &src) != 0 || src.st_ino != st.st_ino
            || src.st_dev != st.st_dev)
            return false;
    }
    return ::rename(NativeName(from).constData(), NativeName(to).constData()) == 0;
}

bool CopyFile(const QString& source, const QString& dest, bool failIfExists)
{
    const QString from = LinuxPathOf(source), to = LinuxPathOf(dest);
    if (from.isEmpty() || to.isEmpty() || !QFileInfo(from).isFile())
        return false;
    if (QFileInfo::exists(to)) {
        if (failIfExists)
            return false;
        if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
            return false;
    }
    QFile in(from);
    struct stat st;
    if (!in.open(QIODevice::ReadOnly) || ::fstat(in.handle(), &st) != 0)
        return false;
    // Written beside the target and put in place when whole.
    TSafeFile out(to);
    if (!out.Open())
        return false;
    char buf[1 << 16];
    for (;;) {
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0 || (n > 0 && !out.Write(buf, size_t(n))))
            return false;
        if (n == 0)
            break;
    }
    ::fchmod(out.Handle(), st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.Handle(), times);
    return out.Commit(!failIfExists);
}

int64_t FileSizeOf(const QString& path)
{
    struct stat st;
    if (!Stat(path, st) || S_ISDIR(st.st_mode))
        return -1;
    return st.st_size;
}

int FileGetAttr(const QString& path)
{
    struct stat st;
    if (!Stat(path, st))
        return -1;
    return AttrOf(ExtractFileName(path), st);
}

int FileSetAttr(const QString& path, int attr)
{
    struct stat st;
    const QString l = LinuxPathOf(path);
    if (l.isEmpty() || ::stat(NativeName(l).constData(), &st) != 0)
        return ENOENT;
    mode_t mode = st.st_mode & 07777;
    mode = (attr & faReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    return ::chmod(NativeName(l).constData(), mode) == 0 ? 0 : errno;
}

TDateTime FileDateTime(const QString& path)
{
    struct stat st;
    if (!Stat(path, st))
        return -1;
    return FromTimespec(st.st_mtim);
}

bool FileSetDateTime(const QString& path, TDateTime dt)
{
    const QString l = LinuxPathOf(path);
    if (l.isEmpty())
        return false;
    QFile f(l);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    return f.setFileTime(DateTimeToQt(dt), QFileDevice::FileModificationTime);
}

int DateTimeToFileDate(TDateTime dt)
{
    int y, mo, d, h, mi, sec, ms;
    DecodeDate(dt, y, mo, d);
    DecodeTime(dt, h, mi, sec, ms);
    if (y < 1980 || y > 2107)
        return 0;
    const uint32_t v = uint32_t(y - 1980) << 25 | uint32_t(mo) << 21 | uint32_t(d) << 16
                       | uint32_t(h) << 11 | uint32_t(mi) << 5 | uint32_t(sec / 2);
    return static_cast<int>(v);
}

TDateTime FileDateToDateTime(int dosDateTime)
{
    const auto v = static_cast<uint32_t>(dosDateTime);
    TDateTime date, time;
    if (!TryEncodeDate(int(v >> 25) + 1980, int(v >> 21 & 15), int(v >> 16 & 31), date)
        || !TryEncodeTime(int(v >> 11 & 31), int(v >> 5 & 63), int(v & 31) * 2, 0, time))
        throw EConvertError(QStringLiteral("Ungültiges Dateidatum %1").arg(dosDateTime));
    return date + time;
}

int FileAge(const QString& path)
{
    const TDateTime dt = FileDateTime(path);
    return dt < 0 ? -1 : DateTimeToFileDate(dt);
}

int64_t DiskFreeBytes(const QString& path)
{
    const QString l = LinuxPathOf(path);
    struct statvfs st;
    if (l.isEmpty() || ::statvfs(NativeName(l).constData(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

bool ReadFileBytes(const QString& path, QByteArray& bytes)
{
    const QString l = LinuxPathOf(path);
    QFile f(l);
    if (l.isEmpty() || !QFileInfo(l).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    bytes = f.readAll();
    return f.error() == QFileDevice::NoError;
}

void WriteFileAtomic(const QString& path, const QByteArray& bytes)
{
    QString l = LinuxPathOf(path);
    if (l.isEmpty())
        throw EFCreateError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden: "
                                           "Laufwerk nicht vorhanden").arg(path));
    // Replace the file a symbolic link points to, not the link.
    if (QFileInfo(l).isSymLink() && !QFileInfo(l).canonicalFilePath().isEmpty())
        l = QFileInfo(l).canonicalFilePath();
    TSafeFile out(l);
    if (!out.Open())
        throw EFCreateError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden: %2")
                                .arg(path, QString::fromLocal8Bit(std::strerror(out.Error()))));
    if (!out.Write(bytes.constData(), size_t(bytes.size())) || !out.Commit(true))
        throw EWriteError(QStringLiteral("Fehler beim Schreiben von \"%1\": %2")
                              .arg(path, QString::fromLocal8Bit(std::strerror(out.Error()))));
}

bool MatchesWildcard(const QString& name, const QString& mask)
{
    if (mask == u"*.*" || mask == u"*")
        return true;
    // Classic backtracking match, case-insensitive.
    const QString n = name.toUpper(), m = mask.toUpper();
    qsizetype ni = 0, mi = 0, star = -1, mark = 0;
    while (ni < n.size()) {
        if (mi < m.size() && (m[mi] == u'?' || m[mi] == n[ni])) {
            ++ni;
            ++mi;
        } else if (mi < m.size() && m[mi] == u'*') {
            star = mi++;
            mark = ni;
        } else if (star >= 0) {
            mi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (mi < m.size() && (m[mi] == u'*' || (m[mi] == u'.' && mi + 1 == m.size())))
        ++mi;  // "name." matches "name" as on Windows
    return mi == m.size();
}

struct TSearchRec::Impl {
    QList<TSearchRec> entries;
    qsizetype next = 0;
};

namespace {

int Advance(TSearchRec& rec)
{
    if (!rec.impl || rec.impl->next >= rec.impl->entries.size())
        return 18;  // ERROR_NO_MORE_FILES
    auto impl = rec.impl;
    TSearchRec e = impl->entries[impl->next++];
    rec.Name = e.Name;
    rec.Attr = e.Attr;
    rec.Size = e.Size;
    rec.Time = e.Time;
    rec.LinuxPath = e.LinuxPath;
    return 0;
}

}  // namespace

int FindFirst(const QString& mask, int attr, TSearchRec& rec)
{
    rec.impl.reset();
    const QString folder = ExtractFilePath(mask);
    QString pattern = ExtractFileName(mask);
    if (pattern.isEmpty())
        pattern = QStringLiteral("*.*");
    const QString dir = folder.isEmpty() ? QDir::currentPath() : LinuxPathOf(folder);
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return 3;  // ERROR_PATH_NOT_FOUND
    auto impl = std::make_shared<TSearchRec::Impl>();
    const QStringList names =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDir::Name);
    for (const QString& name : names) {
        if (!MatchesWildcard(name, pattern))
            continue;
        TSearchRec e;
        e.LinuxPath = dir + u'/' + name;
        struct stat st;
        if (::stat(NativeName(e.LinuxPath).constData(), &st) != 0)
            continue;  // dangling link
        e.Name = name;
        e.Attr = AttrOf(name, st);
        // Folders and hidden entries only when asked for.
        if ((e.Attr & faDirectory) && !(attr & faDirectory))
            continue;
        if ((e.Attr & faHidden) && !(attr & faHidden))
            continue;
        e.Size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
        e.Time = FromTimespec(st.st_mtim);
        impl->entries << e;
    }
    if (impl->entries.isEmpty())
        return 2;  // ERROR_FILE_NOT_FOUND
    rec.impl = impl;
    return Advance(rec);
}

int FindNext(TSearchRec& rec)
{
    return Advance(rec);
}

void FindClose(TSearchRec& rec)
{
    rec.impl.reset();
}
