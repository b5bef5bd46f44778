#include "shared/routine_support.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include "platform/core/win_path.h"

void NachrichtenDurchlassen()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

bool AnwendungBeendet()
{
    return QCoreApplication::closingDown();
}

TSanduhr::TSanduhr()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        aktiv_ = true;
    }
}

TSanduhr::~TSanduhr()
{
    if (aktiv_)
        QGuiApplication::restoreOverrideCursor();
}

std::optional<QString> LinuxPfad(const QString& winPfad)
{
    if (winPfad.isEmpty())
        return std::nullopt;
    return WinToLinux(winPfad);
}
