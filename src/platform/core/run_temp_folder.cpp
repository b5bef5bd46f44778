#include "platform/core/run_temp_folder.h"

#include "platform/core/safe_file.h"
#include "platform/core/win_path.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_mutex;
QString g_folder;

const QRegularExpression& FolderPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^lumadex-(\\d{1,10})-[0-9a-z]{8}$"));
    return pattern;
}

}  // namespace

QString RunTempFolder()
{
    const std::lock_guard lock(g_mutex);
    // A folder that was removed under the running program (a cleaner of
    // the temporary folder) is made anew.
    struct stat st;
    if (!g_folder.isEmpty() && ::lstat(QFile::encodeName(g_folder).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return g_folder;
    g_folder.clear();
    // Qt gives no folder for a TMPDIR that does not exist.
    QString base = QDir::tempPath();
    if (base.isEmpty())
        base = QStringLiteral("/tmp");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral("lumadex-") + QString::number(::getpid()) + u'-' + RandomNamePart();
        const QString folder = base + u'/' + name;
        // mkdir fails on any name that exists, a planted link included.
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) == 0) {
            g_folder = folder;
            static const bool atExit = std::atexit(RemoveRunTempFolder) == 0;
            (void)atExit;
            return g_folder;
        }
        if (errno != EEXIST)
            break;
    }
    return base;
}

void RemoveRunTempFolder()
{
    const std::lock_guard lock(g_mutex);
    if (!g_folder.isEmpty())
        QDir(g_folder).removeRecursively();
    g_folder.clear();
}

int ClearLeftoverRunFolders()
{
    const QString base = QDir::tempPath();
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
        const QString folder = base + u'/' + name;
        struct stat st;
        if (::lstat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        if (QDir(folder).removeRecursively())
            ++removed;
    }
    return removed;
}

TRunTempFile::TRunTempFile(const QString& name, const QString& folder)
{
    QString base = folder.isEmpty() ? RunTempFolder() : folder;
    if (!base.endsWith(u'/'))
        base += u'/';
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = base + stem + u'-' + RandomNamePart() + extension;
        int fd;
        do
            fd = ::open(QFile::encodeName(candidate).constData(),
                        O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            ::close(fd);
            path_ = candidate;
            error_ = 0;
            return;
        }
        error_ = errno;
        if (error_ != EEXIST)
            return;
    }
}

TRunTempFile::~TRunTempFile()
{
    if (!path_.isEmpty())
        ::unlink(QFile::encodeName(path_).constData());
}

QString TRunTempFile::WinPath() const
{
    return path_.isEmpty() ? QString() : LinuxToWinOrSelf(path_);
}

QByteArray TRunTempFile::ReadAll() const
{
    QFile file(path_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TRunTempFile::Release()
{
    return std::exchange(path_, QString());
}
