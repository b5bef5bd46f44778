#include "dialogs/ascii_export.h"


#include "dialogs/ausgabe_datei.h"
#include "dialogs/zip_packen.h"
#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
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

bool TBilderAsciiExport::SchreibeText()
{
    if (Felder.isEmpty())
        Felder = AlbumFeldNamen(dbe_);
    dbe_->SetOrder(0);
    TAusgabeDatei text(ordner_ + QStringLiteral("Bilder.TXT"));
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
                    TAusgabeDatei mem(ordner_ +
                                 MemoDateiName(dbe_->GetTrimString("PFAD"), dbe_->GetTrimString("LABELKENNU")));
                    mem.Schreibe(bytes);
                    mem.Schliessen();
                }
                text.Schreibe(";");
            } else {
                text.Schreibe(Win1252EncodeOrThrow(dbe_->GetTrimString(Felder.at(i))) + ';');
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
    for (const QString& maske : {QStringLiteral("*.MEM"), QStringLiteral("*.TXT")})
        if (!PackDateien(ordner_ + maske, archiv)) {
            ShowMessage(QStringLiteral("Fehler beim Packen von ") + ordner_ + maske + QStringLiteral(" !"));
            return false;
        }
    for (const QString& maske : {QStringLiteral("*.MEM"), QStringLiteral("*.TXT")}) {
        bool ok = false;
        try {
            ok = DateiLoeschen(ordner_, maske);
        } catch (const Exception&) {
            ok = false;
        }
        if (!ok) {
            ShowMessage(QStringLiteral("Beim Löschen von ") + ordner_ + maske +
                        QStringLiteral(" ist irgendwas schief gegangen!"));
            return false;
        }
    }
    archiv_ = archiv;
    ShowMessage(QStringLiteral("Alle Dateien zu ") + archiv + QStringLiteral(" gepackt (verschoben)!"));
    return true;
}
