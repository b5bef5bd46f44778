#include "shared/general_system.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/core/exceptions.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/os/registry.h"
#include "platform/os/shell.h"
#include "platform/os/system_info.h"
#include "shared/utility_strings.h"

QString ProgrammPfadGlobal;
uint8_t VersionMajor = 0;
uint8_t VersionMinor = 0;
uint8_t VersionRelease = 0;

QString ProgrammVerzeichnis()
{
    const QString ordner = AddBackslash(ProgramFolder());
    SetCurrentDir(ordner);
    return ordner;
}

QString WindowsVerzeichnis()
{
    return AddBackslash(WindowsFolder());
}

bool ProgrammStartenUndWarten(const QString& programm, const QString& kommandozeile,
                              const QString& arbeitsOrdner, int timeoutMs)
{
    return StartAndWait(programm, kommandozeile, arbeitsOrdner, timeoutMs);
}

QString SystemInfoText()
{
    const QString crlf = QStringLiteral("\r\n");
    uint64_t gesamt = 0, frei = 0;
    PhysicalMemory(gesamt, frei);
    int breite = 0, hoehe = 0;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            breite = screen->geometry().width();
            hoehe = screen->geometry().height();
        }
    QString osName;
    int major = 0, minor = 0;
    OsVersion(osName, major, minor);
    return QStringLiteral("Phys. RAM=") + QString::number(gesamt) + crlf
        + QStringLiteral("Phys. RAM frei=") + QString::number(frei) + crlf
        + QStringLiteral("Auflösung=") + QString::number(breite) + u'x' + QString::number(hoehe) + crlf
        + QStringLiteral("Username=") + SystemUserName() + crlf
        + QStringLiteral("Computername=") + SystemComputerName() + crlf
        + QStringLiteral("OS=") + osName + u' ' + QString::number(major) + u'.' + QString::number(minor);
}

bool InstallPfadEintragen()
{
    const QString ordner = ProgrammPfadGlobal.isEmpty() ? ProgrammVerzeichnis() : ProgrammPfadGlobal;
    try {
        TRegistry reg;
        reg.RootKey = TRootKey::HKEY_LOCAL_MACHINE;
        if (!reg.OpenKey(QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LUMADEX.EXE"), true))
            return false;
        if (reg.ReadString(QString()) != QLatin1String("LUMADEX.EXE")) {
            reg.WriteString(QString(), ordner + QStringLiteral("LUMADEX.EXE"));
            reg.WriteString(QStringLiteral("InstallPath"), ordner);
        }
        reg.CloseKey();
        return true;
    } catch (const Exception&) {
        return false;
    }
}

void VersionZerlegen(const QString& text)
{
    const int klammer = Pos(QStringLiteral("("), text);
    const QString kopf = Trim(Copy(text, 1, klammer - 1));
    const int major = StrToInt(qktGetToken(kopf, u'.', 1));
    const int minor = StrToInt(qktGetToken(kopf, u'.', 2));
    const int release = StrToInt(kopf.right(3));
    VersionMajor = static_cast<uint8_t>(major);
    VersionMinor = static_cast<uint8_t>(minor);
    VersionRelease = static_cast<uint8_t>(release);
}
