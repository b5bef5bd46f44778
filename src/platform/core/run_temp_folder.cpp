#include "platform/core/run_temp_folder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <mutex>

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
    if (!g_folder.isEmpty())
        return g_folder;
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const QString base = QDir::tempPath();
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = QStringLiteral("lumadex-") + QString::number(::getpid()) + u'-';
        for (int i = 0; i < 8; ++i)
            name += QLatin1Char(digits[QRandomGenerator::system()->bounded(36)]);
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
