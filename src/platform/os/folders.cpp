#include "platform/os/folders.h"

#include "platform/core/drive_map.h"
#include "platform/core/win_path.h"
#include "platform/os/volumes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString Made(const QString& linuxPath)
{
    QDir().mkpath(linuxPath);
    return linuxPath;
}

QString WinFolder(const QString& linuxPath)
{
    return IncludeTrailingBackslash(LinuxToWinOrSelf(linuxPath));
}

}  // namespace

QString ProgramFolderLinux()
{
    return Made(ProgramFolderLinuxPath());
}

QString ProgramFolder()
{
    return WinFolder(ProgramFolderLinux());
}

QString WindowsFolderLinux()
{
    return Made(WindowsFolderLinuxPath());
}

QString WindowsFolder()
{
    return WinFolder(WindowsFolderLinux());
}

QString ProgramFileName()
{
    return ProgramFolder() + QStringLiteral("LUMADEX.EXE");
}

QString DesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty())
        return QString();
    return WinFolder(desktop);
}

QString TempFolder()
{
    return WinFolder(QDir::tempPath());
}

bool ProgramFolderIsReadOnly()
{
    return IsOnReadOnlyMount(ProgramFolderLinux());
}

int SeedProgramFolder(const QString& resourcesLinuxFolder)
{
    const QDir source(resourcesLinuxFolder);
    if (resourcesLinuxFolder.isEmpty() || !source.exists())
        return -1;
    const QString target = ProgramFolderLinux();
    int copied = 0;
    QDirIterator it(source.absolutePath(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = target + u'/' + source.relativeFilePath(from);
        if (QFileInfo::exists(to))
            continue;
        QDir().mkpath(QFileInfo(to).absolutePath());
        if (QFile::copy(from, to)) {
            // Shipped files may be read-only in the installation; the copy is the user's.
            QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
            ++copied;
        }
    }
    return copied;
}
