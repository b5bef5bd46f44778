#include "mainwindow/programm_link.h"

#include "platform/core/win_path.h"
#include "platform/os/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString ProgrammLinkAnlegen(const QString& name)
{
    const auto ziel = LinuxToWin(QCoreApplication::applicationFilePath());
    if (!ziel)
        return QString();
    // Qt reads the desktop folder from user-dirs.dirs (xdg-user-dirs) and
    // falls back to ~/Desktop; a home without it gets the menu entry.
    QString ordner = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (ordner.isEmpty() || !QDir(ordner).exists() || ordner == QDir::homePath())
        ordner = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    if (ordner.isEmpty() || !QDir().mkpath(ordner))
        return QString();
    const auto winOrdner = LinuxToWin(ordner);
    if (!winOrdner || !CreateShortcut(*ziel, name, QString(), *winOrdner + u'\\'))
        return QString();
    return ordner;
}

QString ProgrammLinkMeldung(const QString& ordner)
{
    return QStringLiteral("Der Programm-Link wurde angelegt in: ") + ordner;
}
