#include "platform/core/run_temp_folder.h"

#include "platform/core/safe_file.h"
#include "platform/core/win_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_mutex;
// This run's folder: its path, and the folder itself held open, so what is
// removed at the end is this folder, whatever stands at its name by then.
QString g_folder;
int g_folderFd = -1;

const QRegularExpression& FolderPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^lumadex-(\\d{1,10})-[0-9a-z]{8}$"));
    return pattern;
}

QString SystemTempFolder()
{
    // Qt gives no folder for a TMPDIR that does not exist.
    const QString base = QDir::tempPath();
    return base.isEmpty() ? QStringLiteral("/tmp") : base;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A folder fit to hold this run's files: a real folder of this user that
// nobody else may enter.
bool OwnPrivateFolder(const struct stat& st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0700;
}

// Deep enough for anything the program makes; a deeper tree is left, not
// followed until the descriptors run out.
constexpr int kMaxDepth = 64;

// Removes everything inside the folder open at `folderFd` (the descriptor
// stays the caller's). Entries are removed relative to the folder, never by
// path: a link is removed as a link, and a subfolder is opened with
// O_NOFOLLOW and emptied through its own descriptor, so nothing outside the
// folder is ever reached.
void EmptyFolder(int folderFd, int depth = 0)
{
    const int listFd = ::dup(folderFd);
    if (listFd < 0)
        return;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        if (::unlinkat(folderFd, name.c_str(), 0) == 0 || errno != EISDIR || depth >= kMaxDepth)
            continue;
        const int sub = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0)
            continue;
        EmptyFolder(sub, depth + 1);
        ::close(sub);
        ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR);
    }
}

// Removes the folder open at `folderFd` with all it holds, and its name
// `name` in the folder at `parentFd` when that name still is this folder.
bool RemoveFolder(int parentFd, const char* name, int folderFd)
{
    EmptyFolder(folderFd);
    struct stat held, named;
    if (parentFd < 0 || ::fstat(folderFd, &held) != 0 ||
        ::fstatat(parentFd, name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(held, named))
        return false;
    return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0;
}

// Lets go of this run's folder (its descriptor closed); called with the
// lock held.
void ForgetFolder()
{
    if (g_folderFd >= 0)
        ::close(g_folderFd);
    g_folderFd = -1;
    g_folder.clear();
}

// This run's folder, made when there is none (or it is gone, or something
// else stands at its name); called with the lock held. False when no folder
// could be made.
bool EnsureFolder()
{
    if (g_folderFd >= 0) {
        // A folder that was removed under the running program (a cleaner
        // of the temporary folder) is made anew, and so is one whose name
        // now holds anything but this folder, a link or another user's
        // folder: no file of this run is made in it, and the end of the run
        // leaves it alone.
        struct stat held, named;
        if (::fstat(g_folderFd, &held) == 0 && held.st_nlink > 0 && OwnPrivateFolder(held) &&
            ::lstat(QFile::encodeName(g_folder).constData(), &named) == 0 && SameFile(held, named))
            return true;
        ForgetFolder();
    }
    const QString base = SystemTempFolder();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString folder =
            base + QStringLiteral("/lumadex-") + QString::number(::getpid()) + u'-' + RandomNamePart();
        const QByteArray native = QFile::encodeName(folder);
        // mkdir fails on any name that exists, a planted link included.
        if (::mkdir(native.constData(), 0700) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        // The umask may have taken more than the group's and others' bits.
        if (fd >= 0 && ::fchmod(fd, 0700) == 0 && ::fstat(fd, &st) == 0 && OwnPrivateFolder(st)) {
            g_folder = folder;
            g_folderFd = fd;
            static const bool atExit = std::atexit(RemoveRunTempFolder) == 0;
            (void)atExit;
            return true;
        }
        if (fd >= 0)
            ::close(fd);
    }
    return false;
}

// Opens a folder for making files in it; -1 (errno set) when it cannot.
int OpenFolder(const QString& folder)
{
    return ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

QString RunTempFolder()
{
    const std::lock_guard lock(g_mutex);
    return EnsureFolder() ? g_folder : SystemTempFolder();
}

void RemoveRunTempFolder()
{
    const std::lock_guard lock(g_mutex);
    if (g_folderFd >= 0) {
        const QByteArray parent = QFile::encodeName(QFileInfo(g_folder).absolutePath());
        const QByteArray name = QFile::encodeName(QFileInfo(g_folder).fileName());
        const int parentFd = ::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        RemoveFolder(parentFd, name.constData(), g_folderFd);
        if (parentFd >= 0)
            ::close(parentFd);
    }
    ForgetFolder();
}

int ClearLeftoverRunFolders()
{
    const QString base = SystemTempFolder();
    const int baseFd = OpenFolder(base);
    if (baseFd < 0)
        return 0;
    int removed = 0;
    const QStringList names = QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = FolderPattern().match(name);
        if (!m.hasMatch())
            continue;
        const long pid = m.captured(1).toLong();
        if (pid <= 0 || pid == long(::getpid()) || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        // Only a real folder of our own: never a link, never another user's.
        const QByteArray native = QFile::encodeName(name);
        const int fd = ::openat(baseFd, native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && RemoveFolder(baseFd, native.constData(), fd))
            ++removed;
        ::close(fd);
    }
    ::close(baseFd);
    return removed;
}

TRunTempFile::TRunTempFile(const QString& name, const QString& folder)
{
    QString base;
    int folderFd = -1;
    if (folder.isEmpty()) {
        // Made in this run's folder through its descriptor, so the file is
        // made in that very folder even when its name changed meanwhile.
        const std::lock_guard lock(g_mutex);
        if (EnsureFolder()) {
            base = g_folder;
            folderFd = ::dup(g_folderFd);
        }
    }
    if (base.isEmpty()) {
        base = folder.isEmpty() ? SystemTempFolder() : folder;
        folderFd = OpenFolder(base);
    }
    if (folderFd < 0) {
        error_ = errno;
        return;
    }
    if (!base.endsWith(u'/'))
        base += u'/';
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString fileName = stem + u'-' + RandomNamePart() + extension;
        int fd;
        do
            fd = ::openat(folderFd, QFile::encodeName(fileName).constData(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            ::close(fd);
            path_ = base + fileName;
            error_ = 0;
            break;
        }
        error_ = errno;
        if (error_ != EEXIST)
            break;
    }
    ::close(folderFd);
}

TRunTempFile::~TRunTempFile()
{
    if (path_.isEmpty())
        return;
    // The name is removed while it holds a plain file of this user: this
    // file, or what a writer that replaces files whole put in its place. A
    // link or another user's file put there meanwhile is not ours.
    const QByteArray native = QFile::encodeName(path_);
    struct stat named;
    if (::lstat(native.constData(), &named) == 0 && S_ISREG(named.st_mode) && named.st_uid == ::geteuid())
        ::unlink(native.constData());
}

QString TRunTempFile::WinPath() const
{
    return path_.isEmpty() ? QString() : LinuxToWinOrSelf(path_);
}

QByteArray TRunTempFile::ReadAll() const
{
    // Only a plain file of this user is read: never through a link put at
    // the name, nor a pipe that would hold the read.
    QByteArray data;
    const int fd = path_.isEmpty() ? -1
                                   : ::open(QFile::encodeName(path_).constData(),
                                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0)
        return data;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            data.append(buffer, n);
        }
    }
    ::close(fd);
    return data;
}

QString TRunTempFile::Release()
{
    return std::exchange(path_, QString());
}
