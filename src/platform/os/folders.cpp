#include "platform/os/folders.h"

#include "platform/core/drive_map.h"
#include "platform/core/win_path.h"
#include "platform/os/volumes.h"

#include <QDir>
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
