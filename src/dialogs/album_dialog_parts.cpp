#include "dialogs/album_dialog_parts.h"

#include "dialogs/album_dialog_host.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/graphics.h"
#include "shared/nachrichten_dialog.h"
#include "storage/tdbe.h"

void VorschauAusBlobZeigen(TDbe* dbe, const QString& tempOrdner, TImage* bild)
{
    if (!dbe || !dbe->IsActive() || dbe->Eof() || dbe->Empty(QStringLiteral("VORSCHAU")))
        return;
    const QString datei = tempOrdner + QStringLiteral("Vorschau.bmp");
    if (!dbe->BlobToFile(QStringLiteral("VORSCHAU"), datei)) {
        ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus Fotoalbum"));
        return;
    }
    try {
        bild->Picture()->LoadFromFile(datei);
    } catch (const std::exception&) {
        // A thumbnail memo that holds no readable picture leaves the view empty.
        bild->Picture()->SetGraphic(nullptr);
    }
}

void AbschlussMeldung(const TAlbumDialogOptionen& optionen, const QString& caption, const QString& text, int hoehe)
{
    NachrichtenDialog(caption, text, optionen.RequesterAnzeigeZeit, hoehe, optionen.Infofarbe, clBlack, true);
}
