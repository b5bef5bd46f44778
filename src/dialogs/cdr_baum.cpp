#include "dialogs/cdr_baum.h"

#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"

#include <QDir>

QString ManagerAlbumPfad(const QString& pfad, const QString& managerOrdner)
{
    const QString name = pfad.trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char(':')))
        return name;
    const QString ordner = IncludeTrailingBackslash(managerOrdner);
    const qsizetype punkt = name.lastIndexOf(QLatin1Char('.'));
    const QString basis = punkt > 0 ? name.left(punkt) : name;
    for (const QString& kandidat : {ordner + basis + QLatin1Char('\\') + name, ordner + name})
        if (FileExists(kandidat))
            return kandidat;
    return QString();
}

QString CdrDatenbankOrdnerDesStarts()
{
    const QString daten = qEnvironmentVariable(kCdrDatenVariable);
    if (daten.isEmpty() || !QDir(daten + QStringLiteral("/Database")).exists())
        return QString();
    const auto win = LinuxToWin(QDir(daten + QStringLiteral("/Database")).absolutePath());
    return win ? IncludeTrailingBackslash(*win) : QString();
}

QString CdrWurzelVonAlbum(const QString& albumOrdner)
{
    // "...\Data\Database\<name>\": the root is what stands before "Data".
    QString ordner = albumOrdner;
    while (ordner.endsWith(QLatin1Char('\\')))
        ordner.chop(1);
    const qsizetype name = ordner.lastIndexOf(QLatin1Char('\\'));
    if (name < 0)
        return QString();
    const QString vorne = ordner.left(name + 1);
    const QString datenbank = QString::fromLatin1(kCdrDatenbankOrdner);
    if (!vorne.endsWith(QLatin1Char('\\') + datenbank, Qt::CaseInsensitive))
        return QString();
    return vorne.left(vorne.size() - datenbank.size());
}
