#include "platform/os/system_info.h"

#include <QFile>
#include <QSysInfo>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

QString SystemUserName()
{
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QString SystemComputerName()
{
    return QSysInfo::machineHostName();
}

void PhysicalMemory(uint64_t& total, uint64_t& available)
{
    total = available = 0;
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        const uint64_t kb = parts[1].toULongLong();
        if (parts[0] == "MemTotal:")
            total = kb * 1024;
        else if (parts[0] == "MemAvailable:")
            available = kb * 1024;
    }
}

void OsVersion(QString& name, int& major, int& minor)
{
    utsname u{};
    name = QStringLiteral("Linux");
    major = minor = 0;
    if (uname(&u) != 0)
        return;
    name = QString::fromLocal8Bit(u.sysname);
    const QStringList parts = QString::fromLocal8Bit(u.release).split(u'.');
    major = parts.value(0).toInt();
    minor = parts.value(1).toInt();
}
