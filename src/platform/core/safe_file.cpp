#include "platform/core/safe_file.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_mutex;

TSafeFileHook& ProcessHook()
{
    static TSafeFileHook hook;
    return hook;
}

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

QString FolderOf(const QString& linuxFile)
{
    const qsizetype slash = linuxFile.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : linuxFile.left(slash);
}

// A temporary of ours: ".<name>.lxtmp<pid>-<random>", or ".<name>.lxtmp<pid>"
// as earlier versions named it.
const QRegularExpression& TempNamePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.lxtmp(\\d{1,10})(-[0-9a-z]{8})?$"));
    return pattern;
}

bool ProcessGone(long pid)
{
    return pid > 0 && pid != long(::getpid()) && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// Removes the temporaries that processes of this user left in the folder
// and that are no longer running; once per folder and process.
void ClearLeftovers(const QString& folder)
{
    {
        static std::set<QString> cleared;
        const std::lock_guard lock(g_mutex);
        if (!cleared.insert(folder).second)
            return;
    }
    const int dfd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return;
    DIR* dir = ::fdopendir(dfd);
    if (!dir) {
        ::close(dfd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        const QRegularExpressionMatch m = TempNamePattern().match(name);
        if (!m.hasMatch() || !ProcessGone(m.captured(1).toLong()))
            continue;
        // Only plain files of our own: never a link, never another user's.
        struct stat st;
        if (::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlinkat(dfd, entry->d_name, 0);
    }
    ::closedir(dir);
}

QString RandomPart()
{
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QString part;
    for (int i = 0; i < 8; ++i)
        part += QLatin1Char(digits[QRandomGenerator::system()->bounded(36)]);
    return part;
}

}  // namespace

void SafeFileHookSet(TSafeFileHook hook)
{
    const std::lock_guard lock(g_mutex);
    ProcessHook() = std::move(hook);
}

TSafeFile::TSafeFile(const QString& linuxTarget, TSafeFileHook hook) : target_(linuxTarget), hook_(std::move(hook)) {}

TSafeFile::~TSafeFile()
{
    Discard();
}

bool TSafeFile::Ask(TSafeFileStep step, const QString& path)
{
    int e = hook_ ? hook_(step, path) : 0;
    if (e == 0) {
        TSafeFileHook process;
        {
            const std::lock_guard lock(g_mutex);
            process = ProcessHook();
        }
        e = process ? process(step, path) : 0;
    }
    return e == 0 || Failed(e);
}

bool TSafeFile::Failed(int error)
{
    error_ = error;
    Discard();
    errno = error;
    return false;
}

bool TSafeFile::Open()
{
    Discard();
    error_ = 0;
    const QString folder = FolderOf(target_);
    struct stat st;
    mode_t mode = 0666;  // less the umask, which open applies
    bool keepMode = false;
    if (::lstat(Native(target_).constData(), &st) == 0) {
        if (S_ISLNK(st.st_mode))
            return Failed(ELOOP);
        if (!S_ISREG(st.st_mode))
            return Failed(EISDIR);
        mode = st.st_mode & 07777;
        keepMode = true;
    }
    ClearLeftovers(folder);
    // The name's start tells whose temporary it is; it is kept short enough
    // for the whole name to fit a file name.
    const QString name = target_.mid(target_.lastIndexOf(u'/') + 1).left(64);
    const QString stem = folder + u'/' + u'.' + name + QStringLiteral(".lxtmp") + QString::number(::getpid()) + u'-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = stem + RandomPart();
        if (!Ask(TSafeFileStep::Create, candidate))
            return false;
        do
            fd_ = ::open(Native(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        while (fd_ < 0 && errno == EINTR);
        if (fd_ >= 0) {
            temp_ = candidate;
            break;
        }
        if (errno != EEXIST)
            return Failed(errno);
    }
    if (fd_ < 0)
        return Failed(EEXIST);
    if (keepMode)
        ::fchmod(fd_, mode);
    return true;
}

bool TSafeFile::Write(const char* data, std::size_t size)
{
    if (fd_ < 0)
        return Failed(error_ ? error_ : EBADF);
    do {
        if (!Ask(TSafeFileStep::Write, temp_))
            return false;
        std::size_t piece = std::min<std::size_t>(size, 1 << 16);
        while (piece > 0) {
            const ssize_t n = ::write(fd_, data, piece);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Failed(n < 0 ? errno : ENOSPC);
            data += n;
            piece -= std::size_t(n);
            size -= std::size_t(n);
        }
    } while (size > 0);
    return true;
}

bool TSafeFile::Commit(bool replace)
{
    if (fd_ < 0)
        return Failed(error_ ? error_ : EBADF);
    if (!Ask(TSafeFileStep::Sync, temp_))
        return false;
    if (::fsync(fd_) != 0)
        return Failed(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return Failed(errno);
    if (!Ask(TSafeFileStep::Rename, temp_))
        return false;
    const bool placed = replace ? ::rename(Native(temp_).constData(), Native(target_).constData()) == 0
                                : RenameNoReplace(temp_, target_);
    if (!placed)
        return Failed(errno);
    temp_.clear();
    SyncFolderOf(target_);
    return true;
}

void TSafeFile::Discard()
{
    const int e = errno;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty())
        ::unlink(Native(temp_).constData());
    temp_.clear();
    errno = e;
}

bool RenameNoReplace(const QString& fromLinux, const QString& toLinux)
{
    const QByteArray from = Native(fromLinux), to = Native(toLinux);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // A file system without the flag: a hard link fails on a taken name.
    if (::link(from.constData(), to.constData()) == 0)
        return ::unlink(from.constData()) == 0;
    if (errno == EEXIST)
        return false;
    // Nor links (FAT cards): the name is tested, then taken.
    struct stat st;
    if (::lstat(to.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

QString FileErrorText(int error)
{
    switch (error) {
    case ENOENT: return QStringLiteral("Datei oder Verzeichnis nicht gefunden");
    case EACCES:
    case EPERM: return QStringLiteral("keine Berechtigung");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("Datenträger voll");
    case EROFS: return QStringLiteral("Datenträger schreibgeschützt");
    case EIO: return QStringLiteral("Ein-/Ausgabefehler (Datenträger beschädigt oder entfernt?)");
    case ENODEV:
    case ENXIO: return QStringLiteral("Datenträger nicht im Zugriff");
    case EEXIST: return QStringLiteral("Datei schon vorhanden");
    case EISDIR: return QStringLiteral("ist ein Verzeichnis");
    case ELOOP: return QStringLiteral("ist eine symbolische Verknüpfung, sie wird nicht überschrieben");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

void SyncFolderOf(const QString& linuxFile)
{
    const int fd = ::open(Native(FolderOf(linuxFile)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
