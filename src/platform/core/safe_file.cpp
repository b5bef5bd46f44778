#include "platform/core/safe_file.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
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

// A temporary untouched this long is no live write's: a write keeps its
// temporary's time fresh and puts it in place right after its last byte.
constexpr time_t kLeftoverAge = 24 * 60 * 60;

bool LongUntouched(const struct stat& st)
{
    return ::time(nullptr) - st.st_mtim.tv_sec > kLeftoverAge;
}

// Removes the temporaries that processes of this user left in the folder;
// once per folder and process. The pid in the name tells only of this
// machine: in a folder shared over the network the same pid may be another
// machine's live write, so a temporary also has to be long untouched.
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
            st.st_uid == ::geteuid() && LongUntouched(st))
            ::unlinkat(dfd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// Why an existing target must not be replaced, 0 when it may be. A file
// the user made read-only (no write bit for its owner, the program's
// read-only attribute) or that this process may not write is refused: a
// rename needs only a writable folder and would replace it anyway. A file
// with further hard links is refused too: a rename would leave the other
// names with the old bytes, and writing into the file itself could leave
// every name with half a file after a crash.
int TargetRefusal(const struct stat& st, const QByteArray& path)
{
    if (!(st.st_mode & S_IWUSR) || ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
        return EACCES;
    if (st.st_nlink > 1)
        return EMLINK;
    return 0;
}

// The state of an existing target: 0 when there is none or it may be
// replaced, else the refusal (ELOOP for a link, EISDIR for no plain file).
int CheckTarget(const QString& target, struct stat& st, bool& exists)
{
    const QByteArray path = Native(target);
    exists = ::lstat(path.constData(), &st) == 0;
    if (!exists)
        return 0;
    if (S_ISLNK(st.st_mode))
        return ELOOP;
    if (!S_ISREG(st.st_mode))
        return EISDIR;
    return TargetRefusal(st, path);
}

}  // namespace

QString RandomNamePart()
{
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QString part;
    for (int i = 0; i < 8; ++i)
        part += QLatin1Char(digits[QRandomGenerator::system()->bounded(36)]);
    return part;
}

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
    bool exists = false;
    if (const int refusal = CheckTarget(target_, st, exists))
        return Failed(refusal);
    const mode_t mode = exists ? mode_t(st.st_mode & 07777) : 0666;  // a new file: less the umask
    ClearLeftovers(folder);
    // The name's start tells whose temporary it is; it is kept short enough
    // for the whole name to fit a file name.
    const QString name = target_.mid(target_.lastIndexOf(u'/') + 1).left(64);
    const QString stem = folder + u'/' + u'.' + name + QStringLiteral(".lxtmp") + QString::number(::getpid()) + u'-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = stem + RandomNamePart();
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
    if (exists) {
        // The replacement keeps the file's owner where this user may give
        // it (the group for a member of it, both for the superuser), then
        // its mode, which a change of owner may have cut.
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0 && ::fchown(fd_, uid_t(-1), st.st_gid) != 0) {
            // Owned by this user then, as any new file of it.
        }
        ::fchmod(fd_, mode);
    }
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
    // The target may have changed since Open (made read-only, linked).
    if (replace) {
        struct stat st;
        bool exists = false;
        if (const int refusal = CheckTarget(target_, st, exists))
            return Failed(refusal);
    }
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
    case EMLINK:
        return QStringLiteral("hat weitere feste Verknüpfungen (Hardlinks), sie wird nicht ersetzt, damit alle Namen "
                              "denselben Inhalt behalten");
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
