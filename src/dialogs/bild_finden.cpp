#include "dialogs/bild_finden.h"

#include "dialogs/cdr_baum.h"

#include "platform/core/file_utils.h"
#include "platform/ui/dialogs.h"
#include "shared/general_files.h"

QString BildAufAnderemLaufwerk(const QString& pfad)
{
    if (pfad.isEmpty())
        return {};
    for (char16_t l = u'C'; l <= u'Z'; ++l) {
        const QString lw(QChar{l});
        QString kandidat;
        if (pfad.startsWith(QLatin1Char('\\')))
            kandidat = lw + QLatin1Char(':') + pfad;
        else if (pfad.size() > 1 && pfad[1] == QLatin1Char(':'))
            kandidat = lw + pfad.mid(1);
        else
            kandidat = lw + QStringLiteral(":\\") + pfad;
        if (FileExists(kandidat))
            return kandidat;
    }
    return {};
}

QString BildNameVonCDR(const QString& pfad, QChar albumLaufwerk)
{
    const QString lw = QString(albumLaufwerk) + QLatin1Char(':');
    return pfad.contains(QLatin1Char(':')) ? lw + pfad.mid(2) : lw + pfad;
}

TBildFund BildDateiFinden(const QString& gespeicherterPfad, const QString& albumOrdner, bool schreibgeschuetzt,
                          bool anderesLaufwerk)
{
    TBildFund fund;
    fund.Pfad = gespeicherterPfad.trimmed();
    if (fund.Pfad.startsWith(QLatin1Char('\\')) && !fund.Pfad.startsWith(QStringLiteral("\\\\"))) {
        const QString wurzel = CdrWurzelVonAlbum(albumOrdner);
        if (!wurzel.isEmpty() && FileExists(wurzel + fund.Pfad.mid(1))) {
            fund.Pfad = wurzel + fund.Pfad.mid(1);
            fund.Vorhanden = fund.ImBaum = true;
            return fund;
        }
    }
    const QChar album = albumOrdner.isEmpty() ? QChar(u'C') : albumOrdner[0].toUpper();
    const bool cd = LaufwerksTyp(QString(album) + QStringLiteral(":\\")) == QLatin1String("CDROM");
    if (!FileExists(fund.Pfad) && !cd && anderesLaufwerk) {
        const QString anderer = BildAufAnderemLaufwerk(fund.Pfad);
        if (!anderer.isEmpty())
            fund.Pfad = anderer;
    }
    if (schreibgeschuetzt && cd) {
        fund.Pfad = BildNameVonCDR(fund.Pfad, album);
        fund.Vorhanden = FileExists(fund.Pfad);
        if (!fund.Vorhanden)
            ShowMessage(QStringLiteral("Bild ") + fund.Pfad + QStringLiteral(" nicht gefunden!"));
        return fund;
    }
    fund.Vorhanden = !fund.Pfad.isEmpty() && FileExists(fund.Pfad);
    return fund;
}
