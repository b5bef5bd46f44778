#include "dialogs/ascii_export.h"


#include "dialogs/ausgabe_datei.h"
#include "dialogs/zip_packen.h"
#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/picture_files.h"
#include "storage/tdbe.h"

QStringList AlbumFeldNamen(TDbe* dbe)
{
    QStringList namen;
    for (int i = 1; i <= dbe->FieldCount(); ++i)
        namen << dbe->FieldName(i);
    return namen;
}

QString MemoDateiName(const QString& pfad, const QString& labelKennung)
{
    return PfadAlsDateiName(pfad.trimmed().toUpper()) + labelKennung.trimmed() + QStringLiteral(".MEM");
}

std::optional<QString> TBilderAsciiExport::ZeilenWert(const QString& wert)
{
    for (const QChar c : wert)
        if (c.unicode() < 0x20 && c != u'\t')
            return std::nullopt;
    if (!wert.contains(u';') && !wert.startsWith(u'"'))
        return wert;
    QString zitiert = wert;
    zitiert.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + zitiert + u'"';
}

bool TBilderAsciiExport::SchreibeText()
{
    if (Felder.isEmpty())
        Felder = AlbumFeldNamen(dbe_);
    dbe_->SetOrder(0);
    geschrieben_.clear();
    const QString textDatei = ordner_ + QStringLiteral("Bilder.TXT");
    TAusgabeDatei text(textDatei);
    geschrieben_ << textDatei;
    // The type of each field, asked once.
    std::vector<bool> memo;
    for (const QString& f : Felder)
        memo.push_back(dbe_->FieldType(f) == u"M");
    int satz = 0;
    dbe_->GoTop();
    while (!dbe_->Eof()) {
        if (Abbruch && Abbruch()) {
            text.Schliessen();
            MessageDlg(QStringLiteral("Datenexport mit ESC abgebrochen !"), mtInformation, {mbOK});
            return false;
        }
        ++satz;
        if (Fortschritt)
            Fortschritt(satz);
        for (int i = 0; i < Felder.size(); ++i) {
            if (memo[size_t(i)]) {
                const long laenge = dbe_->GetBlobLength("NOTIZ");
                if (laenge > 0) {
                    char* notiz = dbe_->GetMemo("NOTIZ");
                    const QByteArray bytes = notiz ? QByteArray(notiz, laenge) : QByteArray();
                    if (notiz)
                        dbe_->MemDealloc(notiz);
                    const QString memDatei =
                        ordner_ + MemoDateiName(dbe_->GetTrimString("PFAD"), dbe_->GetTrimString("LABELKENNU"));
                    TAusgabeDatei mem(memDatei);
                    mem.Schreibe(bytes);
                    mem.Schliessen();
                    if (!geschrieben_.contains(memDatei, Qt::CaseInsensitive))
                        geschrieben_ << memDatei;
                }
                text.Schreibe(";");
            } else {
                const std::optional<QString> wert = ZeilenWert(dbe_->GetTrimString(Felder.at(i)));
                if (!wert) {
                    text.Schliessen();
                    MessageDlg(QStringLiteral("Satz Nr. ") + QString::number(dbe_->RecNo()) + QStringLiteral(" (") +
                                   dbe_->GetTrimString("PFAD") + QStringLiteral("), Feld ") + Felder.at(i) +
                                   QStringLiteral(": der Wert enthält einen Zeilenumbruch oder Steuerzeichen und kann "
                                                  "nicht exportiert werden, Datenexport abgebrochen !"),
                               mtError, {mbOK});
                    return false;
                }
                text.Schreibe(Win1252EncodeOrThrow(*wert) + ';');
            }
        }
        text.Schreibe("\r\n");
        dbe_->Skip(1);
    }
    text.Schliessen();
    return true;
}

bool TBilderAsciiExport::Ausfuehren()
{
    archiv_.clear();
    if (!SchreibeText())
        return false;
    MessageDlg(QStringLiteral("Datenexport abgeschlossen !"), mtWarning, {mbOK});
    const QString archiv = ordner_ + QStringLiteral("BilderASCII") +
                           NaechsteFreieNummer(ordner_ + QStringLiteral("BilderASCII*.ZIP")) + QStringLiteral(".ZIP");
    // Only what this run wrote goes into the archive and is deleted.
    if (!PackDateien(geschrieben_, archiv)) {
        ShowMessage(QStringLiteral("Fehler beim Packen von ") + geschrieben_.join(QStringLiteral(", ")) +
                    QStringLiteral(" !"));
        return false;
    }
    for (const QString& datei : geschrieben_) {
        if (const TDateiErgebnis weg = BildLoeschen(datei); !weg) {
            ShowMessage(QStringLiteral("Beim Löschen von ") + datei + QStringLiteral(" ist irgendwas schief gegangen!"));
            return false;
        }
    }
    archiv_ = archiv;
    ShowMessage(QStringLiteral("Alle Dateien zu ") + archiv + QStringLiteral(" gepackt (verschoben)!"));
    return true;
}
