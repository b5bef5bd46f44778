#include "dialogs/ausgabe_datei.h"

#include "platform/core/exceptions.h"
#include "platform/core/win_path.h"

TAusgabeDatei::TAusgabeDatei(const QString& winName) : name_(winName)
{
    const auto linux = WinToLinux(winName);
    if (linux)
        file_.setFileName(*linux);
    if (!linux || !file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EInOutError(QStringLiteral("Die Datei ") + winName + QStringLiteral(" kann nicht angelegt werden: ") +
                          (linux ? file_.errorString() : QStringLiteral("Laufwerk nicht vorhanden")));
}

TAusgabeDatei::~TAusgabeDatei()
{
    if (file_.isOpen())
        file_.close();
}

void TAusgabeDatei::Schreibe(const QByteArray& bytes)
{
    if (file_.write(bytes) != bytes.size() || !file_.flush())
        Fehler();
}

void TAusgabeDatei::Schliessen()
{
    if (!file_.isOpen())
        return;
    const bool ok = file_.flush();
    file_.close();
    if (!ok || file_.error() != QFileDevice::NoError)
        Fehler();
}

void TAusgabeDatei::Fehler()
{
    const QString grund = file_.errorString();
    file_.close();
    throw EInOutError(QStringLiteral("Fehler beim Schreiben von ") + name_ + QStringLiteral(": ") + grund);
}
